// The names shown for the values of the enumerated parameters, indexed by the raw value.
// Kept apart from the machine so tools can look values up by their text.
#pragma once

#include <span>

// The names of parameter `index`'s values in value order, or an empty list when the
// parameter is not enumerated (or the index is outside the table).
std::span<const char* const> parameterValueNames(int index);
