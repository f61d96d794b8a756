// Reads the family and style names of the fonts of a TrueType font or collection file from their
// name tables. The bytes come from the file and are not trusted: every offset and length is checked
// against the source's size.
#pragma once

#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <vector>

namespace VQ {

// Random access to the bytes of one font file.
class FontByteSource {
public:
    virtual ~FontByteSource() = default;
    virtual uint32_t GetSize() const = 0;
    // Exactly count bytes from the offset; false when they cannot all be read.
    virtual bool ReadAt(uint32_t offset, void* buffer, uint32_t count) = 0;
};

// Bytes held in memory by the caller.
class MemoryFontByteSource : public FontByteSource {
public:
    MemoryFontByteSource(const uint8_t* data, uint32_t size) : m_data(data), m_size(size) {}
    uint32_t GetSize() const override { return m_size; }
    bool ReadAt(uint32_t offset, void* buffer, uint32_t count) override;

private:
    const uint8_t* m_data;
    uint32_t m_size;
};

struct FontNamePair {
    StringT<char16_t, char> family;
    // Lower-cased.
    StringT<char16_t, char> style;
};

// Appends a pair each time a font's name table has given both a family (name id 1) and a style
// (name id 2), from the Macintosh records of language 0 or the Windows records of US English, then
// looks for the next pair. False when the file is malformed or truncated: a read falls outside the
// source. The pairs appended before then are kept, and it is for the caller to drop them.
bool ReadFontNames(FontByteSource& source, std::vector<FontNamePair>& pairs);

} // namespace VQ
