// NAME=VALUE settings from --set, preset files and automation files: the name is looked up when
// the setting is read, the value once the session (sample rate, tempo, delay modes) is known.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "settings/parameter_table.h"
#include "settings/value_reader.h"
#include "settings/value_texts.h"

namespace settings {

struct Assignment {
    int index = 0;
    std::string value;   // as written
    std::string source;  // where, for messages: "--set", "dub.preset:4"
};

// "NAME=VALUE"; SettingsError for a missing '=' or an unknown name.
Assignment parseAssignmentText(std::string_view text, const ParameterTable& table,
                               std::string source);

class ValueResolver {
  public:
    // `quiet`: no notice for values taken to the nearest the parameter can take.
    ValueResolver(const ParameterTable& table, ValueTexts& texts, const ValueContext& context,
                  bool quiet);

    // Reads the values of `assignments` applied together over `values` (every parameter's value
    // in force before them, by index) and writes them into `values`. The mode parameters are
    // read with the delay mode their side has once all of them apply. Returns the raw values in
    // the order written. SettingsError, prefixed with the assignment's source, for a bad value.
    std::vector<ParameterValue> apply(const std::vector<Assignment>& assignments,
                                      std::vector<int>& values);

    // Every parameter's default.
    std::vector<int> defaults() const;
    const ParameterTable& table() const { return table_; }
    ValueTexts& texts() { return texts_; }
    const ValueContext& context() const { return context_; }

    // The text of `raw` for parameter `index` with the delay modes in `values`, and whether it
    // reads back to `raw`.
    const std::string& text(int index, int raw, const std::vector<int>& values);
    bool readsBack(int index, int raw, const std::vector<int>& values);

  private:
    int sideMode(int index, const std::vector<int>& values) const;

    const ParameterTable& table_;
    ValueTexts& texts_;
    ValueContext context_;
    bool quiet_;
    std::set<std::string> noticed_;
};

}  // namespace settings
