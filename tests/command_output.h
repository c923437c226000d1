// What a shell command prints on its standard output, for tests that compare with the tool or
// read a checker's report.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace test {

inline std::string commandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, n);
    return out;
}

#ifdef TARVO_CLI_PATH
// The tool's standard output for ARGUMENTS (shell words).
inline std::string toolOutput(const std::string& arguments) {
    return commandOutput(std::string("'") + TARVO_CLI_PATH + "' " + arguments);
}
#endif

}  // namespace test
