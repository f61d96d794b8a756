// The byte form of a program file: a 12-byte header (version 1, two device words 0) followed by one
// record per parameter, each holding the parameter's id and its value entry.
#pragma once

#include "vqframework/storage/Variant.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VQ::PresetFile {

// Results of reading a file; the negative ones name the message the editor shows.
enum : int32_t {
    ReadOk = 0,
    ReadOlderFile = -1,
    ReadNewerFile = -2,
    ReadCorruptFile = -3,
    ReadWrongDevice = -4,
};

inline constexpr int32_t ParamCount = 17;
inline constexpr uint32_t HeaderSize = 12;
inline constexpr uint32_t FormatVersion = 1;
// No program file comes near this; a bigger one is refused before it is read.
inline constexpr uint32_t MaxFileSize = 1024 * 1024;

struct Record {
    int32_t id = 0;
    Variant value;
};

// The byte length the device model gives the value of a parameter id (the channel 1, a pad 4, a
// knob 3); 0 for an id outside the model.
uint32_t ModelValueLength(int32_t id);

// The file of the records in their order; false, out empty, when a value has no entry form.
bool Write(const std::vector<Record>& records, std::vector<uint8_t>& out);

// Checks the whole file first and fills records only for a file it accepts, so that a caller
// applying them changes all values or none. Ids outside the model are passed on unchecked; the
// model's own ids must hold owned bytes of the model's length.
int32_t Read(const void* data, size_t size, std::vector<Record>& records);

} // namespace VQ::PresetFile
