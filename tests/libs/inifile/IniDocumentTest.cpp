#include "libs/inifile/IniDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace IniFile::test {
namespace {

TEST(IniDocumentTest, WritesBackWhatItReadWithOnlyTheLineEndsMadeUniform)
{
    const struct {
        const char* what;
        std::string text;
        std::string written;
    } cases[] = {
        {"nothing", "", ""},
        {"no line end at the end", "a=1", "a=1\n"},
        {"CR LF line ends", "a=1\r\n[S]\r\nb=2\r\n", "a=1\n[S]\nb=2\n"},
        {"several CRs before a line end", "x\r\r\ny\r", "x\ny\n"},
        {"a CR inside a line", "a=x\ry\n", "a=x\ry\n"},
        {"a byte order mark", "\xEF\xBB\xBF[S]\nk=v\n", "\xEF\xBB\xBF[S]\nk=v\n"},
        {"lines it does not understand", "junk\n  \n;c\n #c\n=no key\n[unclosed\n[a]b]\n",
         "junk\n  \n;c\n #c\n=no key\n[unclosed\n[a]b]\n"},
        {"blanks and quotes as written", "  k  =  \" v \"  \n", "  k  =  \" v \"  \n"},
    };
    for (const auto& c : cases) {
        const std::string written = IniDocument::Parse(c.text).Serialise();
        EXPECT_EQ(written, c.written) << c.what;
        EXPECT_EQ(IniDocument::Parse(written).Serialise(), written) << c.what;
        EXPECT_EQ(IniDocument::Parse(c.text).SerialisedSize(), written.size()) << c.what;
    }
    EXPECT_TRUE(IniDocument::Parse("\xEF\xBB\xBF[S]\nk=v\n").HasNode("S")) << "the mark is no part of the header";
}

TEST(IniDocumentTest, AFirstLineStartingWithAByteOrderMarkKeepsItsOwn)
{
    IniDocument added = IniDocument::Parse("[S]\n");
    ASSERT_EQ(added.SetValue("", "\xEF\xBB\xBFk", "v"), Outcome::Changed);
    const IniDocument reread = IniDocument::Parse(added.Serialise());
    ASSERT_NE(reread.FindValue("", "\xEF\xBB\xBFk"), nullptr);
    EXPECT_EQ(reread.Serialise(), added.Serialise());

    // A line the mark kept from being a header stays no header when it comes first.
    IniDocument removed = IniDocument::Parse("a=1\n\xEF\xBB\xBF[S]\nb=2\n");
    ASSERT_EQ(removed.RemoveItem("", 0), Outcome::Changed);
    EXPECT_FALSE(IniDocument::Parse(removed.Serialise()).HasNode("S"));
}

TEST(IniDocumentTest, ReadsHandWrittenValues)
{
    const struct {
        const char* line;
        const char* value;
    } cases[] = {
        {"  key  =  value  ", "value"},
        {"key\t=\tvalue\t", "value"},
        {"key=\"  padded  \"", "  padded  "},
        {"key=  \"quoted\"  ", "quoted"},
        {"key=\"half", "\"half"},
        {"key=half\"", "half\""},
        {"key=\"", "\""},
        {"key=\"\"", ""},
        {"key=", ""},
        {"key==", "="},
        {"key= ; text", "; text"},
        {"key=a\\nb\\rc", "a\nb\rc"},
        {"key=a\\\\nb", "a\\nb"},
        {"key=a\\tb", "a\\tb"},
        {"key=trailing\\", "trailing\\"},
    };
    for (const auto& c : cases) {
        const IniDocument document = IniDocument::Parse(std::string("[S]\n") + c.line + "\n");
        const std::string* value = document.FindValue("S", "key");
        ASSERT_NE(value, nullptr) << c.line;
        EXPECT_EQ(*value, c.value) << c.line;
    }
}

TEST(IniDocumentTest, HeadersMayCarryACommentAndAnEmptyOneNamesTheRoot)
{
    const IniDocument document = IniDocument::Parse("top=0\n"
                                                    "[ A ] ; note\n"
                                                    "k=1\n"
                                                    "[B] junk\n"
                                                    "j=2\n"
                                                    "[]\n"
                                                    "r=3\n");
    EXPECT_EQ(document.NodeNames(), (std::vector<std::string>{"", "A"}));
    ASSERT_NE(document.FindValue("A", "j"), nullptr) << "a header with junk after it is no header";
    EXPECT_EQ(*document.FindValue("A", "j"), "2");
    EXPECT_EQ(document.KeyNames(""), (std::vector<std::string>{"top", "r"}));
}

TEST(IniDocumentTest, NewKeysGoAfterTheLastEntryOrTheCommentsOfTheirSection)
{
    const struct {
        const char* what;
        const char* text;
        const char* written;
    } cases[] = {
        {"after the last entry", "[A]\nk=1\n; about B\n\n[B]\n", "[A]\nk=1\nnew=v\n; about B\n\n[B]\n"},
        {"after the comments of a section without entries", "[A]\n; keys of A\n\n[B]\n",
         "[A]\n; keys of A\nnew=v\n\n[B]\n"},
        {"into the last block of a section written twice", "[A]\nk=1\n[B]\n[A]\n", "[A]\nk=1\n[B]\n[A]\nnew=v\n"},
        {"a new section after a blank line", "[B]\nk=1", "[B]\nk=1\n\n[A]\nnew=v\n"},
        {"a new section without a blank line after one", "[B]\n\n", "[B]\n\n[A]\nnew=v\n"},
        {"a new section into an empty file", "", "[A]\nnew=v\n"},
    };
    for (const auto& c : cases) {
        IniDocument document = IniDocument::Parse(c.text);
        EXPECT_EQ(document.SetValue("A", "new", "v"), Outcome::Changed) << c.what;
        EXPECT_EQ(document.Serialise(), c.written) << c.what;
    }
}

TEST(IniDocumentTest, TheLeadingCommentStaysOneLine)
{
    IniDocument document;
    document.AddLeadingComment("App\nName settings 1\r2");
    ASSERT_EQ(document.SetValue("", "k", "v"), Outcome::Changed);
    EXPECT_EQ(document.Serialise(), "; App Name settings 1 2\nk=v\n");
}

TEST(IniDocumentTest, ChangesTooLargeForTheFileLeaveTheDocumentAsItWas)
{
    IniDocument document = IniDocument::Parse("[A]\n0=x\n");
    const std::string before = document.Serialise();
    EXPECT_EQ(document.SetItemCount("A", 2'000'000), Outcome::TooLarge);
    EXPECT_EQ(document.SetItemCount("B", 1LL << 40), Outcome::TooLarge);
    EXPECT_EQ(document.SetValue("A", "k", std::string(IniDocument::MaxFileSize, 'v')), Outcome::TooLarge);
    EXPECT_EQ(document.SetItem("A", 1, std::string(IniDocument::MaxFileSize - 8, 'v')), Outcome::TooLarge);
    EXPECT_EQ(document.Serialise(), before);
    EXPECT_FALSE(document.HasNode("B"));
}

} // namespace
} // namespace IniFile::test
