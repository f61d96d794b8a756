// Shared by the model tests: value blobs, a log of reported changes and a device communication that
// records what the model asks of it.
#pragma once

#include "devicecontrol/communication/DeviceCommunicationInterface.h"
#include "devicecontrol/generatedcode/engine/src/RootModule.h"

#include <cstdint>
#include <vector>

namespace VQ::test {

using Bytes = std::vector<uint8_t>;

inline Variant Blob(const Bytes& bytes)
{
    Variant value;
    value.SetBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return value;
}

// The bytes of an owned byte value; empty for any other type.
inline Bytes BytesOf(const Variant& value)
{
    if (value.GetType() != Variant::TypeBytes)
        return {};
    uint32_t size = 0;
    const auto* data = static_cast<const uint8_t*>(value.GetData(&size));
    return Bytes(data, data + size);
}

// Every report of the change callback, in order; each one notes whether a write was in progress.
struct ChangeLog {
    struct Entry {
        ParamValue change;
        bool duringWrite = false;
    };

    static void Record(void* userData, const IArray<ParamValue>& changed)
    {
        auto* log = static_cast<ChangeLog*>(userData);
        for (uint32_t i = 0; i < changed.GetCount(); ++i)
            log->entries.push_back({changed.GetAt(i), log->writing});
    }

    std::vector<Entry> entries;
    bool writing = false;
};

// Answers writes, reads and connections with set results and records the calls.
class LRecordingCommunication : public LDeviceCommunicationInterface {
public:
    static RCPtr<LRecordingCommunication> Create()
    {
        return RCPtr<LRecordingCommunication>(new LRecordingCommunication());
    }

    int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value) override
    {
        written.push_back(ParamValue(descriptor.id, descriptor.key, value));
        return setResult;
    }
    int32_t GetParamValue(const ParamDescriptor& descriptor, Variant& out) override
    {
        read.push_back(descriptor.id);
        out = readValue;
        return readResult;
    }
    int32_t ConnectDevice(const Variant& device) override
    {
        connected.push_back(device);
        return connectResult;
    }
    int32_t DisconnectDevice() override
    {
        ++disconnects;
        return 0;
    }
    int32_t RequestParamRanges(const ParamRanges& ranges) override
    {
        requestedRanges.push_back(ranges);
        return 0;
    }
    int32_t RequestParamValue(const ParamDescriptor& descriptor) override
    {
        requestedValues.push_back(descriptor.id);
        return 0;
    }

    int32_t setResult = 7;
    int32_t readResult = 3;
    Variant readValue = Variant(42);
    int32_t connectResult = 0;
    std::vector<ParamValue> written;
    std::vector<int32_t> read;
    std::vector<Variant> connected;
    int disconnects = 0;
    std::vector<ParamRanges> requestedRanges;
    std::vector<int32_t> requestedValues;
};

} // namespace VQ::test
