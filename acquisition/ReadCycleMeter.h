#pragma once

#include "Tarn_Lock.h"

#include <cstdint>

// Read-cycle statistics in ms: the longest and the latest interval between two reads.
struct ReadCycle
{
    uint32_t max = 0;
    uint32_t current = 0;
};

// Measures the interval between controller reads on the wrapping tick count. Owned by the
// scope's recorder: the acquisition thread records each read, the GUI thread resets and
// reads the figures; one lock of its own guards them.
class ReadCycleMeter
{
public:
    // The first read after a reset measures 0.
    void recordRead();
    void reset();
    ReadCycle figures() const;

private:
    mutable Tarn_Lock m_lock;
    uint32_t m_nReadScopeCycMax = 0;
    uint32_t m_nReadScopeCyc = 0;
    uint32_t m_nLastReadTick = 0;
};
