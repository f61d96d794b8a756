#include "platform/dialogs/DialogArguments.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace VQ::Platform {
namespace {

using Arguments = std::vector<std::string>;

struct MessageStyleCase {
    uint32_t style;
    const char* zenityKind;
    const char* kdialogKind;
};

class MessageStyleTest : public ::testing::TestWithParam<MessageStyleCase> {};

TEST_P(MessageStyleTest, IconPicksTheToolsMessageKind)
{
    const MessageStyleCase& c = GetParam();
    EXPECT_EQ(ZenityMessageArguments("Caption", "Text", c.style),
              (Arguments{"zenity", c.zenityKind, "--title=Caption", "--text=Text", "--no-markup"}));
    EXPECT_EQ(KDialogMessageArguments("Caption", "Text", c.style),
              (Arguments{"kdialog", "--title", "Caption", c.kdialogKind, "Text"}));
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MessageStyleTest,
    ::testing::Values(MessageStyleCase{MessageBoxOk, "--info", "--msgbox"},
                      MessageStyleCase{MessageBoxIconError, "--error", "--error"},
                      MessageStyleCase{MessageBoxIconWarning, "--warning", "--sorry"},
                      MessageStyleCase{MessageBoxIconInformation, "--info", "--msgbox"},
                      // Bits outside the icon's do not change it.
                      MessageStyleCase{MessageBoxIconError | 0x1001, "--error", "--error"},
                      MessageStyleCase{0x20, "--info", "--msgbox"}));

TEST(DialogArgumentsTest, TextsFromDataReachTheToolAsOneLiteralArgument)
{
    const std::string text = "<b>50% & more</b>\n--help \"$HOME\" C:\\x";
    EXPECT_EQ(ZenityMessageArguments("-t", text, MessageBoxOk),
              (Arguments{"zenity", "--info", "--title=-t", "--text=" + text, "--no-markup"}));
    EXPECT_EQ(KDialogMessageArguments("-t", text, MessageBoxOk), (Arguments{"kdialog", "--title", "-t", "--msgbox", text}));
    EXPECT_EQ(ZenityQuestionArguments("Save Program", text),
              (Arguments{"zenity", "--question", "--title=Save Program", "--text=" + text, "--no-markup"}));
    EXPECT_EQ(KDialogQuestionArguments("Save Program", text),
              (Arguments{"kdialog", "--title", "Save Program", "--warningyesno", text}));
}

struct FileDialogCase {
    const char* name;
    FileDialogRequest request;
    Arguments zenity;
    Arguments kdialog;
};

const std::vector<FileFilter> ProgramFilters{{"RKT4 Program (*.rkt4)", "*.rkt4"}, {"All Files (*.*)", "*.*"}};

FileDialogRequest Request(FileDialogKind kind, bool multiple, std::string folder, std::string fileName,
                          std::vector<FileFilter> filters)
{
    FileDialogRequest request;
    request.kind = kind;
    request.multiple = multiple;
    request.title = kind == FileDialogKind::Save ? "Save Program" : "Open Program";
    request.folder = std::move(folder);
    request.fileName = std::move(fileName);
    request.filters = std::move(filters);
    request.defaultExtension = "rkt4";
    return request;
}

class FileDialogArgumentsTest : public ::testing::TestWithParam<FileDialogCase> {};

TEST_P(FileDialogArgumentsTest, BuildsTheToolsCommandLine)
{
    const FileDialogCase& c = GetParam();
    EXPECT_EQ(ZenityFileDialogArguments(c.request), c.zenity);
    EXPECT_EQ(KDialogFileDialogArguments(c.request), c.kdialog);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FileDialogArgumentsTest,
    ::testing::Values(
        FileDialogCase{"Open",
                       Request(FileDialogKind::Open, false, "/home/u/Programs", "ignored", ProgramFilters),
                       {"zenity", "--file-selection", "--title=Open Program", "--filename=/home/u/Programs/",
                        "--file-filter=RKT4 Program (*.rkt4) | *.rkt4", "--file-filter=All Files (*.*) | *"},
                       {"kdialog", "--title", "Open Program", "--getopenfilename", "/home/u/Programs",
                        "RKT4 Program (*.rkt4) (*.rkt4)\nAll Files (*.*) (*)"}},
        FileDialogCase{"OpenMultiple",
                       Request(FileDialogKind::Open, true, "/home/u", "", {{"Programs and banks", "*.rkt4;*.rkb"}}),
                       {"zenity", "--file-selection", "--title=Open Program", "--filename=/home/u/", "--multiple",
                        "--separator=/", "--file-filter=Programs and banks | *.rkt4 *.rkb"},
                       {"kdialog", "--title", "Open Program", "--multiple", "--separate-output", "--getopenfilename",
                        "/home/u", "Programs and banks (*.rkt4 *.rkb)"}},
        FileDialogCase{"Save",
                       Request(FileDialogKind::Save, false, "/home/u/My Programs", "Untitled", ProgramFilters),
                       {"zenity", "--file-selection", "--title=Save Program", "--filename=/home/u/My Programs/Untitled",
                        "--save", "--confirm-overwrite", "--file-filter=RKT4 Program (*.rkt4) | *.rkt4",
                        "--file-filter=All Files (*.*) | *"},
                       {"kdialog", "--title", "Save Program", "--getsavefilename", "/home/u/My Programs/Untitled",
                        "RKT4 Program (*.rkt4) (*.rkt4)\nAll Files (*.*) (*)"}},
        // A save never offers a multiple choice; the root takes no second '/'; no filters, no list.
        FileDialogCase{"SaveInTheRootWithoutFilters",
                       Request(FileDialogKind::Save, true, "/", "Untitled", {}),
                       {"zenity", "--file-selection", "--title=Save Program", "--filename=/Untitled", "--save",
                        "--confirm-overwrite"},
                       {"kdialog", "--title", "Save Program", "--getsavefilename", "/Untitled"}},
        FileDialogCase{"SaveWithoutSuggestedName",
                       Request(FileDialogKind::Save, false, "/tmp", "", {{"Text", " *.txt ; ;*.TXT;"}}),
                       {"zenity", "--file-selection", "--title=Save Program", "--filename=/tmp/", "--save",
                        "--confirm-overwrite", "--file-filter=Text | *.txt *.TXT"},
                       {"kdialog", "--title", "Save Program", "--getsavefilename", "/tmp/", "Text (*.txt *.TXT)"}}),
    [](const ::testing::TestParamInfo<FileDialogCase>& info) { return std::string(info.param.name); });

struct PatternsCase {
    const char* patterns;
    Arguments converted;
};

class ConvertFilterPatternsTest : public ::testing::TestWithParam<PatternsCase> {};

TEST_P(ConvertFilterPatternsTest, SplitsAtSemicolonsAndWidensStarDotStar)
{
    EXPECT_EQ(ConvertFilterPatterns(GetParam().patterns), GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(Patterns, ConvertFilterPatternsTest,
                         ::testing::Values(PatternsCase{"*.rkt4", {"*.rkt4"}}, PatternsCase{"*.*", {"*"}},
                                           PatternsCase{"*.rkt4;*.*", {"*.rkt4", "*"}},
                                           PatternsCase{" *.a ;; *.b;", {"*.a", "*.b"}},
                                           // Only the whole pattern "*.*" means every file.
                                           PatternsCase{"*.*x;x*.*", {"*.*x", "x*.*"}}, PatternsCase{"", {}},
                                           PatternsCase{" ; ", {}}));

struct ChosenPathsCase {
    const char* output;
    bool multiple;
    Arguments zenity;
    Arguments kdialog;
};

class ChosenPathsTest : public ::testing::TestWithParam<ChosenPathsCase> {};

TEST_P(ChosenPathsTest, ReadsThePathsTheToolPrinted)
{
    const ChosenPathsCase& c = GetParam();
    EXPECT_EQ(ZenityChosenPaths(c.output, c.multiple), c.zenity);
    EXPECT_EQ(KDialogChosenPaths(c.output, c.multiple), c.kdialog);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, ChosenPathsTest,
    ::testing::Values(ChosenPathsCase{"/a/Song.rkt4\n", false, {"/a/Song.rkt4"}, {"/a/Song.rkt4"}},
                      // Only the tool's own final newline goes; a name may end in one.
                      ChosenPathsCase{"/a/odd\n\n", false, {"/a/odd\n"}, {"/a/odd\n"}},
                      ChosenPathsCase{"", false, {}, {}}, ChosenPathsCase{"\n", true, {}, {}},
                      ChosenPathsCase{"/a/b c//x|y\n", true, {"/a/b c", "/x|y"}, {"/a/b c//x|y"}},
                      ChosenPathsCase{"/x//y//a/z\n", true, {"/x", "/y", "/a/z"}, {"/x//y//a/z"}},
                      ChosenPathsCase{"/a/one\n/a/two\n", true, {"/a/one\n/a/two"}, {"/a/one", "/a/two"}},
                      // A newline inside a name stays with the name for zenity.
                      ChosenPathsCase{"/a/li\nne//b\n", true, {"/a/li\nne", "/b"}, {"/a/li", "ne//b"}}));

struct ExtensionCase {
    const char* path;
    const char* extension;
    const char* result;
};

class WithDefaultExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(WithDefaultExtensionTest, AddsTheExtensionOnlyToANameWithoutOne)
{
    EXPECT_EQ(WithDefaultExtension(GetParam().path, GetParam().extension), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Names, WithDefaultExtensionTest,
                         ::testing::Values(ExtensionCase{"/a/Song", "rkt4", "/a/Song.rkt4"},
                                           ExtensionCase{"/a.b/Song", "rkt4", "/a.b/Song.rkt4"},
                                           ExtensionCase{"/a/Song.syx", "rkt4", "/a/Song.syx"},
                                           ExtensionCase{"/a/Song.", "rkt4", "/a/Song."},
                                           ExtensionCase{"/a/.hidden", "rkt4", "/a/.hidden.rkt4"},
                                           ExtensionCase{"/a/.hidden.x", "rkt4", "/a/.hidden.x"},
                                           ExtensionCase{"/a/Song", "", "/a/Song"},
                                           ExtensionCase{"/a/", "rkt4", "/a/"}));

TEST(DialogPathsTest, FoldersAreMadeAbsoluteAgainstTheCurrentFolder)
{
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(AbsoluteFolder(""), current);
    EXPECT_EQ(AbsoluteFolder("."), current);
    EXPECT_EQ(AbsoluteFolder("sub/dir/"), current + "/sub/dir");
    EXPECT_EQ(AbsoluteFolder("/a/./b/../c/"), "/a/c");
    EXPECT_EQ(AbsoluteFolder("/"), "/");
}

TEST(DialogPathsTest, JoinsNamesToFolders)
{
    EXPECT_EQ(JoinPath("/a", "b.rkt4"), "/a/b.rkt4");
    EXPECT_EQ(JoinPath("/", "b.rkt4"), "/b.rkt4");
    EXPECT_EQ(JoinPath("/a", "/c/b.rkt4"), "/c/b.rkt4");
    EXPECT_EQ(SaveStartPath("/a", ""), "/a/");
    EXPECT_EQ(SaveStartPath("/", "Untitled"), "/Untitled");
}

} // namespace
} // namespace VQ::Platform
