#pragma once

#include "Tarn_Lock.h"

// Scoped guard for Tarn_Lock: every locked region of the scope is one guard's lifetime.
class Tarn_LockGurad
{
public:
    explicit Tarn_LockGurad(Tarn_Lock *lock) : m_lock(lock) { m_lock->Lock(); }
    virtual ~Tarn_LockGurad() { m_lock->Unlock(); }

    Tarn_LockGurad(const Tarn_LockGurad &) = delete;
    Tarn_LockGurad &operator=(const Tarn_LockGurad &) = delete;

private:
    Tarn_Lock *m_lock;
};
