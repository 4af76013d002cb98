#pragma once

// Sizes that every layer of the scope shares.
namespace ScopeLimits {

// Curve slots of the plot, value columns of the sample buffer, columns of a scope file.
constexpr int kCurveSlots = 48;
// Values in one controller record, and so channels in one selection.
constexpr int kMaxChannels = 36;
// The display period in ms: the width of the time axis and of the buffered window.
constexpr int kMinPeriodMs = 10;
constexpr int kMaxPeriodMs = 999999;
constexpr int kDefaultPeriodMs = 10000;

} // namespace ScopeLimits
