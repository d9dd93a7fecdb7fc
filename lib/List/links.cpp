// The link layer of the lists: links in and out of a list, no memory touched.
#include "List.h"

#include <cstdint>

namespace {

// Sizes are added modulo 2^32, as the 32-bit counters of the header hold them.
std::int32_t AddSize(std::int32_t total, std::int32_t size) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(total) +
                                     static_cast<std::uint32_t>(size));
}

} // namespace

void ListPushLink(List* list, ListLink* link) {
    if (!list || !link)
        return;
    if (list->Count != 0 && list->pFirst && list->pLast) {
        if (list->flPushFront) {
            link->pNext = list->pFirst;
            link->pPrev = nullptr;
            list->pFirst->pPrev = link;
            list->pFirst = link;
        } else {
            link->pPrev = list->pLast;
            link->pNext = nullptr;
            list->pLast->pNext = link;
            list->pLast = link;
        }
        ++list->Count;
    } else {
        link->pPrev = link->pNext = nullptr;
        list->pFirst = list->pLast = link;
        list->Count = 1;
    }
    list->TotalSize = AddSize(list->TotalSize, link->ItemSize);
}

void ListPopLink(List* list, ListLink* link) {
    if (!list || list->Count == 0)
        return;
    if (!link)
        link = list->pFirst;
    if (!link)
        return; // a header whose fields disagree: no first link to take
    --list->Count;
    list->TotalSize = AddSize(list->TotalSize, -link->ItemSize);
    if (list->Count <= 0) {
        list->pFirst = list->pLast = nullptr;
    } else if (link == list->pFirst) {
        list->pFirst = link->pNext;
        if (list->pFirst)
            list->pFirst->pPrev = nullptr;
    } else if (link == list->pLast) {
        list->pLast = link->pPrev;
        if (list->pLast)
            list->pLast->pNext = nullptr;
    } else {
        if (link->pPrev)
            link->pPrev->pNext = link->pNext;
        if (link->pNext)
            link->pNext->pPrev = link->pPrev;
    }
}
