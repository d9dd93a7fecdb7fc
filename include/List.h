// Doubly linked lists of pool items (MemMgr.h) with a walk cursor.
//
// A zero-filled List is an empty list, so a header can be a plain field of a
// larger record; ListCreate makes one of its own. The list owns its links and
// their items, all of them pool allocations. The link layer (ListPushLink,
// ListPopLink) moves links without touching memory; the item layer allocates,
// copies and releases items and links. Every operation accepts a null list
// and then does nothing, returning null or 0. Positions count from 1 at the
// front; searches compare item pointers and run from the front.
#pragma once

#include <cstdint>

struct ListLink {
    ListLink* pPrev;       // null at the front
    ListLink* pNext;       // null at the end
    void* pItem;           // the item, owned by the list
    std::int32_t ItemSize; // bytes of the item as it was pushed
};

struct List {
    ListLink* pFirst;       // null when empty
    ListLink* pLast;        // null when empty
    ListLink* pWalk;        // the link whose item the next walk step returns
    std::int32_t Count;     // links in the list
    std::int32_t TotalSize; // sum of their ItemSize
    char flPushFront;       // 0: ListPushLink appends; else it inserts at the front
};

// A new empty list from the pool, null without memory.
List* ListCreate();

// Inserts link, which belongs to no list, at the end (or the front with
// flPushFront). A header whose fields disagree is started afresh with link.
void ListPushLink(List* list, ListLink* link);
// Unlinks link, a member of list (null: the first link). The link's own
// pointers are left as they were and the walk cursor is not moved.
void ListPopLink(List* list, ListLink* link);

// A new zero-filled item of size bytes with a copy of data (when not null),
// pushed with ListPushLink; null for a size of 0 or less or without memory.
void* ListPushItem(List* list, const void* data, int size);
// Takes the link of item (null: the first item) out of the list and releases
// it. With release set the item is released too and the result is null;
// otherwise the item passes to the caller. Null when item is not in the list.
// A walk whose next step was to return the taken item ends.
void* ListPopItem(List* list, void* item, char release);
void* ListPopFirstItem(List* list, char release);
void* ListPopLastItem(List* list, char release);

void* ListFindItemN(List* list, int n);           // the item at position n, or null
int ListGetItemPos(List* list, const void* item); // 1-based position, 0 if absent

// Moves the link of item from one list into the other (without copying);
// nothing happens when item is not in from.
void ListMoveItem(void* item, List* from, List* to);
// Appends a copy of every item of src (those of size 0 excepted) to dst; a
// list copied into itself gets each of its items once more.
void ListCopy(List* src, List* dst);

void ListDel(List* list);         // releases links, items and the header
void ListDelAllItems(List* list); // releases links and items; the header stays, empty

// Prints "%3i) %li\n" per item: its position and its first 32-bit word.
void ListDump(List* list);

// Walks the items from the front (ListWalk) or the back: started with cont 0,
// continued with any other value; null at the end.
void* ListWalk(List* list, int cont);
void* ListWalkBackward(List* list, int cont);
