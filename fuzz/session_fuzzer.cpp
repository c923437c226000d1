// Turns arbitrary bytes into a host session: records with any values, sample rate and tempo
// changes, blocks of any size in any work mode with any input samples, value texts for any
// index. The machine must never crash, read or write outside its memory, or hit undefined
// behaviour.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/hosted_machine.h"
#include "core/linked_machine.h"
#include "core/parameter_record.h"
#include "machine/exports.h"

namespace {

constexpr int kMaxFrames = 1024;
constexpr int kMaxSteps = 64;

// Set-up allocates four seconds at the rate it sees, so the first rate is kept sane most of
// the time; later changes of rate and tempo may be anything.
int32_t startRate(FuzzedDataProvider& data) {
    static constexpr int32_t kRates[] = {44100, 48000, 22050, 8000, 96000, 1, 0, -44100};
    return kRates[data.ConsumeIntegralInRange<size_t>(0, std::size(kRates) - 1)];
}

int32_t anyMasterValue(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return data.ConsumeIntegralInRange<int32_t>(-2, 2);
        case 1:
            return data.ConsumeIntegralInRange<int32_t>(1, 200000);
        default:
            return data.ConsumeIntegral<int32_t>();
    }
}

void renderBlock(FuzzedDataProvider& data, core::HostedMachine& machine,
                 std::vector<float>& buffer) {
    const int frames = data.ConsumeIntegralInRange(0, kMaxFrames);
    const int32_t workMode = data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(0, 3)
                                                : data.ConsumeIntegral<int32_t>();
    buffer.assign(static_cast<size_t>(frames) * 2, 0.0f);
    // Raw bytes as samples: every float there is, NaN, infinities and subnormals included.
    const std::vector<uint8_t> bytes = data.ConsumeBytes<uint8_t>(buffer.size() * sizeof(float));
    if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
    machine.render(buffer.data(), frames, workMode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    const int32_t rate = startRate(data);
    const int32_t samplesPerTick = anyMasterValue(data);
    core::HostedMachine machine(core::linkedMachine(), rate, samplesPerTick);
    core::ParameterRecord record(*GetInfo());
    std::vector<float> buffer;

    for (int step = 0; step < kMaxSteps && data.remaining_bytes() > 0; ++step) {
        switch (data.ConsumeIntegralInRange(0, 5)) {
            case 0: {  // a record of raw bytes: values inside and outside the ranges
                for (int i = 0; i < record.count(); ++i)
                    record.set(i, data.ConsumeIntegralInRange(0, record.isWord(i) ? 65535 : 255));
                machine.tick(record);
                break;
            }
            case 1:
            case 2:
                renderBlock(data, machine, buffer);
                break;
            case 3:
                machine.setSampleRate(anyMasterValue(data));
                break;
            case 4:
                machine.setSamplesPerTick(anyMasterValue(data));
                break;
            case 5: {
                const int32_t index = data.ConsumeBool() ? data.ConsumeIntegralInRange(-1, 36)
                                                         : data.ConsumeIntegral<int32_t>();
                const char* text = machine.valueText(index, data.ConsumeIntegral<int32_t>());
                if (text != nullptr && std::strlen(text) >= 16) __builtin_trap();
                break;
            }
        }
    }
    return 0;
}
