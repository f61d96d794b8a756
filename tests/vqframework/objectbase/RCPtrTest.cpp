#include "vqframework/objectbase/RCPtr.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

namespace VQ {

class LTestShape : public virtual LRefCountedObject {
public:
    virtual ~LTestShape() = default;
};
class ITestColored : public virtual LRefCountedObject {};
class LTestSquare : public LTestShape, public ITestColored {};

// A buffer-like object: copyable, so it can be made private when shared while unshareable.
class LTestCopyable : public virtual LRefCountedObject {
public:
    explicit LTestCopyable(int value = 0) : value(value) {}
    RCPtr<LRefCountedObject> CreateCopy() const override
    {
        return RCPtr<LRefCountedObject>(copyAsOther ? static_cast<LRefCountedObject*>(new LTestShape)
                                                    : new LTestCopyable(value));
    }
    int value;
    bool copyAsOther = false;
};

// Counts the live instances; a copy of it fails, as one that runs out of memory does.
class LTestUncopyable : public virtual LRefCountedObject {
public:
    LTestUncopyable() { ++s_alive; }
    ~LTestUncopyable() override { --s_alive; }
    RCPtr<LRefCountedObject> CreateCopy() const override { throw Exception<std::bad_alloc>(); }
    static int s_alive;
};
int LTestUncopyable::s_alive = 0;

class LTestNode : public virtual LRefCountedObject {
public:
    RCPtr<LTestNode> next;
};

namespace {

const RCPtr<LTestShape>& NothingToGive()
{
    return RCPtr<LTestShape>::Null;
}

TEST(RCPtr, EmptyCopiesTouchNoCount)
{
    RCPtr<LTestShape> empty;
    RCPtr<LTestShape> copy = empty;
    ConstRCPtr<LRefCountedObject> widened = copy;
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_FALSE(widened);
    EXPECT_TRUE(copy == nullptr);
}

TEST(RCPtr, SharesOneObjectAndLastPointerDeletesIt)
{
    auto* raw = new LTestShape;
    {
        RCPtr<LTestShape> a = raw;
        EXPECT_EQ(raw->GetRefCount(), 1);
        ConstRCPtr<LTestShape> b = a;
        ConstRCPtr<LRefCountedObject> c = b;
        EXPECT_EQ(raw->GetRefCount(), 3);
        EXPECT_TRUE(a == b);
        EXPECT_TRUE(c.Get() == raw);
    }
}

TEST(RCPtr, AssignmentTakesTheNewReferenceBeforeReleasingTheOld)
{
    RCPtr<LTestShape> a = new LTestShape;
    RCPtr<LTestShape> b = new LTestShape;
    LTestShape* p = a.Get();
    LTestShape* q = b.Get();
    RCPtr<LTestShape> keepP = a;

    // Self-assignment through an alias, which the compilers do not take for a slip.
    const RCPtr<LTestShape>& self = a;
    a = self;
    EXPECT_EQ(p->GetRefCount(), 2);
    a = keepP;
    EXPECT_EQ(p->GetRefCount(), 2);

    a = b;
    EXPECT_EQ(p->GetRefCount(), 1);
    EXPECT_EQ(q->GetRefCount(), 2);

    a = RCPtr<LTestShape>::Null;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(q->GetRefCount(), 1);

    ConstRCPtr<LRefCountedObject> widened;
    widened = b;
    EXPECT_EQ(q->GetRefCount(), 2);

    // The old pointee holds the only other reference to the new one: releasing first would free it.
    RCPtr<LTestNode> node = new LTestNode;
    node->next = new LTestNode;
    LTestNode* next = node->next.Get();
    node = node->next;
    EXPECT_EQ(node.Get(), next);
    EXPECT_EQ(next->GetRefCount(), 1);
}

TEST(RCPtr, DynamicCastGivesEmptyOnAMissAndCrossCastsInterfaces)
{
    RCPtr<LRefCountedObject> square = new LTestSquare;
    RCPtr<LRefCountedObject> shape = new LTestShape;

    RCPtr<ITestColored> colored = RCPtrDynamicCast<ITestColored>(square);
    EXPECT_FALSE(colored.IsEmpty());
    EXPECT_EQ(square->GetRefCount(), 2);
    RCPtr<LTestShape> back = RCPtrDynamicCast<LTestShape>(colored);
    EXPECT_TRUE(back == square);

    EXPECT_TRUE(RCPtrDynamicCast<ITestColored>(shape).IsEmpty());
    EXPECT_EQ(shape->GetRefCount(), 1);
    EXPECT_TRUE(RCPtrDynamicCast<ITestColored>(RCPtr<LRefCountedObject>::Null).IsEmpty());
}

TEST(RCPtr, NullConstantIsEmptyAndShared)
{
    EXPECT_TRUE(NothingToGive().IsEmpty());
    EXPECT_EQ(&NothingToGive(), &RCPtr<LTestShape>::Null);
    const ConstRCPtr<LTestShape>& asConst = RCPtr<LTestShape>::Null;
    EXPECT_TRUE(asConst.IsEmpty());
}

TEST(RCPtr, SecondReferenceToAnUnshareableObjectTakesAPrivateCopy)
{
    RCPtr<LTestCopyable> owner = new LTestCopyable(7);
    owner->SetUnshareable(true);
    RCPtr<LTestCopyable> other = owner;
    EXPECT_NE(other.Get(), owner.Get());
    EXPECT_EQ(owner->GetRefCount(), 1);
    EXPECT_EQ(other->GetRefCount(), 1);
    EXPECT_EQ(other->value, 7);
    EXPECT_TRUE(other->IsShareable());
}

TEST(RCPtr, UnshareCopiesOnlyASharedPointee)
{
    RCPtr<LTestCopyable> a = new LTestCopyable(3);
    LTestCopyable* original = a.Get();
    a.Unshare();
    EXPECT_EQ(a.Get(), original);

    RCPtr<LTestCopyable> b = a;
    a.Unshare();
    EXPECT_NE(a.Get(), original);
    EXPECT_EQ(a->GetRefCount(), 1);
    EXPECT_EQ(original->GetRefCount(), 1);
    EXPECT_EQ(a->value, 3);
}

TEST(RCPtr, UnshareWithoutCopyThrowsAndChangesNothing)
{
    RCPtr<LTestShape> a = new LTestShape;
    RCPtr<LTestShape> b = a;
    try {
        a.Unshare();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Logic Error : CreateCopy() not implemented"));
    }
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a->GetRefCount(), 2);
}

TEST(RCPtr, UnshareIntoAnotherTypeEmptiesThePointerAndThrows)
{
    RCPtr<LTestCopyable> a = new LTestCopyable;
    a->copyAsOther = true;
    RCPtr<LTestCopyable> b = a;
    try {
        a.Unshare();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with(
            "Logic Error : VQ::LTestCopyable : VQ::ConstRCPtr<VQ::LTestCopyable>::Unshare : "
            "vqframework/objectbase/RCPtr.h : Line "))
            << e.what();
    }
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(b->GetRefCount(), 1);
}

TEST(RCPtr, FailedCopyOfAnUnshareablePointeeTakesNoReferenceAndReleasesNothing)
{
    using Owner = RCPtr<LTestUncopyable>;
    struct Case {
        const char* name;
        std::function<void(const Owner& owner, Owner& target, ConstRCPtr<LRefCountedObject>& widened)> call;
    };
    const Case cases[] = {
        {"CopyConstruction", [](const Owner& owner, Owner&, auto&) { Owner copy(owner); }},
        {"ConstCopyConstruction",
         [](const Owner& owner, Owner&, auto&) { ConstRCPtr<LTestUncopyable> copy(owner); }},
        {"ConvertingConstruction", [](const Owner& owner, Owner&, auto&) { RCPtr<LRefCountedObject> copy(owner); }},
        {"ConstructionFromPointer", [](const Owner& owner, Owner&, auto&) { Owner copy(owner.Get()); }},
        {"Assignment", [](const Owner& owner, Owner& target, auto&) { target = owner; }},
        {"ConvertingAssignment", [](const Owner& owner, Owner&, auto& widened) { widened = owner; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            Owner owner = new LTestUncopyable;
            owner->SetUnshareable(true);
            Owner target = new LTestUncopyable;
            ConstRCPtr<LRefCountedObject> widened = new LTestUncopyable;
            const void* const targetBefore = target.Get();
            const void* const widenedBefore = widened.Get();
            EXPECT_THROW(c.call(owner, target, widened), std::bad_alloc);
            EXPECT_EQ(owner->GetRefCount(), 1);
            // A failed assignment leaves the pointer as it was.
            EXPECT_EQ(target.Get(), targetBefore);
            EXPECT_EQ(widened.Get(), widenedBefore);
            EXPECT_EQ(target->GetRefCount(), 1);
            EXPECT_EQ(LTestUncopyable::s_alive, 3);
        }
        EXPECT_EQ(LTestUncopyable::s_alive, 0);
        LTestUncopyable::s_alive = 0;
    }
}

// Counts the live instances and every reference taken and given back.
class LTestCounted : public LTestShape {
public:
    explicit LTestCounted(int value = 0) : value(value) { ++s_alive; }
    ~LTestCounted() override { --s_alive; }
    int32_t AddRef() const override
    {
        ++s_addRefs;
        return LRefCountedObject::AddRef();
    }
    int32_t Release() const override
    {
        ++s_releases;
        return LRefCountedObject::Release();
    }
    RCPtr<LRefCountedObject> CreateCopy() const override { return RCPtr<LRefCountedObject>(new LTestCounted(value)); }

    static void Reset() { s_alive = s_addRefs = s_releases = 0; }
    int value;
    static int s_alive;
    static int s_addRefs;
    static int s_releases;
};
int LTestCounted::s_alive = 0;
int LTestCounted::s_addRefs = 0;
int LTestCounted::s_releases = 0;

static_assert(std::is_nothrow_move_constructible_v<RCPtr<LTestShape>>);
static_assert(std::is_nothrow_move_assignable_v<RCPtr<LTestShape>>);
static_assert(std::is_nothrow_move_constructible_v<ConstRCPtr<LTestShape>>);
static_assert(std::is_nothrow_move_assignable_v<ConstRCPtr<LTestShape>>);
static_assert(std::is_nothrow_constructible_v<RCPtr<LTestShape>, RCPtr<LTestSquare>&&>);
static_assert(std::is_nothrow_assignable_v<ConstRCPtr<LRefCountedObject>&, RCPtr<LTestSquare>&&>);
// A move keeps the read-only face read-only.
static_assert(!std::is_constructible_v<RCPtr<LTestShape>, ConstRCPtr<LTestShape>&&>);
static_assert(!std::is_assignable_v<RCPtr<LTestShape>&, ConstRCPtr<LTestShape>&&>);

TEST(RCPtr, MovesHandTheReferenceOverWithoutCounting)
{
    LTestCounted::Reset();
    {
        RCPtr<LTestCounted> source = MakeRC<LTestCounted>(5);
        const LTestCounted* object = source.Get();
        EXPECT_EQ(object->GetRefCount(), 1);
        EXPECT_EQ(object->value, 5);
        const int addRefs = LTestCounted::s_addRefs;
        const int releases = LTestCounted::s_releases;

        RCPtr<LTestCounted> moved = std::move(source);
        RCPtr<LTestShape> widened = std::move(moved);
        ConstRCPtr<LTestShape> readOnly = std::move(widened);
        ConstRCPtr<LRefCountedObject> base(std::move(readOnly));
        EXPECT_TRUE(source.IsEmpty() && moved.IsEmpty() && widened.IsEmpty() && readOnly.IsEmpty());
        EXPECT_EQ(base.Get(), static_cast<const LRefCountedObject*>(object));

        RCPtr<LTestCounted> target;
        RCPtr<LTestShape> shapeTarget;
        ConstRCPtr<LRefCountedObject> constTarget;
        source = MakeRC<LTestCounted>(6);
        const int addRefsBefore = LTestCounted::s_addRefs;
        target = std::move(source);
        shapeTarget = std::move(target);
        constTarget = std::move(shapeTarget);
        EXPECT_TRUE(source.IsEmpty() && target.IsEmpty() && shapeTarget.IsEmpty());
        EXPECT_EQ(LTestCounted::s_addRefs, addRefsBefore);
        EXPECT_EQ(constTarget->GetRefCount(), 1);
        EXPECT_EQ(object->GetRefCount(), 1);
        EXPECT_EQ(LTestCounted::s_addRefs - addRefs, 1);
        EXPECT_EQ(LTestCounted::s_releases, releases);
        EXPECT_EQ(LTestCounted::s_alive, 2);
    }
    EXPECT_EQ(LTestCounted::s_alive, 0);
}

TEST(RCPtr, MoveAssignmentReleasesTheOldPointeeAndKeepsASelfMove)
{
    LTestCounted::Reset();
    RCPtr<LTestCounted> first = MakeRC<LTestCounted>(1);
    RCPtr<LTestShape> second = MakeRC<LTestCounted>(2);
    second = std::move(first);
    EXPECT_EQ(LTestCounted::s_alive, 1);
    EXPECT_EQ(static_cast<LTestCounted*>(second.Get())->value, 1);

    RCPtr<LTestShape>& alias = second;
    second = std::move(alias);
    ConstRCPtr<LTestShape>& constAlias = second;
    constAlias = std::move(second);
    EXPECT_FALSE(second.IsEmpty());
    EXPECT_EQ(second->GetRefCount(), 1);

    second = nullptr;
    EXPECT_EQ(LTestCounted::s_alive, 0);
}

TEST(RCPtr, MovingAnUnshareablePointeeTakesNoCopy)
{
    LTestCounted::Reset();
    RCPtr<LTestCounted> owner = MakeRC<LTestCounted>(3);
    owner->SetUnshareable(true);
    const LTestCounted* object = owner.Get();
    RCPtr<LTestCounted> moved = std::move(owner);
    EXPECT_EQ(moved.Get(), object);
    EXPECT_EQ(LTestCounted::s_alive, 1);
    // A copy still takes one.
    RCPtr<LTestCounted> copy = moved;
    EXPECT_NE(copy.Get(), object);
    EXPECT_EQ(LTestCounted::s_alive, 2);
}

TEST(MakeRC, HoldsTheOnlyReferenceOfANewObject)
{
    LTestCounted::Reset();
    {
        RCPtr<LTestCounted> made = MakeRC<LTestCounted>(9);
        EXPECT_EQ(made->GetRefCount(), 1);
        EXPECT_EQ(LTestCounted::s_addRefs, 1);
        RCPtr<LTestShape> widened = MakeRC<LTestCounted>();
        EXPECT_EQ(widened->GetRefCount(), 1);
        EXPECT_EQ(LTestCounted::s_alive, 2);
    }
    // The one reference was the last: releasing it deleted the objects.
    EXPECT_EQ(LTestCounted::s_alive, 0);
    EXPECT_EQ(LTestCounted::s_addRefs, LTestCounted::s_releases);
}

RCPtr<LRefCountedObject>* g_watched = nullptr;
bool g_watchedWasEmpty = false;

class LTestWatcher : public virtual LRefCountedObject {
public:
    ~LTestWatcher() override { g_watchedWasEmpty = g_watched->IsEmpty(); }
};

TEST(RCPtr, ReleaseEmptiesThePointerBeforeTheDestructorRuns)
{
    RCPtr<LRefCountedObject> pointer = new LTestWatcher;
    g_watched = &pointer;
    pointer.Release();
    EXPECT_TRUE(g_watchedWasEmpty);
    pointer.Release();
    EXPECT_TRUE(pointer.IsEmpty());
    g_watched = nullptr;
}

} // namespace
} // namespace VQ
