# What both MinGW-w64 cross builds share, for the target TARVO_MINGW_PREFIX names: the
# compilers (the win32 threading flavour first, so nothing links against a pthread DLL), the
# target's own root for libraries and headers, and only system DLLs imported (the C and C++
# runtimes of the compiler go into executables and DLLs statically).
set(CMAKE_SYSTEM_NAME Windows)
find_program(CMAKE_C_COMPILER NAMES ${TARVO_MINGW_PREFIX}-gcc-win32 ${TARVO_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TARVO_MINGW_PREFIX}-g++-win32 ${TARVO_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TARVO_MINGW_PREFIX}-windres)
find_program(CMAKE_OBJDUMP NAMES ${TARVO_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
