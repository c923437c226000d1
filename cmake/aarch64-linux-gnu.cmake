# Cross build for 64-bit ARM Linux with Debian's GCC cross compiler; the programs run on this
# machine under qemu's user-mode emulator, with the cross C library as its root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TARVO_CROSS_PREFIX aarch64-linux-gnu)
set(TARVO_CROSS_ROOT /usr/${TARVO_CROSS_PREFIX})
find_program(CMAKE_C_COMPILER NAMES ${TARVO_CROSS_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TARVO_CROSS_PREFIX}-g++ REQUIRED)
find_program(TARVO_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVO_QEMU_AARCH64} -L ${TARVO_CROSS_ROOT})

set(CMAKE_FIND_ROOT_PATH ${TARVO_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No contraction into fused multiply-adds: GCC contracts by default on ARM.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off")
