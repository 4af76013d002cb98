#include "ReadCycleMeter.h"

#include "Tarn_LockGurad.h"
#include "TickCount.h"

void ReadCycleMeter::recordRead()
{
    Tarn_LockGurad guard(&m_lock);
    const uint32_t now = TickCount::now();
    if (m_nLastReadTick == 0)
        m_nLastReadTick = now;
    m_nReadScopeCyc = now - m_nLastReadTick; // unsigned: a wrapped tick count still subtracts right
    if (m_nReadScopeCycMax < m_nReadScopeCyc)
        m_nReadScopeCycMax = m_nReadScopeCyc;
    m_nLastReadTick = now;
}

void ReadCycleMeter::reset()
{
    Tarn_LockGurad guard(&m_lock);
    m_nReadScopeCycMax = 0;
    m_nReadScopeCyc = 0;
    m_nLastReadTick = 0;
}

ReadCycle ReadCycleMeter::figures() const
{
    Tarn_LockGurad guard(&m_lock);
    return ReadCycle{m_nReadScopeCycMax, m_nReadScopeCyc};
}
