// A receiver for the device communication tests: it records every delivery with the thread it came
// on, and can hold a delivery until released, so that tests order events without sleeping.
#pragma once

#include "devicecontrol/communication/DeviceCommunicationInterface.h"
#include "vqframework/threads/Event.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace VQ::test {

// A short wait for things that must not happen; what must happen is waited for without limit, and
// CTest's timeout catches a hang.
inline constexpr uint32_t NegativeWaitMs = 50;

class RecordingReceiver : public DeviceCommunicationReceiver {
public:
    void ReceiveParamValues(const ParamValues& values) override
    {
        if (m_holdNext.exchange(false)) {
            m_held.Set();
            m_release.Wait(Infinite);
        }
        std::lock_guard lock(m_mutex);
        m_reports.push_back(values);
        m_threads.push_back(std::this_thread::get_id());
        m_changed.notify_all();
    }

    VQRESULT ReceiveOther(int32_t, int32_t, int32_t) override { return S_OK; }

    // The next delivery, once begun, waits for Release before it is recorded.
    void HoldNext() { m_holdNext.store(true); }
    void WaitUntilHeld() { m_held.Wait(Infinite); }
    void Release() { m_release.Set(); }

    // Waits without limit until count deliveries are recorded.
    void WaitForCount(size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_reports.size() >= count; });
    }

    std::vector<ParamValues> Reports() const
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }

    std::vector<std::thread::id> Threads() const
    {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ParamValues> m_reports;
    std::vector<std::thread::id> m_threads;
    std::atomic<bool> m_holdNext{false};
    Event m_held{true};
    Event m_release{true};
};

// One report of one parameter.
inline ParamValues MakeReport(int32_t id, const Variant& value)
{
    ParamValues report;
    report.Set(ParamDescriptor(id), value);
    return report;
}

// The first element of a report.
struct ReportElement {
    int32_t result = -1;
    int32_t id = -1;
    Variant key;
    Variant value;
};

inline ReportElement FirstElement(const ParamValues& report)
{
    ReportElement element;
    element.result = report.GetAt(0, element.value, element.id, element.key);
    return element;
}

} // namespace VQ::test
