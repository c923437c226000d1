// Where the plug-in library is found when --plugin does not say.
#pragma once

#include <string>

namespace cli {

// Where an installed tree keeps the plug-in library, relative to the program's directory.
inline constexpr char kInstalledPluginDirectory[] = "../lib/tarvo-delay";

// The library beside the running executable (as in the build tree), else where an installed
// tree keeps it; throws RuntimeError naming both places when neither exists.
std::string defaultPluginPath();

// --plugin PATH as the user means it: a file, never a name for the system's library search
// ("tarvo.so" is the file in the current directory).
std::string pluginPathAsTyped(const std::string& path);

}  // namespace cli
