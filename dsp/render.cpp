#include "machine/machine.h"

bool HOST_CALL mi::RenderStereo(float*, int32_t, int32_t workMode) { return workMode != 0; }
