#include "vqframework/control/EventParams.h"
#include "vqframework/control/GlobalHotKeyManager.h"
#include "vqframework/control/HotKeyMap.h"
#include "vqframework/controlbase/StringTable.h"
#include "vqframework/notification/NotificationClient.h"

#include <gtest/gtest.h>

#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;

constexpr KeyCode CtrlC(0x21430000);
constexpr KeyCode Delete(0x202E0000);

TEST(HotKeyMapTest, BindsKeysToCommandsInOrder)
{
    HotKeyMap map;
    EXPECT_EQ(map.Add(CtrlC, u"NID_EDIT_COPY_REQ"), S_OK);
    EXPECT_EQ(map.Add(KeyCode::Parse(u"Ctrl+VKEY_INSERT"), u"NID_EDIT_COPY_REQ"), S_OK);
    EXPECT_EQ(map.Add(Delete, u"NID_EDIT_DELETE_REQ"), S_OK);

    EXPECT_EQ(map.GetCommand(CtrlC), u"NID_EDIT_COPY_REQ");
    EXPECT_EQ(map.GetCommand(Delete), u"NID_EDIT_DELETE_REQ");
    EXPECT_TRUE(map.GetCommand(KeyCode::Parse(u"VKEY_C")).IsEmpty());
    EXPECT_TRUE(map.HasCommand(u"NID_EDIT_COPY_REQ"));
    EXPECT_FALSE(map.HasCommand(u"NID_EDIT_PASTE_REQ"));
    EXPECT_FALSE(map.HasCommand(u""));

    const Array<KeyCode> keys = map.GetKeyCodes(u"NID_EDIT_COPY_REQ");
    ASSERT_EQ(keys.GetCount(), 2u);
    EXPECT_EQ(keys.GetAt(0u).GetCode(), CtrlC.GetCode());
    EXPECT_EQ(keys.GetAt(1u).GetCode(), 0x212D0000u);
    EXPECT_EQ(map.GetFirstKey(u"NID_EDIT_COPY_REQ").GetCode(), CtrlC.GetCode());
    EXPECT_EQ(map.GetKeyCodes(u"NID_EDIT_PASTE_REQ").GetCount(), 0u);
    EXPECT_EQ(map.GetKeyCodes(u"").GetCount(), 0u);
    EXPECT_TRUE(map.GetFirstKey(u"NID_EDIT_PASTE_REQ").IsEmpty());

    map.Clear();
    EXPECT_FALSE(map.HasCommand(u"NID_EDIT_COPY_REQ"));
    EXPECT_TRUE(map.GetCommand(CtrlC).IsEmpty());
}

TEST(HotKeyMapTest, RefusesASecondBindingOfAKeyAndKeepsTheFirst)
{
    HotKeyMap map;
    ASSERT_EQ(map.Add(CtrlC, u"NID_EDIT_COPY_REQ"), S_OK);
    EXPECT_EQ(map.Add(CtrlC, u"NID_OTHER"), E_INVALIDARG);
    EXPECT_EQ(map.Add(CtrlC, u"NID_EDIT_COPY_REQ"), E_INVALIDARG);
    EXPECT_EQ(map.GetCommand(CtrlC), u"NID_EDIT_COPY_REQ");
    EXPECT_FALSE(map.HasCommand(u"NID_OTHER"));
    EXPECT_EQ(map.GetKeyCodes(u"NID_EDIT_COPY_REQ").GetCount(), 1u);

    // Typed characters are the same key whatever Ctrl and Shift say.
    ASSERT_EQ(map.Add(KeyCode(0x01000078), u"NID_X"), S_OK);
    EXPECT_EQ(map.Add(KeyCode(0x02000078), u"NID_OTHER"), E_INVALIDARG);
    EXPECT_EQ(map.GetCommand(KeyCode(0x00000078)), u"NID_X");

    EXPECT_EQ(map.Add(Delete, u""), E_INVALIDARG);
    EXPECT_TRUE(map.GetCommand(Delete).IsEmpty());
}

RCPtr<LStringTable> MakeTable()
{
    RCPtr<LStringTable> table = LStringTable::Create();
    table->Add(u"GHK.NID_EDIT_DELETE_REQ", u"VKEY_DELETE");
    // Sorts before the entry above, so it takes the key first.
    table->Add(u"GHK.NID_DELETE_FIRST", u"VKEY_DELETE");
    table->Add(u"GHK.GROUP.NID_NESTED", u"Ctrl+VKEY_N");
    table->Add(u"GHK.NID_NO_KEY", u"");
    table->Add(u"GHK.", u"VKEY_F1");
    table->Add(u"GHK_WIN.NID_EDIT_COPY_REQ", u"Ctrl+VKEY_C");
    table->Add(u"GHK_MAC.NID_EDIT_COPY_REQ", u"COMMAND+VKEY_C");
    table->Add(u"XGHK.NID_ELSEWHERE", u"VKEY_F2");
    table->Add(u"ghk.NID_LOWER", u"VKEY_F3");
    table->Add(u"LHK.NID_OPEN_BRACKET", u"[12");
    return table;
}

TEST(HotKeyMapTest, LoadsOnlyTheEntriesOfItsPrefix)
{
    const RCPtr<LStringTable> table = MakeTable();

    HotKeyMap global;
    EXPECT_EQ(global.Load(table.Get(), u"GHK"), S_OK);
    EXPECT_EQ(global.GetCommand(Delete), u"NID_DELETE_FIRST");
    EXPECT_FALSE(global.HasCommand(u"NID_EDIT_DELETE_REQ"));
    EXPECT_EQ(global.GetCommand(KeyCode::Parse(u"Ctrl+VKEY_N")), u"NID_NESTED");
    EXPECT_FALSE(global.HasCommand(u"NID_NO_KEY"));
    EXPECT_TRUE(global.GetCommand(KeyCode::Parse(u"VKEY_F1")).IsEmpty());
    for (const char16_t* other : {u"NID_EDIT_COPY_REQ", u"NID_ELSEWHERE", u"NID_LOWER", u"NID_OPEN_BRACKET"})
        EXPECT_FALSE(global.HasCommand(other)) << String(other).ToUTF8().GetString();

    HotKeyMap windows;
    EXPECT_EQ(windows.Load(table.Get(), u"GHK_WIN"), S_OK);
    EXPECT_EQ(windows.GetCommand(CtrlC), u"NID_EDIT_COPY_REQ");
    EXPECT_EQ(windows.GetKeyCodes(u"NID_EDIT_COPY_REQ").GetCount(), 1u);
    EXPECT_FALSE(windows.HasCommand(u"NID_DELETE_FIRST"));

    // A bracket without its end still makes a key, which is bound.
    HotKeyMap local;
    EXPECT_EQ(local.Load(table.Get(), u"LHK"), S_OK);
    EXPECT_EQ(local.GetFirstKey(u"NID_OPEN_BRACKET").GetCode(), 0x20000000u);

    EXPECT_EQ(local.Load(nullptr, u"LHK"), E_INVALIDARG);
}

TEST(HotKeyMapTest, LoadingAgainKeepsTheBindingsAlreadyMade)
{
    HotKeyMap map;
    ASSERT_EQ(map.Add(Delete, u"NID_MINE"), S_OK);
    EXPECT_EQ(map.Load(MakeTable().Get(), u"GHK"), S_OK);
    EXPECT_EQ(map.GetCommand(Delete), u"NID_MINE");
    EXPECT_FALSE(map.HasCommand(u"NID_DELETE_FIRST"));
    EXPECT_TRUE(map.HasCommand(u"NID_NESTED"));
}

class RecordingReceiver : public LNotificationReceiver {
public:
    struct Delivery {
        bool hadSender;
        RCPtr<LNotification> notification;
    };

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override
    {
        deliveries.push_back({bool(sender), notification});
    }
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>&, const char16_t*) override { return S_OK; }

    std::vector<Delivery> deliveries;
};

TEST(GlobalHotKeyManagerTest, HandsTheCommandWithItsKeyParameterToTheReceiver)
{
    const RCPtr<RecordingReceiver> receiver = new RecordingReceiver;
    const RCPtr<LGlobalHotKeyManager> manager = LGlobalHotKeyManager::Create(receiver);
    ASSERT_EQ(manager->GetHotKeyMap().Load(MakeTable().Get(), u"GHK_WIN"), S_OK);

    EXPECT_EQ(manager->HandleKey(LKeyParam::Create(KeyCode::Parse(u"VKEY_C"), 1)), S_FALSE);
    EXPECT_EQ(manager->HandleKey(nullptr), S_FALSE);
    EXPECT_TRUE(receiver->deliveries.empty());

    const RCPtr<LKeyParam> key = LKeyParam::Create(KeyCode::FromVirtualKey('C', true, false, 0x1 | 0x2), 1);
    EXPECT_EQ(manager->HandleKey(key), S_OK);
    ASSERT_EQ(receiver->deliveries.size(), 1u);
    const RecordingReceiver::Delivery& delivery = receiver->deliveries[0];
    EXPECT_FALSE(delivery.hadSender);
    EXPECT_EQ(delivery.notification->GetID(), LNotification::InternID(u"NID_EDIT_COPY_REQ"));
    EXPECT_EQ(delivery.notification->GetPayload().Get(), static_cast<LRefCountedObject*>(key.Get()));

    EXPECT_TRUE(manager->HasCommand(u"NID_EDIT_COPY_REQ"));
    EXPECT_EQ(manager->GetKeyForCommand(u"NID_EDIT_COPY_REQ").GetCode(), CtrlC.GetCode());
    EXPECT_TRUE(manager->GetKeyForCommand(u"NID_EDIT_PASTE_REQ").IsEmpty());
}

TEST(GlobalHotKeyManagerTest, ReportsABoundKeyHandledWithoutAReceiver)
{
    const RCPtr<LGlobalHotKeyManager> manager = LGlobalHotKeyManager::Create(nullptr);
    ASSERT_EQ(manager->GetHotKeyMap().Add(Delete, u"NID_EDIT_DELETE_REQ"), S_OK);
    EXPECT_EQ(manager->HandleKey(LKeyParam::Create(Delete, 1)), S_OK);
    EXPECT_EQ(manager->HandleKey(LKeyParam::Create(CtrlC, 1)), S_FALSE);
}

TEST(GlobalHotKeyManagerTest, BindsTheExitKeyUnlessItIsTaken)
{
    const KeyCode altF4 = KeyCode::Parse(u"Alt+VKEY_F4");

    const RCPtr<LGlobalHotKeyManager> plain = LGlobalHotKeyManager::Create(nullptr);
    EXPECT_TRUE(plain->AddExitHotKey());
    EXPECT_EQ(plain->GetHotKeyMap().GetCommand(altF4), u"NID_APP_EXIT_REQ");
    EXPECT_FALSE(plain->AddExitHotKey());
    EXPECT_EQ(plain->GetHotKeyMap().GetKeyCodes(u"NID_APP_EXIT_REQ").GetCount(), 1u);

    const RCPtr<LGlobalHotKeyManager> loaded = LGlobalHotKeyManager::Create(nullptr);
    ASSERT_EQ(loaded->GetHotKeyMap().Add(altF4, u"NID_CLOSE_WINDOW"), S_OK);
    EXPECT_FALSE(loaded->AddExitHotKey());
    EXPECT_EQ(loaded->GetHotKeyMap().GetCommand(altF4), u"NID_CLOSE_WINDOW");
    EXPECT_FALSE(loaded->HasCommand(u"NID_APP_EXIT_REQ"));
}

} // namespace
} // namespace VQ
