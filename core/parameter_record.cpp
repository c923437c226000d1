#include "core/parameter_record.h"

#include <algorithm>

namespace core {

ParameterRecord::ParameterRecord(const MachineDescription& description)
    : description_(&description),
      count_(std::clamp(description.globalParameterCount, 0, kMostParameters)) {
    for (int i = 0; i < count_; ++i) {
        offsets_[i] = size_;
        size_ += isWord(i) ? 2 : 1;
    }
    clear();
}

void ParameterRecord::clear() {
    for (int i = 0; i < count_; ++i) set(i, parameter(i).noValue);
}

void ParameterRecord::setDefaults() {
    for (int i = 0; i < count_; ++i) set(i, parameter(i).defaultValue);
}

void ParameterRecord::set(int index, int value) {
    uint8_t* field = bytes_ + offsets_[index];
    field[0] = static_cast<uint8_t>(value & 0xFF);
    if (isWord(index)) field[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int ParameterRecord::get(int index) const {
    const uint8_t* field = bytes_ + offsets_[index];
    return isWord(index) ? field[0] | field[1] << 8 : field[0];
}

}  // namespace core
