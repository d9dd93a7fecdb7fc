// Internal bookkeeping of the pool: an index from addresses to blocks, an
// index of the ordinary blocks in creation order by a bound of their longest
// free run, and the node bitmaps that mirror each block's MAT.
#pragma once

#include "MemMgr.h"

namespace memidx {

// Address index: the block whose data area holds p, or null.
void AddBlockRange(MemBlock* b);
void RemoveBlockRange(MemBlock* b);
MemBlock* LookupBlock(const void* p); // falls back to the list walk

// Placement index over the ordinary blocks in list order.
void AddOrdinary(MemBlock* b);
void RemoveOrdinary(MemBlock* b);
void SetMaxRun(MemBlock* b, int bound); // no free run of b is longer than bound
// The first ordinary block, in list order, that may hold a run of k free nodes.
MemBlock* FirstCandidate(int k);

// Node bitmaps (bit set = node used) and the free runs of their words.
void InitRuns(MemBlock* b); // all nodes free
void MarkUsed(MemBlock* b, int first, int count);
void MarkFree(MemBlock* b, int first, int count);
// Lowest node at which k free nodes start, or -1.
int FindFreeRun(const MemBlock* b, int k);
// Length of the free run that holds node i (i must be free).
int FreeRunAround(const MemBlock* b, int i);

} // namespace memidx
