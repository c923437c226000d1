#include "offline/host_script.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>

#include "core/hosted_machine.h"
#include "core/parameter_record.h"
#include "core/quoted_text.h"
#include "core/text_lines.h"

namespace offline {

namespace {

constexpr int32_t kDefaultRate = 44100;
constexpr int32_t kDefaultSamplesPerTick = 5512;

std::vector<std::string> splitTokens(const std::string& line) {
    std::vector<std::string> tokens;
    std::string token;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            if (!token.empty()) tokens.push_back(std::move(token));
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty()) tokens.push_back(std::move(token));
    return tokens;
}

long long parseInteger(const std::string& token, int line, long long min, long long max,
                       const char* what) {
    long long value = 0;
    const char* begin = token.data();
    const char* end = begin + token.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end)
        throw ScriptError(
            line, std::string("expected an integer ") + what + ", got " + core::quoted(token));
    if (value < min || value > max)
        throw ScriptError(line, std::string(what) + " " + core::quoted(token) + " is outside " +
                                    std::to_string(min) + ".." + std::to_string(max));
    return value;
}

void expectArguments(const std::vector<std::string>& tokens, size_t count, int line) {
    if (tokens.size() != count + 1)
        throw ScriptError(line, core::quoted(tokens[0]) + " takes " + std::to_string(count) +
                                    " argument" + (count == 1 ? "" : "s"));
}

}  // namespace

std::vector<ScriptCommand> parseScript(const std::string& text, const MachineDescription& info) {
    std::vector<ScriptCommand> commands;
    bool created = false;
    bool destroyed = false;
    for (const core::TextLine& textLine : core::textLines(text)) {
        const int line = textLine.number;
        if (const std::string nul = core::nulByteProblem(textLine.text); !nul.empty())
            throw ScriptError(line, nul);
        const std::string content(textLine.text.substr(0, textLine.text.find('#')));
        const std::vector<std::string> tokens = splitTokens(content);
        if (tokens.empty()) continue;
        ScriptCommand command{};
        command.line = line;
        const std::string& verb = tokens[0];
        if (verb == "rate" || verb == "tpt") {
            expectArguments(tokens, 1, line);
            command.kind = verb == "rate" ? ScriptCommand::Rate : ScriptCommand::SamplesPerTick;
            command.first = parseInteger(tokens[1], line, INT32_MIN, INT32_MAX, verb.c_str());
        } else if (verb == "create") {
            expectArguments(tokens, 0, line);
            if (created) throw ScriptError(line, "the machine is created only once");
            created = true;
            command.kind = ScriptCommand::Create;
        } else if (verb == "destroy") {
            expectArguments(tokens, 0, line);
            if (!created || destroyed) throw ScriptError(line, "no machine to destroy");
            destroyed = true;
            command.kind = ScriptCommand::Destroy;
        } else if (verb == "tick" || verb == "render" || verb == "text") {
            if (!created) throw ScriptError(line, "'" + verb + "' before 'create'");
            if (destroyed) throw ScriptError(line, "'" + verb + "' after 'destroy'");
            if (verb == "render") {
                expectArguments(tokens, 2, line);
                command.kind = ScriptCommand::Render;
                command.first = parseInteger(tokens[1], line, 0, INT32_MAX, "frame count");
                command.second = parseInteger(tokens[2], line, INT32_MIN, INT32_MAX, "work mode");
            } else if (verb == "text") {
                expectArguments(tokens, 2, line);
                command.kind = ScriptCommand::Text;
                command.first = parseInteger(tokens[1], line, INT32_MIN, INT32_MAX, "index");
                command.second = parseInteger(tokens[2], line, INT32_MIN, INT32_MAX, "value");
            } else {
                command.kind = ScriptCommand::Tick;
                size_t first = 1;
                if (tokens.size() > 1 && tokens[1] == "defaults") {
                    command.defaults = true;
                    first = 2;
                }
                for (size_t i = first; i < tokens.size(); ++i) {
                    const size_t equals = tokens[i].find('=');
                    if (equals == std::string::npos)
                        throw ScriptError(line, "expected I=V, got " + core::quoted(tokens[i]));
                    const int index = static_cast<int>(
                        parseInteger(tokens[i].substr(0, equals), line, 0,
                                     info.globalParameterCount - 1, "parameter index"));
                    const bool word = info.parameters[index]->type == ParameterWord;
                    const int value = static_cast<int>(parseInteger(
                        tokens[i].substr(equals + 1), line, 0, word ? 65535 : 255, "value"));
                    command.values.emplace_back(index, value);
                }
            }
        } else {
            throw ScriptError(line, "unknown command " + core::quoted(verb));
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

void runScript(const core::MachineCode& code, const std::vector<ScriptCommand>& commands,
               ScriptStreams& streams) {
    int32_t rate = kDefaultRate;
    int32_t samplesPerTick = kDefaultSamplesPerTick;
    std::unique_ptr<core::HostedMachine> machine;
    core::ParameterRecord record(*code.description);
    bool inputEnded = false;
    std::vector<float> buffer;

    for (const ScriptCommand& command : commands) {
        switch (command.kind) {
            case ScriptCommand::Rate:
                rate = static_cast<int32_t>(command.first);
                if (machine) machine->setSampleRate(rate);
                break;
            case ScriptCommand::SamplesPerTick:
                samplesPerTick = static_cast<int32_t>(command.first);
                if (machine) machine->setSamplesPerTick(samplesPerTick);
                break;
            case ScriptCommand::Create:
                machine = std::make_unique<core::HostedMachine>(code, rate, samplesPerTick);
                core::requireMachine(*machine);
                break;
            case ScriptCommand::Destroy:
                machine.reset();
                break;
            case ScriptCommand::Tick:
                if (command.defaults)
                    record.setDefaults();
                else
                    record.clear();
                for (auto [index, value] : command.values) record.set(index, value);
                machine->tick(record);
                break;
            case ScriptCommand::Render: {
                const size_t samples = static_cast<size_t>(command.first) * 2;
                buffer.assign(samples, 0.0f);
                if (!inputEnded)
                    inputEnded = streams.readInput(buffer.data(), samples, command.line) < samples;
                machine->render(buffer.data(), static_cast<int32_t>(command.first),
                                static_cast<int32_t>(command.second));
                streams.writeOutput(buffer.data(), buffer.size());
                break;
            }
            case ScriptCommand::Text: {
                const char* text = machine->valueText(static_cast<int32_t>(command.first),
                                                      static_cast<int32_t>(command.second));
                streams.writeText(text != nullptr ? text : "(null)");
                break;
            }
        }
    }
}

ScriptResult runScript(const core::MachineCode& code, const std::vector<ScriptCommand>& commands,
                       const std::vector<float>& input) {
    class Collect final : public ScriptStreams {
      public:
        explicit Collect(const std::vector<float>& input) : input_(input) {}
        size_t readInput(float* samples, size_t count, int) override {
            const size_t n = std::min(count, input_.size() - at_);
            std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(at_), n, samples);
            at_ += n;
            return n;
        }
        void writeOutput(const float* samples, size_t count) override {
            result.output.insert(result.output.end(), samples, samples + count);
        }
        void writeText(const std::string& text) override { result.texts += text + '\n'; }
        ScriptResult result;

      private:
        const std::vector<float>& input_;
        size_t at_ = 0;
    };
    Collect collect(input);
    runScript(code, commands, collect);
    return std::move(collect.result);
}

}  // namespace offline
