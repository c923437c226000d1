// The little a program needs without a C runtime: the Windows calls it makes, text output,
// and a call that checks the calling convention of whatever it calls.
#pragma once

#include <stddef.h>
#include <stdint.h>

extern "C" {
struct ExceptionRecord {
    uint32_t code;
    uint32_t flags;
    ExceptionRecord* next;
    void* address;
};
struct ExceptionPointers {
    ExceptionRecord* record;
    void* context;
};
using TopLevelFilter = long(__stdcall*)(ExceptionPointers*);

void* __cdecl memset(void* target, int value, size_t size);
void* __cdecl memcpy(void* target, const void* source, size_t size);

__declspec(dllimport) void* __stdcall GetStdHandle(uint32_t which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, uint32_t size,
                                              uint32_t* written, void* overlapped);
__declspec(dllimport) void* __stdcall LoadLibraryA(const char* path);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) uint32_t __stdcall GetLastError();
__declspec(dllimport) char* __stdcall GetCommandLineA();
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(uint32_t code);
__declspec(dllimport) void* __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, uint32_t flags, size_t size);
__declspec(dllimport) int __stdcall HeapFree(void* heap, uint32_t flags, void* block);
__declspec(dllimport) TopLevelFilter __stdcall SetUnhandledExceptionFilter(TopLevelFilter filter);
}

namespace host {

// Text output, straight to the standard output handle.
void print(const char* text);
void printInt(int32_t value);
void printHex(uint32_t value);
void printLine(const char* text);

// The argument after the program name, quotes removed; null if there is none.
const char* firstArgument();

bool sameText(const char* a, const char* b);

// The floating-point environment a Windows host runs with: x87 at double precision with
// every exception masked, SSE at its defaults.
void setHostFloatingPoint(uint16_t x87Control);

// What a call left behind, filled in by checkedThiscall.
struct CallReport {
    int32_t stackError;  // 0 when the callee removed exactly its arguments
    uint32_t ebx, esi, edi;
    uint32_t eflags;
    uint32_t mxcsrBefore, mxcsrAfter;
    uint16_t x87ControlBefore, unused;
    uint32_t x87Environment[7];  // control, status and tag word first
};

// True when the callee kept every rule of the convention: removed exactly its arguments,
// kept ebx, esi and edi, cleared the direction flag, left the x87 stack empty and both
// floating-point control words as it found them.
bool cleanCall(const CallReport& report);

}  // namespace host

// Calls `function` as a thiscall operation of `self` with `count` word arguments, the stack
// misaligned by `misalign` bytes from 16 at the call, and reports what the callee left.
extern "C" uintptr_t checkedThiscall(const void* function, void* self, const uintptr_t* args,
                                     int count, int misalign, host::CallReport* report);
