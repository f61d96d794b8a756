#include "vqframework/renderer/fontfile/FontNameTable.h"

#include <algorithm>
#include <cstring>

namespace VQ {

namespace {

constexpr uint32_t CollectionVersion2 = 0x00020000;
constexpr uint32_t OffsetTableSize = 12;
constexpr uint32_t TableRecordSize = 16;
constexpr uint32_t NameHeaderSize = 6;
constexpr uint32_t NameRecordSize = 12;

constexpr uint16_t PlatformMacintosh = 1;
constexpr uint16_t PlatformWindows = 3;
constexpr uint16_t LanguageMacintoshEnglish = 0;
constexpr uint16_t LanguageWindowsUSEnglish = 0x409;
constexpr uint16_t NameFamily = 1;
constexpr uint16_t NameStyle = 2;

uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

uint32_t ReadU32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// The table and name records one file may make the reader visit. A collection may list one font
// many times, so without it the work grows as fonts x records; a sound file visits each record once
// and every record takes at least 12 bytes, so the limit grows with the file.
uint64_t RecordBudget(const FontByteSource& source)
{
    return std::max<uint64_t>(uint64_t(1) << 16, source.GetSize() / 8);
}

// False once the file has used up its budget.
bool Spend(uint64_t& budget)
{
    if (budget == 0)
        return false;
    --budget;
    return true;
}

// Offsets add up past 32 bits in a hostile file; such a sum is simply out of range.
bool ReadAt(FontByteSource& source, uint64_t offset, void* buffer, uint32_t count)
{
    if (offset + count > source.GetSize())
        return false;
    return source.ReadAt(uint32_t(offset), buffer, count);
}

// The text of a record: Macintosh bytes taken as UTF-8, Windows ones as big-endian UTF-16.
bool ReadNameString(FontByteSource& source, uint64_t offset, uint16_t platform, uint16_t length,
                    StringT<char16_t, char>& text)
{
    std::vector<uint8_t> bytes(length);
    if (!ReadAt(source, offset, bytes.data(), length))
        return false;
    if (platform == PlatformMacintosh) {
        text.AssignUTF8(reinterpret_cast<const char*>(bytes.data()), int32_t(length));
        return true;
    }
    std::vector<char16_t> units(length / 2u);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(ReadU16(&bytes[2 * i]));
    if (units.empty())
        text.Clear();
    else
        text.Assign(units.data(), int32_t(units.size()));
    return true;
}

bool ReadNameTable(FontByteSource& source, uint64_t tableOffset, uint64_t& budget, std::vector<FontNamePair>& pairs)
{
    uint8_t header[NameHeaderSize];
    if (!ReadAt(source, tableOffset, header, NameHeaderSize))
        return false;
    const uint16_t count = ReadU16(header + 2);
    const uint64_t storage = tableOffset + ReadU16(header + 4);

    StringT<char16_t, char> family;
    StringT<char16_t, char> style;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t record[NameRecordSize];
        if (!Spend(budget) || !ReadAt(source, tableOffset + NameHeaderSize + uint64_t(i) * NameRecordSize, record, NameRecordSize))
            return false;
        const uint16_t platform = ReadU16(record);
        const uint16_t language = ReadU16(record + 4);
        const uint16_t nameID = ReadU16(record + 6);
        const uint16_t length = ReadU16(record + 8);
        const uint16_t offset = ReadU16(record + 10);
        const bool accepted = (platform == PlatformMacintosh && language == LanguageMacintoshEnglish) ||
                              (platform == PlatformWindows && language == LanguageWindowsUSEnglish);
        if (!accepted || (nameID != NameFamily && nameID != NameStyle))
            continue;
        StringT<char16_t, char> text;
        if (!ReadNameString(source, storage + offset, platform, length, text))
            return false;
        if (text.IsEmpty())
            continue;
        if (nameID == NameFamily && family.IsEmpty())
            family = std::move(text);
        else if (nameID == NameStyle && style.IsEmpty())
            style = text.ToLower();
        if (!family.IsEmpty() && !style.IsEmpty()) {
            pairs.push_back({std::move(family), std::move(style)});
            family.Clear();
            style.Clear();
        }
    }
    return true;
}

// Scans the table records of the font at the offset up to its name table, which ends the scan, as
// does a record without a tag.
bool ReadFont(FontByteSource& source, uint64_t fontOffset, uint64_t& budget, std::vector<FontNamePair>& pairs)
{
    uint8_t offsetTable[OffsetTableSize];
    if (!ReadAt(source, fontOffset, offsetTable, OffsetTableSize))
        return false;
    const uint16_t tableCount = ReadU16(offsetTable + 4);
    for (uint32_t i = 0; i < tableCount; ++i) {
        uint8_t record[TableRecordSize];
        if (!Spend(budget) || !ReadAt(source, fontOffset + OffsetTableSize + uint64_t(i) * TableRecordSize, record, TableRecordSize))
            return false;
        if (record[0] == 0)
            return true;
        char tag[4];
        for (int k = 0; k < 4; ++k)
            tag[k] = detail::AsciiLower(char(record[k]));
        if (std::memcmp(tag, "name", 4) == 0)
            return ReadNameTable(source, ReadU32(record + 8), budget, pairs);
    }
    return true;
}

} // namespace

bool MemoryFontByteSource::ReadAt(uint32_t offset, void* buffer, uint32_t count)
{
    if (offset > m_size || count > m_size - offset)
        return false;
    if (count != 0)
        std::memcpy(buffer, m_data + offset, count);
    return true;
}

bool ReadFontNames(FontByteSource& source, std::vector<FontNamePair>& pairs)
{
    uint8_t header[12];
    if (!ReadAt(source, 0, header, sizeof header))
        return false;
    uint64_t budget = RecordBudget(source);
    if (std::memcmp(header, "ttcf", 4) != 0)
        return ReadFont(source, 0, budget, pairs);

    const uint32_t version = ReadU32(header + 4);
    const uint32_t fontCount = ReadU32(header + 8);
    // Checked before anything is allocated for them.
    const uint64_t offsetsSize = uint64_t(fontCount) * 4;
    if (sizeof header + offsetsSize > source.GetSize())
        return false;
    std::vector<uint8_t> offsets(static_cast<size_t>(offsetsSize));
    if (!ReadAt(source, sizeof header, offsets.data(), uint32_t(offsetsSize)))
        return false;
    if (version == CollectionVersion2) {
        // The signature fields; read, as they are part of the header, and not used.
        uint8_t signature[12];
        if (!ReadAt(source, sizeof header + offsetsSize, signature, sizeof signature))
            return false;
    }
    for (uint32_t k = 0; k < fontCount; ++k) {
        if (!ReadFont(source, ReadU32(&offsets[size_t(k) * 4]), budget, pairs))
            return false;
    }
    return true;
}

} // namespace VQ
