// The file dialog object against scripted dialogs: what each dialog was asked to show, and what the
// object keeps of the answers.
#include "vqframework/system/FileDialog.h"

#include "tests/support/DialogScript.h"
#include "tests/vqframework/application/FakeApplicationServices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace VQ {
namespace {

using String = LFileDialog::String;
using test::DialogRecord;
using test::DialogScript;

constexpr const char16_t* ProgramFilter = u"RKT4 Program (*.rkt4)|*.rkt4|All Files (*.*)|*.*";

std::string UTF8(const String& text)
{
    std::string out;
    text.ToUTF8(out);
    return out;
}

String Wide(const std::string& text) { return String(std::string_view(text)); }

// Files and folders made under the script's own temporary folder.
class FileDialogTest : public testing::Test {
protected:
    std::string MakeFile(const std::string& relative)
    {
        const std::filesystem::path path = std::filesystem::path(m_root) / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "program";
        return path.string();
    }
    std::string MakeFolder(const std::string& relative)
    {
        const std::filesystem::path path = std::filesystem::path(m_root) / relative;
        std::filesystem::create_directories(path);
        return path.string();
    }

    void Answer(const std::vector<std::string>& answers) { m_script.emplace(answers); }
    std::vector<DialogRecord> Records() const { return m_script->Records(); }

    test::TemporaryFolder m_files;
    std::string m_root = m_files.Path();
    std::optional<DialogScript> m_script;
};

TEST_F(FileDialogTest, OpenOffersEachFilterEntryInTheStartFolderAndKeepsTheChoice)
{
    const std::string start = MakeFolder("start");
    const std::string chosen = MakeFile("programs/Kit.rkt4");
    Answer({chosen});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(Wide(start));

    ASSERT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Program", false), S_OK);

    const std::vector<DialogRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, "open");
    EXPECT_EQ(records[0].fields,
              (std::vector<std::string>{"Open Program", start, "RKT4 Program (*.rkt4)|*.rkt4", "All Files (*.*)|*"}));
    EXPECT_EQ(UTF8(dialog->GetFileName()), chosen);
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), m_root + "/programs");
    ASSERT_EQ(dialog->GetFileNames().GetCount(), 1u);
    EXPECT_EQ(UTF8(dialog->GetFileNames().GetAt(0)), chosen);
}

TEST_F(FileDialogTest, NextSaveStartsInTheFolderOfTheLastChoiceSuggestingUntitledAndAddsTheExtension)
{
    const std::string opened = MakeFile("bank/A.rkt4");
    Answer({opened, m_root + "/bank/Live"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(u".");

    ASSERT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Program", false), S_OK);
    ASSERT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", -1), S_OK);

    const std::vector<DialogRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].kind, "save");
    ASSERT_GE(records[1].fields.size(), 2u);
    EXPECT_EQ(records[1].fields[0], "Save Program");
    EXPECT_EQ(records[1].fields[1], m_root + "/bank/Untitled");
    EXPECT_EQ(UTF8(dialog->GetFileName()), m_root + "/bank/Live.rkt4");
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), m_root + "/bank");
}

TEST_F(FileDialogTest, SaveRefusesANameLongerThanTheLimitWithAnErrorBox)
{
    struct Case {
        int32_t limit;
        const char* name; // 15 characters
        VQRESULT result;
        const char* message;
    };
    const Case cases[] = {
        {8, "LongerName.rkt4", E_FAIL, "The file length is larger than the maximum limit of 8 characters "},
        {14, "LongerName.rkt4", E_FAIL, "The file length is larger than the maximum limit of 14 characters "},
        {15, "LongerName.rkt4", S_OK, nullptr},
        {-1, "LongerName.rkt4", S_OK, nullptr},
    };
    const std::string start = MakeFolder("start");
    const std::string target = MakeFolder("target");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        test::FakeApplicationServices application;
        Answer({target + "/" + c.name});
        RCPtr<LFileDialog> dialog = LFileDialog::Create(Wide(start));

        EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", c.limit), c.result);

        if (c.message) {
            ASSERT_EQ(application.messageBoxes.size(), 1u);
            EXPECT_EQ(application.messageBoxes[0].caption, "File Save Error");
            EXPECT_EQ(application.messageBoxes[0].text, c.message);
            EXPECT_EQ(application.messageBoxes[0].style, 16u);
            EXPECT_EQ(UTF8(dialog->GetFolderPath()), start) << "a refused name moves nothing";
            EXPECT_EQ(UTF8(dialog->GetFileName()), "");
        } else {
            EXPECT_TRUE(application.messageBoxes.empty());
            EXPECT_EQ(UTF8(dialog->GetFileName()), target + "/" + c.name);
            EXPECT_EQ(UTF8(dialog->GetFolderPath()), target);
        }
    }
}

TEST_F(FileDialogTest, ALimitOfZeroIsRefusedWithoutADialog)
{
    Answer({m_root + "/x.rkt4"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(u".");

    EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", 0), E_INVALIDARG);
    EXPECT_TRUE(Records().empty());
}

TEST_F(FileDialogTest, WithoutAnApplicationTheErrorBoxIsShownByTheDesktop)
{
    const std::string target = MakeFolder("target");
    Answer({target + "/LongerName.rkt4"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(Wide(target));

    EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", 4), E_FAIL);

    const std::vector<DialogRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].kind, "message");
    EXPECT_EQ(records[1].fields, (std::vector<std::string>{
                                     "16", "File Save Error",
                                     "The file length is larger than the maximum limit of 4 characters "}));
}

TEST_F(FileDialogTest, CancelledOrFailedDialogsKeepThePreviousChoice)
{
    const std::string chosen = MakeFile("bank/A.rkt4");
    Answer({chosen, "cancel", "fail", "cancel"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(u".");
    ASSERT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Program", false), S_OK);

    EXPECT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Program", true), E_FAIL);
    EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", -1), E_FAIL);
    EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", -1), E_FAIL);

    EXPECT_EQ(UTF8(dialog->GetFileName()), chosen);
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), m_root + "/bank");
    EXPECT_EQ(dialog->GetFileNames().GetCount(), 1u);
    EXPECT_EQ(Records().size(), 4u);
}

TEST_F(FileDialogTest, AMultipleSelectionListsEveryFileAndLeavesNoTraceOnTheNextSingleOne)
{
    const std::string first = MakeFile("bank/A.rkt4");
    const std::string second = MakeFile("bank/B.rkt4");
    const std::string single = MakeFile("other/C.rkt4");
    Answer({first + "\t" + second, single});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(u".");

    ASSERT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Programs", true), S_OK);
    ASSERT_EQ(dialog->GetFileNames().GetCount(), 2u);
    EXPECT_EQ(UTF8(dialog->GetFileNames().GetAt(0)), first);
    EXPECT_EQ(UTF8(dialog->GetFileNames().GetAt(1)), second);
    EXPECT_EQ(UTF8(dialog->GetFileName()), first);
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), m_root + "/bank");

    ASSERT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Program", false), S_OK);
    ASSERT_EQ(dialog->GetFileNames().GetCount(), 1u);
    EXPECT_EQ(UTF8(dialog->GetFileName()), single);
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), m_root + "/other");

    const std::vector<DialogRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].kind, "open-multiple");
    EXPECT_EQ(records[1].kind, "open");
}

TEST_F(FileDialogTest, ANameThatIsNoUTF8TextIsRefusedRatherThanCut)
{
    test::FakeApplicationServices application;
    const std::string target = MakeFolder("target");
    const std::string kept = MakeFile("bank/A.rkt4");
    Answer({kept, target + "/caf\xE9"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(Wide(target));
    ASSERT_EQ(dialog->ShowOpenDialog(ProgramFilter, u"rkt4", u"Open Program", false), S_OK);

    EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", -1), E_FAIL);

    ASSERT_EQ(application.messageBoxes.size(), 1u);
    EXPECT_EQ(application.messageBoxes[0].caption, "Save Program");
    EXPECT_EQ(application.messageBoxes[0].style, 16u);
    EXPECT_EQ(UTF8(dialog->GetFileName()), kept);
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), m_root + "/bank");
}

TEST_F(FileDialogTest, ABackslashIsPartOfTheNameNotAFolderBreak)
{
    test::FakeApplicationServices application;
    const std::string target = MakeFolder("target");
    Answer({target + "/a\\b.rkt4"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(u".");

    // "a\b.rkt4" is 8 characters, all of them the name's.
    EXPECT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", 7), E_FAIL);
    Answer({target + "/a\\b.rkt4"});
    ASSERT_EQ(dialog->ShowSaveDialog(ProgramFilter, u"rkt4", u"Save Program", 8), S_OK);
    EXPECT_EQ(UTF8(dialog->GetFolderPath()), target);
    EXPECT_EQ(UTF8(dialog->GetFileName()), target + "/a\\b.rkt4");
}

TEST_F(FileDialogTest, FilterEntriesWithoutPatternsAreNotOffered)
{
    Answer({"cancel"});
    RCPtr<LFileDialog> dialog = LFileDialog::Create(Wide(m_root));

    EXPECT_EQ(dialog->ShowOpenDialog(u"Programs|*.rkt4;*.RKT4|Dangling", u"rkt4", u"Open", false), E_FAIL);

    const std::vector<DialogRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"Open", m_root, "Programs|*.rkt4 *.RKT4"}));
}

} // namespace
} // namespace VQ
