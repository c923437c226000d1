// The GlobalValues record as the host builds it, laid out from the machine's own description.
#pragma once

#include <cstdint>
#include <vector>

#include "host/descriptors.h"

namespace offline {

class ParameterRecord {
  public:
    explicit ParameterRecord(const MachineDescription& description);

    // Every field carries its no-value: nothing new in this tick.
    void clear();
    // Every field carries its parameter's default.
    void setDefaults();
    // Stores a raw value; the caller has checked that it fits the field.
    void set(int index, int value);
    int get(int index) const;

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    int count() const { return static_cast<int>(offsets_.size()); }
    const ParameterDescriptor& parameter(int index) const {
        return *description_->parameters[index];
    }
    bool isWord(int index) const { return parameter(index).type == ParameterWord; }

  private:
    const MachineDescription* description_;
    std::vector<int> offsets_;
    std::vector<uint8_t> bytes_;
};

}  // namespace offline
