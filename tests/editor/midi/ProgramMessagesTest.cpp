// The program messages as bytes: the reply read with the model's lengths, the send body refused for
// anything that would shift or break the message.
#include "editor/midi/ProgramMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace VQ::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(uint8_t program, uint8_t firstData)
{
    Bytes reply = {0xF0, 0x7D, 0x7F, 0x3C, 0x63, 0x00, 0x3A, program};
    for (uint32_t i = 0; i < ProgramDataSize; ++i)
        reply.push_back(uint8_t((firstData + i) & 0x7F));
    reply.push_back(0xF7);
    return reply;
}

const signed char* Signed(const Bytes& bytes) { return reinterpret_cast<const signed char*>(bytes.data()); }

Bytes BytesOf(const IArray<signed char>& array)
{
    Bytes bytes;
    for (uint32_t i = 0; i < array.GetCount(); ++i)
        bytes.push_back(static_cast<uint8_t>(array.GetAt(i)));
    return bytes;
}

Variant Blob(const Bytes& bytes)
{
    Variant value;
    value.SetBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return value;
}

TEST(ProgramMessagesTest, ARepliesDataSplitsIntoTheModelsLengthsAndBuildsTheSameDataBack)
{
    const Bytes reply = Reply(3, 0x10);
    Array<Variant> values;
    ASSERT_TRUE(ParseProgramReply(Signed(reply), uint32_t(reply.size()), values));
    ASSERT_EQ(values.GetCount(), ProgramValueCount);
    uint32_t lengths[ProgramValueCount];
    for (uint32_t i = 0; i < ProgramValueCount; ++i) {
        uint32_t size = 0;
        values.GetAt(i).GetData(&size);
        EXPECT_EQ(values.GetAt(i).GetType(), Variant::TypeBytes);
        lengths[i] = size;
    }
    EXPECT_THAT(lengths, ::testing::ElementsAre(1, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 3));

    Array<signed char> body;
    ASSERT_TRUE(BuildSendProgramBody(3, values, body));
    Bytes expected = {0x7D, 0x7F, 0x3C, 0x61, 0x00, 0x3A, 3};
    expected.insert(expected.end(), reply.begin() + ProgramReplyDataOffset, reply.end() - 1);
    EXPECT_EQ(BytesOf(body), expected);
}

TEST(ProgramMessagesTest, OnlyA66ByteReplyWithTheReplyHeadAndSevenBitDataIsParsed)
{
    struct Case {
        std::string name;
        Bytes bytes;
        bool parsed;
    };
    Bytes shorter = Reply(0, 0);
    shorter.erase(shorter.end() - 2);
    Bytes longer = Reply(0, 0);
    longer.insert(longer.end() - 1, 0x01);
    Bytes sendCommand = Reply(0, 0);
    sendCommand[4] = 0x61;
    Bytes highData = Reply(0, 0);
    highData[64] = 0x80;
    Bytes anyProgramAndEnd = Reply(0x7F, 0);
    anyProgramAndEnd.back() = 0x00;
    const Case cases[] = {
        {"65 bytes", shorter, false},        {"67 bytes", longer, false},
        {"command 61", sendCommand, false},  {"data byte 80", highData, false},
        {"empty", {}, false},                {"any program number and last byte", anyProgramAndEnd, true},
    };
    for (const Case& c : cases) {
        Array<Variant> values;
        values.SetCount(2);
        EXPECT_EQ(ParseProgramReply(Signed(c.bytes), uint32_t(c.bytes.size()), values), c.parsed) << c.name;
        EXPECT_EQ(values.GetCount(), c.parsed ? ProgramValueCount : 2u) << c.name << ": a refusal changes nothing";
    }
}

TEST(ProgramMessagesTest, TheSendBodyIsRefusedForValuesThatWouldShiftOrBreakTheMessage)
{
    struct Case {
        std::string name;
        uint32_t index;
        Variant value;
    };
    const Case cases[] = {
        {"a number for the channel", 0, Variant(int32_t(1))},
        {"a pad of three bytes", 1, Blob({1, 2, 3})},
        {"a knob of four bytes", 16, Blob({1, 2, 3, 4})},
        {"a knob holding F7", 9, Blob({0, 0xF7, 0x7F})},
        {"empty", 5, Variant()},
    };
    for (const Case& c : cases) {
        Array<Variant> values;
        values.SetCount(ProgramValueCount);
        for (uint32_t i = 0; i < ProgramValueCount; ++i)
            values.GetAt(i) = Blob(Bytes(ProgramValueLength(i), 0));
        values.GetAt(c.index) = c.value;
        Array<signed char> body;
        EXPECT_FALSE(BuildSendProgramBody(0, values, body)) << c.name;
        EXPECT_EQ(body.GetCount(), 0u) << c.name;
    }
    Array<Variant> sixteen;
    sixteen.SetCount(16);
    Array<signed char> body;
    EXPECT_FALSE(BuildSendProgramBody(0, sixteen, body)) << "not 17 values";
}

} // namespace
} // namespace VQ::test
