// Prints one digest line per random host session: every output bit of every block, and each
// render's result. A speed-up must leave every line unchanged, so its output is compared with
// that of the commit before it:
//   render_digest > before.txt   (on the old commit)   render_digest | diff before.txt -
// The sessions mix in-range parameter changes with raw values, any block size and work mode,
// rate and tempo changes (sometimes to rates and tempos no host should report), and input from
// silence and noise to subnormals, infinities and NaN.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/hosted_machine.h"
#include "core/linked_machine.h"
#include "core/parameter_record.h"
#include "machine/exports.h"
#include "machine/parameters.h"

namespace {

struct Digest {
    uint64_t value = 14695981039346656037ull;  // FNV-1a, 64 bits
    void add(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) value = (value ^ bytes[i]) * 1099511628211ull;
    }
};

using Random = std::mt19937;

int uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool chance(Random& random, int percent) { return uniform(random, 0, 99) < percent; }

// A value for one parameter: mostly inside its range, with delays short enough to echo within
// a session, now and then any raw value the field can hold.
int parameterValue(Random& random, const core::ParameterRecord& record, int index) {
    const ParameterDescriptor& p = record.parameter(index);
    if (chance(random, 3)) return uniform(random, 0, record.isWord(index) ? 65534 : 254);
    if (index >= ParamDelayLeft && index <= ParamOffsetRight && chance(random, 80))
        return chance(random, 50) ? uniform(random, p.minValue, 1500)
                                  : uniform(random, 32001, 34000);
    if (index == ParamInertia && chance(random, 80)) return uniform(random, 0, 2);
    return uniform(random, p.minValue, p.maxValue);
}

void tick(Random& random, core::HostedMachine& machine, core::ParameterRecord& record) {
    if (chance(random, 20)) {
        record.setDefaults();
    } else {
        record.clear();
    }
    const int changes = uniform(random, 0, 12);
    for (int c = 0; c < changes; ++c) {
        const int index = uniform(random, 0, record.count() - 1);
        record.set(index, parameterValue(random, record, index));
    }
    machine.tick(record);
}

float inputSample(Random& random, int kind) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    switch (kind) {
        case 0:
            return 0.0f;
        case 1:
            return 16384.0f * unit(random);
        case 2:
            return 3.0e38f * unit(random);  // sums beyond the float range
        case 3:
            return 1.0e-41f * unit(random);  // subnormal
        case 4:
            return chance(random, 95) ? 0.0f : 32768.0f * unit(random);  // impulses
        default: {
            switch (uniform(random, 0, 20)) {
                case 0:
                    return std::numeric_limits<float>::quiet_NaN();
                case 1:
                    return std::numeric_limits<float>::infinity();
                case 2:
                    return -std::numeric_limits<float>::infinity();
                default:
                    return 16384.0f * unit(random);
            }
        }
    }
}

void render(Random& random, core::HostedMachine& machine, std::vector<float>& buffer,
            Digest& digest) {
    int frames = uniform(random, 0, 300);
    if (chance(random, 30)) frames = 256;
    if (chance(random, 3)) frames = uniform(random, 257, 1100);
    int32_t workMode = chance(random, 75) ? 3 : uniform(random, 0, 3);
    if (chance(random, 2)) workMode = uniform(random, -5, 9);
    const int kind = chance(random, 50) ? 1 : uniform(random, 0, 5);
    buffer.resize(2 * static_cast<size_t>(frames));
    for (float& s : buffer) s = inputSample(random, kind);
    const bool result = machine.render(buffer.data(), frames, workMode);
    digest.add(&result, sizeof result);
    digest.add(buffer.data(), buffer.size() * sizeof(float));
}

// A sample rate: mostly one a host uses; now and then none at all, one so low that the chorus
// moves by a cycle per frame or more, the largest there is, or one below zero.
int32_t sampleRate(Random& random) {
    static constexpr int32_t kRates[] = {44100, 48000, 22050, 32000, 96000, 8000};
    if (!chance(random, 8)) return kRates[uniform(random, 0, 5)];
    switch (uniform(random, 0, 3)) {
        case 0:
            return 0;
        case 1:
            return uniform(random, 1, 400);
        case 2:
            return std::numeric_limits<int32_t>::max();
        default:
            return -uniform(random, 1, 48000);
    }
}

// Samples per tick: mostly a tempo's, now and then none, below zero or very many.
int32_t samplesPerTick(Random& random) {
    if (!chance(random, 5)) return uniform(random, 500, 12000);
    return chance(random, 50) ? uniform(random, -100, 0) : uniform(random, 1000000, 100000000);
}

uint64_t session(uint32_t seed) {
    Random random(seed);
    const int32_t rate = sampleRate(random);
    core::HostedMachine machine(core::linkedMachine(), rate, samplesPerTick(random));
    core::ParameterRecord record(*GetInfo());
    record.setDefaults();
    for (int i = 0; i < record.count(); ++i)
        if (chance(random, 40)) record.set(i, parameterValue(random, record, i));
    machine.tick(record);

    Digest digest;
    std::vector<float> buffer;
    // Every tenth session is long, so that tails decay into the subnormal range.
    const int steps = seed % 10 == 0 ? 3000 : uniform(random, 10, 120);
    for (int step = 0; step < steps; ++step) {
        const int what = uniform(random, 0, 99);
        if (what < 12)
            tick(random, machine, record);
        else if (what < 13)
            machine.setSampleRate(sampleRate(random));
        else if (what < 14)
            machine.setSamplesPerTick(chance(random, 80) ? uniform(random, 0, 20000)
                                                         : samplesPerTick(random));
        else
            render(random, machine, buffer, digest);
    }
    return digest.value;
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t sessions = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 2000;
    for (uint32_t seed = 0; seed < sessions; ++seed)
        std::printf("%" PRIu32 " %016" PRIx64 "\n", seed, session(seed));
    return 0;
}
