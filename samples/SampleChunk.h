#pragma once

#include "SampleExtremes.h"

// A fixed block of sample storage, filled front to back and never changed where filled.
// Summaries of its finished blocks, of groups of blocks and of the whole chunk once full let range
// queries skip over stored values. Shared between the writing column and the snapshots that read
// it: the writer only touches places beyond what any snapshot covers.
struct SampleChunk
{
    static constexpr int kShift = 12;
    static constexpr int kCapacity = 1 << kShift;
    static constexpr int kMask = kCapacity - 1;
    static constexpr int kBlockShift = 6;
    static constexpr int kBlockSize = 1 << kBlockShift;
    static constexpr int kBlockMask = kBlockSize - 1;
    static constexpr int kBlocks = kCapacity / kBlockSize;
    // Groups of blocks, so that a range query merges a few summaries per level.
    static constexpr int kGroupShift = 9;
    static constexpr int kGroupSize = 1 << kGroupShift;
    static constexpr int kGroupMask = kGroupSize - 1;
    static constexpr int kGroups = kCapacity / kGroupSize;

    // The values are written before they are read: no need to clear 32 KB first.
    SampleChunk() {} // NOLINT(modernize-use-equals-default)

    // Stores the value at `pos` and seals whatever the value completes.
    void put(int pos, double value)
    {
        values[pos] = value;
        if (((pos + 1) & kBlockMask) == 0)
            sealBlock(pos >> kBlockShift);
        if (((pos + 1) & kGroupMask) == 0)
            sealGroup(pos >> kGroupShift);
        if (pos + 1 == kCapacity)
            sealWhole();
    }

    void sealBlock(int block);
    void sealGroup(int group);
    void sealWhole();

    double values[kCapacity];
    SampleExtremes blocks[kBlocks]; // block b: valid once its last value is stored
    SampleExtremes groups[kGroups]; // the same per group of blocks
    SampleExtremes whole;           // valid once the chunk is full
};
