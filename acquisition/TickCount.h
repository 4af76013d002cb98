#pragma once

#include <cstdint>

// A 32-bit millisecond tick count that wraps like GetTickCount: GetTickCount itself on
// Windows, a steady clock elsewhere. Tests may replace the source to drive the wrap.
namespace TickCount {

using Source = uint32_t (*)();

uint32_t now();
// nullptr restores the system tick.
void setSource(Source source);

} // namespace TickCount
