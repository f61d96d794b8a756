// What plays the far side of a pair of virtual devices: the simulated controller or a socket peer.
// Internal to the virtual driver.
#pragma once

#include "platform/midi/virtual/VirtualMidiDriver.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace VQ::Platform::VirtualMidi {

// Hands bytes to the input of the pair, as the device would send them.
using FeedFunction = std::function<void(const std::vector<uint8_t>&)>;

class Endpoint {
public:
    virtual ~Endpoint() = default;
    // Either device of the pair is being opened.
    virtual void Connect() {}
    // A whole message sent to the output; false when it could not be delivered.
    virtual bool Receive(const std::vector<uint8_t>& message) = 0;
};

class ControllerEndpoint final : public SimulatedController, public Endpoint {
public:
    explicit ControllerEndpoint(FeedFunction feed);
    ~ControllerEndpoint() override;

    bool Receive(const std::vector<uint8_t>& message) override;

    void SetMode(Mode mode) override;
    void SetAnswerDelay(std::chrono::milliseconds delay) override;
    void SetFixedAnswer(const std::vector<uint8_t>& bytes) override;
    Program GetProgram(uint32_t slot) const override;
    void SetProgram(uint32_t slot, const Program& program) override;
    std::vector<std::vector<uint8_t>> GetReceived() const override;

private:
    void RunLateAnswers();

    const FeedFunction m_feed;
    mutable std::mutex m_mutex;
    std::condition_variable m_lateChanged;
    Mode m_mode = Mode::Answer;
    std::chrono::milliseconds m_delay{0};
    std::vector<uint8_t> m_fixedAnswer;
    std::vector<Program> m_programs;
    std::vector<std::vector<uint8_t>> m_received;
    std::multimap<std::chrono::steady_clock::time_point, std::vector<uint8_t>> m_lateAnswers;
    bool m_stopping = false;
    std::thread m_lateThread;
};

class PeerSocket final : public Endpoint {
public:
    PeerSocket(std::string path, FeedFunction feed);
    ~PeerSocket() override;

    void Connect() override;
    bool Receive(const std::vector<uint8_t>& message) override;

private:
    bool ConnectLocked();
    void RunReader();

    const std::string m_path;
    const FeedFunction m_feed;
    std::mutex m_mutex;
    std::condition_variable m_connected;
    // Closed only by the reader, so that it never polls a number already given to another file.
    int m_socket = -1;
    // Set once a write failed; the reader then closes the socket and a later use connects again.
    bool m_broken = false;
    bool m_stopping = false;
    int m_wakePipe[2] = {-1, -1};
    std::thread m_reader;
};

} // namespace VQ::Platform::VirtualMidi
