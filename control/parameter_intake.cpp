#include "machine/machine.h"

void HOST_CALL mi::ProcessTick() {}
