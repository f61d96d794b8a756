#include "platform/midi/MidiDriver.h"

#include "platform/midi/MidiDriverBackEnds.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace VQ::Platform {

namespace {

std::atomic<IMidiDriver*> g_testDriver{nullptr};

IMidiDriver& ChosenDriver()
{
    static IMidiDriver* const chosen = [] {
        const char* name = std::getenv("VQ_MIDI_DRIVER");
        if (name && std::strcmp(name, "virtual") == 0)
            return &GetVirtualMidiDriver();
        return &GetAlsaMidiDriver();
    }();
    return *chosen;
}

// Every operation answers as a system without MIDI devices does.
class NullMidiDriver final : public IMidiDriver {
public:
    uint32_t GetInputCount() override { return 0; }
    uint32_t GetInputName(uint32_t, std::u16string&) override { return MidiErrorBadDeviceId; }
    uint32_t GetInputNameOfHandle(MidiInputHandle, std::u16string&) override { return MidiErrorInvalidHandle; }
    uint32_t OpenInput(MidiInputHandle* device, uint32_t, MidiInputCallback, uintptr_t) override
    {
        if (device)
            *device = nullptr;
        return MidiErrorNoDriver;
    }
    uint32_t PrepareInputBuffer(MidiInputHandle, MidiBuffer*) override { return MidiErrorInvalidHandle; }
    uint32_t UnprepareInputBuffer(MidiInputHandle, MidiBuffer*) override { return MidiErrorInvalidHandle; }
    uint32_t AddInputBuffer(MidiInputHandle, MidiBuffer*) override { return MidiErrorInvalidHandle; }
    uint32_t StartInput(MidiInputHandle) override { return MidiErrorInvalidHandle; }
    uint32_t StopInput(MidiInputHandle) override { return MidiErrorInvalidHandle; }
    uint32_t ResetInput(MidiInputHandle) override { return MidiErrorInvalidHandle; }
    uint32_t CloseInput(MidiInputHandle) override { return MidiErrorInvalidHandle; }
    uint32_t GetOutputCount() override { return 0; }
    uint32_t GetOutputName(uint32_t, std::u16string&) override { return MidiErrorBadDeviceId; }
    uint32_t GetOutputNameOfHandle(MidiOutputHandle, std::u16string&) override { return MidiErrorInvalidHandle; }
    uint32_t OpenOutput(MidiOutputHandle* device, uint32_t, MidiOutputCallback, uintptr_t) override
    {
        if (device)
            *device = nullptr;
        return MidiErrorNoDriver;
    }
    uint32_t SendShort(MidiOutputHandle, uint32_t) override { return MidiErrorInvalidHandle; }
    uint32_t PrepareOutputBuffer(MidiOutputHandle, MidiBuffer*) override { return MidiErrorInvalidHandle; }
    uint32_t UnprepareOutputBuffer(MidiOutputHandle, MidiBuffer*) override { return MidiErrorInvalidHandle; }
    uint32_t SendLong(MidiOutputHandle, MidiBuffer*) override { return MidiErrorInvalidHandle; }
    uint32_t CloseOutput(MidiOutputHandle) override { return MidiErrorInvalidHandle; }
    void WaitForCallbacks(uintptr_t) override {}
};

} // namespace

IMidiDriver& GetMidiDriver()
{
    if (IMidiDriver* driver = g_testDriver.load(std::memory_order_acquire))
        return *driver;
    return ChosenDriver();
}

void SetMidiDriver(IMidiDriver* driver)
{
    g_testDriver.store(driver, std::memory_order_release);
}

IMidiDriver& GetNullMidiDriver()
{
    static NullMidiDriver* const driver = new NullMidiDriver();
    return *driver;
}

} // namespace VQ::Platform
