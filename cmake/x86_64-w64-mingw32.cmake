# Cross build for 64-bit Windows, where the CLAP and VST 3 plug-ins run in the DAWs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARVO_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_tools.cmake)

# No contraction into fused multiply-adds, whatever the compiler's default.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off")

# The plug-ins are modules: they too carry the runtimes inside.
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
