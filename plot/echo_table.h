// The echoes of an impulse response: where each output's peaks stand above a floor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plot/impulse_response.h"

namespace plot {

struct Echo {
    int64_t frame = 0;   // after the impulse
    int side = 0;        // 0 left output, 1 right output
    float value = 0.0f;  // the peak sample, relative to the impulse
};

// Echoes of both outputs in frame order (left before right at the same frame). An echo is a
// sample at or above the floor that is the largest within `window` frames either side (the
// earliest of equal ones), so a filter's ringing after an echo is not taken for more echoes.
std::vector<Echo> findEchoes(const ImpulseResponse& response, double floorDb, int64_t window);

// Half the shortest distance two echoes of the setting can have: the loop lengths, and the
// distance of the two channels' trains when their loops are equally long.
int64_t echoWindow(int64_t delayLeft, int64_t offsetLeft, int64_t delayRight, int64_t offsetRight);

double decibels(double magnitude);
double framesToMs(int64_t frames, int32_t sampleRate);

// One line per echo under a heading: frame, ms, ticks, level_db, side, polarity; a first
// comment line gives the dry levels.
std::string echoTableText(const std::vector<Echo>& echoes, const ImpulseResponse& response);

}  // namespace plot
