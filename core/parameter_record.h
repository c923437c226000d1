// The GlobalValues record as the host builds it, laid out from the machine's own description:
// 8-bit fields for byte parameters, 16-bit little-endian ones for word parameters, in table
// order. It holds no more than any record of kMostParameters fields, so it needs no allocation.
#pragma once

#include <cstdint>
#include <utility>

#include "core/machine_code.h"
#include "host/descriptors.h"

namespace core {

// A parameter index and a raw value within its range.
using ParameterValue = std::pair<int, int>;

class ParameterRecord {
  public:
    // The description lists at most kMostParameters parameters.
    explicit ParameterRecord(const MachineDescription& description);

    // Every field carries its no-value: nothing new in this tick.
    void clear();
    // Every field carries its parameter's default.
    void setDefaults();
    // Stores a raw value; the caller has checked that it fits the field.
    void set(int index, int value);
    int get(int index) const;

    const uint8_t* bytes() const { return bytes_; }
    int size() const { return size_; }  // bytes
    int count() const { return count_; }
    const ParameterDescriptor& parameter(int index) const {
        return *description_->parameters[index];
    }
    bool isWord(int index) const { return parameter(index).type == ParameterWord; }

  private:
    const MachineDescription* description_;
    int count_ = 0;
    int size_ = 0;
    int offsets_[kMostParameters] = {};
    uint8_t bytes_[2 * kMostParameters] = {};
};

}  // namespace core
