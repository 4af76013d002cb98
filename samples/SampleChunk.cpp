#include "SampleChunk.h"

void SampleChunk::sealBlock(int block)
{
    SampleExtremes extremes;
    const int first = block * kBlockSize;
    for (int i = 0; i < kBlockSize; ++i)
        extremes.add(values[first + i], first + i);
    blocks[block] = extremes;
}

void SampleChunk::sealWhole()
{
    SampleExtremes extremes;
    for (const SampleExtremes &block : blocks)
        extremes.merge(block, 0);
    whole = extremes;
}
