#include "machine/machine.h"

void mi::designFilter(float, int32_t) {}
