#include "devicecontrol/generatedcode/engine/src/Device.h"
#include "devicecontrol/generatedcode/engine/src/KnobBank.h"
#include "devicecontrol/generatedcode/engine/src/PadBank.h"

#include "ModelTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace VQ::test {
namespace {

// A root whose tree has its ids from first on.
RCPtr<LRootModule> TreeFrom(int32_t first)
{
    RCPtr<LRootModule> root = LRootModule::Create(true);
    root->SetFirstParamID(nullptr, first, 0);
    return root;
}

class ModuleTreeIds : public testing::TestWithParam<int32_t> {};

TEST_P(ModuleTreeIds, EveryIdOfTheTreeLeadsToItsModuleAndNoOtherIdDoes)
{
    const int32_t r = GetParam();
    RCPtr<LRootModule> root = TreeFrom(r);
    RCPtr<IDevice> device = root->GetDevice();
    RCPtr<IPadBank> pads = device->GetPadBank();
    RCPtr<IKnobBank> knobs = device->GetKnobBank();

    EXPECT_EQ(device->GetFirstParamID(), r);
    EXPECT_EQ(pads->GetFirstParamID(), r + 1);
    EXPECT_EQ(knobs->GetFirstParamID(), r + 9);
    EXPECT_TRUE(root->GetModule(r) == device->GetMidiChannel());
    EXPECT_EQ(device->GetMidiChannel()->GetFirstParamID(), r);
    for (int32_t i = 0; i < 8; ++i) {
        RCPtr<IPad> pad = pads->GetPad(i);
        RCPtr<IHardwareKnob> knob = knobs->GetKnob(i);
        EXPECT_TRUE(root->GetModule(r + 1 + i) == pad) << i;
        EXPECT_TRUE(root->GetModule(r + 9 + i) == knob) << i;
        EXPECT_EQ(pad->GetFirstParamID(), r + 1 + i);
        EXPECT_EQ(knob->GetFirstParamID(), r + 9 + i);
        EXPECT_EQ(pad->GetIndex(), i);
        EXPECT_EQ(knob->GetIndex(), i);
        EXPECT_TRUE(pad->GetParent() == pads);
        EXPECT_TRUE(knob->GetRoot() == root);
    }
    for (int32_t id : {r - 1, r + 17, -1, r + 1000})
        EXPECT_FALSE(root->GetModule(id)) << id;
    // Each container answers for its own range only.
    EXPECT_FALSE(device->GetModule(r + 17));
    EXPECT_FALSE(pads->GetModule(r));
    EXPECT_FALSE(pads->GetModule(r + 9));
    EXPECT_FALSE(knobs->GetModule(r + 8));
    EXPECT_FALSE(knobs->GetModule(r + 17));
    EXPECT_TRUE(root->GetParent().IsEmpty());

    const IRootModule& readOnly = *root;
    EXPECT_TRUE(readOnly.GetModule(r + 16) == knobs->GetKnob(7));
}

INSTANTIATE_TEST_SUITE_P(ModuleTree, ModuleTreeIds, testing::Values(0, 5));

TEST(ModuleTree, LeafAnswersForAnyIdItIsAskedAbout)
{
    RCPtr<LRootModule> root = TreeFrom(0);
    RCPtr<IPad> pad = root->GetDevice()->GetPadBank()->GetPad(2);
    for (int32_t id : {-1, 0, 3, 16, 17})
        EXPECT_TRUE(pad->GetModule(id) == pad) << id;
}

class ModuleDefaults : public testing::TestWithParam<int32_t> {};

TEST_P(ModuleDefaults, FollowEachLeafsPlaceAsFreshByteValues)
{
    const int32_t r = GetParam();
    RCPtr<LRootModule> root = TreeFrom(r);
    struct Case {
        int32_t offset;
        Bytes expected;
    };
    const Case cases[] = {
        {0, {0}},           {1, {36, 0, 0, 0}}, {3, {38, 2, 2, 0}},  {8, {43, 7, 7, 0}},
        {9, {0, 0, 127}},   {13, {4, 0, 127}},  {16, {7, 0, 127}},
    };
    for (const Case& c : cases) {
        Variant value = root->GetModule(r + c.offset)->GetParamValueDefault(r + c.offset);
        EXPECT_EQ(value.GetType(), Variant::TypeBytes) << c.offset;
        EXPECT_EQ(BytesOf(value), c.expected) << c.offset;
    }
}

INSTANTIATE_TEST_SUITE_P(ModuleTree, ModuleDefaults, testing::Values(0, 5));

// A device with none of its children, as a tree under construction may be.
class LChildlessDevice : public LDevice {
public:
    static RCPtr<LChildlessDevice> Create()
    {
        RCPtr<LChildlessDevice> device(new LChildlessDevice());
        device->CreateChildren();
        return device;
    }
    RCPtr<IMidiChannel> GetMidiChannel() override { return nullptr; }
    RCPtr<IPadBank> GetPadBank() override { return nullptr; }
    RCPtr<IKnobBank> GetKnobBank() override { return nullptr; }
};

// A bank whose pad at one index is missing.
class LPadBankWithGap : public LPadBank {
public:
    static RCPtr<LPadBankWithGap> Create(int32_t gap)
    {
        RCPtr<LPadBankWithGap> bank(new LPadBankWithGap(gap));
        bank->CreateChildren();
        return bank;
    }
    using LPadBank::GetPad;
    RCPtr<IPad> GetPad(int32_t index) override { return index == m_gap ? nullptr : LPadBank::GetPad(index); }

private:
    explicit LPadBankWithGap(int32_t gap) : m_gap(gap) {}
    const int32_t m_gap;
};

class LKnobBankWithGap : public LKnobBank {
public:
    static RCPtr<LKnobBankWithGap> Create(int32_t gap)
    {
        RCPtr<LKnobBankWithGap> bank(new LKnobBankWithGap(gap));
        bank->CreateChildren();
        return bank;
    }
    using LKnobBank::GetKnob;
    RCPtr<IHardwareKnob> GetKnob(int32_t index) override
    {
        return index == m_gap ? nullptr : LKnobBank::GetKnob(index);
    }

private:
    explicit LKnobBankWithGap(int32_t gap) : m_gap(gap) {}
    const int32_t m_gap;
};

std::string Message(const char* function, const char* source, const char* detail = nullptr)
{
    std::string message = "Logic Error : ";
    if (detail)
        message += std::string(detail) + " : ";
    return message + function + " : " + source + " : Line [0-9]+";
}

TEST(ModuleTree, BrokenContractsThrowTheLogicErrorOfTheMethodThatFoundThem)
{
    const char* invalid = "Invalid FirstParamID";
    const char* base = "devicecontrol/generatedcode/engine/inc/RootModuleInterface\\.h";
    const char* padSource = "devicecontrol/generatedcode/engine/src/Pad\\.cpp";
    const char* knobSource = "devicecontrol/generatedcode/engine/src/HardwareKnob\\.cpp";
    const char* channelSource = "devicecontrol/generatedcode/engine/src/MidiChannel\\.cpp";

    // Every case works on a tree with ids from 0 on; a bank or device that is not part of it is
    // given the root as parent so that its ids are checked against the root's.
    RCPtr<LRootModule> root = TreeFrom(0);
    RCPtr<IDevice> device = root->GetDevice();
    RCPtr<IPadBank> pads = device->GetPadBank();
    RCPtr<IKnobBank> knobs = device->GetKnobBank();
    RCPtr<IMidiChannel> channel = device->GetMidiChannel();
    const Variant value = Blob({1});
    struct Case {
        const char* name;
        std::function<void()> call;
        std::string message;
    };
    const Case cases[] = {
        {"pad given a knob's id", [&] { pads->GetPad(0)->SetFirstParamID(pads.Get(), 9, 0); },
         Message("VQ::LPad::SetFirstParamID", padSource, invalid)},
        {"pad given the channel's id", [&] { pads->GetPad(0)->SetFirstParamID(pads.Get(), 0, 0); },
         Message("VQ::LPad::SetFirstParamID", padSource, invalid)},
        {"knob given a pad's id", [&] { knobs->GetKnob(0)->SetFirstParamID(knobs.Get(), 8, 0); },
         Message("VQ::LHardwareKnob::SetFirstParamID", knobSource, invalid)},
        {"knob given an id past the tree", [&] { knobs->GetKnob(7)->SetFirstParamID(knobs.Get(), 17, 7); },
         Message("VQ::LHardwareKnob::SetFirstParamID", knobSource, invalid)},
        {"channel given a pad's id", [&] { channel->SetFirstParamID(device.Get(), 1, 0); },
         Message("VQ::LMidiChannel::SetFirstParamID", channelSource, invalid)},
        {"device apart from the root's first id",
         [&] { LChildlessDevice::Create()->SetFirstParamID(root.Get(), 3, 0); },
         Message("VQ::LDevice::SetFirstParamID", "devicecontrol/generatedcode/engine/src/Device\\.cpp", invalid)},
        {"pad bank one id late", [&] { LPadBankWithGap::Create(7)->SetFirstParamID(root.Get(), 2, 0); },
         Message("VQ::LPadBank::SetFirstParamID", "devicecontrol/generatedcode/engine/src/PadBank\\.cpp", invalid)},
        {"knob bank one id early", [&] { LKnobBankWithGap::Create(0)->SetFirstParamID(root.Get(), 8, 0); },
         Message("VQ::LKnobBank::SetFirstParamID", "devicecontrol/generatedcode/engine/src/KnobBank\\.cpp", invalid)},
        {"write to a container", [&] { device->SetParamValueLocal(ParamDescriptor(0), value, false); },
         Message("VQ::LParameterizedModule::SetParamValueLocal", base)},
        {"read of a container", [&] { pads->GetParamValueLocal(ParamDescriptor(1)); },
         Message("VQ::LParameterizedModule::GetParamValueLocal", base)},
        {"pad read with another id", [&] { pads->GetPad(0)->GetParamValueLocal(ParamDescriptor(2)); },
         Message("VQ::LPad::GetParamValueLocal", padSource)},
        {"knob read with another id", [&] { knobs->GetKnob(0)->GetParamValueLocal(ParamDescriptor(1)); },
         Message("VQ::LHardwareKnob::GetParamValueLocal", knobSource)},
        {"channel read with another id", [&] { channel->GetParamValueLocal(ParamDescriptor(9)); },
         Message("VQ::LMidiChannel::GetParamValueLocal", channelSource)},
        {"pad default of another id", [&] { pads->GetPad(1)->GetParamValueDefault(1); },
         Message("VQ::LPad::GetParamValueDefault", padSource)},
        {"knob default of another id", [&] { knobs->GetKnob(1)->GetParamValueDefault(-1); },
         Message("VQ::LHardwareKnob::GetParamValueDefault", knobSource)},
        {"channel default of another id", [&] { channel->GetParamValueDefault(16); },
         Message("VQ::LMidiChannel::GetParamValueDefault", channelSource)},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no exception: " << c.name;
        } catch (const Exception<std::logic_error>& e) {
            EXPECT_THAT(e.what(), testing::MatchesRegex(c.message)) << c.name;
        }
    }
}

TEST(ModuleTree, BankChecksItsOwnIdOnlyAfterGivingItsChildrenTheirs)
{
    RCPtr<LRootModule> root = TreeFrom(0);
    RCPtr<LPadBankWithGap> bank = LPadBankWithGap::Create(7);
    EXPECT_THROW(bank->SetFirstParamID(root.Get(), 2, 0), Exception<std::logic_error>);
    for (int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(bank->GetPad(i)->GetFirstParamID(), 2 + i) << i;
    EXPECT_EQ(bank->GetFirstParamID(), 2);
}

TEST(ModuleTree, ContainersPassOverMissingChildren)
{
    RCPtr<LRootModule> root = TreeFrom(0);
    RCPtr<LChildlessDevice> device = LChildlessDevice::Create();
    device->SetFirstParamID(root.Get(), 0, 0);
    for (int32_t id = 0; id < 17; ++id)
        EXPECT_FALSE(device->GetModule(id)) << id;
    device->OnDeviceListChanged();
    device->OnTreeNotification();

    RCPtr<LKnobBankWithGap> knobs = LKnobBankWithGap::Create(3);
    knobs->SetFirstParamID(root.Get(), 9, 0);
    EXPECT_FALSE(knobs->GetModule(12));
    EXPECT_TRUE(knobs->GetModule(13) == knobs->GetKnob(4));
    knobs->OnDeviceListChanged();
    EXPECT_FALSE(knobs->GetKnob(8));
    EXPECT_FALSE(knobs->GetKnob(-1));
}

// A leaf as a window implements it: it notes notifications and keeps the id it was given.
template <class Interface> class LPanelLeaf : public Interface {
public:
    LPanelLeaf(std::vector<std::string>& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void OnDeviceListChanged() override { m_log.push_back(m_name); }

private:
    std::vector<std::string>& m_log;
    const std::string m_name;
};

class LPanelPadBank : public IPadBank {
public:
    explicit LPanelPadBank(std::vector<std::string>& log)
    {
        for (int32_t i = 0; i < PadCount; ++i)
            m_pads[i] = new LPanelLeaf<IPad>(log, "pad " + std::to_string(i));
    }
    using IPadBank::GetPad;
    RCPtr<IPad> GetPad(int32_t index) override { return index >= 0 && index < PadCount ? m_pads[index] : nullptr; }

private:
    RCPtr<IPad> m_pads[PadCount];
};

// A device of panels without knobs.
class LPanelDevice : public IDevice {
public:
    explicit LPanelDevice(std::vector<std::string>& log)
        : m_channel(new LPanelLeaf<IMidiChannel>(log, "channel")), m_pads(new LPanelPadBank(log))
    {
    }
    using IDevice::GetMidiChannel;
    using IDevice::GetPadBank;
    using IDevice::GetKnobBank;
    RCPtr<IMidiChannel> GetMidiChannel() override { return m_channel; }
    RCPtr<IPadBank> GetPadBank() override { return m_pads; }
    RCPtr<IKnobBank> GetKnobBank() override { return nullptr; }

private:
    RCPtr<IMidiChannel> m_channel;
    RCPtr<IPadBank> m_pads;
};

TEST(ModuleTree, InterfacesRouteIdsAndNotificationsOfAnyImplementation)
{
    std::vector<std::string> log;
    RCPtr<LPanelDevice> device(new LPanelDevice(log));
    device->SetFirstParamID(nullptr, 5, 0);

    EXPECT_TRUE(device->GetModule(5) == device->GetMidiChannel());
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_TRUE(device->GetModule(6 + i) == device->GetPadBank()->GetPad(i)) << i;
        EXPECT_EQ(device->GetPadBank()->GetPad(i)->GetIndex(), i);
    }
    EXPECT_FALSE(device->GetModule(14));
    EXPECT_FALSE(device->GetModule(4));

    device->OnDeviceListChanged();
    const std::vector<std::string> expected = {"channel", "pad 0", "pad 1", "pad 2", "pad 3",
                                               "pad 4",   "pad 5", "pad 6", "pad 7"};
    EXPECT_EQ(log, expected);
    device->OnTreeNotification();
    EXPECT_EQ(log.size(), expected.size()) << "the second notification has empty handlers";
}

} // namespace
} // namespace VQ::test
