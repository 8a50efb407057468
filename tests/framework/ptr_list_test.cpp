#include <gtest/gtest.h>

#include <vector>

#include "framework/ptr_list.h"

namespace {

std::vector<void*> Contents(const CPtrList& list) {
    std::vector<void*> out;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.push_back(list.GetNext(pos));
    return out;
}

}  // namespace

TEST(CPtrListTest, TracksPointersAcrossBlocks) {
    // The way a reader tracks its allocator's blocks: append, then find and remove in
    // any order; nodes come from blocks of 3 and are recycled.
    CPtrList list(3);
    std::vector<int> items(50);
    for (int& item : items) list.AddTail(&item);
    EXPECT_EQ(list.GetCount(), 50);

    for (size_t i = 1; i < items.size(); i += 2) {
        POSITION pos = list.Find(&items[i]);
        ASSERT_NE(pos, nullptr);
        EXPECT_EQ(list.GetAt(pos), &items[i]);
        list.RemoveAt(pos);
    }
    EXPECT_EQ(list.GetCount(), 25);
    EXPECT_EQ(list.Find(&items[1]), nullptr);
    std::vector<void*> expected;
    for (size_t i = 0; i < items.size(); i += 2) expected.push_back(&items[i]);
    EXPECT_EQ(Contents(list), expected);

    // Recycled nodes link in at both ends; head and tail removal keep the rest intact.
    int head = 0, tail = 0;
    list.AddTail(&tail);
    list.AddHead(&head);
    EXPECT_EQ(list.RemoveHead(), &head);
    EXPECT_EQ(list.RemoveTail(), &tail);
    EXPECT_EQ(Contents(list), expected);
    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    expected.erase(expected.begin());
    expected.pop_back();
    EXPECT_EQ(Contents(list), expected);
    list.RemoveAt(nullptr);  // ignored
    EXPECT_EQ(list.GetCount(), 23);
}

TEST(CPtrListTest, FindDuplicatesEmptyingAndReuse) {
    CPtrList list(0);  // a block size below 1 falls back to the default
    int a = 0, b = 0;
    POSITION first = list.AddTail(&a);
    list.AddTail(&b);
    POSITION second = list.AddTail(&a);
    EXPECT_EQ(list.Find(&a), first);
    EXPECT_EQ(list.Find(&a, first), second);
    EXPECT_EQ(list.Find(&a, second), nullptr);
    EXPECT_EQ(list.Find(nullptr), nullptr);
    list.GetAt(first) = &b;
    EXPECT_EQ(list.Find(&b), first);

    // Emptying the list gives its blocks back; the list works again afterwards.
    while (!list.IsEmpty()) list.RemoveHead();
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    EXPECT_EQ(list.RemoveHead(), nullptr);
    EXPECT_EQ(list.RemoveTail(), nullptr);
    for (int i = 0; i < 25; ++i) list.AddHead(&a);
    EXPECT_EQ(list.GetCount(), 25);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    list.AddTail(&b);
    EXPECT_EQ(list.RemoveTail(), &b);
}
