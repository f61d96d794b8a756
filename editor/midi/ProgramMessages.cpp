#include "editor/midi/ProgramMessages.h"

#include <algorithm>
#include <iterator>

namespace VQ {

namespace {

constexpr uint8_t GetProgramHead[] = {0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x01};
constexpr uint8_t SendProgramHead[] = {0x7D, 0x7F, 0x3C, 0x61, 0x00, 0x3A};
constexpr uint8_t ProgramReplyHead[] = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A};

void BuildHeader(const uint8_t (&head)[6], uint8_t program, Array<signed char>& body)
{
    body.SetCount(ProgramHeaderSize);
    for (uint32_t i = 0; i < std::size(head); ++i)
        body.GetAt(i) = static_cast<signed char>(head[i]);
    body.GetAt(ProgramHeaderSize - 1) = static_cast<signed char>(program);
}

bool IsDataByte(signed char byte) noexcept { return static_cast<uint8_t>(byte) <= 0x7F; }

} // namespace

uint32_t ProgramValueLength(uint32_t index) noexcept
{
    if (index == 0)
        return 1;
    return index <= 8 ? 4 : 3;
}

void BuildGetProgramRequest(uint8_t program, Array<signed char>& body) { BuildHeader(GetProgramHead, program, body); }

void BuildSendProgramHeader(uint8_t program, Array<signed char>& body) { BuildHeader(SendProgramHead, program, body); }

bool IsProgramReply(const signed char* bytes, uint32_t count) noexcept
{
    if (!bytes || count != ProgramReplySize)
        return false;
    return std::equal(std::begin(ProgramReplyHead), std::end(ProgramReplyHead), bytes,
                      [](uint8_t expected, signed char byte) { return expected == static_cast<uint8_t>(byte); });
}

bool ParseProgramReply(const signed char* bytes, uint32_t count, Array<Variant>& values)
{
    if (!IsProgramReply(bytes, count))
        return false;
    const signed char* data = bytes + ProgramReplyDataOffset;
    if (!std::all_of(data, data + ProgramDataSize, IsDataByte))
        return false;
    Array<Variant> parsed;
    parsed.SetCount(ProgramValueCount);
    for (uint32_t index = 0; index < ProgramValueCount; ++index) {
        const uint32_t length = ProgramValueLength(index);
        if (parsed.GetAt(index).SetBuffer(data, length) != Variant::TypeBytes)
            return false;
        data += length;
    }
    values = std::move(parsed);
    return true;
}

bool BuildSendProgramBody(uint8_t program, const IArray<Variant>& values, Array<signed char>& body)
{
    if (values.GetCount() != ProgramValueCount)
        return false;
    Array<signed char> built;
    BuildSendProgramHeader(program, built);
    for (uint32_t index = 0; index < ProgramValueCount; ++index) {
        const Variant& value = values.GetAt(index);
        if (value.GetType() != Variant::TypeBytes)
            return false;
        uint32_t size = 0;
        const auto* data = static_cast<const signed char*>(value.GetData(&size));
        if (size != ProgramValueLength(index) || !data || !std::all_of(data, data + size, IsDataByte))
            return false;
        for (uint32_t i = 0; i < size; ++i)
            built.InsertAt(built.GetCount(), data[i]);
    }
    body = std::move(built);
    return true;
}

} // namespace VQ
