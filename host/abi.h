// Calling convention and layout rules shared by every host-facing class.
#pragma once

#include <cstdint>

// The host calls every operation of its interfaces with `thiscall` on 32-bit x86;
// everywhere else the platform's ordinary member-call convention is the right one.
#if defined(__i386__) || defined(_M_IX86)
#if defined(_MSC_VER) && !defined(__clang__)
#define HOST_CALL __thiscall
#else
#define HOST_CALL __attribute__((thiscall))
#endif
#else
#define HOST_CALL
#endif

// The two exports are plain, undecorated C functions. Where the machine is linked into plug-ins of
// other formats only (TARVO_ENTRY_POINTS_INSIDE, the 64-bit Windows build), they stay inside.
#if defined(TARVO_ENTRY_POINTS_INSIDE)
#define HOST_EXPORT extern "C"
#elif defined(_WIN32)
#define HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif
