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
    const fs::path beside = executableDirectory() / TARVO_PLUGIN_FILE_NAME;
    std::error_code error;
    if (!beside.parent_path().empty() && fs::is_regular_file(beside, error)) return beside.string();
    const fs::path built = TARVO_BUILD_PLUGIN_PATH;
    if (fs::is_regular_file(built, error)) return built.string();
    throw RuntimeError("cannot find the plug-in library: neither '" + beside.string() + "' nor '" +
                       built.string() + "' exists (use --plugin PATH)");
}

std::string pluginPathAsTyped(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

}  // namespace cli
