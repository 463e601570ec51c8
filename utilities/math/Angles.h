#pragma once
// The angle constants every part uses, defined once: sources are compiled in
// batches, where two file-local copies of one name would clash.
#include <numbers>

inline constexpr double kPi = std::numbers::pi;
// Radians per degree.
inline constexpr double kDegree = std::numbers::pi / 180.0;
