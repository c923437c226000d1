// What plot draws at most and at least: the options' bounds and the automatic span's end.
#pragma once

namespace cli {

inline constexpr double kShortestPlotSeconds = 0.001;
inline constexpr double kLongestPlotSeconds = 30.0;
inline constexpr double kLowestFloorDb = -200.0;
inline constexpr double kHighestFloorDb = -1.0;

}  // namespace cli
