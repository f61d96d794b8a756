#include "NotificationTestSupport.h"

#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/notification/NotificationQueue.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace VQ {
namespace {

using test::RecordingClient;
using Log = std::vector<std::string>;

// A queue bound to a plain distributor, and one client that logs "<id>" for each notification.
class NotificationQueueTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(queue->SetDistributor(distributor), S_OK);
        client->withId = true;
    }
    void TearDown() override { client->UnregisterAll(); }

    void Listen(const char16_t* name, int32_t flags = 0) { ASSERT_NE(client->Register(distributor, name, flags), nullptr); }

    Log log;
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
    RCPtr<LNotificationQueue> queue{new LNotificationQueue()};
    RCPtr<RecordingClient> client{new RecordingClient("c", &log)};
};

TEST_F(NotificationQueueTest, DrainDeliversInPostedOrderThenIdleWhenAsked)
{
    for (const char16_t* name : {u"NID_A", u"NID_B", u"NID_C", u"NID_IDLE"})
        Listen(name);
    for (const char16_t* name : {u"NID_A", u"NID_B", u"NID_C"})
        ASSERT_EQ(queue->Post(name, nullptr), S_OK);
    EXPECT_FALSE(queue->ProcessNotifications(true));
    EXPECT_EQ(log, (Log{"c:NID_A", "c:NID_B", "c:NID_C", "c:NID_IDLE"}));
    EXPECT_EQ(client->lastSender, distributor.Get());

    log.clear();
    queue->Post(u"NID_A", nullptr);
    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_EQ(log, (Log{"c:NID_A"}));
}

TEST_F(NotificationQueueTest, PostResults)
{
    RCPtr<LNotificationQueue> unbound(new LNotificationQueue());
    RCPtr<LNotification> notification = LNotification::Create(u"NID_A");
    EXPECT_EQ(queue->Post(nullptr), E_INVALIDARG);
    EXPECT_EQ(queue->Post(u"", nullptr), E_INVALIDARG);
    EXPECT_EQ(unbound->Post(notification), E_FAIL);
    EXPECT_FALSE(notification->IsPosted());

    EXPECT_EQ(queue->Post(notification), S_OK);
    EXPECT_TRUE(notification->IsPosted());
    EXPECT_EQ(queue->Post(notification), E_INVALIDARG) << "already posted";
    EXPECT_EQ(unbound->Post(notification), E_INVALIDARG) << "posted elsewhere counts first";
    queue->ProcessNotifications(false);
    EXPECT_FALSE(notification->IsPosted());
    EXPECT_EQ(queue->Post(notification), S_OK) << "can be posted again after its delivery";
}

// A notification that cannot be shared fails to go into the ring (or, for a coalescing client, to
// become the latest posted), as running out of memory there would.
class FailedPost : public NotificationQueueTest, public testing::WithParamInterface<int32_t> {};

TEST_P(FailedPost, LeavesTheNotificationFreeToBePostedAgainAndTheQueueAsItWas)
{
    Listen(u"NID_A", GetParam());
    const RCPtr<LNotification> earlier = LNotification::Create(u"NID_A");
    ASSERT_EQ(queue->Post(earlier), S_OK);
    RCPtr<LNotification> failing = LNotification::Create(u"NID_A");
    failing->SetUnshareable(true);
    EXPECT_ANY_THROW(queue->Post(failing));
    EXPECT_FALSE(failing->IsPosted());
    EXPECT_EQ(failing->GetRefCount(), 1) << "nothing keeps the notification that was not queued";

    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_EQ(log, Log{"c:NID_A"});
    EXPECT_EQ(client->lastNotification, earlier.Get()) << "the earlier one is still the latest posted";

    log.clear();
    failing->SetUnshareable(false);
    EXPECT_EQ(queue->Post(failing), S_OK);
    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_EQ(log, Log{"c:NID_A"});
    EXPECT_EQ(client->lastNotification, failing.Get());
}

INSTANTIATE_TEST_SUITE_P(NotificationQueue, FailedPost, testing::Values(0, NotificationFlagCoalesce));

TEST_F(NotificationQueueTest, NotificationPostedDuringTheDrainWaitsForTheNext)
{
    Listen(u"NID_A");
    Listen(u"NID_B");
    client->action = [this](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        if (n->GetID() == LNotification::InternID(u"NID_A"))
            queue->Post(u"NID_B", nullptr);
    };
    queue->Post(u"NID_A", nullptr);
    EXPECT_TRUE(queue->ProcessNotifications(false));
    EXPECT_EQ(log, (Log{"c:NID_A"}));
    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_EQ(log, (Log{"c:NID_A", "c:NID_B"}));
}

TEST_F(NotificationQueueTest, CoalescingClientGetsOnlyTheNewestOfABurst)
{
    Listen(u"NID_STATUS");
    RCPtr<RecordingClient> statusBar(new RecordingClient("bar", &log));
    statusBar->Register(distributor, u"NID_STATUS", NotificationFlagCoalesce);
    std::vector<const LNotification*> posted;
    for (int i = 0; i < 3; ++i) {
        RCPtr<LNotification> notification = LNotification::Create(u"NID_STATUS");
        posted.push_back(notification.Get());
        queue->Post(notification);
    }
    queue->ProcessNotifications(false);
    EXPECT_EQ(log, (Log{"c:NID_STATUS", "c:NID_STATUS", "bar", "c:NID_STATUS"}));
    EXPECT_EQ(statusBar->lastNotification, posted[2]);

    log.clear();
    queue->Post(u"NID_STATUS", nullptr);
    queue->ProcessNotifications(false);
    EXPECT_EQ(log, (Log{"bar", "c:NID_STATUS"})) << "the next burst is served again";
    statusBar->UnregisterAll();
}

TEST_F(NotificationQueueTest, DrainStartedFromADeliveryDeliversNothingButStillSendsIdle)
{
    Listen(u"NID_A");
    Listen(u"NID_B");
    Listen(u"NID_IDLE");
    bool inner = false;
    client->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        if (n->GetID() == LNotification::InternID(u"NID_A"))
            inner = queue->ProcessNotifications(true);
    };
    queue->Post(u"NID_A", nullptr);
    queue->Post(u"NID_B", nullptr);
    EXPECT_FALSE(queue->ProcessNotifications(true));
    EXPECT_TRUE(inner) << "B was still queued";
    EXPECT_EQ(log, (Log{"c:NID_A", "c:NID_IDLE", "c:NID_B", "c:NID_IDLE"}));
}

TEST_F(NotificationQueueTest, ClientExceptionLeavesTheQueueDrainable)
{
    Listen(u"NID_A");
    Listen(u"NID_B");
    client->action = [](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        if (n->GetID() == LNotification::InternID(u"NID_A"))
            throw std::runtime_error("client failure");
    };
    RCPtr<LNotification> failing = LNotification::Create(u"NID_A");
    queue->Post(failing);
    queue->Post(u"NID_B", nullptr);
    EXPECT_THROW(queue->ProcessNotifications(false), std::runtime_error);
    EXPECT_FALSE(failing->IsPosted());

    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_EQ(log, (Log{"c:NID_A", "c:NID_B"}));
    client->action = nullptr;
    EXPECT_EQ(queue->Post(failing), S_OK);
}

TEST_F(NotificationQueueTest, ThreeHundredPostsAllQueue)
{
    Listen(u"NID_COUNTED");
    int next = 0;
    bool inOrder = true;
    client->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        inOrder = inOrder && dynamic_cast<const test::TrackedPayload&>(*n->GetPayload()).value == next;
        ++next;
    };
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(queue->Post(u"NID_COUNTED", RCPtr<LRefCountedObject>(new test::TrackedPayload(nullptr, i))), S_OK);
    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_EQ(next, 300);
    EXPECT_TRUE(inOrder);
}

TEST_F(NotificationQueueTest, ClearDropsQueuedNotificationsUndelivered)
{
    Listen(u"NID_A");
    RCPtr<LNotification> notification = LNotification::Create(u"NID_A");
    queue->Post(notification);
    queue->Post(u"NID_A", nullptr);
    EXPECT_FALSE(queue->Clear());
    EXPECT_FALSE(notification->IsPosted());
    EXPECT_FALSE(queue->ProcessNotifications(false));
    EXPECT_TRUE(log.empty());
}

TEST_F(NotificationQueueTest, ShutdownEmptiesTheQueueAndRefusesPostsAndBinding)
{
    Listen(u"NID_A");
    Listen(u"NID_IDLE");
    RCPtr<LNotification> notification = LNotification::Create(u"NID_A");
    queue->Post(notification);
    const int32_t distributorRefs = distributor->GetRefCount();
    queue->Shutdown();
    EXPECT_FALSE(notification->IsPosted());
    EXPECT_EQ(distributor->GetRefCount(), distributorRefs - 1) << "the queue let go of its distributor";
    EXPECT_EQ(queue->GetCyclicCount(), 0) << "the posting receiver's back reference is gone";
    EXPECT_FALSE(queue->GetPostingReceiver());

    EXPECT_FALSE(queue->ProcessNotifications(true));
    EXPECT_TRUE(log.empty()) << "nothing delivered, no idle";
    EXPECT_EQ(queue->Post(u"NID_A", nullptr), E_FAIL);
    EXPECT_EQ(queue->SetDistributor(distributor), E_FAIL);
}

TEST(NotificationQueueBinding, SetDistributorBindsOnce)
{
    RCPtr<LNotificationQueue> queue(new LNotificationQueue());
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
    EXPECT_EQ(queue->SetDistributor(nullptr), S_OK);
    EXPECT_EQ(queue->Post(u"NID_A", nullptr), E_FAIL) << "a null distributor binds nothing";
    EXPECT_EQ(queue->SetDistributor(distributor), S_OK);
    EXPECT_EQ(queue->SetDistributor(test::MakeDistributor()), E_FAIL);
    EXPECT_EQ(queue->Post(u"NID_A", nullptr), S_OK);
}

TEST_F(NotificationQueueTest, PostingReceiverRepostsACopyForTheNextDrain)
{
    Listen(u"NID_COMMAND");
    RCPtr<LNotificationReceiver> receiver = queue->GetPostingReceiver();
    ASSERT_TRUE(receiver);
    const RCPtr<LRefCountedObject> payload(new test::TrackedPayload(nullptr, 5));
    RCPtr<LNotification> original = LNotification::Create(u"NID_COMMAND", payload);
    receiver->Receive(nullptr, original);
    EXPECT_FALSE(original->IsPosted()) << "a new notification is queued, not the one received";
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(receiver->Unregister(distributor, original->GetID()), E_FAIL);

    const LRefCountedObject* delivered = nullptr;
    client->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) {
        delivered = n->GetPayload().Get();
        EXPECT_NE(n.Get(), original.Get());
    };
    queue->ProcessNotifications(false);
    EXPECT_EQ(log, (Log{"c:NID_COMMAND"}));
    EXPECT_EQ(delivered, payload.Get());
}

// Counts its destruction; shows when a queue really goes.
class TrackedQueue : public LNotificationQueue {
public:
    explicit TrackedQueue(int* destroyed) : m_destroyed(destroyed) {}
    ~TrackedQueue() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

TEST(NotificationQueueLifetime, QueueHeldOnlyByItsPostingReceiverGoes)
{
    int destroyed = 0;
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
    RCPtr<LNotificationQueue> queue(new TrackedQueue(&destroyed));
    queue->SetDistributor(distributor);
    RCPtr<LNotification> notification = LNotification::Create(u"NID_A");
    queue->Post(notification);
    queue.Release();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(notification->IsPosted());
    EXPECT_EQ(distributor->GetRefCount(), 1);
}

TEST(NotificationQueueLifetime, QueueReleasedByAClientDuringItsDrainGoesAfterTheDrain)
{
    int destroyed = 0;
    Log log;
    RCPtr<LNotificationDistributor> distributor = test::MakeDistributor();
    RCPtr<LNotificationQueue> queue(new TrackedQueue(&destroyed));
    ASSERT_EQ(queue->SetDistributor(distributor), S_OK);
    RCPtr<RecordingClient> client(new RecordingClient("c", &log));
    client->withId = true;
    for (const char16_t* name : {u"NID_A", u"NID_B", u"NID_IDLE"})
        client->Register(distributor, name, 0);
    client->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        queue.Release();
        EXPECT_EQ(destroyed, 0) << "the drain holds the queue";
    };
    ASSERT_EQ(queue->Post(u"NID_A", nullptr), S_OK);
    ASSERT_EQ(queue->Post(u"NID_B", nullptr), S_OK);
    LNotificationQueue* const draining = queue.Get();
    EXPECT_FALSE(draining->ProcessNotifications(true));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(log, (Log{"c:NID_A", "c:NID_B", "c:NID_IDLE"}));
    client->UnregisterAll();
    EXPECT_EQ(distributor->GetRefCount(), 1);
}

TEST(NotificationQueueLifetime, HeldPostingReceiverOutlivesTheQueueHarmlessly)
{
    int destroyed = 0;
    RCPtr<LNotificationQueue> queue(new TrackedQueue(&destroyed));
    queue->SetDistributor(test::MakeDistributor());
    RCPtr<LNotificationReceiver> receiver = queue->GetPostingReceiver();
    queue.Release();
    EXPECT_EQ(destroyed, 1);
    receiver->Receive(nullptr, LNotification::Create(u"NID_A"));
}

// Registers a client with the manager's centres and logs "<centre>:<id>".
class NotificationCenterTest : public testing::Test {
protected:
    void TearDown() override
    {
        for (RCPtr<RecordingClient>& client : clients)
            client->UnregisterAll();
    }

    RCPtr<RecordingClient> ListenAt(const RCPtr<LNotificationCenter>& center, const std::string& name,
                                    const char16_t* id)
    {
        clients.emplace_back(new RecordingClient(name, &log));
        clients.back()->withId = true;
        clients.back()->Register(center, id, 0);
        return clients.back();
    }

    RCPtr<LNotificationCenterManager> manager = LNotificationCenterManager::GetInstance();
    std::vector<RCPtr<RecordingClient>> clients;
    Log log;
};

TEST_F(NotificationCenterTest, CentresAreFoundByExactName)
{
    EXPECT_EQ(std::u16string(LNotificationCenterManager::DefaultCenterName), u"application");
    RCPtr<LNotificationCenter> application = manager->GetCenter(LNotificationCenterManager::DefaultCenterName);
    ASSERT_TRUE(application);
    EXPECT_EQ(application->GetName(), u"application");
    EXPECT_EQ(manager->GetCenter(u"application"), application);
    EXPECT_EQ(manager->FindCenter(u"application"), application);
    EXPECT_EQ(LNotificationCenterManager::GetInstance(), manager);

    RCPtr<LNotificationCenter> other = manager->GetCenter(u"Application");
    ASSERT_TRUE(other);
    EXPECT_NE(other, application);
    EXPECT_FALSE(manager->GetCenter(u""));
    EXPECT_FALSE(manager->FindCenter(u""));
    EXPECT_FALSE(manager->FindCenter(u"never made"));
}

TEST_F(NotificationCenterTest, CentreDeliversWhatIsPostedToIt)
{
    RCPtr<LNotificationCenter> center = manager->GetCenter(u"delivering");
    ListenAt(center, "client", u"NID_PARAM_MODULE_STATE_CHANGE");
    ListenAt(center, "client", u"NID_IDLE");
    EXPECT_EQ(center->Post(u"NID_PARAM_MODULE_STATE_CHANGE", nullptr), S_OK);
    EXPECT_FALSE(center->ProcessNotifications(true));
    EXPECT_EQ(log, (Log{"client:NID_PARAM_MODULE_STATE_CHANGE", "client:NID_IDLE"}));
    EXPECT_EQ(clients[0]->lastSender, static_cast<const LNotificationDistributor*>(center.Get()));
}

TEST_F(NotificationCenterTest, ManagerDrainsTheNewestCentreFirst)
{
    RCPtr<LNotificationCenter> older = manager->GetCenter(u"drain older");
    RCPtr<LNotificationCenter> newer = manager->GetCenter(u"drain newer");
    ListenAt(older, "older", u"NID_A");
    ListenAt(newer, "newer", u"NID_A");
    ListenAt(older, "older", u"NID_IDLE");
    ListenAt(newer, "newer", u"NID_IDLE");
    RCPtr<RecordingClient> reposter = ListenAt(newer, "reposter", u"NID_B");
    reposter->action = [&](RecordingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        newer->Post(u"NID_B", nullptr);
    };
    older->Post(u"NID_A", nullptr);
    newer->Post(u"NID_A", nullptr);
    newer->Post(u"NID_B", nullptr);

    EXPECT_TRUE(manager->ProcessNotifications(true)) << "the newer centre got a post while it drained";
    // Other tests' centres may drain as well; only these two log.
    EXPECT_EQ(log, (Log{"newer:NID_A", "reposter:NID_B", "newer:NID_IDLE", "older:NID_A", "older:NID_IDLE"}));
    reposter->action = nullptr;
    EXPECT_FALSE(manager->ProcessNotifications(false));
}

TEST_F(NotificationCenterTest, CentreReleasedWithClientsUnregistersThemAndGoes)
{
    RCPtr<LNotificationCenter> center = LNotificationCenter::Create(u"standalone");
    EXPECT_EQ(center->GetCyclicCount(), 2) << "its queue's distributor and its posting receiver";
    RCPtr<RecordingClient> client = ListenAt(center, "client", u"NID_A");
    center->Post(u"NID_A", nullptr);
    RCPtr<LNotification> queued = LNotification::Create(u"NID_A");
    center->Post(queued);
    center.Release();
    EXPECT_EQ(client->GetRegistrationCount(), 0);
    EXPECT_EQ(client->GetCyclicCount(), 0);
    EXPECT_FALSE(queued->IsPosted());
    EXPECT_TRUE(log.empty());
}

TEST_F(NotificationCenterTest, CentreShutDownDirectlyKeepsItsClientsWhileHeldAndGoesWithThem)
{
    RCPtr<LNotificationCenter> center = LNotificationCenter::Create(u"shut down");
    center->Shutdown();
    EXPECT_EQ(center->GetCyclicCount(), 0) << "its self-reference went with the shutdown";
    EXPECT_EQ(center->GetRefCount(), 1);
    center->Shutdown();
    EXPECT_EQ(center->GetCyclicCount(), 0) << "uncounted once only";
    RCPtr<RecordingClient> client = ListenAt(center, "client", u"NID_A");
    EXPECT_EQ(client->GetRegistrationCount(), 1) << "a centre still held keeps its clients";
    center.Release();
    EXPECT_EQ(client->GetRegistrationCount(), 0) << "the centre went and unregistered its client";
}

TEST_F(NotificationCenterTest, ReleasedManagerLetsItsCentresGo)
{
    RCPtr<LNotificationCenter> before = manager->GetCenter(u"application");
    RCPtr<RecordingClient> client = ListenAt(before, "client", u"NID_A");
    manager.Release();
    before.Release();
    LNotificationCenterManager::ReleaseInstance();
    EXPECT_EQ(client->GetRegistrationCount(), 0) << "the centre went and unregistered its clients";

    RCPtr<LNotificationCenterManager> fresh = LNotificationCenterManager::GetInstance();
    EXPECT_FALSE(fresh->FindCenter(u"application"));
    EXPECT_TRUE(fresh->GetCenter(u"application"));
}

} // namespace
} // namespace VQ
