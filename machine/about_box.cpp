#include "machine/about_box.h"

#if defined(_WIN32)
#include <windows.h>

void showAboutBox(const char* text) { MessageBoxA(GetForegroundWindow(), text, "About", MB_OK); }
#else
#include <cstdio>

// Without a window system the text goes where a developer will see it.
void showAboutBox(const char* text) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
}
#endif
