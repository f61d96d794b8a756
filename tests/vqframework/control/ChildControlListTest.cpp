#include "tests/vqframework/control/ControlTestSupport.h"

#include "vqframework/objectbase/Exception.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace VQ::Testing {
namespace {

using List = LControl::ChildControlList;
using Names = std::vector<std::u16string>;

// A parent that records the removals it is told of.
class RecordingControl : public TestControl {
public:
    using TestControl::TestControl;

    void OnChildRemoved(const RCPtr<LControl>& child, int32_t index) override
    {
        removals.emplace_back(std::u16string(child->GetName().View()), index);
    }

    std::vector<std::pair<std::u16string, int32_t>> removals;
};

// Builds itself from the descriptor, then fails: its base has joined the parent by then.
class ThrowingControl : public TestControl {
public:
    ThrowingControl(const RCPtr<LControl>& parent, const String& name, const RCPtr<LControlDescriptor>& descriptor)
        : TestControl(parent, name)
    {
        CreateFromDescriptor(descriptor);
        throw std::runtime_error("construction failed");
    }
};

class ChildListTest : public ::testing::Test {
protected:
    ChildListTest() { LControl::Create<RecordingControl>(m_root, {}, MakeDescriptor(u"root")); }

    RCPtr<LControl> Make(const char16_t* name, const RCPtr<LControl>& parent)
    {
        RCPtr<LControl> control;
        LControl::Create<TestControl>(control, parent, MakeDescriptor(name));
        return control;
    }
    RCPtr<LControl> Child(const char16_t* name) { return Make(name, m_root); }

    static Names Order(const LControl& parent, int32_t order)
    {
        Names names;
        const List& list = parent.GetChildren();
        for (uint32_t i = 0; i < list.GetCount(); ++i)
            names.emplace_back(list.GetAt(i, order)->GetName().View());
        return names;
    }
    RecordingControl& Root() { return static_cast<RecordingControl&>(*m_root); }

    ControlTestApplication m_app;
    RCPtr<LControl> m_root;
};

TEST_F(ChildListTest, ZOrderPutsNonClippingThenDockedChildrenAbove)
{
    struct Case {
        const char16_t* name;
        bool clips;
        bool dockedX;
        bool dockedY;
        int32_t zOrder;
    };
    const Case cases[] = {
        {u"a", true, false, false, 5},   {u"b", true, false, false, 0}, {u"c", false, false, false, -10},
        {u"d", true, true, false, -100}, {u"e", true, false, false, 0}, {u"f", true, true, true, -200},
        {u"g", true, false, true, -100}, {u"h", false, true, true, -50},
    };
    for (const Case& c : cases) {
        const RCPtr<LControl> child = Child(c.name);
        child->GetLayout()->XIsDocked = c.dockedX;
        child->GetLayout()->YIsDocked = c.dockedY;
        child->GetLayout()->Z_Order = c.zOrder;
        child->SetClipToParent(c.clips);
    }
    m_root->GetChildren().Touch();

    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"b", u"e", u"a", u"d", u"g", u"f", u"c", u"h"}));
    EXPECT_EQ(Order(*m_root, List::OrderInsertion), (Names{u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h"}));
}

TEST_F(ChildListTest, TabOrderSortsByTabStopWithInsertionTies)
{
    const std::pair<const char16_t*, int32_t> stops[] = {{u"a", 3}, {u"b", 1}, {u"c", -1}, {u"d", 1}, {u"e", 0}};
    for (const auto& [name, stop] : stops)
        Child(name)->GetLayout()->TabStop = stop;
    m_root->GetChildren().Touch();

    EXPECT_EQ(Order(*m_root, List::OrderTab), (Names{u"c", u"e", u"b", u"d", u"a"}));
}

TEST_F(ChildListTest, OrdersAreSortedAgainOnlyAfterTheListOrAKeyChangedThroughIt)
{
    const RCPtr<LControl> a = Child(u"a");
    const RCPtr<LControl> b = Child(u"b");
    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"a", u"b"}));

    // A key written straight into the layout is not seen until the list is told.
    a->GetLayout()->Z_Order = 1;
    a->GetLayout()->TabStop = 1;
    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"a", u"b"}));
    EXPECT_EQ(Order(*m_root, List::OrderTab), (Names{u"a", u"b"}));
    const int32_t count = m_root->GetChildren().GetModificationCount();
    m_root->GetChildren().Touch();
    EXPECT_EQ(m_root->GetChildren().GetModificationCount(), count + 1);
    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"b", u"a"}));
    EXPECT_EQ(Order(*m_root, List::OrderTab), (Names{u"b", u"a"}));

    // Changing the clipping goes through the parent's list.
    b->SetClipToParent(false);
    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"a", u"b"}));

    // Adding and removing re-sort too.
    const RCPtr<LControl> c = Child(u"c");
    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"c", u"a", u"b"}));
    EXPECT_EQ(Order(*m_root, List::OrderTab), (Names{u"b", u"c", u"a"}));
    m_root->GetChildren().Remove(a);
    EXPECT_EQ(Order(*m_root, List::OrderZ), (Names{u"c", u"b"}));
}

TEST_F(ChildListTest, AddRefusesEmptyAndTakenNamesButNotOtherCase)
{
    List& list = m_root->GetChildren();
    const RCPtr<LControl> a = Child(u"a");
    const int32_t cyclic = m_root->GetCyclicCount();
    const int32_t modifications = list.GetModificationCount();

    EXPECT_EQ(list.Add(RCPtr<LControl>()), E_INVALIDARG);
    const RCPtr<LControl> twin = Make(u"a", {});
    EXPECT_EQ(list.Add(twin), E_FAIL);
    EXPECT_FALSE(twin->GetParent());
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(m_root->GetCyclicCount(), cyclic);
    EXPECT_EQ(list.GetModificationCount(), modifications);

    const RCPtr<LControl> upper = Make(u"A", {});
    EXPECT_EQ(list.Add(upper), S_OK);
    EXPECT_EQ(upper->GetParent(), m_root);
    EXPECT_EQ(m_root->GetCyclicCount(), cyclic + 1);
    EXPECT_EQ(list.GetModificationCount(), modifications + 1);
    EXPECT_EQ(Order(*m_root, List::OrderInsertion), (Names{u"a", u"A"}));
}

TEST_F(ChildListTest, AddRefusesAControlWithAParentOrOneThatWouldCloseACycle)
{
    const RCPtr<LControl> p = Child(u"p");
    const RCPtr<LControl> q = Make(u"q", p);
    const RCPtr<LControl> other = Make(u"other", {});
    const RCPtr<LControl> elsewhere = Make(u"elsewhere", other);
    const RCPtr<LControl> alone = Make(u"alone", {});
    alone->SetClipToParent(false);
    m_root->SetClipToParent(false);
    struct Case {
        const char* what;
        RCPtr<LControl> owner;
        RCPtr<LControl> child;
    };
    const Case cases[] = {
        {"a child of another control", q, elsewhere},
        {"a child of the owner", p, q},
        {"the owner's parentless ancestor", q, m_root},
        {"the owner itself", alone, alone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        List& list = c.owner->GetChildren();
        const RCPtr<LControl> parent = c.child->GetParent();
        const uint32_t count = list.GetCount();
        const int32_t cyclic = c.owner->GetCyclicCount();
        const int32_t modifications = list.GetModificationCount();
        const int32_t overflow = c.owner->GetOverflowCount();

        EXPECT_EQ(list.Add(c.child), E_INVALIDARG);
        EXPECT_EQ(c.child->GetParent(), parent);
        EXPECT_EQ(list.GetCount(), count);
        EXPECT_EQ(c.owner->GetCyclicCount(), cyclic);
        EXPECT_EQ(list.GetModificationCount(), modifications);
        EXPECT_EQ(c.owner->GetOverflowCount(), overflow);
    }
    EXPECT_EQ(m_root->GetChildren().GetCount(), 1u);
    EXPECT_EQ(elsewhere->GetParent(), other);
}

// The failed control's entry goes without a release and without telling the parent of a control
// half destroyed; the fixture's release of the root then finds a sound tree.
TEST_F(ChildListTest, AConstructorThatThrowsAfterJoiningLeavesNoEntryBehind)
{
    RCPtr<LControl> parent;
    LControl::Create<RecordingControl>(parent, m_root, MakeDescriptor(u"parent"));
    const int32_t cyclic = parent->GetCyclicCount();
    const int32_t modifications = parent->GetChildren().GetModificationCount();
    const RCPtr<LControlDescriptor> descriptor = MakeDescriptor(u"failing");
    descriptor->GetLayout()->ClipToParent = false;

    RCPtr<LControl> made;
    EXPECT_THROW(made = RCPtr<LControl>(new ThrowingControl(parent, LControl::String(u"failing"), descriptor)),
                 std::runtime_error);
    EXPECT_FALSE(made);
    EXPECT_EQ(parent->GetChildren().GetCount(), 0u);
    EXPECT_FALSE(parent->FindChild(LControl::String(u"failing")));
    EXPECT_EQ(parent->GetCyclicCount(), cyclic);
    EXPECT_GT(parent->GetChildren().GetModificationCount(), modifications);
    EXPECT_EQ(parent->GetOverflowCount(), 0);
    EXPECT_EQ(m_root->GetOverflowCount(), 0);
    EXPECT_TRUE(static_cast<RecordingControl&>(*parent).removals.empty());

    // The name is free again.
    EXPECT_EQ(Make(u"failing", parent)->GetParent(), parent);
}

TEST_F(ChildListTest, ConstructorWithATakenNameLeavesTheControlWithoutParent)
{
    const RCPtr<LControl> a = Child(u"a");
    const int32_t cyclic = m_root->GetCyclicCount();

    const RCPtr<LControl> twin = Child(u"a");
    ASSERT_TRUE(twin);
    EXPECT_FALSE(twin->GetParent());
    EXPECT_EQ(twin->GetRefCount(), 1);
    EXPECT_EQ(m_root->GetChildren().GetCount(), 1u);
    EXPECT_EQ(m_root->FindChild(LControl::String(u"a")), a);
    EXPECT_EQ(m_root->GetCyclicCount(), cyclic);
}

// The queued controls close before the name is checked, so a child on its way out frees its name.
TEST_F(ChildListTest, ConstructorTakesTheNameOfAChildQueuedForClosing)
{
    const RCPtr<LControl> old = Child(u"a");
    ASSERT_EQ(m_root->RemoveChildLater(old), S_OK);

    const RCPtr<LControl> fresh = Child(u"a");
    EXPECT_EQ(fresh->GetParent(), m_root);
    EXPECT_FALSE(old->GetParent());
    EXPECT_EQ(m_root->FindChild(LControl::String(u"a")), fresh);
    EXPECT_EQ(m_root->GetChildren().GetCount(), 1u);
}

TEST_F(ChildListTest, RemoveReportsTheFormerIndexToTheParent)
{
    List& list = m_root->GetChildren();
    const RCPtr<LControl> a = Child(u"a");
    const RCPtr<LControl> b = Child(u"b");
    const RCPtr<LControl> c = Child(u"c");
    const int32_t cyclic = m_root->GetCyclicCount();

    EXPECT_EQ(list.Remove(Make(u"x", {})), -1);
    EXPECT_EQ(list.Remove(RCPtr<LControl>()), -1);
    EXPECT_TRUE(Root().removals.empty());

    EXPECT_EQ(list.Remove(b), 1);
    EXPECT_FALSE(b->GetParent());
    EXPECT_EQ(m_root->GetCyclicCount(), cyclic - 1);
    EXPECT_EQ(Order(*m_root, List::OrderInsertion), (Names{u"a", u"c"}));
    EXPECT_EQ(list.Remove(b), -1);

    EXPECT_EQ(list.RemoveAll(), 0);
    EXPECT_EQ(list.RemoveAll(), 1);
    using Removal = std::pair<std::u16string, int32_t>;
    EXPECT_EQ(Root().removals, (std::vector<Removal>{{u"b", 1}, {u"c", 1}, {u"a", 0}}));
    EXPECT_EQ(m_root->GetCyclicCount(), cyclic - 3);
    EXPECT_FALSE(a->GetParent());
    EXPECT_FALSE(c->GetParent());
}

TEST_F(ChildListTest, RemovingAChildOnlyTheListHeldFreesIt)
{
    Child(u"a");
    Child(u"b");
    const RCPtr<LControl> b = m_root->FindChild(LControl::String(u"b"));
    ASSERT_TRUE(b);
    EXPECT_EQ(m_root->GetChildren().Remove(m_root->GetChildren().GetAt(0, List::OrderInsertion)), 0);
    EXPECT_EQ(m_root->GetChildren().GetCount(), 1u);
    EXPECT_EQ(b->GetRefCount(), 2);
}

TEST_F(ChildListTest, RenameChildRenamesReferencesOfLaterSiblingsOnly)
{
    List& list = m_root->GetChildren();
    const RCPtr<LControl> before = Child(u"before");
    const RCPtr<LControl> b = Child(u"b");
    const RCPtr<LControl> after = Child(u"after");
    for (const RCPtr<LControl>& sibling : {before, after}) {
        LLayoutDescriptor& layout = *sibling->GetLayout();
        layout.XPosition.kind = ReferencePositionNamed;
        layout.XPosition.name = LControl::String(u"b");
        layout.YSize.kind = ReferenceSizeNamed;
        layout.YSize.name = LControl::String(u"b");
    }

    EXPECT_EQ(list.RenameChild(b, LControl::String(u"b")), 1);
    EXPECT_EQ(list.RenameChild(b, LControl::String(u"after")), E_FAIL);
    EXPECT_EQ(list.RenameChild(Make(u"x", {}), LControl::String(u"y")), E_INVALIDARG);
    EXPECT_EQ(list.RenameChild(RCPtr<LControl>(), LControl::String(u"y")), E_INVALIDARG);
    EXPECT_EQ(b->GetName(), u"b");
    EXPECT_EQ(after->GetLayout()->XPosition.name, u"b");

    EXPECT_EQ(list.RenameChild(b, LControl::String(u"renamed")), S_OK);
    EXPECT_EQ(b->GetName(), u"renamed");
    EXPECT_EQ(m_root->FindChild(LControl::String(u"renamed")), b);
    EXPECT_FALSE(m_root->FindChild(LControl::String(u"b")));
    EXPECT_EQ(after->GetLayout()->XPosition.name, u"renamed");
    EXPECT_EQ(after->GetLayout()->YSize.name, u"renamed");
    EXPECT_EQ(before->GetLayout()->XPosition.name, u"b");
    EXPECT_EQ(before->GetLayout()->YSize.name, u"b");
}

TEST_F(ChildListTest, FindChildComparesNamesExactly)
{
    const RCPtr<LControl> a = Child(u"a");
    const RCPtr<LControl> upper = Child(u"A");
    EXPECT_EQ(m_root->FindChild(LControl::String(u"a")), a);
    EXPECT_EQ(m_root->FindChild(LControl::String(u"A")), upper);
    EXPECT_FALSE(m_root->FindChild(LControl::String(u"a ")));
    EXPECT_EQ(&m_root->FindChild(LControl::String(u"missing")), &RCPtr<LControl>::Null);
}

TEST_F(ChildListTest, GetAtThrowsRuntimeErrorsForBadIndexOrOrder)
{
    Child(u"a");
    Child(u"b");
    List& list = m_root->GetChildren();
    const List& constList = list;

    const auto expectError = [](const auto& access) {
        try {
            access();
            ADD_FAILURE() << "no exception";
        } catch (const Exception<std::runtime_error>& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("Runtime Error", 0), 0u) << message;
            EXPECT_NE(message.find("VQ::LControl::ChildControlList::GetAt"), std::string::npos) << message;
        }
    };
    for (int32_t order : {List::OrderInsertion, List::OrderZ, List::OrderTab}) {
        expectError([&] { list.GetAt(2, order); });
        expectError([&] { constList.GetAt(2, order); });
        EXPECT_NO_THROW(list.GetAt(1, order));
    }
    for (int32_t order : {-1, 3}) {
        expectError([&] { list.GetAt(0, order); });
        expectError([&] { constList.GetAt(0, order); });
    }
    list.RemoveAll();
    expectError([&] { list.GetAt(0, List::OrderZ); });
}

TEST_F(ChildListTest, OverflowCountsFollowNonClippingDescendantsOnEveryAncestor)
{
    const RCPtr<LControl> p = Child(u"p");
    const RCPtr<LControl> q = Make(u"q", p);
    // A detached non-clipping subtree: x with two non-clipping descendants.
    const RCPtr<LControl> x = Make(u"x", {});
    const RCPtr<LControl> y = Make(u"y", x);
    const RCPtr<LControl> z = Make(u"z", y);
    y->SetClipToParent(false);
    z->SetClipToParent(false);
    x->SetClipToParent(false);
    EXPECT_EQ(x->GetOverflowCount(), 2);
    EXPECT_EQ(y->GetOverflowCount(), 1);

    EXPECT_EQ(x->SetParent(q), S_OK);
    EXPECT_EQ(q->GetOverflowCount(), 3);
    EXPECT_EQ(p->GetOverflowCount(), 3);
    EXPECT_EQ(m_root->GetOverflowCount(), 3);

    // A clipping sibling adds nothing; moving the subtree up takes it off q only.
    Make(u"clipping", q);
    EXPECT_EQ(x->SetParent(p), S_OK);
    EXPECT_EQ(q->GetOverflowCount(), 0);
    EXPECT_EQ(p->GetOverflowCount(), 3);
    EXPECT_EQ(m_root->GetOverflowCount(), 3);

    z->SetClipToParent(true);
    EXPECT_EQ(p->GetOverflowCount(), 2);
    EXPECT_EQ(m_root->GetOverflowCount(), 2);

    EXPECT_EQ(p->GetChildren().Remove(x), 1);
    EXPECT_EQ(p->GetOverflowCount(), 0);
    EXPECT_EQ(m_root->GetOverflowCount(), 0);
    EXPECT_EQ(x->GetOverflowCount(), 1);
}

TEST_F(ChildListTest, SetParentMovesTheControlBetweenParents)
{
    const RCPtr<LControl> other = Make(u"other", {});
    LControl* moved = Child(u"moved").Get();
    const int32_t rootCyclic = m_root->GetCyclicCount();
    const int32_t otherCyclic = other->GetCyclicCount();

    EXPECT_EQ(moved->SetParent(m_root), 1);
    // Only the old parent's list holds the control while it moves.
    EXPECT_EQ(moved->SetParent(other), S_OK);
    EXPECT_EQ(Root().removals, (std::vector<std::pair<std::u16string, int32_t>>{{u"moved", 0}}));
    EXPECT_EQ(other->FindChild(LControl::String(u"moved")).Get(), moved);
    EXPECT_EQ(moved->GetParent(), other);
    EXPECT_EQ(m_root->GetCyclicCount(), rootCyclic - 1);
    EXPECT_EQ(other->GetCyclicCount(), otherCyclic + 1);

    const RCPtr<LControl> held(moved);
    EXPECT_EQ(held->SetParent({}), S_OK);
    EXPECT_FALSE(held->GetParent());
    EXPECT_EQ(other->GetChildren().GetCount(), 0u);

    // A parent that refuses the control leaves it without one.
    Child(u"taken");
    const RCPtr<LControl> taken = Make(u"taken", {});
    EXPECT_EQ(taken->SetParent(m_root), S_OK);
    EXPECT_FALSE(taken->GetParent());
    EXPECT_NE(m_root->FindChild(LControl::String(u"taken")), taken);
}

// A control among its own subtree would make the walks up the parent links endless.
TEST_F(ChildListTest, SetParentRefusesTheControlItselfAndItsDescendants)
{
    const RCPtr<LControl> p = Child(u"p");
    const RCPtr<LControl> q = Make(u"q", p);
    const RCPtr<LControl> r = Make(u"r", q);
    const int32_t rootCyclic = m_root->GetCyclicCount();

    for (const RCPtr<LControl>& target : {p, q, r}) {
        SCOPED_TRACE(U8(target->GetName()));
        const int32_t targetCyclic = target->GetCyclicCount();
        ASSERT_EQ(p->SetParent(target), E_INVALIDARG);
        ASSERT_EQ(p->GetParent(), m_root);
        EXPECT_EQ(target->GetCyclicCount(), targetCyclic);
    }
    EXPECT_EQ(m_root->FindChild(LControl::String(u"p")), p);
    EXPECT_EQ(m_root->GetCyclicCount(), rootCyclic);
    EXPECT_TRUE(Root().removals.empty());
    EXPECT_EQ(r->GetTopLevelControl(), m_root);
}

TEST_F(ChildListTest, CyclicCountRisesByOnePerChildAndReleasingTheRootFreesTheTree)
{
    const int32_t cyclic = m_root->GetCyclicCount();
    const RCPtr<LControl> a = Child(u"a");
    Child(u"b");
    Make(u"c", a);
    EXPECT_EQ(m_root->GetCyclicCount(), cyclic + 2);
    EXPECT_EQ(a->GetCyclicCount(), 1);
    // The fixture's release of the root frees every control; the leak check sees any left.
}

} // namespace
} // namespace VQ::Testing
