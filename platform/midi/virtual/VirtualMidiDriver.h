// MIDI devices inside the process: the test's devices, fed and read by the test, and by default one
// input and one output named "RKT4" played by a simulated controller (or, with VQ_MIDI_PEER set, by
// whatever program listens on that Unix socket).
#pragma once

#include "platform/midi/MidiDriver.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace VQ::Platform {

class SimulatedController;

class VirtualMidiDriver final : public IMidiDriver {
public:
    // No devices; the test adds them.
    VirtualMidiDriver();
    VirtualMidiDriver(const VirtualMidiDriver&) = delete;
    VirtualMidiDriver& operator=(const VirtualMidiDriver&) = delete;
    // Closes whatever is still open; no callback runs after it returns.
    ~VirtualMidiDriver();

    // Device ids are given in order of adding, inputs and outputs counted apart.
    uint32_t AddInput(const std::u16string& name);
    uint32_t AddOutput(const std::u16string& name);
    // The device goes: its id is no longer listed (later ids move down), open handles on it fail
    // their liveness query and receive nothing more.
    void RemoveInput(uint32_t id);
    void RemoveOutput(uint32_t id);

    // Bytes as the device at input id would send them, delivered on the driver's thread: each
    // short message as one MidiInputData, SysEx in the queued buffers, handed back when full or at F7.
    // Bytes that find no queued buffer wait for one.
    void Feed(uint32_t inputId, const std::vector<uint8_t>& bytes);

    // Every message sent to output id so far, each short or long message whole, oldest first, and
    // forgotten once taken.
    std::vector<std::vector<uint8_t>> TakeSent(uint32_t outputId);
    // Waits until count messages are waiting to be taken.
    bool WaitForSent(uint32_t outputId, size_t count, std::chrono::milliseconds timeout);
    // While held, long messages to output id are kept and their MidiOutputDone waits for the release.
    void HoldCompletions(uint32_t outputId, bool hold);

    // Plays the controller at an input and an output: it answers what is sent to the output on the
    // input. It replaces whatever played that pair before and lives as long as the driver.
    SimulatedController& AttachController(uint32_t inputId, uint32_t outputId);
    // Plays the pair by the program listening on the Unix stream socket at socketPath: what is sent to
    // the output is written to the socket as raw bytes, what the socket gives arrives on the input.
    // The connection is made when either device is opened or sent to, and made again after it broke;
    // while there is none, sends fail with MidiErrorNoDriver.
    void ConnectToPeer(uint32_t inputId, uint32_t outputId, const std::string& socketPath);

    // The process's virtual driver: "RKT4" in and out, with the controller or the VQ_MIDI_PEER socket.
    static VirtualMidiDriver& GetDefault();

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
    struct State;
    const std::unique_ptr<State> m_state;
};

// The controller the virtual devices play: a working program (slot 0) and four stored programs
// (slots 1 to 4), all at the parameter model's defaults at first. It answers the get-program
// request with the program reply and stores the program of a send-program message.
class SimulatedController {
public:
    // 57 bytes: the channel, 8 pads of 4 bytes, 8 knobs of 3 bytes.
    static constexpr size_t ProgramSize = 57;
    using Program = std::vector<uint8_t>;

    enum class Mode {
        Answer,
        // Requests are read but never answered.
        Silent,
        // Answers after the delay set by SetAnswerDelay.
        Late,
        // Answers every request with the bytes set by SetFixedAnswer.
        Fixed,
    };

    virtual ~SimulatedController() = default;

    virtual void SetMode(Mode mode) = 0;
    virtual void SetAnswerDelay(std::chrono::milliseconds delay) = 0;
    virtual void SetFixedAnswer(const std::vector<uint8_t>& bytes) = 0;
    virtual Program GetProgram(uint32_t slot) const = 0;
    virtual void SetProgram(uint32_t slot, const Program& program) = 0;
    // Every message the controller has received, oldest first.
    virtual std::vector<std::vector<uint8_t>> GetReceived() const = 0;
};

} // namespace VQ::Platform
