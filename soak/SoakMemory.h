#pragma once

// Whether resident memory says anything in this build, and how far it may move while the
// work stays the same.
namespace SoakMemory {

constexpr double kTolerance = 0.10;
// A sanitizer keeps freed memory in quarantine and shadow: resident figures say nothing.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeaningful = false;
#else
constexpr bool kMeaningful = true;
#endif

} // namespace SoakMemory
