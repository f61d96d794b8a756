// A program fetched from the simulated controller, saved to a file, edited, loaded back from the
// file and sent to the controller's working copy: what the controller ends up with and every
// message on the wire.
#include "editor/midi/MidiManager.h"
#include "editor/preset/PresetManager.h"
#include "tests/devicecontrol/generatedcode/engine/EngineTestSupport.h"
#include "tests/support/TemporaryFolder.h"
#include "platform/midi/virtual/VirtualMidiDriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace VQ::test {
namespace {

using Controller = Platform::SimulatedController;

class ProgramRoundTripTest : public ::testing::Test, public EngineFixtureBase {
protected:
    ProgramRoundTripTest()
    {
        Platform::SetMidiDriver(&driver);
        MakeEngine();
        midi = LMidiManager::Create();
        presets = LPresetManager::Create();
    }
    ~ProgramRoundTripTest() override
    {
        presets = nullptr;
        midi = nullptr;
        Platform::SetMidiDriver(nullptr);
    }

    Platform::VirtualMidiDriver driver;
    RCPtr<LMidiManager> midi;
    RCPtr<LPresetManager> presets;
    TemporaryFolder folder;
};

TEST_F(ProgramRoundTripTest, AProgramFetchedSavedEditedAndLoadedBackReachesTheControllerAsItWasStored)
{
    Controller& controller = driver.AttachController(driver.AddInput(u"RKT4"), driver.AddOutput(u"RKT4"));
    Bytes stored(Controller::ProgramSize);
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i] = uint8_t((i * 7 + 3) & 0x7F);
    controller.SetProgram(2, stored);
    const StringT<char16_t, char> path(std::string_view(folder.Path() + "/Live Set.rkt4"));

    ASSERT_EQ(midi->GetPresetFromMidiDevice(2), 0);
    ASSERT_EQ(EngineProgram(), stored);
    ASSERT_EQ(presets->SavePresetFile(path), S_OK);
    EXPECT_EQ(std::filesystem::file_size(folder.Path() + "/Live Set.rkt4"), 477u);

    // Pad 1 (parameter 1) gets another note.
    const int32_t firstPad = engine->GetFirstParamID() + 1;
    ASSERT_GE(engine->SetParamValue(ParamDescriptor(firstPad), Blob({0x40, 0x01, 0x02, 0x01})), 0);
    ASSERT_NE(EngineProgram(), stored);

    ASSERT_EQ(presets->LoadPresetFile(path), 0);
    EXPECT_EQ(EngineProgram(), stored);
    ASSERT_EQ(midi->SendPresetToDevice(0), 66);

    Bytes sent = {0xF0, 0x7D, 0x7F, 0x3C, 0x61, 0x00, 0x3A, 0x00};
    sent.insert(sent.end(), stored.begin(), stored.end());
    sent.push_back(0xF7);
    EXPECT_THAT(controller.GetReceived(),
                ::testing::ElementsAre(Bytes{0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01, 0x02, 0xF7}, sent));
    EXPECT_EQ(controller.GetProgram(0), stored);
}

} // namespace
} // namespace VQ::test
