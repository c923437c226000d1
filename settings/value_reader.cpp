#include "settings/value_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

#include "core/line_samples.h"
#include "core/quoted_text.h"
#include "machine/constants.h"
#include "machine/parameters.h"
#include "settings/settings_error.h"
#include "settings/trimmed.h"

namespace settings {

namespace {

constexpr int kLongestNoteNumerator = 99;
constexpr int kShortestNote = 64;  // "1/64"
constexpr int kWholeNoteBeats = 4;
constexpr int64_t kThousandths = 1000;

struct UnitAlias {
    std::string_view typed;
    std::string_view unit;  // as the texts spell it
    int exponent;           // a power of ten: "khz" is hertz times 10^3
};
constexpr UnitAlias kUnitAliases[] = {
    {"hz", "hz", 0},
    {"khz", "hz", 3},
    {"db", "db", 0},
    {"%", "%", 0},
    {"\xC2\xB0", "\xC2\xB0", 0},
    {"deg", "\xC2\xB0", 0},
    {"tick", "tick", 0},
    {"ticks", "tick", 0},
    {"smp", "smp", 0},
    {"sample", "smp", 0},
    {"samples", "smp", 0},
    {"bit", "bit", 0},
    {"bits", "bit", 0},
    {"ms", "ms", 0},
    {"s", "ms", 3},
};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// "-6.5dB" -> (-6.5, "db"); the number as typed, so that "4.2kHz" is exactly 4200.
struct TypedNumber {
    double value = 0.0;
    std::string unit;
};
std::optional<TypedNumber> typedNumber(const std::string& key) {
    double value = 0.0;
    const size_t length = numberAt(key, 0, value);
    if (length == 0) return std::nullopt;
    for (const UnitAlias& alias : kUnitAliases) {
        if (key.compare(length, std::string::npos, alias.typed) != 0) continue;
        if (alias.exponent != 0)
            value = std::strtod(
                (key.substr(0, length) + "e" + std::to_string(alias.exponent)).c_str(), nullptr);
        return TypedNumber{value, std::string(alias.unit)};
    }
    return std::nullopt;
}

// "1/8" -> 1 and 8, with the dotted (3/2) or triplet (2/3) factor.
struct NoteLength {
    int64_t numerator = 1, denominator = 1;  // in whole notes
};
std::optional<NoteLength> noteLength(const std::string& key) {
    const size_t slash = key.find('/');
    if (slash == std::string::npos) return std::nullopt;
    int count = 0, division = 0;
    const char* end = key.data() + key.size();
    auto [afterCount, e1] = std::from_chars(key.data(), key.data() + slash, count);
    auto [afterDivision, e2] = std::from_chars(key.data() + slash + 1, end, division);
    if (e1 != std::errc() || afterCount != key.data() + slash || e2 != std::errc())
        return std::nullopt;
    const std::string_view suffix(afterDivision, static_cast<size_t>(end - afterDivision));
    if (count < 1 || count > kLongestNoteNumerator || division < 1 || division > kShortestNote ||
        (division & (division - 1)) != 0)
        return std::nullopt;
    NoteLength note{count, division};
    if (suffix == ".") {
        note.numerator *= 3;
        note.denominator *= 2;
    } else if (suffix == "t") {
        note.numerator *= 2;
        note.denominator *= 3;
    } else if (!suffix.empty()) {
        return std::nullopt;
    }
    return note;
}

// "samples (1 to 33534)": a unit with the numbers shown in it.
std::string unitRange(const std::string& unit, const std::vector<ShownNumber>& shown) {
    const std::string name = unit == "hz"     ? "Hz"
                             : unit == "db"   ? "dB"
                             : unit == "tick" ? "ticks"
                             : unit == "smp"  ? "samples"
                             : unit == "bit"  ? "bits"
                                              : unit;
    return name + " (" + number(shown.front().number) + " to " + number(shown.back().number) + ")";
}

class Reader {
  public:
    Reader(const ParameterInfo& p, std::string_view value, const ValueContext& context, int mode,
           ValueTexts& texts)
        : p_(p),
          mode_(mode),
          texts_(texts),
          value_(trimmed(value)),
          key_(normalizedName(value_)),
          context_(context),
          table_(texts.table(p.index, p.minValue, p.maxValue, context.sampleRate, mode)) {}

    ReadValue read() const;

  private:
    std::optional<ReadValue> raw() const;
    ReadValue nearest(const TypedNumber& typed) const;
    ReadValue samples(int64_t count, bool exact, const std::string& what) const;
    ReadValue time(double milliseconds) const;
    ReadValue note(const NoteLength& note) const;
    int64_t held(int raw) const {
        return core::lineSamples(raw, context_.samplesPerTick, context_.sampleRate);
    }
    std::string forms() const;
    std::string milliseconds(int64_t samples) const {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f ms", samples * 1000.0 / context_.sampleRate);
        return text;
    }
    [[noreturn]] void fail(const std::string& why) const {
        throw SettingsError(p_.name + ": " + why);
    }

    const ParameterInfo& p_;
    int mode_;
    ValueTexts& texts_;
    std::string_view value_;
    std::string key_;
    const ValueContext& context_;
    const TextTable& table_;
};

std::optional<ReadValue> Reader::raw() const {
    const char* begin = value_.data();
    const char* end = begin + value_.size();
    if (begin != end && *begin == '+') ++begin;
    long long raw = 0;
    auto [stop, error] = std::from_chars(begin, end, raw);
    if (begin == end || stop != end) return std::nullopt;
    if (error != std::errc() || raw < p_.minValue || raw > p_.maxValue)
        fail(core::quoted(value_) + " is outside its range " + rangeOf(p_));
    return ReadValue{static_cast<int>(raw), true};
}

ReadValue Reader::nearest(const TypedNumber& typed) const {
    const auto found = table_.byUnit.find(typed.unit);
    if (found == table_.byUnit.end())
        fail(core::quoted(value_) + " is in a unit it does not show; it takes " + forms());
    const std::vector<ShownNumber>& shown = found->second;
    // Beyond the shown numbers by more than one step of the display, a number is not meant
    // for this parameter at all.
    const auto step = [&](auto from, auto to) {
        const auto other =
            std::find_if(from, to, [&](const ShownNumber& s) { return s.number != from->number; });
        return other == to ? 0.0 : std::fabs(other->number - from->number);
    };
    const double lowest = shown.front().number, highest = shown.back().number;
    const double x = typed.value;
    if (x < lowest - step(shown.begin(), shown.end()) ||
        x > highest + step(shown.rbegin(), shown.rend()))
        fail(core::quoted(value_) + " is outside what it shows, " + unitRange(typed.unit, shown));
    const auto above = std::lower_bound(shown.begin(), shown.end(),
                                        ShownNumber{x, std::numeric_limits<int>::min()});
    std::optional<ShownNumber> best;
    if (above != shown.end()) best = *above;
    if (above != shown.begin()) {
        const double below = std::prev(above)->number;
        const ShownNumber first = *std::lower_bound(
            shown.begin(), above, ShownNumber{below, std::numeric_limits<int>::min()});
        const double dBelow = x - below;
        const double dAbove = best ? best->number - x : std::numeric_limits<double>::infinity();
        if (!best || dBelow < dAbove || (dBelow == dAbove && first.raw < best->raw)) best = first;
    }
    return ReadValue{best->raw, best->number == x};
}

ReadValue Reader::samples(int64_t count, bool exact, const std::string& what) const {
    const int64_t room = int64_t{p_.maxValue} - kTickValueLimit;
    if (count == 0 && p_.minValue == 0) return ReadValue{0, exact};  // no offset at all
    if (count >= 1 && count <= room) {
        const int raw = static_cast<int>(kTickValueLimit + count);
        if (held(raw) == count) return ReadValue{raw, exact};
    }
    if (count < 1) fail(what + " is shorter than one sample, the shortest length it can hold");
    std::string message =
        what + " is " + std::to_string(count) + " samples; the longest it can hold is " +
        std::to_string(held(p_.maxValue)) + " samples (" + milliseconds(held(p_.maxValue)) +
        " at " + std::to_string(context_.sampleRate) + " Hz)";
    // Counted in ticks a length reaches further (32 ticks, up to the four seconds the line
    // holds) and follows the tempo.
    const int64_t inTicks = held(kTickValueLimit);
    if (inTicks > held(p_.maxValue)) {
        message += "; in ticks it reaches " + std::to_string(inTicks) + " samples (" +
                   milliseconds(inTicks) + " at this tempo)";
        if (count <= inTicks)
            message += ": '" + number(std::round(count * 1000.0 / context_.samplesPerTick) / 1000) +
                       " Tick' or a note length";
    }
    fail(message);
}

ReadValue Reader::time(double milliseconds) const {
    const double exact = milliseconds * context_.sampleRate / 1000.0;
    if (!(exact >= 0.0) || exact > 1e12) fail(core::quoted(value_) + " is not a length");
    const auto count = static_cast<int64_t>(std::llround(exact));
    return samples(count, static_cast<double>(count) == exact, core::quoted(value_));
}

ReadValue Reader::note(const NoteLength& length) const {
    // Whole notes -> ticks: four beats of `ticksPerBeat` ticks each.
    const int64_t ticks = length.numerator * kWholeNoteBeats * context_.ticksPerBeat;
    const int64_t thousandths = ticks * kThousandths;
    const int64_t tpt = context_.samplesPerTick;
    const int64_t den = length.denominator;
    const int64_t wholeSamples = ticks * tpt / den;  // the note's length, truncated
    if (thousandths % den == 0 && thousandths / den >= 1 && thousandths / den <= kTickValueLimit &&
        thousandths / den <= p_.maxValue) {
        const int raw = static_cast<int>(thousandths / den);
        if (held(raw) == wholeSamples) return ReadValue{raw, true};
    }
    const int64_t nearest = (2 * ticks * tpt + den) / (2 * den);
    const int64_t room = int64_t{p_.maxValue} - kTickValueLimit;
    if (nearest >= 1 && nearest <= room &&
        held(static_cast<int>(kTickValueLimit + nearest)) == nearest)
        return ReadValue{static_cast<int>(kTickValueLimit + nearest), (ticks * tpt) % den == 0};
    fail(core::quoted(value_) + " is " + number(static_cast<double>(ticks * tpt) / den) +
         " samples at " + std::to_string(tpt) + " samples per tick; it can hold up to " +
         std::to_string(held(kTickValueLimit)) +
         " samples in whole thousandths of a tick (at most 32 ticks), any other length up to " +
         std::to_string(held(p_.maxValue)) + " samples");
}

std::string Reader::forms() const {
    std::string text = "a raw value in " + rangeOf(p_);
    if (p_.defaultText) text += ", a value text such as '" + *p_.defaultText + "'";
    for (const auto& [unit, shown] : table_.byUnit)
        text += ", a number in " + unitRange(unit, shown);
    if (isDelayLength(p_.index))
        text += ", milliseconds ('250ms') or a note length ('1/8', dotted '1/8.', triplet '1/8t')";
    if (p_.index == ParamModeParamLeft || p_.index == ParamModeParamRight) {
        const int side = p_.index == ParamModeParamLeft ? ParamModeLeft : ParamModeRight;
        const std::string mode =
            texts_.table(side, DelayModeNormal, DelayModeBitcrusher, context_.sampleRate)
                .text(std::max(mode_, 0));
        text += " (its texts follow its side's delay mode, here " + mode + "; set " +
                (side == ParamModeLeft ? "DLY ModeL" : "DLY ModeR") +
                " with it to read it in another)";
    }
    return text;
}

ReadValue Reader::read() const {
    if (const auto raw = this->raw()) return *raw;
    if (const int raw = table_.find(key_); raw >= 0) return ReadValue{raw, true};
    if (p_.enumerated && !table_.texts.empty()) {
        std::string names;
        for (const std::string& text : table_.texts) names += (names.empty() ? "" : ", ") + text;
        throw SettingsError(p_.name + " has no value " + core::quoted(value_) + "; it takes " +
                            names + ", or a raw value in " + rangeOf(p_));
    }
    if (isDelayLength(p_.index)) {
        if (const auto length = noteLength(key_)) return note(*length);
    }
    if (const auto typed = typedNumber(key_)) {
        if (typed->unit == "ms") {
            if (!isDelayLength(p_.index))
                fail(core::quoted(value_) + " is a time, but it is not a delay length; it takes " +
                     forms());
            return time(typed->value);
        }
        return nearest(*typed);
    }
    fail("cannot read " + core::quoted(value_) + "; it takes " + forms());
}

}  // namespace

bool isDelayLength(int index) {
    return index == ParamDelayLeft || index == ParamDelayRight || index == ParamOffsetLeft ||
           index == ParamOffsetRight;
}

ReadValue readValue(const ParameterInfo& p, std::string_view value, const ValueContext& context,
                    int mode, ValueTexts& texts) {
    return Reader(p, value, context, mode, texts).read();
}

}  // namespace settings
