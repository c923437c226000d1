#include "offline/parameter_record.h"

#include <cstddef>

namespace offline {

ParameterRecord::ParameterRecord(const MachineDescription& description)
    : description_(&description) {
    int offset = 0;
    for (int i = 0; i < description.globalParameterCount; ++i) {
        offsets_.push_back(offset);
        offset += description.parameters[i]->type == ParameterWord ? 2 : 1;
    }
    bytes_.assign(static_cast<size_t>(offset), 0);
    clear();
}

void ParameterRecord::clear() {
    for (int i = 0; i < count(); ++i) set(i, parameter(i).noValue);
}

void ParameterRecord::setDefaults() {
    for (int i = 0; i < count(); ++i) set(i, parameter(i).defaultValue);
}

void ParameterRecord::set(int index, int value) {
    const size_t at = static_cast<size_t>(offsets_[index]);
    bytes_[at] = static_cast<uint8_t>(value & 0xFF);
    if (isWord(index)) bytes_[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int ParameterRecord::get(int index) const {
    const size_t at = static_cast<size_t>(offsets_[index]);
    return isWord(index) ? bytes_[at] | bytes_[at + 1] << 8 : bytes_[at];
}

}  // namespace offline
