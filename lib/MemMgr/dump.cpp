// DumpMem: the state of every block of the pool on standard output.
#include "MemMgr.h"

#include <cstdio>

namespace {

long AsLong(const void* p) {
    return reinterpret_cast<long>(p);
}

void DumpOrdinary(const MemBlock* b) {
    int free = 0;
    for (int i = 0; i < MEM_BLOCK_NODES; ++i)
        free += b->MAT[i] == ' ';
    int counted = 0;
    for (const MemNode& node : b->Nodes)
        counted += node.NodeCount;
    std::printf(
        "\n============ Block(%li) size(%li) Free(%i) Used(%i) FreeNodeCount(%i) SizeCnt(%i) "
        "<==(%li) (%li)==>\n\tBlock MAT:",
        AsLong(b), static_cast<long>(b->Size), free, MEM_BLOCK_NODES - free, b->FreeNodeCount,
        MEM_BLOCK_NODES - counted, AsLong(b->pPrev), AsLong(b->pNext));
    for (int i = 0; i < MEM_BLOCK_NODES; ++i) {
        if (i % 64 == 0)
            std::fputs("\n\t", stdout);
        std::putchar(b->MAT[i] == ' ' ? '_' : b->MAT[i]);
    }
    std::fputs("\n\n\tAllocated Nodes:\n", stdout);
    for (int i = 0; i < MEM_BLOCK_NODES; ++i) {
        const MemNode& node = b->Nodes[i];
        if (node.NodeCount == 0 || !node.pAddr)
            continue;
        // The content is shown as a string, bounded by the allocation.
        std::printf("\tMAT index(%6i) Memory Addr(%6li) nodes(%5i) size(%5i) Memory(%.*s)\n", i,
                    AsLong(node.pAddr), node.NodeCount, node.NodeCount * MEM_NODE_SIZE,
                    node.NodeCount * MEM_NODE_SIZE, node.pAddr);
    }
    std::putchar('\n');
}

} // namespace

void DumpMem() {
    for (const MemBlock* b = pMemB; b; b = b->pNext) {
        if (b->Size > MEM_BLOCK_SIZE)
            std::printf(
                "\n============ Dedicated Block(%li) size(%li) FreeNodeCount(%i) <==(%li) (%li)==>",
                AsLong(b->pMemory), static_cast<long>(b->Size), b->FreeNodeCount, AsLong(b->pPrev),
                AsLong(b->pNext));
        else
            DumpOrdinary(b);
    }
}
