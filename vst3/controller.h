// The edit controller the factory makes: kVst3ControllerId, which the processor names.
#pragma once

#include <travesty/base.h>

namespace vst3 {

// A new controller's interface `iid` in `instance`, with the one reference the host owns.
v3_result createController(const v3_tuid iid, void** instance);

}  // namespace vst3
