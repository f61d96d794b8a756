#include "NotificationTestSupport.h"

#include "vqframework/notification/NotificationHandler.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace VQ::test {

using Log = std::vector<std::string>;

// An owner as controls are: it holds its table, hands what it receives to it, and its Unregister
// erases the entry before it unregisters. Outside the anonymous namespace, which the compilers spell
// differently in the function names of exception messages.
class HandlerOwner : public LNotificationClient {
public:
    explicit HandlerOwner(Log* log) : table(LNotificationHandler<HandlerOwner>::Create(this)), m_log(log) {}

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override
    {
        dispatched.push_back(table->Dispatch(sender, notification));
    }

    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override
    {
        table->RemoveHandler(distributor, id);
        return LNotificationClient::Unregister(distributor, id);
    }

    VQRESULT OnFirst(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
    {
        return Note("first", sender, notification, 0);
    }
    VQRESULT OnSecond(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
    {
        return Note("second", sender, notification, 1);
    }

    RCPtr<LNotificationHandler<HandlerOwner>> table;
    std::vector<const LNotificationDistributor*> senders;
    std::vector<VQRESULT> dispatched;

private:
    VQRESULT Note(const char* handler, const RCPtr<LNotificationDistributor>& sender,
                  const RCPtr<LNotification>& notification, VQRESULT result)
    {
        m_log->push_back(std::string(handler) + ":" + test::NameOf(notification->GetID()));
        senders.push_back(sender.Get());
        return result;
    }

    Log* m_log;
};

} // namespace VQ::test

namespace VQ {
namespace {

using test::Log;
using Owner = test::HandlerOwner;

class NotificationHandlerTest : public testing::Test {
protected:
    void TearDown() override { owner->UnregisterAll(); }

    VQRESULT Send(const RCPtr<LNotificationDistributor>& from, const char16_t* name)
    {
        return from->Send(LNotification::Create(name));
    }

    Log log;
    RCPtr<Owner> owner{new Owner(&log)};
    RCPtr<LNotificationDistributor> d = test::MakeDistributor();
    RCPtr<LNotificationDistributor> e = test::MakeDistributor();
};

TEST_F(NotificationHandlerTest, RoutesBySenderAndId)
{
    ASSERT_EQ(owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0), S_OK);
    ASSERT_EQ(owner->table->RegisterHandler(&Owner::OnSecond, e, u"NID_VALUE_CHANGE", 0), S_OK);
    ASSERT_EQ(owner->table->RegisterHandler(&Owner::OnSecond, d, u"NID_SELECTION_CHANGE", 0), S_OK);

    Send(d, u"NID_VALUE_CHANGE");
    Send(e, u"NID_VALUE_CHANGE");
    Send(d, u"NID_SELECTION_CHANGE");
    EXPECT_EQ(log, (Log{"first:NID_VALUE_CHANGE", "second:NID_VALUE_CHANGE", "second:NID_SELECTION_CHANGE"}));
    EXPECT_EQ(owner->senders, (std::vector<const LNotificationDistributor*>{d.Get(), e.Get(), d.Get()}));
    EXPECT_EQ(owner->dispatched, (std::vector<VQRESULT>{0, 1, 1})) << "Dispatch gives the handler's result";
}

TEST_F(NotificationHandlerTest, FirstHandlerOfAKeyStaysWhileTheFlagsChange)
{
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    EXPECT_EQ(owner->table->RegisterHandler(&Owner::OnSecond, d, u"NID_VALUE_CHANGE", NotificationFlagCoalesce), S_OK);
    int32_t flags = 0;
    EXPECT_EQ(d->GetClientFlags(owner.Get(), u"NID_VALUE_CHANGE", flags), S_OK);
    EXPECT_EQ(flags, NotificationFlagCoalesce);
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    Send(d, u"NID_VALUE_CHANGE");
    EXPECT_EQ(log, (Log{"first:NID_VALUE_CHANGE"}));
    EXPECT_EQ(owner->GetRegistrationCount(), 1);
}

TEST_F(NotificationHandlerTest, RegisterHandlerRefusesNullSenderAndNamesWithoutId)
{
    EXPECT_EQ(owner->table->RegisterHandler(&Owner::OnFirst, nullptr, u"NID_VALUE_CHANGE", 0), E_INVALIDARG);
    EXPECT_EQ(owner->table->RegisterHandler(&Owner::OnFirst, d, u"", 0), E_FAIL);
    EXPECT_EQ(owner->table->RegisterHandler(&Owner::OnFirst, d, nullptr, 0), E_FAIL);
    EXPECT_EQ(owner->GetRegistrationCount(), 0);
    EXPECT_FALSE(owner->table->HasHandler(nullptr, u"NID_VALUE_CHANGE"));
    EXPECT_FALSE(owner->table->HasHandler(d, u""));
}

TEST_F(NotificationHandlerTest, RegistrationWithoutEntryIsIgnored)
{
    owner->Register(d, u"NID_VALUE_CHANGE", 0);
    EXPECT_EQ(Send(d, u"NID_VALUE_CHANGE"), S_OK);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(owner->dispatched, (std::vector<VQRESULT>{0}));
}

TEST_F(NotificationHandlerTest, AddHandlerServesNotificationsHandedStraightToTheOwner)
{
    EXPECT_EQ(owner->table->AddHandler(&Owner::OnSecond, u"NID_SIMULATE_CLICK"), S_OK);
    EXPECT_EQ(owner->table->AddHandler(&Owner::OnSecond, u""), E_FAIL);
    EXPECT_TRUE(owner->table->HasHandler(nullptr, u"NID_SIMULATE_CLICK"));
    EXPECT_EQ(owner->GetRegistrationCount(), 0) << "registers nowhere";

    EXPECT_EQ(PostNotification(owner, u"NID_SIMULATE_CLICK"), S_OK);
    EXPECT_EQ(log, (Log{"second:NID_SIMULATE_CLICK"}));
    EXPECT_EQ(owner->senders, (std::vector<const LNotificationDistributor*>{nullptr}));
    EXPECT_EQ(owner->dispatched, (std::vector<VQRESULT>{1}));
}

TEST_F(NotificationHandlerTest, RemoveAndHasHandlerLookAtTheEntryOnly)
{
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    EXPECT_TRUE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE"));
    EXPECT_FALSE(owner->table->HasHandler(e, u"NID_VALUE_CHANGE"));
    EXPECT_TRUE(owner->table->RemoveHandler(d, u"NID_VALUE_CHANGE"));
    EXPECT_FALSE(owner->table->RemoveHandler(d, u"NID_VALUE_CHANGE"));
    EXPECT_FALSE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE"));
    EXPECT_EQ(owner->GetRegistrationCount(), 1) << "the registration stays";
}

TEST_F(NotificationHandlerTest, FindHandlerCopiesHandlerAndFlags)
{
    owner->table->RegisterHandler(&Owner::OnSecond, d, u"NID_VALUE_CHANGE", NotificationFlagCoalesce);
    owner->table->AddHandler(&Owner::OnFirst, u"NID_SIBLING_KEY");
    LNotificationHandler<Owner>::Handler handler = nullptr;
    int32_t flags = 0;
    EXPECT_EQ(owner->table->FindHandler(d, u"NID_VALUE_CHANGE", handler, flags), S_OK);
    EXPECT_EQ(handler, &Owner::OnSecond);
    EXPECT_EQ(flags, NotificationFlagCoalesce);
    EXPECT_EQ(owner->table->FindHandler(e, u"NID_VALUE_CHANGE", handler, flags), E_FAIL);
    EXPECT_EQ(owner->table->FindHandler(d, u"", handler, flags), E_FAIL);
    EXPECT_EQ(owner->table->FindHandler(nullptr, u"NID_SIBLING_KEY", handler, flags), E_INVALIDARG)
        << "an entry without sender has no registration to read";
}

TEST_F(NotificationHandlerTest, OwnersUnregisterDropsEntryAndRegistration)
{
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    EXPECT_EQ(owner->Unregister(d, LNotification::InternID(u"NID_VALUE_CHANGE")), S_OK);
    EXPECT_FALSE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE"));
    EXPECT_EQ(Send(d, u"NID_VALUE_CHANGE"), S_FALSE);
}

TEST_F(NotificationHandlerTest, DistributorRemovingAllClientsDropsTheEntriesToo)
{
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    owner->table->RegisterHandler(&Owner::OnSecond, d, u"NID_SELECTION_CHANGE", 0);
    d->RemoveAllClients();
    EXPECT_FALSE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE"));
    EXPECT_FALSE(owner->table->HasHandler(d, u"NID_SELECTION_CHANGE"));
    EXPECT_EQ(owner->GetRegistrationCount(), 0);
}

class AutoNotificationDisabler : public NotificationHandlerTest, public testing::WithParamInterface<int32_t> {};

TEST_P(AutoNotificationDisabler, SuspendsTheRegistrationForTheScopeAndRestoresItWithItsFlags)
{
    const int32_t registeredFlags = GetParam();
    owner->table->RegisterHandler(&Owner::OnSecond, d, u"NID_VALUE_CHANGE", registeredFlags);
    owner->table->RegisterHandler(&Owner::OnFirst, e, u"NID_VALUE_CHANGE", 0);
    {
        CAutoNotificationDisabler<Owner> disabler(owner->table, d, u"NID_VALUE_CHANGE");
        EXPECT_EQ(Send(d, u"NID_VALUE_CHANGE"), S_FALSE) << "neither registered nor handled";
        EXPECT_FALSE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE"));
        Send(e, u"NID_VALUE_CHANGE");
        EXPECT_EQ(log, (Log{"first:NID_VALUE_CHANGE"})) << "other senders stay";
    }
    LNotificationHandler<Owner>::Handler handler = nullptr;
    int32_t flags = -1;
    ASSERT_EQ(owner->table->FindHandler(d, u"NID_VALUE_CHANGE", handler, flags), S_OK);
    EXPECT_EQ(handler, &Owner::OnSecond);
    EXPECT_EQ(flags, registeredFlags);
    log.clear();
    d->Send(LNotification::Create(u"NID_VALUE_CHANGE"));
    if (registeredFlags & NotificationFlagCoalesce)
        EXPECT_TRUE(log.empty()) << "a coalescing registration ignores what was not posted";
    else
        EXPECT_EQ(log, (Log{"second:NID_VALUE_CHANGE"}));
}

INSTANTIATE_TEST_SUITE_P(NotificationHandler, AutoNotificationDisabler, testing::Values(0, NotificationFlagCoalesce));

TEST_F(NotificationHandlerTest, DisablerWithoutEntryThrowsFailedResultNamingItsConstructor)
{
    try {
        CAutoNotificationDisabler<Owner> disabler(owner->table, d, u"NID_VALUE_CHANGE");
        FAIL() << "constructed without an entry";
    } catch (const FailedResultException& e) {
        EXPECT_THAT(e.what(), testing::MatchesRegex("Failed Result : VQRESULT = 80004005 : "
                                                    "VQ::CAutoNotificationDisabler<VQ::test::HandlerOwner>::CAutoNotificationDisabler : "
                                                    ".*vqframework/notification/NotificationHandler\\.h : Line [0-9]+"));
    }
}

TEST_F(NotificationHandlerTest, DisablerOverAnEntryWithoutRegistrationThrows)
{
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    // The registration goes behind the table's back; the entry stays.
    owner->LNotificationClient::Unregister(d, LNotification::InternID(u"NID_VALUE_CHANGE"));
    EXPECT_THROW(CAutoNotificationDisabler<Owner>(owner->table, d, u"NID_VALUE_CHANGE"), FailedResultException);
    EXPECT_TRUE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE")) << "a failed guard changes nothing";
}

TEST_F(NotificationHandlerTest, DisablerLeftByAnExceptionRestoresAndLetsItPass)
{
    static_assert(std::is_nothrow_destructible_v<CAutoNotificationDisabler<Owner>>);
    owner->table->RegisterHandler(&Owner::OnFirst, d, u"NID_VALUE_CHANGE", 0);
    EXPECT_THROW(
        {
            CAutoNotificationDisabler<Owner> disabler(owner->table, d, u"NID_VALUE_CHANGE");
            throw std::runtime_error("scope failure");
        },
        std::runtime_error);
    EXPECT_TRUE(owner->table->HasHandler(d, u"NID_VALUE_CHANGE"));
    Send(d, u"NID_VALUE_CHANGE");
    EXPECT_EQ(log, (Log{"first:NID_VALUE_CHANGE"}));
}

} // namespace
} // namespace VQ
