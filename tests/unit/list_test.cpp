// Doubly linked lists of pool items: pushing and popping links and items,
// searches, moves, copies, release and the walk cursor.
#include "List.h"
#include "MemMgr.h"
#include "child.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

long PoolNodesInUse() {
    long used = 0;
    for (const MemBlock* b = pMemB; b; b = b->pNext)
        used +=
            b->Size > MEM_BLOCK_SIZE ? b->Size / MEM_NODE_SIZE : MEM_BLOCK_NODES - b->FreeNodeCount;
    return used;
}

// Checks the links of list against its header and returns the items'
// texts from the front.
std::vector<std::string> Texts(const List* list) {
    std::vector<std::string> texts;
    int count = 0;
    int total = 0;
    const ListLink* prev = nullptr;
    for (const ListLink* l = list->pFirst; l; prev = l, l = l->pNext) {
        EXPECT_EQ(l->pPrev, prev);
        ++count;
        total += l->ItemSize;
        texts.emplace_back(static_cast<const char*>(l->pItem));
    }
    EXPECT_EQ(list->pLast, prev);
    EXPECT_EQ(list->Count, count);
    EXPECT_EQ(list->TotalSize, total);
    return texts;
}

using Strings = std::vector<std::string>;

char* Push(List* list, const char* text) {
    return static_cast<char*>(ListPushItem(list, text, static_cast<int>(std::strlen(text)) + 1));
}

Strings Walk(List* list, bool backward = false) {
    Strings seen;
    for (int step = 0;; ++step) {
        const void* item = backward ? ListWalkBackward(list, step) : ListWalk(list, step);
        if (!item)
            break;
        seen.emplace_back(static_cast<const char*>(item));
    }
    return seen;
}

TEST(List, PushesAtTheEndOrAtTheFront) {
    for (const char front : {0, 1}) {
        List* list = ListCreate();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->pFirst, nullptr);
        EXPECT_EQ(list->Count, 0);
        list->flPushFront = front;
        Push(list, "a");
        Push(list, "b");
        Push(list, "c");
        const Strings order = front ? Strings{"c", "b", "a"} : Strings{"a", "b", "c"};
        EXPECT_EQ(Texts(list), order);
        EXPECT_EQ(Walk(list), order);
        EXPECT_EQ(Walk(list, true), Strings(order.rbegin(), order.rend()));
        EXPECT_EQ(list->TotalSize, 6);
        ListDel(list);
    }
}

TEST(List, PushItemCopiesOrZeroFills) {
    const long before = PoolNodesInUse();
    List list{};
    EXPECT_EQ(ListPushItem(&list, "x", 0), nullptr);
    EXPECT_EQ(ListPushItem(&list, "x", -5), nullptr);
    EXPECT_EQ(ListPushItem(nullptr, "x", 2), nullptr);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.pFirst, nullptr);
    EXPECT_EQ(PoolNodesInUse(), before);

    char source[] = "abc";
    char* copy = static_cast<char*>(ListPushItem(&list, source, 4));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, source);
    source[0] = 'z';
    EXPECT_STREQ(copy, "abc");
    const char* zeros = static_cast<const char*>(ListPushItem(&list, nullptr, 40));
    ASSERT_NE(zeros, nullptr);
    EXPECT_EQ(std::string(zeros, 40), std::string(40, '\0'));
    EXPECT_EQ(list.Count, 2);
    EXPECT_EQ(list.TotalSize, 44);
    ListDelAllItems(&list);
    EXPECT_EQ(PoolNodesInUse(), before);
}

TEST(List, PushItemWithoutMemoryLeavesTheListAlone) {
    const ChildResult r = RunInChild([] {
        List* list = ListCreate();
        Push(list, "a");
        const long before = PoolNodesInUse();
        MemMapFailures = 1; // the item needs a block of its own
        std::printf("%d %d %d\n", ListPushItem(list, nullptr, 100000) == nullptr, list->Count,
                    PoolNodesInUse() == before);
        std::printf("%s\n", static_cast<char*>(list->pLast->pItem));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1 1 1\na\n");
    EXPECT_EQ(r.err, "ERROR: Unable to allocate memory\n");
}

TEST(List, FindByPositionAndPositionOfItem) {
    List list{};
    const char* a = Push(&list, "a");
    Push(&list, "b");
    const char* c = Push(&list, "c");
    struct Case {
        int n;
        const char* item;
    };
    for (const Case& k :
         std::vector<Case>{{1, a}, {3, c}, {0, nullptr}, {-1, nullptr}, {4, nullptr}})
        EXPECT_EQ(ListFindItemN(&list, k.n), k.item) << k.n;
    EXPECT_STREQ(static_cast<char*>(ListFindItemN(&list, 2)), "b");
    EXPECT_EQ(ListGetItemPos(&list, a), 1);
    EXPECT_EQ(ListGetItemPos(&list, c), 3);
    EXPECT_EQ(ListGetItemPos(&list, "a"), 0) << "a pointer comparison";
    EXPECT_EQ(ListGetItemPos(&list, nullptr), 0);
    ListDelAllItems(&list);
}

TEST(List, PopItems) {
    const long before = PoolNodesInUse();
    List list{};
    Push(&list, "a");
    char* b = Push(&list, "b");
    Push(&list, "c");
    Push(&list, "d");

    EXPECT_EQ(ListPopItem(&list, const_cast<char*>("x"), 1), nullptr) << "not in the list";
    EXPECT_EQ(Texts(&list), (Strings{"a", "b", "c", "d"}));

    char* kept = static_cast<char*>(ListPopItem(&list, b, 0));
    EXPECT_EQ(kept, b);
    EXPECT_STREQ(kept, "b") << "the item passes to the caller";
    EXPECT_EQ(Texts(&list), (Strings{"a", "c", "d"}));
    PutMem(kept);

    EXPECT_EQ(ListPopItem(&list, nullptr, 1), nullptr) << "released";
    EXPECT_EQ(Texts(&list), (Strings{"c", "d"}));
    char* d = static_cast<char*>(ListPopLastItem(&list, 0));
    EXPECT_STREQ(d, "d");
    PutMem(d);
    EXPECT_EQ(Texts(&list), Strings{"c"});
    char* c = static_cast<char*>(ListPopFirstItem(&list, 0));
    EXPECT_STREQ(c, "c");
    PutMem(c);
    EXPECT_EQ(list.pFirst, nullptr);
    EXPECT_EQ(list.pLast, nullptr);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.TotalSize, 0);
    EXPECT_EQ(ListPopFirstItem(&list, 0), nullptr);
    EXPECT_EQ(ListPopLastItem(&list, 0), nullptr);
    EXPECT_EQ(ListPopItem(&list, nullptr, 0), nullptr);
    EXPECT_EQ(PoolNodesInUse(), before) << "every link and item went back";
}

TEST(List, ReleasingEverythingReturnsThePool) {
    const long before = PoolNodesInUse();
    List* list = ListCreate();
    for (const char* t : {"a", "b", "c"})
        Push(list, t);
    ListPopItem(list, ListFindItemN(list, 2), 1);
    PutMem(ListPopLastItem(list, 0));
    ListDelAllItems(list);
    EXPECT_EQ(list->Count, 0);
    EXPECT_EQ(list->pFirst, nullptr);
    EXPECT_EQ(list->pLast, nullptr);
    Push(list, "again");
    EXPECT_EQ(Texts(list), Strings{"again"}) << "the emptied header takes new pushes";
    ListDel(list);
    EXPECT_EQ(PoolNodesInUse(), before);
}

TEST(List, LinkLayer) {
    ListLink links[4] = {};
    for (int i = 0; i < 4; ++i)
        links[i].ItemSize = 10 + i;
    List list{};
    for (ListLink& l : links)
        ListPushLink(&list, &l);
    EXPECT_EQ(list.Count, 4);
    EXPECT_EQ(list.TotalSize, 46);

    ListPopLink(&list, &links[2]); // a middle one
    EXPECT_EQ(links[1].pNext, &links[3]);
    EXPECT_EQ(links[3].pPrev, &links[1]);
    EXPECT_EQ(links[2].pPrev, &links[1]) << "the popped link's pointers stay";
    EXPECT_EQ(links[2].pNext, &links[3]);
    ListPopLink(&list, nullptr); // the first
    EXPECT_EQ(list.pFirst, &links[1]);
    EXPECT_EQ(links[1].pPrev, nullptr);
    ListPopLink(&list, &links[3]); // the last
    EXPECT_EQ(list.pLast, &links[1]);
    EXPECT_EQ(links[1].pNext, nullptr);
    EXPECT_EQ(list.Count, 1);
    EXPECT_EQ(list.TotalSize, 11);
    ListPopLink(&list, &links[1]);
    EXPECT_EQ(list.pFirst, nullptr);
    EXPECT_EQ(list.pLast, nullptr);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(list.TotalSize, 0);
    ListPopLink(&list, &links[1]); // empty: nothing happens
    EXPECT_EQ(list.Count, 0);

    // A header whose fields disagree starts afresh with the pushed link.
    List odd{};
    odd.Count = 3;
    ListPushLink(&odd, &links[0]);
    EXPECT_EQ(odd.Count, 1);
    EXPECT_EQ(odd.pFirst, &links[0]);
    EXPECT_EQ(odd.pLast, &links[0]);
    EXPECT_EQ(links[0].pPrev, nullptr);
    EXPECT_EQ(links[0].pNext, nullptr);
    odd.pFirst = nullptr;
    ListPopLink(&odd, nullptr); // no first link to take
    EXPECT_EQ(odd.Count, 1);
}

TEST(List, MoveItems) {
    List from{};
    List to{};
    Push(&from, "a");
    char* b = Push(&from, "b");
    Push(&to, "x");

    ListMoveItem(const_cast<char*>("b"), &from, &to);
    EXPECT_EQ(Texts(&from), (Strings{"a", "b"})) << "not the same pointer: nothing moves";
    EXPECT_EQ(Texts(&to), Strings{"x"});

    ListMoveItem(b, &from, &to);
    EXPECT_EQ(Texts(&from), Strings{"a"});
    EXPECT_EQ(Texts(&to), (Strings{"x", "b"}));
    EXPECT_EQ(ListFindItemN(&to, 2), b) << "the item itself moves";

    to.flPushFront = 1;
    ListMoveItem(ListFindItemN(&from, 1), &from, &to);
    EXPECT_EQ(Texts(&from), Strings{});
    EXPECT_EQ(Texts(&to), (Strings{"a", "x", "b"}));
    ListMoveItem(b, &from, &to); // empty source
    ListMoveItem(b, &to, nullptr);
    EXPECT_EQ(Texts(&to), (Strings{"a", "x", "b"}));
    ListDelAllItems(&to);
}

TEST(List, CopyMakesNewItems) {
    List src{};
    for (const char* t : {"one", "two", "three"})
        Push(&src, t);
    ListLink empty{};
    char dummy[] = "zero";
    empty.pItem = dummy;
    ListPushLink(&src, &empty); // a link of size 0 is not copied

    List dst{};
    Push(&dst, "old");
    ListCopy(&src, &dst);
    EXPECT_EQ(Texts(&dst), (Strings{"old", "one", "two", "three"}));
    for (const ListLink *s = src.pFirst, *d = dst.pFirst->pNext; d; s = s->pNext, d = d->pNext) {
        EXPECT_NE(d->pItem, s->pItem);
        EXPECT_EQ(d->ItemSize, s->ItemSize);
        EXPECT_EQ(std::memcmp(d->pItem, s->pItem, static_cast<std::size_t>(s->ItemSize)), 0);
    }
    EXPECT_EQ(src.Count, 4);
    ListPopLink(&src, &empty);
    EXPECT_EQ(Texts(&src), (Strings{"one", "two", "three"}));

    // Copied into itself, a list gets each item once more and the copy ends.
    ListCopy(&src, &src);
    EXPECT_EQ(Texts(&src), (Strings{"one", "two", "three", "one", "two", "three"}));
    ListCopy(&src, nullptr);
    ListCopy(nullptr, &src);
    EXPECT_EQ(src.Count, 6);
    ListDelAllItems(&src);
    ListDelAllItems(&dst);
}

TEST(List, WalkEndsAndRestarts) {
    List list{};
    EXPECT_EQ(ListWalk(&list, 0), nullptr);
    EXPECT_EQ(ListWalkBackward(&list, 0), nullptr);
    Push(&list, "a");
    Push(&list, "b");
    EXPECT_STREQ(static_cast<char*>(ListWalk(&list, 0)), "a");
    EXPECT_STREQ(static_cast<char*>(ListWalk(&list, 1)), "b");
    EXPECT_EQ(ListWalk(&list, 2), nullptr);
    EXPECT_EQ(ListWalk(&list, 3), nullptr) << "stays at the end";
    Push(&list, "c");
    EXPECT_EQ(ListWalk(&list, 4), nullptr) << "until started again";
    EXPECT_STREQ(static_cast<char*>(ListWalk(&list, 0)), "a");
    EXPECT_STREQ(static_cast<char*>(ListWalkBackward(&list, 0)), "c");
    EXPECT_STREQ(static_cast<char*>(ListWalkBackward(&list, 7)), "b");
    ListDelAllItems(&list);
}

// Taking out the item that a walk would return next ends that walk: the
// cursor never points at a released link.
TEST(List, WalkEndsWhenItsNextItemIsTaken) {
    List list{};
    Push(&list, "a");
    char* b = Push(&list, "b");
    Push(&list, "c");
    EXPECT_STREQ(static_cast<char*>(ListWalk(&list, 0)), "a");
    ListPopItem(&list, b, 1);
    EXPECT_EQ(ListWalk(&list, 1), nullptr);

    // Taking the item just returned leaves the walk going.
    EXPECT_STREQ(static_cast<char*>(ListWalk(&list, 0)), "a");
    ListPopFirstItem(&list, 1);
    EXPECT_STREQ(static_cast<char*>(ListWalk(&list, 1)), "c");

    EXPECT_STREQ(static_cast<char*>(ListWalkBackward(&list, 0)), "c");
    ListDelAllItems(&list);
    EXPECT_EQ(ListWalkBackward(&list, 1), nullptr);
    EXPECT_EQ(list.pWalk, nullptr);
}

TEST(List, DumpPrintsFirstWords) {
    const ChildResult r = RunInChild([] {
        List list{};
        for (const int v : {7, -1, 123456})
            ListPushItem(&list, &v, sizeof v);
        ListLink bare{};
        ListPushLink(&list, &bare); // no item
        ListDump(&list);
        ListDump(nullptr);
    });
    EXPECT_EQ(r.out, "  1) 7\n  2) -1\n  3) 123456\n  4) 0\n");
}

TEST(List, NullListsDoNothing) {
    ListLink link{};
    ListPushLink(nullptr, &link);
    ListPopLink(nullptr, &link);
    List list{};
    ListPushLink(&list, nullptr);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(ListPopItem(nullptr, nullptr, 1), nullptr);
    EXPECT_EQ(ListPopFirstItem(nullptr, 1), nullptr);
    EXPECT_EQ(ListPopLastItem(nullptr, 1), nullptr);
    EXPECT_EQ(ListFindItemN(nullptr, 1), nullptr);
    EXPECT_EQ(ListGetItemPos(nullptr, &link), 0);
    ListMoveItem(&link, nullptr, &list);
    ListDel(nullptr);
    ListDelAllItems(nullptr);
    EXPECT_EQ(ListWalk(nullptr, 0), nullptr);
    EXPECT_EQ(ListWalkBackward(nullptr, 0), nullptr);
}

} // namespace
