// The program file's byte form on its own: what it passes on and what it refuses as a whole.
#include "editor/preset/PresetFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace VQ {
namespace {

Variant Bytes(std::vector<uint8_t> bytes)
{
    Variant value;
    value.SetBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return value;
}

std::vector<PresetFile::Record> Records(std::initializer_list<std::pair<int32_t, Variant>> items)
{
    std::vector<PresetFile::Record> records;
    for (const auto& [id, value] : items)
        records.push_back({id, value});
    return records;
}

TEST(PresetFileTest, IdsOutsideTheModelPassWithAnyValueInFileOrder)
{
    Variant text;
    text.SetString("x");
    const auto written = Records({{100, text}, {-1, Variant::Of<uint8_t>(7)}, {2, Bytes({1, 2, 3, 4})}});
    std::vector<uint8_t> file;
    ASSERT_TRUE(PresetFile::Write(written, file));

    std::vector<PresetFile::Record> read;
    ASSERT_EQ(PresetFile::Read(file.data(), file.size(), read), PresetFile::ReadOk);
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].id, written[i].id);
        EXPECT_EQ(read[i].value, written[i].value);
    }
}

TEST(PresetFileTest, ModelIdsMustHoldOwnedBytesOfTheModelLengthOrNothingIsRead)
{
    struct Case {
        const char* what;
        int32_t id;
        Variant value;
    };
    const Case cases[] = {
        {"a channel of two bytes", 0, Bytes({1, 2})},
        {"a pad of three bytes", 1, Bytes({1, 2, 3})},
        {"the last knob of four bytes", 16, Bytes({1, 2, 3, 4})},
        {"a channel as a number", 0, Variant::Of<uint8_t>(1)},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        std::vector<uint8_t> file;
        ASSERT_TRUE(PresetFile::Write(Records({{9, Bytes({1, 2, 3})}, {each.id, each.value}}), file));
        std::vector<PresetFile::Record> read = Records({{5, Bytes({9})}});
        EXPECT_EQ(PresetFile::Read(file.data(), file.size(), read), PresetFile::ReadCorruptFile);
        EXPECT_TRUE(read.empty());
    }
}

} // namespace
} // namespace VQ
