#include "Tarn_Lock.h"

#if defined(_WIN32)

Tarn_Lock::Tarn_Lock()
{
    InitializeCriticalSection(&m_section);
}
Tarn_Lock::~Tarn_Lock()
{
    DeleteCriticalSection(&m_section);
}
void Tarn_Lock::Lock()
{
    EnterCriticalSection(&m_section);
}
void Tarn_Lock::Unlock()
{
    LeaveCriticalSection(&m_section);
}

#else

Tarn_Lock::Tarn_Lock() = default;
Tarn_Lock::~Tarn_Lock() = default;
void Tarn_Lock::Lock()
{
    m_mutex.lock();
}
void Tarn_Lock::Unlock()
{
    m_mutex.unlock();
}

#endif
