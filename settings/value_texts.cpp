#include "settings/value_texts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/parameter_record.h"
#include "machine/parameters.h"
#include "settings/parameter_table.h"
#include "settings/text_encoding.h"

namespace settings {

namespace {

// The units the machine's texts use, as normalized text spells them.
constexpr std::string_view kUnits[] = {"hz", "db", "%", "\xC2\xB0", "tick", "smp", "bit"};

}  // namespace

size_t numberAt(std::string_view text, size_t at, double& number) {
    size_t end = at;
    if (end < text.size() && (text[end] == '-' || text[end] == '+')) ++end;
    if (text.substr(end, 3) == "inf") {
        number = text[at] == '-' ? -std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::infinity();
        end += 3;
        if (end < text.size() && text[end] == '.') ++end;
        return end - at;
    }
    const size_t digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == digits) return 0;
    if (end + 1 < text.size() && text[end] == '.' &&
        std::isdigit(static_cast<unsigned char>(text[end + 1]))) {
        ++end;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    }
    number = std::strtod(std::string(text.substr(at, end - at)).c_str(), nullptr);
    return end - at;
}

std::vector<std::pair<double, std::string>> shownNumbers(std::string_view original) {
    const std::string text = normalizedName(original);
    std::vector<std::pair<double, std::string>> numbers;
    for (size_t at = 0; at < text.size();) {
        const bool signAllowed = at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]));
        double number = 0.0;
        const size_t length = signAllowed || text[at] != '-' ? numberAt(text, at, number) : 0;
        if (length == 0) {
            ++at;
            continue;
        }
        at += length;
        // The unit follows at once or inside an opening parenthesis: "50 (%)".
        const size_t unitAt = at < text.size() && text[at] == '(' ? at + 1 : at;
        for (std::string_view unit : kUnits) {
            if (text.compare(unitAt, unit.size(), unit) == 0) {
                const size_t after = unitAt + unit.size();
                if (after < text.size() && std::isalpha(static_cast<unsigned char>(text[after])))
                    continue;  // a longer word
                numbers.emplace_back(number, std::string(unit));
                at = after;
                break;
            }
        }
    }
    return numbers;
}

int TextTable::find(std::string_view text) const {
    const auto found = byText.find(normalizedName(text));
    return found == byText.end() ? -1 : found->second;
}

ValueTexts::ValueTexts(const core::MachineCode& code)
    : description_(*code.description), machine_(code, 44100, 5512) {
    core::requireMachine(machine_);
}

void ValueTexts::setMode(int index, int mode) {
    core::ParameterRecord record(description_);
    record.clear();
    record.set(index == ParamModeParamLeft ? ParamModeLeft : ParamModeRight, mode);
    machine_.tick(record);
}

const TextTable& ValueTexts::table(int index, int minValue, int maxValue, int32_t sampleRate,
                                   int mode) {
    const bool followsMode = index == ParamModeParamLeft || index == ParamModeParamRight;
    if (!followsMode || mode < 0) mode = -1;
    std::unique_ptr<TextTable>& slot = tables_[{index, sampleRate, mode}];
    if (slot) return *slot;

    machine_.setSampleRate(sampleRate);
    if (followsMode) setMode(index, mode < 0 ? 0 : mode);
    auto table = std::make_unique<TextTable>();
    table->minValue = minValue;
    table->texts.reserve(static_cast<size_t>(maxValue - minValue + 1));
    std::vector<std::vector<std::pair<double, std::string>>> numbers;
    for (int raw = minValue; raw <= maxValue; ++raw) {
        const char* text = machine_.valueText(index, raw);
        std::string shown = text != nullptr ? windows1252ToUtf8(text) : std::string();
        table->byText.emplace(normalizedName(shown), raw);  // the first, smallest, stays
        numbers.push_back(shownNumbers(shown));
        table->texts.push_back(std::move(shown));
    }
    // A word among numbers that step evenly stands for the number in its place: "Original"
    // after "44098Hz" and "44099Hz" is 44100 Hz.
    const auto single = [&](size_t at) { return at < numbers.size() && numbers[at].size() == 1; };
    for (size_t at = 0; at < numbers.size(); ++at) {
        if (!numbers[at].empty() || table->texts[at].empty()) continue;
        for (const int side : {-1, 1}) {
            const size_t near = at + side, far = at + 2 * side;
            if (!single(near) || !single(far) || numbers[near][0].second != numbers[far][0].second)
                continue;
            const double step = numbers[near][0].first - numbers[far][0].first;
            numbers[at].emplace_back(numbers[near][0].first + step, numbers[near][0].second);
            break;
        }
    }
    for (size_t at = 0; at < numbers.size(); ++at)
        for (auto& [number, unit] : numbers[at])
            table->byUnit[unit].push_back({number, minValue + static_cast<int>(at)});
    for (auto& [unit, numbers] : table->byUnit) std::sort(numbers.begin(), numbers.end());
    slot = std::move(table);
    return *slot;
}

}  // namespace settings
