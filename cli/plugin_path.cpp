#include "cli/plugin_path.h"

#include <filesystem>
#include <system_error>

#include "cli/cli_error.h"

namespace cli {

namespace fs = std::filesystem;

namespace {
fs::path executableDirectory() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
}
}  // namespace

std::string defaultPluginPath() {
    const fs::path directory = executableDirectory();
    const fs::path beside = directory / TARVO_PLUGIN_FILE_NAME;
    const fs::path installed =
        (directory / kInstalledPluginDirectory / TARVO_PLUGIN_FILE_NAME).lexically_normal();
    std::error_code error;
    if (!directory.empty() && fs::is_regular_file(beside, error)) return beside.string();
    if (!directory.empty() && fs::is_regular_file(installed, error)) return installed.string();
    throw RuntimeError("cannot find the plug-in library: neither '" + beside.string() + "' nor '" +
                       installed.string() + "' exists (use --plugin PATH)");
}

std::string pluginPathAsTyped(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

}  // namespace cli
