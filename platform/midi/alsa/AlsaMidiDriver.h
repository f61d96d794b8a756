// The MIDI driver on an ALSA sequencer: one client of the process's own, opened on first use,
// whose readable ports are the inputs and writable ports the outputs.
#pragma once

#include "platform/midi/MidiDriver.h"

#include <memory>
#include <string>

namespace VQ::Platform {

class AlsaMidiDriver final : public IMidiDriver {
public:
    // sequencerName is the ALSA name of the sequencer to open ("default" for the system's one),
    // clientName the name the driver's client shows to others.
    AlsaMidiDriver(std::string sequencerName, std::string clientName);
    ~AlsaMidiDriver();
    AlsaMidiDriver(const AlsaMidiDriver&) = delete;
    AlsaMidiDriver& operator=(const AlsaMidiDriver&) = delete;

    uint32_t GetInputCount() override;
    uint32_t GetInputName(uint32_t id, std::u16string& name) override;
    uint32_t GetInputNameOfHandle(MidiInputHandle device, std::u16string& name) override;
    uint32_t OpenInput(MidiInputHandle* device, uint32_t id, MidiInputCallback callback, uintptr_t instance) override;
    uint32_t PrepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer) override;
    uint32_t UnprepareInputBuffer(MidiInputHandle device, MidiBuffer* buffer) override;
    uint32_t AddInputBuffer(MidiInputHandle device, MidiBuffer* buffer) override;
    uint32_t StartInput(MidiInputHandle device) override;
    uint32_t StopInput(MidiInputHandle device) override;
    uint32_t ResetInput(MidiInputHandle device) override;
    uint32_t CloseInput(MidiInputHandle device) override;

    uint32_t GetOutputCount() override;
    uint32_t GetOutputName(uint32_t id, std::u16string& name) override;
    uint32_t GetOutputNameOfHandle(MidiOutputHandle device, std::u16string& name) override;
    uint32_t OpenOutput(MidiOutputHandle* device, uint32_t id, MidiOutputCallback callback,
                        uintptr_t instance) override;
    uint32_t SendShort(MidiOutputHandle device, uint32_t message) override;
    uint32_t PrepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer) override;
    uint32_t UnprepareOutputBuffer(MidiOutputHandle device, MidiBuffer* buffer) override;
    uint32_t SendLong(MidiOutputHandle device, MidiBuffer* buffer) override;
    uint32_t CloseOutput(MidiOutputHandle device) override;
    void WaitForCallbacks(uintptr_t instance) override;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace VQ::Platform
