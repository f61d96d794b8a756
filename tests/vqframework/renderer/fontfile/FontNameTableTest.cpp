#include "vqframework/renderer/fontfile/FontNameTable.h"

#include "tests/vqframework/renderer/fontfile/FontBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace VQ {
namespace {

using test::Bytes;
using test::Collection;
using test::Font;
using test::FontWithTables;
using test::MacName;
using test::NameTable;
using test::PutU16;
using test::PutU32;
using test::SetU32;
using test::WinName;

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

bool Read(const Bytes& bytes, Pairs& out)
{
    MemoryFontByteSource source(bytes.data(), uint32_t(bytes.size()));
    std::vector<FontNamePair> pairs;
    const bool ok = ReadFontNames(source, pairs);
    out.clear();
    for (const FontNamePair& pair : pairs)
        out.emplace_back(std::u16string(pair.family.View()), std::u16string(pair.style.View()));
    return ok;
}

Pairs ReadValid(const Bytes& bytes)
{
    Pairs pairs;
    EXPECT_TRUE(Read(bytes, pairs));
    return pairs;
}

TEST(FontNameTableTest, SelectsRecordsByPlatformLanguageAndNameID)
{
    struct Case {
        const char* what;
        std::vector<test::NameRecordBytes> records;
        Pairs expected;
    };
    const Case cases[] = {
        {"Windows pair, style lower-cased", {WinName(1, u"Fixture Sans"), WinName(2, u"Bold Italic")},
         {{u"Fixture Sans", u"bold italic"}}},
        {"Macintosh pair", {MacName(1, "Mac Family"), MacName(2, "Regular")}, {{u"Mac Family", u"regular"}}},
        {"Macintosh bytes are UTF-8", {MacName(1, "Caf\xC3\xA9"), MacName(2, "Book")}, {{u"Caf\u00e9", u"book"}}},
        {"style before family", {WinName(2, u"Italic"), WinName(1, u"Late")}, {{u"Late", u"italic"}}},
        {"both platforms register twice",
         {MacName(1, "Twice"), MacName(2, "Bold"), WinName(1, u"Twice"), WinName(2, u"Bold")},
         {{u"Twice", u"bold"}, {u"Twice", u"bold"}}},
        {"a second family before any style is ignored",
         {WinName(1, u"First"), WinName(1, u"Second"), WinName(2, u"Regular")}, {{u"First", u"regular"}}},
        {"a family after a pair waits for its own style",
         {WinName(1, u"A"), WinName(2, u"Regular"), WinName(1, u"B"), WinName(2, u"Bold")},
         {{u"A", u"regular"}, {u"B", u"bold"}}},
        {"other languages, platforms and name ids are ignored",
         {WinName(1, u"German", 0x407), MacName(1, "French", 2), {0, 3, 0, 1, {0, 'U'}}, WinName(4, u"Full"),
          WinName(1, u"Kept"), WinName(2, u"Regular")},
         {{u"Kept", u"regular"}}},
        {"empty texts are ignored", {WinName(1, u""), MacName(2, ""), WinName(1, u"Named"), MacName(2, "Bold")},
         {{u"Named", u"bold"}}},
        {"a family without a style registers nothing", {WinName(1, u"Alone")}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ReadValid(Font(c.records))) << c.what;
}

TEST(FontNameTableTest, DropsTheOddByteOfWindowsText)
{
    test::NameRecordBytes family = WinName(1, u"Odd");
    family.text.push_back('x');
    EXPECT_EQ((Pairs{{u"Odd", u"regular"}}), ReadValid(Font({family, WinName(2, u"Regular")})));
}

TEST(FontNameTableTest, NameTagInAnyCaseEndsTheTableScan)
{
    const Bytes upper = NameTable({WinName(1, u"Upper"), WinName(2, u"Regular")});
    const Bytes lower = NameTable({WinName(1, u"Lower"), WinName(2, u"Regular")});
    EXPECT_EQ((Pairs{{u"Upper", u"regular"}}),
              ReadValid(FontWithTables({{"cmap", Bytes(4, 0)}, {"NAME", upper}, {"name", lower}})));
    // A record without a tag ends the scan before any name table.
    EXPECT_EQ(Pairs{}, ReadValid(FontWithTables({{"head", Bytes(4, 0)}, {"", Bytes(4, 0)}, {"name", lower}})));
    EXPECT_EQ(Pairs{}, ReadValid(FontWithTables({{"head", Bytes(4, 0)}, {"nam", lower}})));
}

TEST(FontNameTableTest, ReadsEveryFontOfACollection)
{
    const std::vector<std::vector<test::TableBytes>> fonts = {
        {{"name", NameTable({WinName(1, u"One"), WinName(2, u"Regular")})}},
        {{"name", NameTable({WinName(1, u"One"), WinName(2, u"Bold")})}},
        {{"name", NameTable({MacName(1, "Two"), MacName(2, "Italic")})}},
    };
    const Pairs expected = {{u"One", u"regular"}, {u"One", u"bold"}, {u"Two", u"italic"}};
    EXPECT_EQ(expected, ReadValid(Collection(fonts)));
    EXPECT_EQ(expected, ReadValid(Collection(fonts, 0x00010000)));
}

TEST(FontNameTableTest, RejectsEveryTruncation)
{
    // The last bytes are the text of an accepted record, so every byte of the file is read.
    const Bytes single = Font({WinName(1, u"Cut"), WinName(2, u"Regular")});
    const Bytes collection = Collection({{{"name", NameTable({WinName(1, u"A"), WinName(2, u"Bold")})}},
                                         {{"name", NameTable({WinName(1, u"B"), WinName(2, u"Bold")})}}});
    for (const Bytes* whole : {&single, &collection}) {
        Pairs pairs;
        ASSERT_TRUE(Read(*whole, pairs));
        for (size_t size = 0; size < whole->size(); ++size) {
            const Bytes cut(whole->begin(), whole->begin() + std::ptrdiff_t(size));
            EXPECT_FALSE(Read(cut, pairs)) << size << " of " << whole->size() << " bytes";
        }
    }
}

TEST(FontNameTableTest, RejectsOffsetsAndCountsOutsideTheFile)
{
    const Bytes valid = Font({WinName(1, u"Fixture"), WinName(2, u"Regular")});
    // Offsets in the valid font: table count at 4, the name table's record at 28 (offset at 36), the
    // name table at 52 (storage offset at 56, first string offset at 68).
    ASSERT_EQ(52u, uint32_t(valid[36 + 3]) | uint32_t(valid[36 + 2]) << 8);

    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    // The second record would start in the head table's data, tagged "aaaa", and end past the file.
    Bytes tables = FontWithTables({{"head", Bytes(4, 'a')}});
    tables[5] = 2;
    cases.push_back({"table count past the end before any name table", tables});
    Bytes nameOffset = valid;
    SetU32(nameOffset, 36, 0xFFFFFFF0u);
    cases.push_back({"name table offset near 2^32", nameOffset});
    Bytes storage = valid;
    storage[56] = 0xFF;
    cases.push_back({"storage offset past the end", storage});
    Bytes string = valid;
    string[68] = 0xFF;
    cases.push_back({"string offset past the end", string});
    Bytes count = valid;
    count[54] = 0x7F;
    cases.push_back({"record count past the end", count});

    Bytes manyFonts{'t', 't', 'c', 'f'};
    PutU32(manyFonts, 0x00010000);
    PutU32(manyFonts, 0xFFFFFFFFu);
    PutU32(manyFonts, 12);
    cases.push_back({"collection font count past the end", manyFonts});
    Bytes farFont{'t', 't', 'c', 'f'};
    PutU32(farFont, 0x00010000);
    PutU32(farFont, 1);
    PutU32(farFont, 0x7FFFFFF0u);
    PutU16(farFont, 0);
    cases.push_back({"collection font offset past the end", farFont});
    Bytes noSignature{'t', 't', 'c', 'f'};
    PutU32(noSignature, 0x00020000);
    PutU32(noSignature, 0);
    cases.push_back({"version 2 header without its signature fields", noSignature});

    // One font of 4096 name records listed 64 times: read once it is sound, but the collection makes
    // the reader visit 64 x 4096 records from a file of 50 KB.
    std::vector<test::NameRecordBytes> records;
    for (int i = 0; i < 2048; ++i) {
        records.push_back(WinName(1, u"F"));
        records.push_back(WinName(2, u"R"));
    }
    const Bytes font = FontWithTables({{"name", NameTable(records)}});
    Bytes repeated{'t', 't', 'c', 'f'};
    PutU32(repeated, 0x00010000);
    PutU32(repeated, 64);
    const uint32_t fontStart = 12 + 64 * 4;
    for (int i = 0; i < 64; ++i)
        PutU32(repeated, fontStart);
    Bytes once = repeated;
    SetU32(once, 8, 1);
    for (Bytes* file : {&repeated, &once}) {
        // The font's offsets count from the start of the file, as in a collection.
        Bytes shifted = font;
        SetU32(shifted, 12 + 8, uint32_t(fontStart + 12 + 16));
        file->insert(file->end(), shifted.begin(), shifted.end());
    }
    Pairs pairs;
    ASSERT_TRUE(Read(once, pairs));
    ASSERT_EQ(2048u, pairs.size());
    cases.push_back({"one font listed many times", repeated});

    for (const Case& c : cases) {
        Pairs pairs;
        EXPECT_FALSE(Read(c.bytes, pairs)) << c.what;
    }
}

} // namespace
} // namespace VQ
