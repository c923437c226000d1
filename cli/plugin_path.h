// Where the plug-in library is found when --plugin does not say.
#pragma once

#include <string>

namespace cli {

// The library beside the running executable, else the one in the build tree this tool was
// built in; throws RuntimeError naming both places when neither exists.
std::string defaultPluginPath();

}  // namespace cli
