// Ticks for machines built in the test binary: a record of new values, everything else
// carrying its no-value.
#pragma once

#include <cstring>
#include <initializer_list>
#include <utility>

#include "core/parameter_record.h"
#include "machine/parameters.h"
#include "test_support.h"

namespace test {

using Values = std::initializer_list<std::pair<int, int>>;

inline void tick(mi& m, Values values) {
    core::ParameterRecord record(kMachineDescription);
    for (auto [index, value] : values) record.set(index, value);
    std::memcpy(&m.globalValueRecord, record.bytes(), static_cast<size_t>(record.size()));
    m.ProcessTick();
}

inline void tick(LocalMachine& m, Values values) { tick(*m, values); }

inline void glide(LocalMachine& m, int runs = 1) {
    for (int i = 0; i < runs; ++i) m->glideStep();
}

}  // namespace test
