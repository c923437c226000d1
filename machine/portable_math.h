// Sine, powers of two and base-10 logarithms that give the same bits on every platform.
//
// The platforms' math libraries disagree in the last bit of these functions (one takes the
// sine from the x87 instruction, whose reduction by pi is accurate to only 66 bits, so that
// the sine of pi comes out as 1.2246063538e-16 instead of 1.2246467991e-16), while the sine
// tables, the cutoff curve and the gain texts must be identical wherever the machine runs.
// These evaluate in double-double arithmetic (about 106 bits) with nothing but +, -, * and /,
// which SSE2 rounds alike everywhere, and round once at the end, so that the result is the
// correctly rounded double except in cases far rarer than any argument the machine uses.
#pragma once

namespace portable {

// sin(x) for |x| < 2^20.
double sin(double x);

// The same rounded to single precision, as a table stores it, and as quickly as a plain
// double evaluation wherever that settles the float (all but about one in ten million).
float sinAsFloat(double x);

// 2 raised to the power e.
double exp2(double e);

// The base-10 logarithm of x: -inf for 0, NaN below 0.
double log10(double x);

}  // namespace portable
