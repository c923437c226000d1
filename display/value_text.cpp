#include "machine/machine.h"

const char* HOST_CALL mi::ValueText(int32_t, int32_t) { return nullptr; }
