#include "vqframework/objectbase/RCPtr.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>

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

    a = a;
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
