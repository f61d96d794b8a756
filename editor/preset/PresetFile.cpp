#include "editor/preset/PresetFile.h"

#include <cstring>

namespace VQ::PresetFile {

namespace {

// Record layout: size, reserved, id, then the value entry.
constexpr uint32_t RecordHeaderSize = 12;
constexpr uint32_t EntryHeaderSize = 12;

uint32_t ReadWord(const uint8_t* at)
{
    uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

void AppendWord(std::vector<uint8_t>& out, uint32_t word)
{
    uint8_t bytes[4];
    std::memcpy(bytes, &word, sizeof word);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

} // namespace

uint32_t ModelValueLength(int32_t id)
{
    if (id == 0)
        return 1;
    if (id >= 1 && id <= 8)
        return 4;
    if (id >= 9 && id < ParamCount)
        return 3;
    return 0;
}

bool Write(const std::vector<Record>& records, std::vector<uint8_t>& out)
{
    out.clear();
    AppendWord(out, FormatVersion);
    AppendWord(out, 0);
    AppendWord(out, 0);
    for (const Record& record : records) {
        uint32_t length = 0;
        record.value.GetData(&length);
        if (length > MaxFileSize) {
            out.clear();
            return false;
        }
        const uint32_t entrySize = EntryHeaderSize + length;
        AppendWord(out, RecordHeaderSize + entrySize);
        AppendWord(out, 0);
        AppendWord(out, static_cast<uint32_t>(record.id));
        const size_t entryAt = out.size();
        out.resize(entryAt + entrySize);
        if (SerializeVariant(record.value, out.data() + entryAt, entrySize) != entrySize) {
            out.clear();
            return false;
        }
    }
    return true;
}

int32_t Read(const void* data, size_t size, std::vector<Record>& records)
{
    records.clear();
    if (!data || size < HeaderSize)
        return ReadCorruptFile;
    const auto* bytes = static_cast<const uint8_t*>(data);
    const uint32_t version = ReadWord(bytes);
    // The device words name the kind of device the file was written for; they come before the version.
    if (ReadWord(bytes + 4) != 0 || ReadWord(bytes + 8) != 0)
        return ReadWrongDevice;
    if (version > FormatVersion)
        return ReadNewerFile;
    if (version == 0)
        return ReadOlderFile;
    // A file that ends right after its header was cut short: this program never writes one.
    if (size == HeaderSize || size > MaxFileSize)
        return ReadCorruptFile;

    std::vector<Record> read;
    for (size_t offset = HeaderSize; offset < size;) {
        const size_t left = size - offset;
        if (left < 4)
            return ReadCorruptFile;
        const uint8_t* record = bytes + offset;
        const uint32_t recordSize = ReadWord(record);
        if (recordSize < RecordHeaderSize + 4 || recordSize > left || ReadWord(record + 4) != 0)
            return ReadCorruptFile;
        Record entry;
        entry.id = static_cast<int32_t>(ReadWord(record + 8));
        // The entry is bounded by its record, never by what follows in the file.
        if (Failed(DeserializeVariant(entry.value, record + RecordHeaderSize, recordSize - RecordHeaderSize)))
            return ReadCorruptFile;
        const uint32_t modelLength = ModelValueLength(entry.id);
        if (modelLength &&
            (entry.value.GetType() != Variant::TypeBytes || entry.value.GetLength() != modelLength))
            return ReadCorruptFile;
        read.push_back(std::move(entry));
        offset += recordSize;
    }
    records = std::move(read);
    return ReadOk;
}

} // namespace VQ::PresetFile
