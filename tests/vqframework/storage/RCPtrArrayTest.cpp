#include "vqframework/storage/RCPtrArray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace VQ {
namespace CountedListTest {

// One release as seen by the released object: which object, and the watched list at that moment.
struct ReleaseEvent {
    char id;
    int32_t countInList;
    int32_t indexInList;
    bool operator==(const ReleaseEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ReleaseEvent& e)
{
    return out << e.id << "(count " << e.countInList << ", index " << e.indexInList << ")";
}

class Tracked : public LRefCountedObject {
public:
    Tracked(char id, std::vector<ReleaseEvent>* log, const ConstRCPtrArray<Tracked>** watched)
        : m_id(id), m_log(log), m_watched(watched)
    {
    }

    int32_t Release() const override
    {
        const ConstRCPtrArray<Tracked>* list = *m_watched;
        int32_t count = list ? int32_t(list->GetCount()) : -1;
        int32_t index = -1;
        for (int32_t i = 0; i < count && index < 0; ++i)
            if (list->GetAt(uint32_t(i)).Get() == this)
                index = i;
        m_log->push_back({m_id, count, index});
        return LRefCountedObject::Release();
    }

    char GetId() const { return m_id; }

private:
    char m_id;
    std::vector<ReleaseEvent>* m_log;
    const ConstRCPtrArray<Tracked>** m_watched;
};

// Objects A, B, C, D, each held once by the fixture, so their counts start at 1.
class CountedList : public ::testing::Test {
protected:
    CountedList()
    {
        for (char id : {'A', 'B', 'C', 'D'})
            objects.push_back(new Tracked(id, &log, &watched));
    }

    const RCPtr<Tracked>& Object(char id) const { return objects[id - 'A']; }
    int32_t Count(char id) const { return Object(id)->GetRefCount(); }

    template <class L> void Load(L& list, const std::string& ids)
    {
        list.SetCount(uint32_t(ids.size()));
        for (size_t i = 0; i < ids.size(); ++i)
            if (ids[i] != '-')
                list.GetAt(uint32_t(i)) = Object(ids[i]);
    }

    // The list's elements by id, '-' for an empty slot.
    template <class L> static std::string Ids(const L& list)
    {
        std::string ids;
        for (uint32_t i = 0; i < list.GetCount(); ++i)
            ids += list.GetAt(i) ? list.GetAt(i)->GetId() : '-';
        return ids;
    }

    std::string Releases() const
    {
        std::string ids;
        for (const ReleaseEvent& e : log)
            ids += e.id;
        return ids;
    }

    std::vector<ReleaseEvent> log;
    const ConstRCPtrArray<Tracked>* watched = nullptr;
    std::vector<RCPtr<Tracked>> objects;
};

TEST_F(CountedList, ConstructionGivesEmptySlots)
{
    RCPtrArray<Tracked> three(3, 0);
    EXPECT_EQ("---", Ids(three));
    EXPECT_EQ(3u * sizeof(void*), three.GetCapacity());
    RCPtrArray<Tracked> none(0, 0);
    EXPECT_EQ(0u, none.GetCount());
    EXPECT_EQ(nullptr, none.GetData());
    // A reservation within the slack survives; one beyond it is cut back at once.
    RCPtrArray<Tracked, 16, 16> reserved(1, 17);
    EXPECT_EQ(17u * sizeof(void*), reserved.GetCapacity());
    RCPtrArray<Tracked, 16, 16> cut(1, 18);
    EXPECT_EQ(16u * sizeof(void*), cut.GetCapacity());
}

TEST_F(CountedList, EveryOperationThatStoresTakesOneReferencePerSlot)
{
    RCPtrArray<Tracked> list;
    ConstRCPtrArray<Tracked>& readOnly = list;
    EXPECT_EQ(0, list.Add(Object('A')));
    EXPECT_EQ(1, readOnly.Add(Object('B')));
    EXPECT_EQ(0, list.InsertAt(0, Object('C')));
    EXPECT_EQ("CAB", Ids(list));
    EXPECT_EQ(2, Count('A'));
    EXPECT_EQ(2, Count('C'));

    EXPECT_EQ(E_INVALIDARG, list.InsertAt(4, Object('D')));
    EXPECT_EQ(E_INVALIDARG, readOnly.InsertAt(4, Object('D')));
    EXPECT_EQ(1, Count('D'));

    EXPECT_EQ(0, list.InsertAt(0, RCPtr<Tracked>()));
    EXPECT_EQ("-CAB", Ids(list));

    RCPtrArray<Tracked> other;
    EXPECT_EQ(4, other.Assign(list));
    EXPECT_EQ(3, Count('A'));
    EXPECT_EQ(8, readOnly.Append(readOnly));
    EXPECT_EQ("-CAB-CAB", Ids(list));
    EXPECT_EQ(4, Count('A'));
    EXPECT_EQ(4, Count('B'));
}

// Emptying takes the elements out together and releases them from the back; Remove takes them from
// the front one by one, the rest still in the list.
TEST_F(CountedList, EmptyingReleasesEveryElementOnceTheNextIsOut)
{
    const std::vector<ReleaseEvent> fromTheBack = {{'C', 0, -1}, {'B', 0, -1}, {'A', 0, -1}};
    const std::vector<ReleaseEvent> fromTheFront = {{'A', 2, -1}, {'B', 1, -1}, {'C', 0, -1}};
    struct Case {
        const char* name;
        std::function<void(RCPtrArray<Tracked>&)> empty;
        const std::vector<ReleaseEvent>& expected;
    };
    const Case cases[] = {
        {"SetCount", [](RCPtrArray<Tracked>& l) { EXPECT_EQ(0, l.SetCount(0)); }, fromTheBack},
        {"Clear", [](RCPtrArray<Tracked>& l) { EXPECT_EQ(S_OK, l.Clear()); }, fromTheBack},
        {"Assign", [](RCPtrArray<Tracked>& l) { EXPECT_EQ(0, l.Assign(RCPtrArray<Tracked>())); }, fromTheBack},
        {"Remove", [](RCPtrArray<Tracked>& l) { EXPECT_EQ(0, l.Remove(0, 3)); }, fromTheFront},
        {"Destruction", [](RCPtrArray<Tracked>& l) { l.~RCPtrArray(); new (&l) RCPtrArray<Tracked>; },
         fromTheBack},
    };
    for (const Case& c : cases) {
        RCPtrArray<Tracked> list;
        Load(list, "ABC");
        log.clear();
        watched = &list;
        c.empty(list);
        watched = nullptr;
        EXPECT_EQ(c.expected, log) << c.name;
        EXPECT_EQ(0u, list.GetCount()) << c.name;
        EXPECT_EQ(1, Count('A')) << c.name;
    }
}

TEST_F(CountedList, ShrinkingReleasesTheTailFromTheBack)
{
    RCPtrArray<Tracked> list;
    Load(list, "ABCD");
    log.clear();
    watched = &list;
    EXPECT_EQ(1, list.SetCount(1));
    watched = nullptr;
    EXPECT_EQ((std::vector<ReleaseEvent>{{'D', 1, -1}, {'C', 1, -1}, {'B', 1, -1}}), log);
    EXPECT_EQ(3, list.SetCount(3));
    EXPECT_EQ("A--", Ids(list));
}

TEST_F(CountedList, RemoveItemMovesTheSlotIntoOutWithoutCounting)
{
    RCPtrArray<Tracked> list;
    Load(list, "ABC");
    RCPtr<Tracked> out = Object('D');
    log.clear();
    EXPECT_EQ(2, list.RemoveItem(1, out));
    EXPECT_EQ("D", Releases());
    EXPECT_EQ(Object('B'), out);
    EXPECT_EQ(2, Count('B'));
    EXPECT_EQ(1, Count('D'));
    EXPECT_EQ("AC", Ids(list));

    ConstRCPtrArray<Tracked>& readOnly = list;
    ConstRCPtr<Tracked> constOut = Object('D');
    EXPECT_EQ(1, readOnly.RemoveItem(0, constOut));
    EXPECT_EQ(Object('A'), constOut);
    EXPECT_EQ(2, Count('A'));
    EXPECT_EQ("C", Ids(list));
}

TEST_F(CountedList, RemoveItemPastTheEndThrowsWithTheFaceInTheMessage)
{
    RCPtrArray<Tracked> list;
    Load(list, "AB");
    ConstRCPtrArray<Tracked>& readOnly = list;
    RCPtr<Tracked> out = Object('D');
    ConstRCPtr<Tracked> constOut = Object('D');
    const std::string constName = "VQ::ConstRCPtrArray<VQ::CountedListTest::Tracked, 1, 0>::RemoveItem";
    const std::string writableName = "VQ::RCPtrArray<VQ::CountedListTest::Tracked, 1, 0>::RemoveItem";
    log.clear();

    struct Case {
        std::function<void()> call;
        std::string message;
    };
    const Case cases[] = {
        {[&] { list.RemoveItem(2, out); },
         "Out of Range : " + writableName + " : vqframework/storage/RCPtrArray\\.h : Line [0-9]+"},
        {[&] { readOnly.RemoveItem(2, constOut); },
         "Out of Range : " + constName + " : vqframework/storage/ConstRCPtrArray\\.h : Line [0-9]+"},
        {[&] { list.RemoveItem(uint32_t(-1), out); },
         "Out of Range : " + writableName + " : vqframework/storage/RCPtrArray\\.h : Line [0-9]+"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const Exception<std::out_of_range>& e) {
            EXPECT_THAT(e.what(), ::testing::MatchesRegex(c.message));
        }
    }
    EXPECT_EQ("AB", Ids(list));
    EXPECT_EQ(Object('D'), out);
    EXPECT_EQ(Object('D'), constOut);
    EXPECT_EQ("", Releases());
}

TEST_F(CountedList, RemovePastTheEndRemovesNothingAndThrowsTheReadOnlyException)
{
    RCPtrArray<Tracked> list;
    Load(list, "ABC");
    ConstRCPtrArray<Tracked>& readOnly = list;
    log.clear();
    const std::string message = "Out of Range : VQ::ConstRCPtrArray<VQ::CountedListTest::Tracked, 1, 0>::RemoveItem : "
                                "vqframework/storage/ConstRCPtrArray\\.h : Line [0-9]+";
    struct Case {
        uint32_t index;
        uint32_t n;
    };
    for (Case c : {Case{1, 5}, Case{3, 1}, Case{0, uint32_t(-1)}, Case{uint32_t(-1), 2}}) {
        IArray<RCPtr<Tracked>>* const faces[] = {&list, nullptr};
        for (IArray<RCPtr<Tracked>>* face : faces) {
            try {
                if (face)
                    face->Remove(c.index, c.n);
                else
                    readOnly.Remove(c.index, c.n);
                ADD_FAILURE() << "no exception for " << c.index << ", " << c.n;
            } catch (const Exception<std::out_of_range>& e) {
                EXPECT_THAT(e.what(), ::testing::MatchesRegex(message));
            }
        }
    }
    EXPECT_EQ("ABC", Ids(list));
    EXPECT_EQ("", Releases());
    EXPECT_EQ(3, list.Remove(7, 0));
}

TEST_F(CountedList, RemoveLastEmptiesOutFirst)
{
    RCPtrArray<Tracked> list;
    RCPtr<Tracked> out = Object('D');
    EXPECT_EQ(E_FAIL, list.RemoveLast(out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(1, Count('D'));

    Load(list, "AB");
    out = Object('D');
    log.clear();
    EXPECT_EQ(1, list.RemoveLast(out));
    EXPECT_EQ(Object('B'), out);
    EXPECT_EQ(2, Count('B'));
    EXPECT_EQ("D", Releases());
    EXPECT_EQ("A", Ids(list));

    ConstRCPtrArray<Tracked>& readOnly = list;
    ConstRCPtr<Tracked> constOut;
    EXPECT_EQ(0, readOnly.RemoveLast(constOut));
    EXPECT_EQ(Object('A'), constOut);
    EXPECT_EQ(2, Count('A'));
}

TEST_F(CountedList, MovesInsideTheListChangeNoCount)
{
    RCPtrArray<Tracked> list;
    Load(list, "ABC");
    ConstRCPtrArray<Tracked>& readOnly = list;
    log.clear();
    EXPECT_EQ(5, list.InsertSpace(1, 2));
    EXPECT_EQ("A--BC", Ids(list));
    EXPECT_EQ(3, list.Remove(1, 2));
    EXPECT_EQ(S_OK, list.Swap(0, 2));
    EXPECT_EQ("CBA", Ids(list));
    EXPECT_EQ(S_OK, readOnly.Swap(0, 2));
    EXPECT_EQ("ABC", Ids(list));
    EXPECT_EQ(E_INVALIDARG, list.Swap(0, 3));
    EXPECT_EQ(E_INVALIDARG, readOnly.Swap(3, 0));
    EXPECT_EQ("ABC", Ids(list));
    EXPECT_EQ("", Releases());
    for (char id : {'A', 'B', 'C'})
        EXPECT_EQ(2, Count(id)) << id;
    EXPECT_EQ(3, list.InsertSpace(9, 0));
    EXPECT_EQ(3, list.InsertSpace(0, 0));
}

// Private to its one holder: taking a second reference takes a copy instead.
class LPrivate : public LRefCountedObject {
public:
    RCPtr<LRefCountedObject> CreateCopy() const override { return RCPtr<LRefCountedObject>(new LPrivate); }
};

// Private to its one holder, and no memory left for a copy.
class LUncopyable : public LRefCountedObject {
public:
    RCPtr<LRefCountedObject> CreateCopy() const override { throw Exception<std::bad_alloc>(); }
};

// A list whose second element cannot be copied: appending it copies the first, then fails.
void LoadWithUncopyable(RCPtrArray<LUncopyable>& source, const RCPtr<LUncopyable>& first)
{
    RCPtr<LUncopyable> value = new LUncopyable;
    value->SetUnshareable(true);
    source.SetCount(2);
    source.GetAt(0u) = first;
    source.GetAt(1u) = std::move(value);
}

TEST(CountedListInsert, FailedCopyOfAnUnshareableValueLeavesTheListAsItWas)
{
    using List = RCPtrArray<LUncopyable>;
    using ReadOnly = ConstRCPtrArray<LUncopyable>;
    struct Case {
        const char* name;
        std::function<void(List&, const RCPtr<LUncopyable>&)> insert;
    };
    const Case cases[] = {
        {"InsertAt", [](List& l, const auto& v) { l.InsertAt(0, v); }},
        {"InsertAtTheEnd", [](List& l, const auto& v) { l.InsertAt(1, v); }},
        {"Add", [](List& l, const auto& v) { l.Add(v); }},
        {"ReadOnlyInsertAt", [](List& l, const auto& v) { static_cast<ReadOnly&>(l).InsertAt(0, v); }},
        {"ReadOnlyAdd", [](List& l, const auto& v) { static_cast<ReadOnly&>(l).Add(v); }},
        {"Append",
         [](List& l, const auto&) {
             List source;
             LoadWithUncopyable(source, l.GetAt(0u));
             l.Append(source);
         }},
        {"ReadOnlyAppend",
         [](List& l, const auto&) {
             List source;
             LoadWithUncopyable(source, l.GetAt(0u));
             static_cast<ReadOnly&>(l).Append(static_cast<const ReadOnly&>(source));
         }},
        {"Assign",
         [](List& l, const auto&) {
             List source;
             LoadWithUncopyable(source, l.GetAt(0u));
             l.Assign(source);
         }},
        {"ReadOnlyAssign",
         [](List& l, const auto&) {
             List source;
             LoadWithUncopyable(source, l.GetAt(0u));
             static_cast<ReadOnly&>(l).Assign(static_cast<const ReadOnly&>(source));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        List list;
        RCPtr<LUncopyable> kept = new LUncopyable;
        list.Add(kept);
        RCPtr<LUncopyable> value = new LUncopyable;
        value->SetUnshareable(true);
        EXPECT_THROW(c.insert(list, value), std::bad_alloc);
        EXPECT_EQ(1u, list.GetCount());
        EXPECT_EQ(kept, list.GetAt(0u));
        EXPECT_EQ(1, value->GetRefCount());
    }
}

TEST(CountedListSwap, UnshareableElementsChangePlacesNotIdentity)
{
    RCPtrArray<LPrivate> list(2, 0);
    RCPtr<LPrivate> first = new LPrivate;
    RCPtr<LPrivate> second = new LPrivate;
    first->SetUnshareable(true);
    second->SetUnshareable(true);
    const LPrivate* const a = first.Get();
    const LPrivate* const b = second.Get();
    list.GetAt(0u) = std::move(first);
    list.GetAt(1u) = std::move(second);
    EXPECT_EQ(S_OK, list.Swap(0, 1));
    EXPECT_EQ(b, list.GetAt(0u).Get());
    EXPECT_EQ(a, list.GetAt(1u).Get());
    EXPECT_EQ(1, list.GetAt(0u)->GetRefCount());
    EXPECT_EQ(1, list.GetAt(1u)->GetRefCount());
}

TEST_F(CountedList, FindComparesIdentity)
{
    RCPtrArray<Tracked> list;
    Load(list, "A-B");
    RCPtr<Tracked> twin = new Tracked('A', &log, &watched);
    EXPECT_EQ(0, list.Find(Object('A')));
    EXPECT_EQ(2, list.Find(Object('B')));
    EXPECT_EQ(1, list.Find(RCPtr<Tracked>()));
    EXPECT_EQ(-1, list.Find(twin));
    EXPECT_EQ(-1, list.Find(Object('C')));
    const ConstRCPtrArray<Tracked>& readOnly = list;
    EXPECT_EQ(2, readOnly.Find(ConstRCPtr<Tracked>(Object('B'))));
}

TEST_F(CountedList, StorageIsExactlyTheCountForGranuleOne)
{
    RCPtrArray<Tracked> list;
    for (int i = 0; i < 5; ++i) {
        list.Add(Object('A'));
        EXPECT_EQ(list.GetCount() * sizeof(void*), list.GetCapacity());
    }
    list.InsertSpace(2, 3);
    EXPECT_EQ(list.GetCount() * sizeof(void*), list.GetCapacity());
    while (list.GetCount() > 0) {
        RCPtr<Tracked> out;
        list.RemoveItem(0, out);
        EXPECT_EQ(list.GetCount() * sizeof(void*), list.GetCapacity());
    }
    EXPECT_EQ(nullptr, list.GetData());
}

// Taking out one slot at a time cost a copy of the rest each time.
TEST_F(CountedList, EmptyingALargeListTakesLinearTime)
{
    for (const uint32_t kept : {0u, 1u, 100000u}) {
        SCOPED_TRACE(kept);
        RCPtrArray<Tracked> list;
        ASSERT_EQ(200000, list.SetCount(200000));
        for (uint32_t i = 0; i < list.GetCount(); ++i)
            list.GetAt(i) = Object(i % 2 ? 'A' : 'B');
        EXPECT_EQ(int32_t(kept), list.SetCount(kept));
        EXPECT_EQ(1 + int32_t(kept + 1) / 2, Count('B'));
        EXPECT_EQ(1 + int32_t(kept / 2), Count('A'));
    }
    EXPECT_EQ(1, Count('A'));
}

TEST_F(CountedList, EmptiedListKeepsStorageWithinItsReserve)
{
    RCPtrArray<Tracked, 16, 16> sixteen;
    RCPtrArray<Tracked, 256, 256> big;
    sixteen.SetCount(17);
    big.SetCount(257);
    EXPECT_EQ(32u * sizeof(void*), sixteen.GetCapacity());
    EXPECT_EQ(512u * sizeof(void*), big.GetCapacity());
    sixteen.Clear();
    big.Clear();
    EXPECT_EQ(16u * sizeof(void*), sixteen.GetCapacity());
    EXPECT_EQ(256u * sizeof(void*), big.GetCapacity());
    EXPECT_EQ(0u, sixteen.GetSize());
}

TEST_F(CountedList, GrowthPastTheByteRangeFailsWithoutChange)
{
    RCPtrArray<Tracked> list;
    Load(list, "AB");
    EXPECT_EQ(2, list.SetCount(0x40000000));
    EXPECT_EQ(E_FAIL, list.InsertSpace(0, 0x7FFFFFFF));
    EXPECT_EQ(E_FAIL, list.InsertSpace(1, 0x20000000));
    EXPECT_EQ(E_FAIL, list.InsertSpace(2, 0x20000000));
    EXPECT_EQ("AB", Ids(list));
}

TEST_F(CountedList, SharedListIsOneCountedTaggableObject)
{
    RCPtr<LRCPtrArray<Tracked>> looks = LRCPtrArray<Tracked>::Create(4, 0);
    EXPECT_EQ(1, looks->GetRefCount());
    EXPECT_EQ("----", Ids(*looks));
    looks->GetAt(1) = Object('A');
    looks->GetAt(3) = Object('B');
    looks->SetTag(Object('C'));
    RCPtr<LRCPtrArray<Tracked>> second = looks;
    EXPECT_THROW(second.Unshare(), std::logic_error);
    second.Release();
    log.clear();
    looks.Release();
    EXPECT_EQ("BAC", Releases());
    for (char id : {'A', 'B', 'C'})
        EXPECT_EQ(1, Count(id)) << id;
}

// A child whose destructor removes the last element of the list that holds it, as a child that
// takes a dependent sibling out of its parent's list when it goes.
class Leaver : public LRefCountedObject {
public:
    Leaver(int* alive, ConstRCPtrArray<Leaver>** list) : m_alive(alive), m_list(list) { ++*m_alive; }
    ~Leaver() override
    {
        --*m_alive;
        if (ConstRCPtrArray<Leaver>* list = *m_list; list && list->GetCount() > 0)
            list->Remove(list->GetCount() - 1, 1);
    }

private:
    int* m_alive;
    ConstRCPtrArray<Leaver>** m_list;
};

TEST(CountedListReentry, ReleaseThatShrinksTheListIsNeverReadPast)
{
    struct Case {
        const char* name;
        uint32_t count;
        // Ranges that the releases cut short throw; emptying reaches its goal and does not.
        bool throws;
        std::function<void(std::unique_ptr<RCPtrArray<Leaver>>&, RCPtr<Leaver>& out)> call;
    };
    const Case cases[] = {
        {"Remove", 2, true, [](auto& l, auto&) { l->Remove(0, 2); }},
        {"RemoveLong", 5, true, [](auto& l, auto&) { l->Remove(0, 5); }},
        {"RemoveFromTheMiddle", 4, true, [](auto& l, auto&) { l->Remove(1, 3); }},
        {"RemoveItem", 2, true, [](auto& l, auto& out) { l->RemoveItem(1, out); }},
        {"ReadOnlyRemoveItem", 2, true,
         [](auto& l, auto& out) {
             ConstRCPtr<Leaver> constOut = out;
             out.Release();
             static_cast<ConstRCPtrArray<Leaver>&>(*l).RemoveItem(1, constOut);
         }},
        {"SetCount", 5, false, [](auto& l, auto&) { EXPECT_EQ(0, l->SetCount(0)); }},
        {"Shrink", 5, false, [](auto& l, auto&) { EXPECT_EQ(0, l->SetCount(2)); }},
        {"Clear", 5, false, [](auto& l, auto&) { EXPECT_EQ(S_OK, l->Clear()); }},
        {"Assign", 5, false, [](auto& l, auto&) { EXPECT_EQ(0, l->Assign(RCPtrArray<Leaver>())); }},
        {"Destruction", 5, false, [](auto& l, auto&) { l.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int alive = 0;
        ConstRCPtrArray<Leaver>* watched = nullptr;
        auto list = std::make_unique<RCPtrArray<Leaver>>();
        for (uint32_t i = 0; i < c.count; ++i)
            list->Add(new Leaver(&alive, &watched));
        // out's own release, the first one RemoveItem makes, takes the list's last element.
        RCPtr<Leaver> out = new Leaver(&alive, &watched);
        watched = list.get();
        if (c.throws)
            EXPECT_THROW(c.call(list, out), std::out_of_range);
        else
            EXPECT_NO_THROW(c.call(list, out));
        watched = nullptr;
        out.Release();
        // Each destructor takes the next element with it, so every release empties the list.
        EXPECT_EQ(0u, list ? list->GetCount() : 0u);
        list.reset();
        EXPECT_EQ(0, alive);
    }
}

// A node with a list of its own, so that a list can take over the children of one of its elements.
class LBranch : public LRefCountedObject {
public:
    explicit LBranch(int* alive) : m_alive(alive) { ++*m_alive; }
    ~LBranch() override { --*m_alive; }

    RCPtrArray<LBranch> children;

private:
    int* m_alive;
};

TEST(CountedListReentry, AssignFromTheListOfAnElementThatTheEmptyingReleases)
{
    for (bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "ReadOnlyFace" : "WritableFace");
        int alive = 0;
        {
            RCPtrArray<LBranch> list;
            RCPtr<LBranch> child = new LBranch(&alive);
            child->children.Add(new LBranch(&alive));
            child->children.Add(new LBranch(&alive));
            const LBranch* first = child->children.GetAt(0u).Get();
            const LBranch* second = child->children.GetAt(1u).Get();
            list.Add(child);
            // The list holds the child's only reference: emptying the list deletes the source.
            child.Release();
            RCPtrArray<LBranch>& source = list.GetAt(0u)->children;
            const int32_t result =
                readOnly ? static_cast<ConstRCPtrArray<LBranch>&>(list).Assign(static_cast<ConstRCPtrArray<LBranch>&>(source))
                         : list.Assign(source);
            EXPECT_EQ(2, result);
            EXPECT_EQ(2, alive);
            ASSERT_EQ(2u, list.GetCount());
            EXPECT_EQ(first, list.GetAt(0u).Get());
            EXPECT_EQ(second, list.GetAt(1u).Get());
            EXPECT_EQ(1, first->GetRefCount());
            EXPECT_EQ(1, second->GetRefCount());
        }
        EXPECT_EQ(0, alive);
    }
}

TEST(CountedListDeathTest, UncheckedIndexAccessPastTheEndAssertsInDebugBuilds)
{
    RCPtrArray<Tracked> list(2, 0);
    const ConstRCPtrArray<Tracked>& readOnly = list;
    EXPECT_DEBUG_DEATH(list.GetAt(2u), "index < GetCount");
    EXPECT_DEBUG_DEATH(readOnly.GetAt(uint32_t(-1)), "index < GetCount");
}

} // namespace CountedListTest
} // namespace VQ
