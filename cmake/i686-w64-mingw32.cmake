# Cross build for the music host's platform: 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARVO_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_tools.cmake)

# SSE2 arithmetic instead of the x87 stack, no contraction into fused multiply-adds, and a
# stack realigned on entry: the host calls in with only 4-byte stack alignment.
set(TARVO_WINDOWS_FLAGS "-march=pentium4 -msse2 -mfpmath=sse -mstackrealign -ffp-contract=off")
set(CMAKE_C_FLAGS_INIT "${TARVO_WINDOWS_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${TARVO_WINDOWS_FLAGS}")
