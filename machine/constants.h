// Numbers the machine is built on, named once.
#pragma once

#include <cstdint>

#include "host/conventions.h"

inline constexpr int kPeriodSamples = 40;           // samples between two glide steps
inline constexpr int kMaxBlockFrames = 256;         // longest block the wet scratch holds
inline constexpr int kSineTableSize = 65536;        // entries of the filter's sine table
inline constexpr int kSineQuarter = 16384;          // the cosine is the sine a quarter later
inline constexpr int kSineHalf = 32768;             // sine table index of half the sample rate
inline constexpr int kLfoTableSize = 256;           // entries of every oscillator table
inline constexpr double kLfoCycle = kLfoTableSize;  // table positions per oscillator cycle
inline constexpr double kDegreesPerCycle = 360.0;   // phase offsets count degrees
inline constexpr int kFixedOne = 1024;              // one sample in a line's fixed-point position
inline constexpr int kDelaySeconds = 4;             // delay buffers hold four seconds
inline constexpr int kChorusBufferFloats = 1000;
inline constexpr int kChorusRing = 200;          // slots of the chorus ring actually used
inline constexpr int kChorusCentre = 100;        // read distance ahead of the write
inline constexpr double kTenthsPerHertz = 10.0;  // "CHO Rate" counts tenths of a hertz
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kReferenceRate = 44100.0;
inline constexpr double kNyquistCap = 22050.0;  // highest cutoff the curve reaches
inline constexpr double kHeadroomKnee = 11025.0;
inline constexpr double kCutoffMin = 30.0;
inline constexpr double kCutoffMax = 22000.0;
inline constexpr double kCutoffParameterTop = 65000.0;  // "FLT Cutoff" value of the highest cutoff
inline constexpr double kModeParameterScale = 100.0;    // "DLY MPara" 100 is the full clip level
inline constexpr int kBitcrusherMaxBits = 16;           // the bitcrusher at full depth
inline constexpr int32_t kSdkMarker = 0x12345678;
inline constexpr int32_t kSaveDataValue = 100;

// Single-precision constants widened to double where they are applied.
inline constexpr double kPercentFactor = static_cast<double>(0.01f);  // dry and wet gains
inline constexpr double kClipSlope = static_cast<double>(0.02f);      // soft clip beyond the knee
inline constexpr double kChorusDepthScale = static_cast<double>(0.98f);

// Delay modes, as "DLY ModeL" and "DLY ModeR" number them.
enum DelayMode : int32_t {
    DelayModeNormal,
    DelayModeInverted,
    DelayModeReverse,
    DelayModeClipping,
    DelayModeWaveshaper,
    DelayModeBitcrusher
};
