// Small synthetic TrueType fonts and collections: an offset table, its table records and a name
// table, which is all the font catalogue reads. Shared by the catalogue's tests and its fuzzer seeds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VQ::test {

using Bytes = std::vector<uint8_t>;

struct NameRecordBytes {
    uint16_t platform;
    uint16_t encoding;
    uint16_t language;
    uint16_t nameID;
    Bytes text;
};

inline void PutU16(Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

inline void PutU32(Bytes& out, uint32_t value)
{
    PutU16(out, uint16_t(value >> 16));
    PutU16(out, uint16_t(value));
}

inline void SetU32(Bytes& out, size_t at, uint32_t value)
{
    out[at] = uint8_t(value >> 24);
    out[at + 1] = uint8_t(value >> 16);
    out[at + 2] = uint8_t(value >> 8);
    out[at + 3] = uint8_t(value);
}

// A Macintosh record (language 0): the text's bytes as they are.
inline NameRecordBytes MacName(uint16_t nameID, std::string_view text, uint16_t language = 0)
{
    return {1, 0, language, nameID, Bytes(text.begin(), text.end())};
}

// A Windows record (US English unless told): big-endian UTF-16.
inline NameRecordBytes WinName(uint16_t nameID, std::u16string_view text, uint16_t language = 0x409)
{
    Bytes bytes;
    for (char16_t unit : text)
        PutU16(bytes, uint16_t(unit));
    return {3, 1, language, nameID, bytes};
}

inline Bytes NameTable(const std::vector<NameRecordBytes>& records)
{
    Bytes table;
    const uint16_t storage = uint16_t(6 + 12 * records.size());
    PutU16(table, 0);
    PutU16(table, uint16_t(records.size()));
    PutU16(table, storage);
    Bytes strings;
    for (const NameRecordBytes& record : records) {
        PutU16(table, record.platform);
        PutU16(table, record.encoding);
        PutU16(table, record.language);
        PutU16(table, record.nameID);
        PutU16(table, uint16_t(record.text.size()));
        PutU16(table, uint16_t(strings.size()));
        strings.insert(strings.end(), record.text.begin(), record.text.end());
    }
    table.insert(table.end(), strings.begin(), strings.end());
    return table;
}

struct TableBytes {
    std::string tag;
    Bytes data;
};

// Appends a font whose offsets count from the start of out, as in a collection.
inline void AppendFont(Bytes& out, const std::vector<TableBytes>& tables)
{
    PutU32(out, 0x00010000);
    PutU16(out, uint16_t(tables.size()));
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, 0);
    const size_t records = out.size();
    for (const TableBytes& table : tables) {
        for (size_t i = 0; i < 4; ++i)
            out.push_back(i < table.tag.size() ? uint8_t(table.tag[i]) : 0);
        PutU32(out, 0);
        PutU32(out, 0);
        PutU32(out, uint32_t(table.data.size()));
    }
    for (size_t i = 0; i < tables.size(); ++i) {
        SetU32(out, records + 16 * i + 8, uint32_t(out.size()));
        out.insert(out.end(), tables[i].data.begin(), tables[i].data.end());
    }
}

inline Bytes FontWithTables(const std::vector<TableBytes>& tables)
{
    Bytes out;
    AppendFont(out, tables);
    return out;
}

// A font of a head table and a name table of the records.
inline Bytes Font(const std::vector<NameRecordBytes>& records)
{
    return FontWithTables({{"head", Bytes(8, 0)}, {"name", NameTable(records)}});
}

inline Bytes FamilyFont(std::string_view family, std::string_view style)
{
    std::u16string wideFamily(family.begin(), family.end());
    std::u16string wideStyle(style.begin(), style.end());
    return Font({WinName(1, wideFamily), WinName(2, wideStyle)});
}

// A collection of the fonts' table lists; version 2 adds the 12 bytes of signature fields.
inline Bytes Collection(const std::vector<std::vector<TableBytes>>& fonts, uint32_t version = 0x00020000)
{
    Bytes out{'t', 't', 'c', 'f'};
    PutU32(out, version);
    PutU32(out, uint32_t(fonts.size()));
    const size_t offsets = out.size();
    for (size_t i = 0; i < fonts.size(); ++i)
        PutU32(out, 0);
    if (version == 0x00020000) {
        PutU32(out, 0);
        PutU32(out, 0);
        PutU32(out, 0);
    }
    for (size_t i = 0; i < fonts.size(); ++i) {
        SetU32(out, offsets + 4 * i, uint32_t(out.size()));
        AppendFont(out, fonts[i]);
    }
    return out;
}

} // namespace VQ::test
