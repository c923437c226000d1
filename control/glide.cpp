#include "machine/machine.h"

void mi::glideStep() {}
