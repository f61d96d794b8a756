#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/TaggableObject.h"
#include "vqframework/storage/StringT.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace VQ {

class LTestEvent : public virtual LRefCountedObject {};

namespace {

// Counts its destructions and its cyclic-release calls; holds `selfRefs` references on itself.
class SelfHolder : public virtual LRefCountedObject {
public:
    explicit SelfHolder(int* destroyed = nullptr) : m_destroyed(destroyed) {}
    ~SelfHolder() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }

    void HoldSelf(int selfRefs)
    {
        for (int i = 0; i < selfRefs; ++i) {
            m_self.push_back(RCPtr<SelfHolder>(this));
            AddCyclicReferences(1);
        }
    }

    VQRESULT ReleaseCyclicReferences() override
    {
        ++calls;
        if (dropsCycles) {
            AddCyclicReferences(-static_cast<int32_t>(m_self.size()));
            std::vector<RCPtr<SelfHolder>> self;
            self.swap(m_self);
        }
        return LRefCountedObject::ReleaseCyclicReferences();
    }

    std::atomic<int> calls{0};
    bool dropsCycles = true;

private:
    int* m_destroyed;
    std::vector<RCPtr<SelfHolder>> m_self;
};

TEST(RefCountedObject, StartsAtZeroAndLastReleaseDeletes)
{
    int destroyed = 0;
    auto* object = new SelfHolder(&destroyed);
    EXPECT_EQ(object->GetRefCount(), 0);
    EXPECT_EQ(object->AddRef(), 1);
    EXPECT_EQ(object->AddRef(), 2);
    EXPECT_EQ(object->Release(), 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCountedObject, LastOutsideReleaseDropsCyclesOnceAndDeletesInTheSameCall)
{
    int destroyed = 0;
    auto* object = new SelfHolder(&destroyed);
    object->AddRef();
    object->HoldSelf(2);
    ASSERT_EQ(object->GetRefCount(), 3);
    ASSERT_EQ(object->GetCyclicCount(), 2);
    EXPECT_EQ(object->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCountedObject, OffersCyclesOnlyWhenTheReleasedReferenceIsTheLastOutsideOne)
{
    int destroyed = 0;
    RCPtr<SelfHolder> first = new SelfHolder(&destroyed);
    first->HoldSelf(1);
    first->dropsCycles = false;
    {
        RCPtr<SelfHolder> second = first; // count 3, cyclic 1
    }
    EXPECT_EQ(first->calls, 0);
    first->dropsCycles = true;
    first.Release(); // count 2, cyclic 1
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCountedObject, WithoutAnOverrideCyclesKeepTheObjectAlive)
{
    int destroyed = 0;
    auto* object = new SelfHolder(&destroyed);
    object->dropsCycles = false;
    object->AddRef();
    object->HoldSelf(2);
    EXPECT_EQ(object->Release(), 2);
    EXPECT_EQ(object->GetRefCount(), object->GetCyclicCount());
    EXPECT_EQ(object->calls, 1);
    EXPECT_EQ(destroyed, 0);

    object->AddRef();
    object->dropsCycles = true;
    object->Release();
    EXPECT_EQ(destroyed, 1);
}

TEST(RefCountedObject, DefaultCyclicReleaseSucceedsOnlyForOneReferenceAndNoCycles)
{
    auto* event = new LTestEvent;
    event->AddRef();
    EXPECT_EQ(event->ReleaseCyclicReferences(), S_OK);
    event->AddRef();
    EXPECT_EQ(event->ReleaseCyclicReferences(), E_FAIL);
    event->Release();
    event->AddCyclicReferences(1);
    EXPECT_EQ(event->ReleaseCyclicReferences(), E_FAIL);
    EXPECT_EQ(event->AddCyclicReferences(-1), 1);
    EXPECT_EQ(event->Release(), 0);
}

TEST(RefCountedObject, TwoThreadsDroppingTheLastOutsideReferencesReleaseCyclesExactlyOnce)
{
    for (int round = 0; round < 1000; ++round) {
        int destroyed = 0;
        RCPtr<SelfHolder> a = new SelfHolder(&destroyed);
        RCPtr<SelfHolder> b = a;
        a->HoldSelf(2);

        std::atomic<int> ready{0};
        auto drop = [&ready](RCPtr<SelfHolder>& pointer) {
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
            pointer.Release();
        };
        std::thread first(drop, std::ref(a));
        std::thread second(drop, std::ref(b));
        first.join();
        second.join();
        ASSERT_EQ(destroyed, 1) << "round " << round;
    }
}

TEST(RefCountedObject, SetUnshareableRefusesSharedObjects)
{
    RCPtr<LTestEvent> one = new LTestEvent;
    one->SetUnshareable(true);
    EXPECT_FALSE(one->IsShareable());
    one->SetUnshareable(false);
    EXPECT_TRUE(one->IsShareable());

    RCPtr<LTestEvent> two = one;
    try {
        one->SetUnshareable(true);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with(
            "Runtime Error : VQ::LRefCountedObject::SetUnshareable : vqframework/objectbase/RefCountedObject.cpp : Line "))
            << e.what();
    }
    EXPECT_TRUE(one->IsShareable());
    EXPECT_NO_THROW(one->SetUnshareable(false));
}

TEST(RefCountedObject, UndoAndCreateCopyAreBrokenContracts)
{
    RCPtr<LTestEvent> event = new LTestEvent;
    try {
        event->Undo();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Logic Error : Undo() not implemented for RefCountedObject : "
                                                      "VQ::LRefCountedObject::Undo : vqframework/objectbase/"))
            << e.what();
    }
    try {
        event->CreateCopy();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Logic Error : CreateCopy() not implemented for RefCountedObject"
                                                      " : VQ::LRefCountedObject::CreateCopy : "))
            << e.what();
    }
}

TEST(RefCountedObject, DefaultTextNamesTheDynamicType)
{
    RCPtr<LRefCountedObject> event = new LTestEvent;
    EXPECT_TRUE(event->ToString() ==
                u"LRefCountedObject::ToString() not overridden. Returning TypeName: VQ::LTestEvent");
}

TEST(TaggableObject, ReleasesItsTagOnceWhenDestroyed)
{
    int destroyed = 0;
    RCPtr<SelfHolder> tag = new SelfHolder(&destroyed);
    {
        RCPtr<LTaggableObject> untagged = new LTaggableObject;
        RCPtr<LTaggableObject> tagged = new LTaggableObject;
        tagged->SetTag(tag);
        EXPECT_EQ(tag->GetRefCount(), 2);
    }
    EXPECT_EQ(tag->GetRefCount(), 1);
    tag.Release();
    EXPECT_EQ(destroyed, 1);
}

} // namespace
} // namespace VQ
