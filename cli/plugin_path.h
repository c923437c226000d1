// Where the plug-in library is found when --plugin does not say.
#pragma once

#include <string>

namespace cli {

// The library beside the running executable, else the one in the build tree this tool was
// built in; throws RuntimeError naming both places when neither exists.
std::string defaultPluginPath();

// --plugin PATH as the user means it: a file, never a name for the system's library search
// ("tarvo.so" is the file in the current directory).
std::string pluginPathAsTyped(const std::string& path);

}  // namespace cli
