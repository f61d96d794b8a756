#include "platform/midi/virtual/VirtualMidiEndpoints.h"

#include <algorithm>

namespace VQ::Platform::VirtualMidi {

namespace {

constexpr uint32_t SlotCount = 5;
constexpr size_t PadCount = 8;
constexpr size_t KnobCount = 8;

// F0, maker, device, model, command, then the slot; the get request adds a byte count of 1.
constexpr uint8_t GetRequestHead[] = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01};
constexpr uint8_t ReplyHead[] = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A};
constexpr uint8_t SendProgramHead[] = {0xF0, 0x7D, 0x7F, 0x3C, 0x61, 0x00, 0x3A};
constexpr size_t HeadSize = sizeof(ReplyHead);
constexpr size_t ProgramMessageSize = HeadSize + 1 + SimulatedController::ProgramSize + 1;

SimulatedController::Program DefaultProgram()
{
    SimulatedController::Program program;
    program.reserve(SimulatedController::ProgramSize);
    program.push_back(0);
    for (size_t pad = 0; pad < PadCount; ++pad) {
        const auto i = uint8_t(pad);
        program.insert(program.end(), {uint8_t(36 + i), i, i, 0});
    }
    for (size_t knob = 0; knob < KnobCount; ++knob)
        program.insert(program.end(), {uint8_t(knob), 0, 127});
    return program;
}

bool StartsWith(const std::vector<uint8_t>& message, const uint8_t* head)
{
    return message.size() >= HeadSize && std::equal(head, head + HeadSize, message.begin());
}

// The slot asked for, or -1 when the message is no get request.
int GetRequestSlot(const std::vector<uint8_t>& message)
{
    if (message.size() != HeadSize + 2 || !StartsWith(message, GetRequestHead) || message.back() != 0xF7)
        return -1;
    const uint8_t slot = message[HeadSize];
    return slot < SlotCount ? slot : -1;
}

// The slot a send-program message stores to, or -1 when it is none.
int SendProgramSlot(const std::vector<uint8_t>& message)
{
    if (message.size() != ProgramMessageSize || !StartsWith(message, SendProgramHead) || message.back() != 0xF7)
        return -1;
    if (std::any_of(message.begin() + HeadSize, message.end() - 1, [](uint8_t b) { return b >= 0x80; }))
        return -1;
    const uint8_t slot = message[HeadSize];
    return slot < SlotCount ? slot : -1;
}

} // namespace

ControllerEndpoint::ControllerEndpoint(FeedFunction feed)
    : m_feed(std::move(feed))
    , m_programs(SlotCount, DefaultProgram())
{
}

ControllerEndpoint::~ControllerEndpoint()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_lateChanged.notify_all();
    if (m_lateThread.joinable())
        m_lateThread.join();
}

bool ControllerEndpoint::Receive(const std::vector<uint8_t>& message)
{
    std::vector<uint8_t> answer;
    {
        std::lock_guard lock(m_mutex);
        m_received.push_back(message);
        if (const int slot = SendProgramSlot(message); slot >= 0) {
            m_programs[size_t(slot)].assign(message.begin() + HeadSize + 1, message.end() - 1);
            return true;
        }
        const int slot = GetRequestSlot(message);
        if (slot < 0)
            return true;
        switch (m_mode) {
        case Mode::Silent:
            return true;
        case Mode::Fixed:
            answer = m_fixedAnswer;
            break;
        case Mode::Answer:
        case Mode::Late: {
            answer.assign(ReplyHead, ReplyHead + HeadSize);
            answer.push_back(uint8_t(slot));
            const Program& program = m_programs[size_t(slot)];
            answer.insert(answer.end(), program.begin(), program.end());
            answer.push_back(0xF7);
            break;
        }
        }
        if (m_mode == Mode::Late) {
            m_lateAnswers.emplace(std::chrono::steady_clock::now() + m_delay, std::move(answer));
            if (!m_lateThread.joinable())
                m_lateThread = std::thread([this] { RunLateAnswers(); });
            m_lateChanged.notify_all();
            return true;
        }
    }
    if (!answer.empty())
        m_feed(answer);
    return true;
}

void ControllerEndpoint::RunLateAnswers()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_lateAnswers.empty()) {
            m_lateChanged.wait(lock);
            continue;
        }
        const auto due = m_lateAnswers.begin()->first;
        if (std::chrono::steady_clock::now() < due) {
            m_lateChanged.wait_until(lock, due);
            continue;
        }
        std::vector<uint8_t> answer = std::move(m_lateAnswers.begin()->second);
        m_lateAnswers.erase(m_lateAnswers.begin());
        lock.unlock();
        m_feed(answer);
        lock.lock();
    }
}

void ControllerEndpoint::SetMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_mode = mode;
}

void ControllerEndpoint::SetAnswerDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_delay = std::max(delay, std::chrono::milliseconds(0));
}

void ControllerEndpoint::SetFixedAnswer(const std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(m_mutex);
    m_fixedAnswer = bytes;
}

SimulatedController::Program ControllerEndpoint::GetProgram(uint32_t slot) const
{
    std::lock_guard lock(m_mutex);
    return slot < SlotCount ? m_programs[slot] : Program{};
}

void ControllerEndpoint::SetProgram(uint32_t slot, const Program& program)
{
    std::lock_guard lock(m_mutex);
    if (slot < SlotCount && program.size() == ProgramSize)
        m_programs[slot] = program;
}

std::vector<std::vector<uint8_t>> ControllerEndpoint::GetReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

} // namespace VQ::Platform::VirtualMidi
