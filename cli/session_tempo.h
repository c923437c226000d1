// The samples per tick a session runs with, the same in every subcommand: --tpt, or else the
// tempo. At a rate so low that the default tempo gives less than a sample per tick, each tick is
// one sample; a tempo the user chose that cannot be met is a settings::TempoError.
#pragma once

#include <cstdint>

#include "cli/options.h"

namespace cli {

int32_t sessionSamplesPerTick(const TempoOptions& tempo, int32_t sampleRate);

}  // namespace cli
