// A plug-in library that describes itself wrongly, in one of the ways a damaged or hostile
// library could; the variant is chosen when it is built (BROKEN_NULL_INFO, ...).
#include "host/abi.h"
#include "host/descriptors.h"
#include "host/machine_interface.h"

namespace {

[[maybe_unused]] const ParameterDescriptor kGood = {
    ParameterByte, "Good", "A good parameter", 0, 100, 255, 0, 50};
[[maybe_unused]] const ParameterDescriptor kNameless = {ParameterByte, nullptr, "No name", 0,
                                                        100,           255,     0,         50};
[[maybe_unused]] const ParameterDescriptor kUnknownType = {
    7, "Strange", "Of no known type", 0, 100, 255, 0, 50};
[[maybe_unused]] const ParameterDescriptor kTooWide = {
    ParameterByte, "Wide", "Past a byte", 0, 1000, 255, 0, 50};

#if defined(BROKEN_NULL_ENTRY)
const ParameterDescriptor* const kTable[] = {&kGood, nullptr};
#elif defined(BROKEN_NULL_NAME)
const ParameterDescriptor* const kTable[] = {&kGood, &kNameless};
#elif defined(BROKEN_UNKNOWN_TYPE)
const ParameterDescriptor* const kTable[] = {&kGood, &kUnknownType};
#elif defined(BROKEN_TOO_WIDE)
const ParameterDescriptor* const kTable[] = {&kGood, &kTooWide};
#else
[[maybe_unused]] const ParameterDescriptor* const kTable[] = {&kGood, &kGood};
#endif

#if defined(BROKEN_TOO_MANY)
constexpr int32_t kCount = 37;
#elif defined(BROKEN_NEGATIVE)
constexpr int32_t kCount = -1;
#else
constexpr int32_t kCount = 2;
#endif

#if defined(BROKEN_NULL_TABLE)
const ParameterDescriptor* const* const kParameters = nullptr;
#else
const ParameterDescriptor* const* const kParameters = kTable;
#endif

[[maybe_unused]] const MachineDescription kDescription = {
    1, 15, 0, 0, 0, kCount, 0, kParameters, 0, nullptr, "Broken", "Broken", "Nobody", "", nullptr};

}  // namespace

HOST_EXPORT const MachineDescription* GetInfo() {
#if defined(BROKEN_NULL_INFO)
    return nullptr;
#else
    return &kDescription;
#endif
}

HOST_EXPORT CMachineInterface* CreateMachine() { return nullptr; }
