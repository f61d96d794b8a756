// Arbitrary bytes as a program file: the reader accepts a file whole or gives nothing, every model
// value it gives has the model's shape, and an accepted file written back reads as the same values.
#include "editor/preset/PresetFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

namespace PresetFile = VQ::PresetFile;
using VQ::Variant;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<PresetFile::Record> records;
    const int32_t result = PresetFile::Read(data, size, records);
    Check(result >= PresetFile::ReadWrongDevice && result <= PresetFile::ReadOk);
    if (result != PresetFile::ReadOk) {
        Check(records.empty());
        return 0;
    }
    for (const PresetFile::Record& record : records) {
        if (const uint32_t length = PresetFile::ModelValueLength(record.id)) {
            Check(record.value.GetType() == Variant::TypeBytes);
            Check(record.value.GetLength() == length);
        }
    }

    std::vector<uint8_t> written;
    Check(PresetFile::Write(records, written));
    std::vector<PresetFile::Record> again;
    Check(PresetFile::Read(written.data(), written.size(), again) == PresetFile::ReadOk);
    Check(again.size() == records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        Check(again[i].id == records[i].id);
        // A NaN equals nothing, not even its copy.
        const int32_t type = records[i].value.GetType();
        Check(type == Variant::TypeFloat || type == Variant::TypeDouble || again[i].value == records[i].value);
    }
    return 0;
}
