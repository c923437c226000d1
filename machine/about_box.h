// The About box is the one place the machine talks to the user directly.
#pragma once

void showAboutBox(const char* text);
