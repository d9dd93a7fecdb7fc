// The item layer of the lists: items and links from the memory pool, pushed,
// searched, taken out, moved, copied and released.
#include "List.h"
#include "MemMgr.h"

#include <cstring>

namespace {

// The first link of list whose item is item, null when there is none.
ListLink* FindLink(const List* list, const void* item) {
    for (ListLink* l = list->pFirst; l; l = l->pNext) {
        if (l->pItem == item)
            return l;
    }
    return nullptr;
}

// Unlinks link from list. A walk that was to return its item next ends
// there, so that the cursor never points at a link that has left the list.
void Unlink(List* list, ListLink* link) {
    if (list->pWalk == link)
        list->pWalk = nullptr;
    ListPopLink(list, link);
}

// Unlinks link and releases it; the item is released too when release is
// set. Returns the item when it passes to the caller, else null.
void* Take(List* list, ListLink* link, char release) {
    if (!link)
        return nullptr;
    Unlink(list, link);
    void* const item = link->pItem;
    PutMem(link);
    if (!release)
        return item;
    PutMem(item);
    return nullptr;
}

bool IsEmpty(const List* list) {
    return !list || list->Count == 0 || !list->pFirst;
}

void ReleaseAll(List* list) {
    for (ListLink* l = list->pFirst; l;) {
        ListLink* const next = l->pNext;
        Take(list, l, 1);
        l = next;
    }
    list->pFirst = list->pLast = list->pWalk = nullptr;
    list->Count = 0;
    list->TotalSize = 0;
}

} // namespace

List* ListCreate() {
    return static_cast<List*>(GetMem(static_cast<int>(sizeof(List))));
}

void* ListPushItem(List* list, const void* data, int size) {
    if (!list || size <= 0)
        return nullptr;
    auto* const link = static_cast<ListLink*>(GetMem(static_cast<int>(sizeof(ListLink))));
    if (!link)
        return nullptr;
    void* const item = GetMem(size);
    if (!item) {
        PutMem(link);
        return nullptr;
    }
    if (data)
        std::memcpy(item, data, static_cast<std::size_t>(size));
    link->pItem = item;
    link->ItemSize = size;
    ListPushLink(list, link);
    return item;
}

void* ListPopItem(List* list, void* item, char release) {
    if (IsEmpty(list))
        return nullptr;
    return Take(list, item ? FindLink(list, item) : list->pFirst, release);
}

void* ListPopFirstItem(List* list, char release) {
    return IsEmpty(list) ? nullptr : Take(list, list->pFirst, release);
}

void* ListPopLastItem(List* list, char release) {
    return IsEmpty(list) ? nullptr : Take(list, list->pLast, release);
}

void* ListFindItemN(List* list, int n) {
    if (!list || n <= 0 || n > list->Count)
        return nullptr;
    ListLink* l = list->pFirst;
    for (int pos = 1; l && pos < n; ++pos)
        l = l->pNext;
    return l ? l->pItem : nullptr;
}

int ListGetItemPos(List* list, const void* item) {
    if (!list)
        return 0;
    int pos = 1;
    for (const ListLink* l = list->pFirst; l; l = l->pNext, ++pos) {
        if (l->pItem == item)
            return pos;
    }
    return 0;
}

void ListMoveItem(void* item, List* from, List* to) {
    if (!to || IsEmpty(from))
        return;
    ListLink* const link = FindLink(from, item);
    if (!link)
        return;
    Unlink(from, link);
    ListPushLink(to, link);
}

void ListCopy(List* src, List* dst) {
    if (!src || !dst)
        return;
    // The copies of a list copied into itself land behind its last link:
    // the copying stops there.
    const ListLink* const last = src->pLast;
    for (const ListLink* l = src->pFirst; l; l = l->pNext) {
        if (l->ItemSize != 0)
            ListPushItem(dst, l->pItem, l->ItemSize);
        if (l == last)
            break;
    }
}

void ListDel(List* list) {
    if (!list)
        return;
    ReleaseAll(list);
    PutMem(list);
}

void ListDelAllItems(List* list) {
    if (list)
        ReleaseAll(list);
}
