// Every text the machine shows for a parameter, read from a machine of its own, and
// what those texts say in numbers: the tool reads typed values by asking the machine, never by
// working its formulas out again.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/hosted_machine.h"
#include "core/machine_code.h"

namespace settings {

// A number a value text shows, with the raw value that shows it.
struct ShownNumber {
    double number = 0.0;
    int raw = 0;
    bool operator<(const ShownNumber& other) const {
        return number < other.number || (number == other.number && raw < other.raw);
    }
};

// The texts of one parameter's whole range in one setting of the machine.
struct TextTable {
    int minValue = 0;
    std::vector<std::string> texts;  // UTF-8, by raw value from minValue up
    // Normalized text -> the smallest raw value that shows it.
    std::unordered_map<std::string, int> byText;
    // Unit ("hz", "db", "%", "°", "tick", "smp", "bit") -> the numbers shown in that unit,
    // in ascending order (ties by raw value).
    std::map<std::string, std::vector<ShownNumber>> byUnit;

    const std::string& text(int raw) const { return texts[static_cast<size_t>(raw - minValue)]; }
    // The smallest raw value showing `text` (compared normalized), or -1.
    int find(std::string_view text) const;
};

class ValueTexts {
  public:
    // core::HostError when the code gives no machine.
    explicit ValueTexts(const core::MachineCode& code);

    // Texts of parameter `index` over minValue..maxValue at this sample rate, with the given
    // delay mode on the parameter's side (the mode parameters' texts follow it; -1: the
    // machine's start-up mode). Built on first use and kept.
    const TextTable& table(int index, int minValue, int maxValue, int32_t sampleRate,
                           int mode = -1);

  private:
    void setMode(int index, int mode);

    const MachineDescription& description_;
    core::HostedMachine machine_;
    std::map<std::tuple<int, int32_t, int>, std::unique_ptr<TextTable>> tables_;
};

// A number at `at`: digits with an optional fraction and sign, or "inf" ("-inf." as the gain text
// writes it). Returns how many characters it takes, 0 when there is none.
size_t numberAt(std::string_view text, size_t at, double& number);

// The numbers a text shows with their units: "-6.0dB(50%)" shows -6 dB and 50 %, "2.500 Tick"
// 2.5 ticks, "-inf.dB (0%)" minus infinity dB and 0 %, "50 (%)" 50 %. Numbers without a unit
// ("70:30", "50 (16384)") show nothing a unit can be typed for.
std::vector<std::pair<double, std::string>> shownNumbers(std::string_view text);

}  // namespace settings
