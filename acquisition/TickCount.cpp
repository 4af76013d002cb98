#include "TickCount.h"

#include <atomic>

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

namespace {

uint32_t systemTick()
{
#if defined(_WIN32)
    return GetTickCount();
#else
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
#endif
}

std::atomic<TickCount::Source> g_source{&systemTick};

} // namespace

uint32_t TickCount::now()
{
    return g_source.load()();
}

void TickCount::setSource(Source source)
{
    g_source.store(source ? source : &systemTick);
}
