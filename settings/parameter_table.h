// The machine's 36 parameters as the tool's user names them: by name (case-insensitive,
// spaces or underscores) or index, with raw values or, for the enumerated ones, value texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/machine_code.h"
#include "core/parameter_record.h"

namespace settings {

struct ParameterInfo {
    int index = 0;
    std::string name;
    std::string description;
    bool word = false;
    int minValue = 0;
    int maxValue = 0;
    int defaultValue = 0;
    int noValue = 0;
    // A byte parameter with a short list of named values (modes, oscillator shapes, types).
    bool enumerated = false;
    // For enumerated parameters: the machine's text for each raw value from minValue up, in
    // UTF-8; empty when the library gives no texts.
    std::vector<std::string> valueTexts;
    std::optional<std::string> defaultText;
};

using core::ParameterValue;

class ParameterTable {
  public:
    // Reads the machine's description and asks one of its machines for value texts, as a host
    // does when it shows them; core::HostError when the code gives no machine.
    explicit ParameterTable(const core::MachineCode& code);

    const std::vector<ParameterInfo>& parameters() const { return parameters_; }
    const ParameterInfo& operator[](int index) const { return parameters_[index]; }

    // The index for a name or a decimal index; SettingsError with the closest names otherwise.
    int find(std::string_view name) const;
    // A raw value or value text for the parameter; SettingsError naming range and default.
    int parseValue(int index, std::string_view value) const;
    // "NAME=VALUE".
    ParameterValue parseAssignment(std::string_view assignment) const;

  private:
    std::vector<std::string> closestNames(const std::string& key) const;

    std::vector<ParameterInfo> parameters_;
    std::vector<std::string> keys_;  // normalized names
};

// "0..100 (default 50, 50%)".
std::string rangeOf(const ParameterInfo& p);

// Lower case without spaces and underscores: "DLY FbackL", "dly_fbackl" and "dlyfbackl" agree.
std::string normalizedName(std::string_view text);

}  // namespace settings
