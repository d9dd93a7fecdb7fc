// Walking a list with its cursor, and the debugging dump.
#include "List.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

void* ListWalk(List* list, int cont) {
    if (!list)
        return nullptr;
    if (cont == 0)
        list->pWalk = list->pFirst;
    ListLink* const l = list->pWalk;
    if (!l)
        return nullptr;
    list->pWalk = l->pNext;
    return l->pItem;
}

void* ListWalkBackward(List* list, int cont) {
    if (!list)
        return nullptr;
    if (cont == 0)
        list->pWalk = list->pLast;
    ListLink* const l = list->pWalk;
    if (!l)
        return nullptr;
    list->pWalk = l->pPrev;
    return l->pItem;
}

void ListDump(List* list) {
    if (!list)
        return;
    int pos = 1;
    for (const ListLink* l = list->pFirst; l; l = l->pNext, ++pos) {
        // The first word of the item, read only as far as the item reaches.
        std::int32_t word = 0;
        if (l->pItem && l->ItemSize > 0)
            std::memcpy(&word, l->pItem,
                        static_cast<std::size_t>(std::min<std::int32_t>(l->ItemSize, 4)));
        std::printf("%3i) %li\n", pos, static_cast<long>(word));
    }
}
