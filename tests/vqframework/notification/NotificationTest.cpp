#include "NotificationTestSupport.h"

#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationQueue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace VQ {
namespace {

using test::RecordingClient;
using test::TrackedPayload;

uint32_t RegistrySize()
{
    return LNotification::GetIDRegistry().GetCount();
}

TEST(NotificationInternID, SameTextFromTwoBuffersGivesOneStableId)
{
    const std::u16string first = u"NID_VALUE_CHANGE";
    const std::u16string second = first;
    const char16_t* id = LNotification::InternID(first.c_str());
    ASSERT_NE(id, nullptr);
    EXPECT_NE(id, first.c_str()) << "the registry keeps its own copy";
    EXPECT_EQ(LNotification::InternID(second.c_str()), id);
    EXPECT_EQ(std::u16string(id), first);

    const uint32_t size = RegistrySize();
    EXPECT_EQ(LNotification::InternID(id), id);
    EXPECT_EQ(RegistrySize(), size);
}

// A name no earlier test or repetition has interned.
std::u16string FreshName(const char* prefix)
{
    static int counter = 0;
    const std::string text = prefix + std::to_string(counter++);
    return std::u16string(text.begin(), text.end());
}

TEST(NotificationInternID, ComparesTextCaseSensitively)
{
    const std::u16string name = FreshName("NID_CASE_PROBE_");
    std::u16string lowerName = name;
    for (char16_t& c : lowerName)
        c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    const char16_t* upper = LNotification::InternID(name.c_str());
    const uint32_t size = RegistrySize();
    const char16_t* lower = LNotification::InternID(lowerName.c_str());
    EXPECT_NE(lower, upper);
    EXPECT_EQ(RegistrySize(), size + 1);
}

TEST(NotificationInternID, NullOrEmptyNameGivesNullAndAddsNothing)
{
    const uint32_t size = RegistrySize();
    EXPECT_EQ(LNotification::InternID(nullptr), nullptr);
    EXPECT_EQ(LNotification::InternID(u""), nullptr);
    EXPECT_EQ(RegistrySize(), size);
}

TEST(NotificationInternID, ThreadsInterningOneNewNameGetOneId)
{
    constexpr int threadCount = 4;
    std::vector<const char16_t*> ids(threadCount, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&ids, t] {
            for (int i = 0; i < 200; ++i) {
                const std::u16string name = u"NID_THREAD_PROBE_" + std::u16string(1, char16_t(u'A' + i % 26));
                LNotification::InternID(name.c_str());
            }
            const std::u16string own = u"NID_SHARED_BY_THREADS";
            ids[t] = LNotification::InternID(own.c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const char16_t* id : ids)
        EXPECT_EQ(id, ids[0]);
    EXPECT_EQ(LNotification::InternID(u"NID_SHARED_BY_THREADS"), ids[0]);
}

// Pooling is process-wide: every test that switches it on starts from an empty pool and leaves it off.
class NotificationPooling : public testing::Test {
protected:
    void SetUp() override
    {
        LNotification::SetPoolingEnabled(false);
        LNotification::SetPoolingEnabled(true);
    }
    void TearDown() override { LNotification::SetPoolingEnabled(false); }
};

TEST(NotificationCreate, WithoutPoolingMakesNotificationWithIdAndPayload)
{
    int destroyed = 0;
    RCPtr<LRefCountedObject> payload(new TrackedPayload(&destroyed));
    RCPtr<LNotification> notification = LNotification::Create(u"NID_CREATE_PROBE", payload);
    ASSERT_TRUE(notification);
    EXPECT_EQ(notification->GetID(), LNotification::InternID(u"NID_CREATE_PROBE"));
    EXPECT_EQ(notification->GetPayload().Get(), payload.Get());
    EXPECT_FALSE(notification->IsPosted());
    payload.Release();
    notification.Release();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(LNotification::GetPoolCount(), 0u);
}

TEST_F(NotificationPooling, NullOrEmptyNameGivesNullEvenWithNotificationsPooled)
{
    LNotification::Create(u"NID_POOLED").Release();
    ASSERT_EQ(LNotification::GetPoolCount(), 1u);
    for (const char16_t* name : {static_cast<const char16_t*>(nullptr), u""}) {
        EXPECT_FALSE(LNotification::Create(name)) << "a pooled notification would come back with a stale id";
        EXPECT_EQ(LNotification::GetPoolCount(), 1u);
    }
    LNotification::SetPoolingEnabled(false);
    EXPECT_FALSE(LNotification::Create(nullptr));
    EXPECT_FALSE(LNotification::Create(u""));
}

TEST_F(NotificationPooling, ReleaseDropsPayloadAtOnceAndCreateReusesTheObject)
{
    int firstDestroyed = 0;
    int secondDestroyed = 0;
    RCPtr<LNotification> notification = LNotification::Create(u"NID_FIRST", RCPtr<LRefCountedObject>(new TrackedPayload(&firstDestroyed)));
    const LNotification* object = notification.Get();
    notification.Release();
    EXPECT_EQ(firstDestroyed, 1) << "the pool keeps no payload alive";
    EXPECT_EQ(LNotification::GetPoolCount(), 1u);

    RCPtr<LRefCountedObject> payload(new TrackedPayload(&secondDestroyed));
    RCPtr<LNotification> reused = LNotification::Create(u"NID_SECOND", payload);
    EXPECT_EQ(reused.Get(), object);
    EXPECT_EQ(reused->GetID(), LNotification::InternID(u"NID_SECOND"));
    EXPECT_EQ(reused->GetPayload().Get(), payload.Get());
    EXPECT_EQ(reused->GetRefCount(), 1);
    EXPECT_EQ(LNotification::GetPoolCount(), 0u);
}

TEST_F(NotificationPooling, LastReleasedIsFirstReused)
{
    RCPtr<LNotification> a = LNotification::Create(u"NID_A");
    RCPtr<LNotification> b = LNotification::Create(u"NID_B");
    const LNotification* addressA = a.Get();
    const LNotification* addressB = b.Get();
    a.Release();
    b.Release();
    const RCPtr<LNotification> first = LNotification::Create(u"NID_C");
    const RCPtr<LNotification> second = LNotification::Create(u"NID_D");
    EXPECT_EQ(first.Get(), addressB);
    EXPECT_EQ(second.Get(), addressA);
}

TEST_F(NotificationPooling, SwitchingOffDestroysThePooledNotifications)
{
    RCPtr<LNotification> a = LNotification::Create(u"NID_A");
    RCPtr<LNotification> b = LNotification::Create(u"NID_B");
    a.Release();
    b.Release();
    ASSERT_EQ(LNotification::GetPoolCount(), 2u);
    LNotification::SetPoolingEnabled(false);
    EXPECT_EQ(LNotification::GetPoolCount(), 0u);
    LNotification::Create(u"NID_A").Release();
    EXPECT_EQ(LNotification::GetPoolCount(), 0u) << "with pooling off a released notification is freed";
}

// A pool this size took seconds to empty when the emptying moved what was left at every step.
TEST_F(NotificationPooling, SwitchingOffEmptiesALargePool)
{
    constexpr uint32_t count = 20000;
    std::vector<RCPtr<LNotification>> made;
    for (uint32_t i = 0; i < count; ++i)
        made.push_back(LNotification::Create(u"NID_MANY"));
    made.clear();
    ASSERT_EQ(LNotification::GetPoolCount(), count);
    LNotification::SetPoolingEnabled(false);
    EXPECT_EQ(LNotification::GetPoolCount(), 0u);
}

TEST_F(NotificationPooling, QueuedNotificationKeepsItsPayloadWhenTheSenderLetsGo)
{
    int destroyed = 0;
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
    RCPtr<RecordingClient> client(new RecordingClient("client", nullptr));
    int seenValue = -1;
    client->action = [&seenValue](RecordingClient&, const RCPtr<LNotificationDistributor>&,
                                  const RCPtr<LNotification>& n) {
        if (const auto* payload = dynamic_cast<const TrackedPayload*>(n->GetPayload().Get()))
            seenValue = payload->value;
    };
    client->Register(distributor, u"NID_QUEUED", 0);
    RCPtr<LNotificationQueue> queue(new LNotificationQueue());
    ASSERT_EQ(queue->SetDistributor(distributor), S_OK);

    ASSERT_EQ(queue->Post(u"NID_QUEUED", RCPtr<LRefCountedObject>(new TrackedPayload(&destroyed, 7))), S_OK);
    EXPECT_EQ(destroyed, 0);
    queue->ProcessNotifications(false);
    EXPECT_EQ(seenValue, 7);
    EXPECT_EQ(destroyed, 1) << "dropped once the drain let go of the notification";
    client->UnregisterAll();
}

TEST(PostNotification, HandsTheNotificationToTheReceiverWithoutSender)
{
    std::vector<std::string> log;
    RCPtr<RecordingClient> client(new RecordingClient("client", &log));
    client->withId = true;
    const RCPtr<LRefCountedObject> payload(new TrackedPayload(nullptr));
    const LRefCountedObject* seenPayload = nullptr;
    client->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>& sender,
                         const RCPtr<LNotification>& n) {
        EXPECT_FALSE(sender);
        seenPayload = n->GetPayload().Get();
    };
    EXPECT_EQ(PostNotification(client, u"NID_SIMULATE_CLICK", payload), S_OK);
    EXPECT_EQ(log, std::vector<std::string>{"client:NID_SIMULATE_CLICK"});
    EXPECT_EQ(seenPayload, payload.Get());
}

TEST(PostNotification, RefusesNullReceiverAndNamesWithoutId)
{
    RCPtr<RecordingClient> client(new RecordingClient("client", nullptr));
    EXPECT_EQ(PostNotification(nullptr, u"NID_X"), E_INVALIDARG);
    EXPECT_EQ(PostNotification(client, u""), E_INVALIDARG);
    EXPECT_EQ(PostNotification(client, nullptr), E_INVALIDARG);
    EXPECT_EQ(client->received, 0);
}

// Everything process-wide stays alive at exit; the child's exit must run no notification code that
// crashes or leaks (the sanitizer builds report leaks at exit).
TEST(NotificationProcessExit, ExitsCleanlyWithPooledNotificationsAndLiveCentres)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            LNotification::SetPoolingEnabled(true);
            LNotification::Create(u"NID_POOLED_AT_EXIT").Release();
            RCPtr<LNotificationCenter> center = LNotificationCenterManager::GetInstance()->GetCenter(u"exit");
            RCPtr<RecordingClient> client(new RecordingClient("client", nullptr));
            client->Register(center, u"NID_AT_EXIT", 0);
            center->Post(u"NID_AT_EXIT", nullptr);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace VQ
