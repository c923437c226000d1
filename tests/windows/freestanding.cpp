// Runtime support for a program linked without any C runtime library.
#include "tests/windows/freestanding.h"

// Floating-point code in a program for this ABI references this marker.
extern "C" int _fltused = 0;

// A call of a pure operation can only be a fault.
extern "C" int __cdecl _purecall() {
    host::printLine("crash: pure operation called");
    ExitProcess(3);
}

extern "C" void* __cdecl memset(void* target, int value, size_t size) {
    auto* bytes = static_cast<volatile unsigned char*>(target);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(value);
    return target;
}

extern "C" void* __cdecl memcpy(void* target, const void* source, size_t size) {
    auto* to = static_cast<volatile unsigned char*>(target);
    const auto* from = static_cast<const unsigned char*>(source);
    for (size_t i = 0; i < size; ++i) to[i] = from[i];
    return target;
}

void* operator new(size_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (block == nullptr) {
        host::printLine("crash: out of memory");
        ExitProcess(3);
    }
    return block;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

namespace host {

namespace {
constexpr uint32_t kStandardOutput = static_cast<uint32_t>(-11);

size_t length(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

void write(const char* data, size_t size) {
    uint32_t written = 0;
    WriteFile(GetStdHandle(kStandardOutput), data, static_cast<uint32_t>(size), &written, nullptr);
}
}  // namespace

void print(const char* text) { write(text, length(text)); }

void printLine(const char* text) {
    print(text);
    write("\n", 1);
}

void printInt(int32_t value) {
    char digits[12];
    int at = 12;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : value;
    do {
        digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--at] = '-';
    write(digits + at, static_cast<size_t>(12 - at));
}

void printHex(uint32_t value) {
    char digits[10] = {'0', 'x'};
    for (int i = 0; i < 8; ++i) digits[2 + i] = "0123456789abcdef"[(value >> (28 - 4 * i)) & 15];
    write(digits, 10);
}

const char* firstArgument() {
    char* line = GetCommandLineA();
    // The program name, quoted or not.
    if (*line == '"') {
        ++line;
        while (*line != '\0' && *line != '"') ++line;
        if (*line == '"') ++line;
    } else {
        while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    if (*line == '\0') return nullptr;
    if (*line == '"') {
        char* start = ++line;
        while (*line != '\0' && *line != '"') ++line;
        *line = '\0';
        return start;
    }
    char* end = line + length(line);
    while (end > line && (end[-1] == ' ' || end[-1] == '\t')) --end;
    *end = '\0';
    return line;
}

bool sameText(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b;
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

void setHostFloatingPoint(uint16_t x87Control) {
    uint32_t mxcsr = 0x1f80;
    asm volatile("fninit\n\tfldcw %0\n\tldmxcsr %1" : : "m"(x87Control), "m"(mxcsr));
}

namespace {
constexpr uint32_t kCanaryEbx = 0x5eb1a5ed;
constexpr uint32_t kCanaryEsi = 0x51ab1e55;
constexpr uint32_t kCanaryEdi = 0xd15ea5ed;
constexpr uint32_t kDirectionFlag = 0x400;
constexpr uint32_t kMxcsrControlBits = 0xffc0;  // the low six bits are sticky status flags
}  // namespace

bool cleanCall(const CallReport& report) {
    return report.stackError == 0 && report.ebx == kCanaryEbx && report.esi == kCanaryEsi &&
           report.edi == kCanaryEdi && (report.eflags & kDirectionFlag) == 0 &&
           (report.mxcsrAfter & kMxcsrControlBits) == (report.mxcsrBefore & kMxcsrControlBits) &&
           (report.x87Environment[0] & 0xffff) == report.x87ControlBefore &&
           (report.x87Environment[2] & 0xffff) == 0xffff;
}

static_assert(offsetof(CallReport, eflags) == 16);
static_assert(offsetof(CallReport, mxcsrBefore) == 20);
static_assert(offsetof(CallReport, x87ControlBefore) == 28);
static_assert(offsetof(CallReport, x87Environment) == 32);

}  // namespace host

// checkedThiscall(function, self, args, count, misalign, report): cdecl, so its arguments
// are at 8..28(%ebp). The arguments are pushed right to left, `this` goes in ecx, and the
// callee must pop the arguments itself.
asm(R"(
    .text
    .globl _checkedThiscall
_checkedThiscall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $8, %esp
    movl 28(%ebp), %eax
    stmxcsr 20(%eax)
    fnstcw 28(%eax)
    movl 20(%ebp), %ecx
    leal (,%ecx,4), %edx
    movl %esp, %eax
    subl %edx, %eax
    andl $15, %eax
    subl 24(%ebp), %eax
    andl $15, %eax
    subl %eax, %esp
    movl %esp, -16(%ebp)
    movl 16(%ebp), %edx
1:
    testl %ecx, %ecx
    jz 2f
    pushl -4(%edx,%ecx,4)
    decl %ecx
    jmp 1b
2:
    movl 12(%ebp), %ecx
    movl $0x5eb1a5ed, %ebx
    movl $0x51ab1e55, %esi
    movl $0xd15ea5ed, %edi
    call *8(%ebp)
    movl %esp, %ecx
    subl -16(%ebp), %ecx
    movl 28(%ebp), %edx
    movl %ecx, 0(%edx)
    movl %ebx, 4(%edx)
    movl %esi, 8(%edx)
    movl %edi, 12(%edx)
    pushfl
    popl %ecx
    movl %ecx, 16(%edx)
    stmxcsr 24(%edx)
    fnstenv 32(%edx)
    fldenv 32(%edx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
