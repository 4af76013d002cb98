#include "SampleChunk.h"

void SampleChunk::sealBlock(int block)
{
    SampleExtremes extremes;
    const int first = block * kBlockSize;
    for (int i = 0; i < kBlockSize; ++i)
        extremes.add(values[first + i], first + i);
    blocks[block] = extremes;
}

void SampleChunk::sealGroup(int group)
{
    SampleExtremes extremes;
    const int blocksPerGroup = kGroupSize / kBlockSize;
    for (int b = group * blocksPerGroup; b < (group + 1) * blocksPerGroup; ++b)
        extremes.merge(blocks[b], 0);
    groups[group] = extremes;
}

void SampleChunk::sealWhole()
{
    SampleExtremes extremes;
    for (const SampleExtremes &group : groups)
        extremes.merge(group, 0);
    whole = extremes;
}
