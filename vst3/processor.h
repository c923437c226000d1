// The audio processor the factory makes: the component hosts look up by kVst3ProcessorId.
#pragma once

#include <travesty/base.h>

namespace vst3 {

// A new processor's interface `iid` in `instance`, with the one reference the host owns.
v3_result createProcessor(const v3_tuid iid, void** instance);

}  // namespace vst3
