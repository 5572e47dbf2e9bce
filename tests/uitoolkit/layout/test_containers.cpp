#include "TestHelpers.h"
#include "base/UIDelegate.h"
#include "base/UIGeometry.h"
#include "base/UIHandlingScope.h"
#include "base/UIPtrArray.h"
#include "base/UIString.h"
#include "base/UIStringMap.h"
#include "base/UIWalkList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace UiToolkit;
using TestHelpers::GuardedBuffer;

namespace {

bool IsInline(const CStringUI& s)
{
    const BYTE* object = reinterpret_cast<const BYTE*>(&s);
    const BYTE* text = reinterpret_cast<const BYTE*>(s.Text());
    return text >= object && text < object + sizeof(s);
}

std::wstring Units(wchar_t ch, size_t n)
{
    return std::wstring(n, ch);
}

} // namespace

TEST(StringStorage, InlineHeapBoundaryAndReturn)
{
    CStringUI s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(IsInline(s));

    s = Units(L'x', 62).c_str();
    EXPECT_TRUE(IsInline(s));
    EXPECT_EQ(62, s.Length());

    s = Units(L'y', 63).c_str();
    EXPECT_FALSE(IsInline(s));
    EXPECT_EQ(Units(L'y', 63), s.Text());

    s.Append(Units(L'z', 100).c_str());
    EXPECT_EQ(163, s.Length());
    EXPECT_EQ(Units(L'y', 63) + Units(L'z', 100), s.Text());

    s = L"short";
    EXPECT_TRUE(IsInline(s));
    EXPECT_STREQ(L"short", s.Text());

    // Appending across the boundary moves the text to the heap with every unit kept.
    CStringUI grown(Units(L'a', 60).c_str());
    grown += L"bcd";
    EXPECT_FALSE(IsInline(grown));
    EXPECT_EQ(Units(L'a', 60) + L"bcd", grown.Text());

    CStringUI copy(grown);
    grown.Empty();
    EXPECT_EQ(63, copy.Length());
    EXPECT_TRUE(IsInline(grown));
}

TEST(StringStorage, CountedTextIsNeverReadPastItsUnits)
{
    // No terminator: the unit after the text lies on a guard page.
    std::wstring text = Units(L'q', 70);
    GuardedBuffer guarded(text.data(), text.size() * sizeof(wchar_t));
    CStringUI longText(guarded.Text(), 70);
    EXPECT_EQ(text, longText.Text());
    CStringUI shortText;
    shortText.SetN(guarded.Text() + 60, 10);
    EXPECT_EQ(Units(L'q', 10), shortText.Text());
}

TEST(StringStorage, SelfAssignmentAndSelfAppend)
{
    CStringUI heap(Units(L'h', 80).c_str());
    heap = heap;
    EXPECT_EQ(Units(L'h', 80), heap.Text());

    // A pointer into its own heap block, for a text that must move to a new block.
    CStringUI mixed((Units(L'a', 40) + Units(L'b', 40)).c_str());
    mixed.Set(mixed.Text() + 40);
    EXPECT_EQ(Units(L'b', 40), mixed.Text());

    CStringUI back((Units(L'c', 70) + L"tail").c_str());
    back.Set(back.Text() + 2);
    EXPECT_EQ(Units(L'c', 68) + L"tail", back.Text());

    CStringUI twice(Units(L'd', 70).c_str());
    twice.Append(twice.Text());
    EXPECT_EQ(Units(L'd', 140), twice.Text());
    twice += twice;
    EXPECT_EQ(Units(L'd', 280), twice.Text());

    CStringUI small(L"abc");
    small.Append(small.Text());
    EXPECT_STREQ(L"abcabc", small.Text());
    small.Append(small.Text() + 1);
    EXPECT_STREQ(L"abcabcbcabc", small.Text());
    small.Set(small.Text() + 3);
    EXPECT_STREQ(L"abcbcabc", small.Text());

    // Growing from inline to the heap with the appended text inside the inline buffer.
    CStringUI edge(Units(L'e', 40).c_str());
    edge.Append(edge.Text());
    EXPECT_EQ(Units(L'e', 80), edge.Text());
}

TEST(StringFormat, WithinAndBeyondItsBuffer)
{
    CStringUI s;
    s.Format(L"%d-%s-%x", 42, L"mid", 255);
    EXPECT_STREQ(L"42-mid-ff", s.Text());

    std::wstring medium = Units(L'm', 300);
    s.Format(L"<%s>", medium.c_str());
    EXPECT_EQ(L"<" + medium + L">", s.Text());

    // Longer than the formatter may write: kept up to its limit, nothing overrun.
    std::wstring huge = Units(L'g', 5000);
    int written = s.Format(L"%s", huge.c_str());
    EXPECT_LE(written, CStringUI::FORMAT_LIMIT);
    EXPECT_EQ(written, s.Length());
    EXPECT_GT(s.Length(), 62);
    EXPECT_EQ(std::wstring(s.Text()), Units(L'g', s.Length()));
}

TEST(StringSearch, FindSliceAndReplace)
{
    CStringUI s(L"abcabc");
    EXPECT_EQ(3, s.Find(L"abc", 1));
    EXPECT_EQ(-1, s.Find(L"abc", 6));
    EXPECT_EQ(6, s.Find(L"", 6));
    EXPECT_EQ(-1, s.Find(L"abc", 7));
    EXPECT_EQ(-1, s.FindChar(L'a', 6));
    EXPECT_EQ(3, s.FindChar(L'a', 1));
    EXPECT_EQ(4, s.FindLast(L'b'));
    EXPECT_STREQ(L"ab", s.Head(2).Text());
    EXPECT_STREQ(L"abcabc", s.Head(99).Text());
    EXPECT_STREQ(L"", s.Head(-3).Text());
    EXPECT_STREQ(L"cab", s.Slice(2, 3).Text());
    EXPECT_STREQ(L"bc", s.Slice(4, 10).Text());
    EXPECT_STREQ(L"cabc", s.Slice(2).Text());
    EXPECT_STREQ(L"", s.Slice(6).Text());

    CStringUI a(L"aaa");
    EXPECT_EQ(3, a.ReplaceAll(L"a", L"aa"));
    EXPECT_STREQ(L"aaaaaa", a.Text());
    EXPECT_EQ(0, a.ReplaceAll(L"", L"x"));
    EXPECT_STREQ(L"aaaaaa", a.Text());
    EXPECT_EQ(6, a.ReplaceAll(L"a", L""));
    EXPECT_TRUE(a.IsEmpty());

    CStringUI tip(L"one<n>two<n>");
    EXPECT_EQ(2, tip.ReplaceAll(L"<n>", L"\r\n"));
    EXPECT_STREQ(L"one\r\ntwo\r\n", tip.Text());

    CStringUI mixedCase(L"AbC-\x00C4z");
    mixedCase.MakeLower();
    EXPECT_STREQ(L"abc-\x00C4z", mixedCase.Text());
    EXPECT_TRUE(mixedCase == L"abc-\x00C4z");
    EXPECT_LT(CStringUI(L"abc").Compare(L"abd"), 0);
}

TEST(PtrArray, GrowthFromZeroAndAfterResize)
{
    CPtrArrayUI list;
    EXPECT_EQ(0, list.Capacity());
    EXPECT_TRUE(list.Add(reinterpret_cast<void*>(1)));
    EXPECT_EQ(11, list.Capacity());
    for (int i = 2; i <= 10; ++i)
        list.Add(reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
    EXPECT_EQ(11, list.Capacity());
    list.Add(reinterpret_cast<void*>(11));
    EXPECT_EQ(22, list.Capacity());
    for (int i = 12; i <= 30; ++i)
        list.Add(reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
    EXPECT_EQ(44, list.Capacity());
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1)), list[i]);

    // After Resize count equals capacity; the next additions must still fit.
    list.Resize(3);
    EXPECT_EQ(3, list.Count());
    EXPECT_EQ(nullptr, list.GetAt(2));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(list.InsertAt(0, reinterpret_cast<void*>(static_cast<INT_PTR>(100 + i))));
    EXPECT_EQ(23, list.Count());
    EXPECT_GT(list.Capacity(), list.Count());
    EXPECT_EQ(reinterpret_cast<void*>(119), list[0]);
    EXPECT_EQ(reinterpret_cast<void*>(100), list[19]);

    EXPECT_FALSE(list.InsertAt(-1, NULL));
    EXPECT_FALSE(list.InsertAt(24, NULL));
    EXPECT_TRUE(list.Remove(0));
    EXPECT_EQ(reinterpret_cast<void*>(118), list[0]);
    EXPECT_FALSE(list.Remove(22));
    EXPECT_EQ(nullptr, list.GetAt(-1));
    EXPECT_EQ(1, list.Find(reinterpret_cast<void*>(117)));
    EXPECT_EQ(-1, list.Find(reinterpret_cast<void*>(999)));
}

TEST(PtrArray, CopiesOwnTheirBlock)
{
    CPtrArrayUI first(4);
    first.Add(reinterpret_cast<void*>(1));
    first.Add(reinterpret_cast<void*>(2));
    CPtrArrayUI second(first);
    second.Remove(0);
    second.Add(reinterpret_cast<void*>(3));
    EXPECT_EQ(reinterpret_cast<void*>(1), first[0]);
    EXPECT_EQ(2, first.Count());

    CPtrArrayUI third;
    third = first;
    first.Empty();
    EXPECT_EQ(2, third.Count());
    EXPECT_EQ(reinterpret_cast<void*>(2), third[1]);
    third = third;
    EXPECT_EQ(2, third.Count());
}

TEST(StringMap, HashBucketsAndListing)
{
    CStringMapUI small(5);
    EXPECT_EQ(16, small.BucketCount());
    // From the last unit back: "ab" is 98 * 33 + 97.
    EXPECT_EQ(98u * 33 + 97, CStringMapUI::Hash(L"ab"));
    EXPECT_EQ(97u * 33 + 98, CStringMapUI::Hash(L"ba"));

    CStringMapUI map(83);
    const wchar_t* names[] = {L"btnClose", L"btnMin", L"progress", L"title", L"ab", L"ba", L"x"};
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(map.Insert(names[i], reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1))));
    EXPECT_FALSE(map.Insert(L"title", NULL));
    EXPECT_EQ(7, map.Count());

    // Listing goes from the last bucket to the first.
    std::wstring listed;
    UINT lastBucket = 83;
    for (int i = 0; i < map.Count(); ++i) {
        const wchar_t* key = map.GetAt(i);
        ASSERT_TRUE(key != NULL);
        UINT bucket = CStringMapUI::Hash(key) % 83;
        EXPECT_LE(bucket, lastBucket);
        lastBucket = bucket;
        EXPECT_TRUE(map.Find(key) != NULL);
        listed += key;
        listed += L"|";
    }
    EXPECT_EQ(nullptr, map.GetAt(7));
    for (const wchar_t* name : names)
        EXPECT_NE(std::wstring::npos, listed.find(std::wstring(name) + L"|"));

    EXPECT_EQ(reinterpret_cast<void*>(4), map.Set(L"title", reinterpret_cast<void*>(40)));
    EXPECT_EQ(reinterpret_cast<void*>(40), map.Find(L"title"));
    EXPECT_EQ(nullptr, map.Set(L"new", reinterpret_cast<void*>(8)));
    EXPECT_EQ(8, map.Count());
    EXPECT_TRUE(map.Remove(L"ab"));
    EXPECT_FALSE(map.Remove(L"ab"));
    EXPECT_EQ(nullptr, map.Find(L"ab"));
    EXPECT_EQ(reinterpret_cast<void*>(6), map.Find(L"ba"));

    map.Resize(-1);
    EXPECT_EQ(0, map.Count());
    EXPECT_FALSE(map.Insert(L"any", NULL));
    EXPECT_EQ(nullptr, map.Find(L"any"));
}

TEST(StringMap, MoveToFrontKeepsEveryKeyInItsChain)
{
    CStringMapUI map(16);
    // Keys of one bucket: equal hash modulo 16.
    std::vector<std::wstring> keys;
    for (wchar_t c = L'A'; keys.size() < 4 && c < L'z'; ++c) {
        std::wstring key(1, c);
        if (CStringMapUI::Hash(key.c_str()) % 16 == CStringMapUI::Hash(L"A") % 16)
            keys.push_back(key);
    }
    ASSERT_EQ(4u, keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        map.Insert(keys[i].c_str(), reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1)));
    for (int round = 0; round < 3; ++round) {
        for (size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1)), map.Find(keys[i].c_str()));
    }
    EXPECT_EQ(keys[3], map.GetAt(0));
    EXPECT_TRUE(map.Remove(keys[1].c_str()));
    EXPECT_TRUE(map.Remove(keys[3].c_str()));
    EXPECT_EQ(reinterpret_cast<void*>(1), map.Find(keys[0].c_str()));
    EXPECT_EQ(reinterpret_cast<void*>(3), map.Find(keys[2].c_str()));
    EXPECT_EQ(2, map.Count());
}

namespace {

struct Recorder
{
    std::wstring* log;
    wchar_t tag;
    bool answer;
    bool OnCall(void* param)
    {
        *log += tag;
        *log += *static_cast<const wchar_t*>(param);
        return answer;
    }
    bool Other(void*)
    {
        *log += L'o';
        return true;
    }
};

std::wstring* g_freeLog = NULL;
bool FreeHandler(void*)
{
    *g_freeLog += L'f';
    return true;
}

} // namespace

TEST(Delegates, OrderDuplicatesAndStop)
{
    std::wstring log;
    g_freeLog = &log;
    Recorder first = {&log, L'1', true};
    Recorder second = {&log, L'2', false};
    Recorder third = {&log, L'3', true};
    wchar_t arg = L'.';

    CEventSourceUI empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.Invoke(&arg));

    CEventSourceUI source;
    source += MakeDelegate(&first, &Recorder::OnCall);
    source += MakeDelegate(&first, &Recorder::OnCall);
    EXPECT_EQ(1, source.Count());
    source += MakeDelegate(&first, &Recorder::Other);
    source += MakeDelegate(FreeHandler);
    source += MakeDelegate(FreeHandler);
    EXPECT_EQ(3, source.Count());
    EXPECT_TRUE(source.Invoke(&arg));
    EXPECT_EQ(L"1.of", log);

    log.clear();
    CEventSourceUI stopping;
    stopping += MakeDelegate(&first, &Recorder::OnCall);
    stopping += MakeDelegate(&second, &Recorder::OnCall);
    stopping += MakeDelegate(&third, &Recorder::OnCall);
    EXPECT_FALSE(stopping.Invoke(&arg));
    EXPECT_EQ(L"1.2.", log);

    // The caller's delegate stays its own: the source keeps a clone.
    CDelegateBase* own = MakeDelegate(&third, &Recorder::OnCall).Clone();
    CEventSourceUI holder;
    holder.Add(*own);
    delete own;
    log.clear();
    EXPECT_TRUE(holder.Invoke(&arg));
    EXPECT_EQ(L"3.", log);
}

namespace {

void CountFree(void* counter)
{
    ++*static_cast<int*>(counter);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// Opens a scope well below the caller's frame and returns without closing it, as a frame does that a fault the
// platform swallows unwinds without its destructors.
__attribute__((noinline)) void LeaveScopeOpen(int depth)
{
    volatile char pad[512];
    pad[0] = static_cast<char>(depth);
    if (depth > 0)
        LeaveScopeOpen(depth - 1);
    else
        CHandlingScopeUI::Enter(CHandlingScopeUI::HANDLING, const_cast<char*>(pad));
}

} // namespace

// What waits for what: a free asked under a removal's scope runs as it closes; under a walk the application reached
// from outside any message, at the next message (the toolkit frames of that call still run); an object its owner
// freed meanwhile is not freed again; a frame that went without closing its scope keeps nothing waiting.
TEST(HandlingScope, WhatIsFreedWhen)
{
    int freed = 0;
    CHandlingScopeUI::Free(&freed, CountFree);
    EXPECT_EQ(1, freed);
    {
        CHandlingScopeUI removal(CHandlingScopeUI::CALL);
        {
            CHandlingScopeUI walk;
            CHandlingScopeUI::Free(&freed, CountFree);
        }
        EXPECT_EQ(1, freed);
    }
    EXPECT_EQ(2, freed);
    {
        CHandlingScopeUI walk;
        CHandlingScopeUI::Free(&freed, CountFree);
    }
    EXPECT_EQ(2, freed);
    PumpMessages();
    EXPECT_EQ(3, freed);
    {
        CHandlingScopeUI walk;
        CHandlingScopeUI::Free(&freed, CountFree);
        CHandlingScopeUI::Forget(&freed);
    }
    PumpMessages();
    EXPECT_EQ(3, freed);
    LeaveScopeOpen(8);
    EXPECT_TRUE(CHandlingScopeUI::IsOpen());
    CHandlingScopeUI::Free(&freed, CountFree);
    CHandlingScopeUI::AtLoopTop();
    EXPECT_FALSE(CHandlingScopeUI::IsOpen());
    EXPECT_EQ(4, freed);
}

// Entries 1 to 4 are walked twice; entry 2 acts on the list the first time it is called.
TEST(WalkList, ListenersChangingTheListWhileItIsWalked)
{
    struct Row
    {
        const char* name;
        std::function<void(CWalkListUI*&, int* entries)> act;
        std::vector<int> first, second;
    };
    const Row rows[] = {
        {"removes itself", [](CWalkListUI*& l, int* e) { l->Remove(&e[2]); }, {1, 2, 3, 4}, {1, 3, 4}},
        {"removes an earlier entry", [](CWalkListUI*& l, int* e) { l->Remove(&e[1]); }, {1, 2, 3, 4}, {2, 3, 4}},
        {"removes a later entry", [](CWalkListUI*& l, int* e) { l->Remove(&e[3]); }, {1, 2, 4}, {1, 2, 4}},
        {"adds one", [](CWalkListUI*& l, int* e) { l->Add(&e[5]); }, {1, 2, 3, 4}, {1, 2, 3, 4, 5}},
        {"removes and adds itself",
         [](CWalkListUI*& l, int* e) {
             l->Remove(&e[2]);
             l->Add(&e[2]);
         },
         {1, 2, 3, 4},
         {1, 3, 4, 2}},
        {"empties the list", [](CWalkListUI*& l, int*) { l->Empty(); }, {1, 2}, {}},
        {"destroys the list",
         [](CWalkListUI*& l, int*) {
             delete l;
             l = nullptr;
         },
         {1, 2},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int entries[6] = {0, 1, 2, 3, 4, 5};
        CWalkListUI* list = new CWalkListUI();
        for (int i = 1; i <= 4; ++i)
            list->Add(&entries[i]);
        bool acted = false;
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<int> called;
            if (list != nullptr) {
                CWalkListUI::Walk walk(*list);
                while (int* entry = static_cast<int*>(walk.Next())) {
                    called.push_back(*entry);
                    if (*entry == 2 && !acted) {
                        acted = true;
                        row.act(list, entries);
                    }
                }
            }
            EXPECT_EQ(pass == 0 ? row.first : row.second, called);
        }
        EXPECT_EQ(list != nullptr ? static_cast<int>(row.second.size()) : 0, list != nullptr ? list->Count() : 0);
        delete list;
    }

    // A list that never had an entry keeps the promise too: what a walk of it adds comes on the next walk.
    int lone = 7;
    CWalkListUI fresh;
    EXPECT_FALSE(fresh.Remove(&lone));
    EXPECT_FALSE(fresh.Contains(&lone));
    fresh.Empty();
    for (int pass = 0; pass < 2; ++pass) {
        CWalkListUI::Walk walk(fresh);
        void* reached = walk.Next();
        EXPECT_EQ(pass == 0 ? nullptr : static_cast<void*>(&lone), reached);
        if (pass == 0)
            fresh.Add(&lone);
    }
    EXPECT_EQ(1, fresh.Count());

    // The delegate lists keep the same promise: one that removes itself still lets the next one run.
    std::wstring log;
    Recorder second = {&log, L'2', true};
    CEventSourceUI source;
    struct SelfRemover
    {
        CEventSourceUI* source;
        std::wstring* log;
        bool OnCall(void*)
        {
            *log += L'1';
            *source -= MakeDelegate(this, &SelfRemover::OnCall);
            return true;
        }
    } first = {&source, &log};
    source += MakeDelegate(&first, &SelfRemover::OnCall);
    source += MakeDelegate(&second, &Recorder::OnCall);
    wchar_t arg = L'.';
    EXPECT_TRUE(source.Invoke(&arg));
    EXPECT_TRUE(source.Invoke(&arg));
    EXPECT_EQ(L"12.2.", log);
}

TEST(Geometry, JoinOffsetNormalize)
{
    CRectUI r(10, 20, 30, 60);
    EXPECT_EQ(20, r.GetWidth());
    EXPECT_EQ(40, r.GetHeight());
    CRectUI empty;
    empty.Join(r);
    EXPECT_EQ(0, empty.left);
    EXPECT_EQ(0, empty.top);
    EXPECT_EQ(30, empty.right);
    EXPECT_EQ(60, empty.bottom);
    r.Offset(5, -5);
    EXPECT_EQ(15, r.left);
    EXPECT_EQ(15, r.top);
    r.Normalize();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(20, r.right);
    EXPECT_EQ(40, r.bottom);
    r.Clear();
    EXPECT_TRUE(r.IsEmpty());
}
