// tarvo-delay script SCRIPT [--in IN.f32] [--out OUT.f32]: replays a host session exactly,
// through our host's script player. Value texts go to standard output as their bytes; the
// input is read and the output written as the replay goes.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>

#include "cli/cli_error.h"
#include "cli/commands.h"
#include "files/float_stream.h"
#include "files/safe_output.h"
#include "files/text_file.h"
#include "offline/host_script.h"

namespace cli {

namespace {

using files::FloatStreamReader;
using files::SafeOutput;

// The most frames one render call of a script takes: its buffer is held whole (128 MiB).
constexpr long long kLongestScriptRender = 1LL << 24;

class Streams final : public offline::ScriptStreams {
  public:
    // `where`: the script as messages name it; `pad`: silence once the input has ended.
    Streams(FloatStreamReader* input, SafeOutput* output, std::string where, bool pad)
        : input_(input), output_(output), where_(std::move(where)), pad_(pad) {}

    // A render that reads past the end of --in fails at its line, unless --pad asks for
    // silence; without --in the input is silent.
    size_t readInput(float* samples, size_t count, int line) override {
        if (input_ == nullptr) return 0;
        const size_t got = input_->read(samples, count);
        inputFrames_ += got / 2;
        if (got < count && !pad_)
            throw RuntimeError(where_ + ": line " + std::to_string(line) + ": render " +
                               std::to_string(count / 2) + " reads past the end of --in, which " +
                               "ended after " + std::to_string(inputFrames_) + " frames (" +
                               std::to_string(got / 2) +
                               " of them for this render); --pad renders silence after it");
        return got;
    }
    void writeOutput(const float* samples, size_t count) override {
        if (output_ != nullptr) files::writeFloatStream(*output_, samples, count);
    }
    // Once standard output is gone (a closed pipe) the texts are dropped, and the replay
    // goes on so that --out is still complete.
    void writeText(const std::string& text) override {
        if (textsLost_) return;
        const std::string line = text + '\n';
        for (size_t at = 0; at < line.size();) {
            const ssize_t n = write(STDOUT_FILENO, line.data() + at, line.size() - at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                textsLost_ = true;
                why_ = std::strerror(errno);
                return;
            }
            at += static_cast<size_t>(n);
        }
    }
    bool textsLost() const { return textsLost_; }
    const std::string& why() const { return why_; }

  private:
    FloatStreamReader* input_;
    SafeOutput* output_;
    std::string where_;
    bool pad_;
    size_t inputFrames_ = 0;
    bool textsLost_ = false;
    std::string why_;
};

bool printsTexts(const std::vector<offline::ScriptCommand>& commands) {
    for (const offline::ScriptCommand& command : commands)
        if (command.kind == offline::ScriptCommand::Text) return true;
    return false;
}

}  // namespace

int runScript(const ScriptOptions& options, const core::MachineCode& code) {
    const std::string text = files::readTextFile(options.script, "script");
    const std::string where = options.script == "-" ? "standard input" : options.script;
    std::vector<offline::ScriptCommand> commands;
    try {
        commands = offline::parseScript(text, *code.description);
    } catch (const offline::ScriptError& e) {
        throw UsageError(where + ": " + e.what());
    }
    for (const offline::ScriptCommand& command : commands)
        if (command.kind == offline::ScriptCommand::Render && command.first > kLongestScriptRender)
            throw UsageError(where + ": line " + std::to_string(command.line) + ": render " +
                             std::to_string(command.first) + " is longer than the " +
                             std::to_string(kLongestScriptRender) +
                             " frames one render call may take");
    if (options.script == "-" && options.input == "-")
        throw UsageError("the script and --in cannot both be standard input");
    if (options.output == "-" && printsTexts(commands))
        throw UsageError(
            "--out -: the script prints value texts to standard output too; "
            "write the stream to a file");

    // A closed standard output shows as a failed write, not as a signal that ends the replay.
    std::signal(SIGPIPE, SIG_IGN);
    std::optional<FloatStreamReader> input;
    if (!options.input.empty()) input.emplace(options.input);
    std::optional<SafeOutput> output;
    if (!options.output.empty()) {
        files::refuseSameFile(options.script, options.output);
        if (!options.input.empty()) files::refuseSameFile(options.input, options.output);
        output.emplace(options.output);
    }

    Streams streams(input ? &*input : nullptr, output ? &*output : nullptr, where, options.pad);
    offline::runScript(code, commands, streams);
    if (output) output->commit();
    if (streams.textsLost())
        throw RuntimeError("cannot write the value texts to standard output: " + streams.why() +
                           (output ? "; '" + output->name() + "' is complete" : ""));
    return 0;
}

}  // namespace cli
