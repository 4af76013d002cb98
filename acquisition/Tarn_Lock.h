#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <mutex>
#endif

// Re-entrant lock of the scope: a critical section on Windows, a recursive mutex
// elsewhere (which thread sanitizers understand). Take it only through Tarn_LockGurad.
class Tarn_Lock
{
public:
    Tarn_Lock();
    virtual ~Tarn_Lock();

    Tarn_Lock(const Tarn_Lock &) = delete;
    Tarn_Lock &operator=(const Tarn_Lock &) = delete;

    void Lock();
    void Unlock();

private:
#if defined(_WIN32)
    CRITICAL_SECTION m_section;
#else
    std::recursive_mutex m_mutex;
#endif
};
