#include "platform/dialogs/Dialogs.h"

#include "tests/support/DialogScript.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace VQ::Platform {
namespace {

using test::DialogRecord;
using test::DialogScript;
using test::ScopedEnvironmentVariable;
using Paths = std::vector<std::string>;

const FileFilter ProgramFilter{"RKT4 Program (*.rkt4)", "*.rkt4"};
const FileFilter AllFilesFilter{"All Files (*.*)", "*.*"};

class ScriptDialogsTest : public ::testing::Test {
protected:
    // The script's folder holds the test's files too.
    std::string Folder() { return script->Folder() + "/programs"; }

    void Answer(const std::vector<std::string>& answers)
    {
        script.emplace(answers);
        std::filesystem::create_directory(Folder());
    }

    std::string CreateFile(const std::string& name)
    {
        const std::string path = Folder() + "/" + name;
        std::ofstream(path) << "data";
        return path;
    }

    FileDialogRequest Open(bool multiple = false)
    {
        FileDialogRequest request;
        request.kind = FileDialogKind::Open;
        request.multiple = multiple;
        request.title = "Open Program";
        request.folder = Folder();
        request.filters = {ProgramFilter, AllFilesFilter};
        request.defaultExtension = "rkt4";
        return request;
    }

    FileDialogRequest Save()
    {
        FileDialogRequest request = Open();
        request.kind = FileDialogKind::Save;
        request.title = "Save Program";
        request.fileName = "Untitled";
        return request;
    }

    std::vector<std::string> Kinds()
    {
        std::vector<std::string> kinds;
        for (const DialogRecord& record : script->Records())
            kinds.push_back(record.kind);
        return kinds;
    }

    std::optional<DialogScript> script;
    Paths paths;
};

TEST_F(ScriptDialogsTest, MessageBoxIsRecordedEscapedAndTakesNoAnswer)
{
    Answer({"First.rkt4"});
    const std::string text = "Line 1\nC:\\Programs\\\tTabbed";
    EXPECT_EQ(ShowMessageBox("Caption", text, MessageBoxIconWarning), MessageBoxAnswerOk);

    std::ifstream file(script->Path());
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(raw, "First.rkt4\n> message\t48\tCaption\tLine 1\\nC:\\\\Programs\\\\\\tTabbed\n");
    const std::vector<DialogRecord> records = script->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, "message");
    EXPECT_EQ(records[0].fields, (Paths{"48", "Caption", text}));

    CreateFile("First.rkt4");
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/First.rkt4"});
}

TEST_F(ScriptDialogsTest, DialogsTakeTheAnswersInOrderAndAreCancelledOnceTheyRunOut)
{
    Answer({"", "Song.rkt4", "cancel", "", "fail", "yes"});
    CreateFile("Song.rkt4");
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Chosen) << "empty lines are no answers";
    EXPECT_EQ(paths, Paths{Folder() + "/Song.rkt4"});
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Cancelled);
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Failed);
    // "yes" is no path of an existing file: the open says so and asks again, and no answer is left.
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Cancelled);
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Cancelled);
    EXPECT_EQ(Kinds(), (Paths{"open", "open", "save", "open", "message", "open", "save"}));
}

TEST_F(ScriptDialogsTest, FileDialogRecordsShowTitleStartAndConvertedFilters)
{
    Answer({});
    FileDialogRequest multiple = Open(true);
    multiple.filters = {{"Programs and banks", "*.rkt4;*.rkb"}};
    FileDialogRequest save = Save();
    save.title = "Save\tAs";
    ShowFileDialog(Open(), paths);
    ShowFileDialog(multiple, paths);
    ShowFileDialog(save, paths);
    const std::vector<DialogRecord> records = script->Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].kind, "open");
    EXPECT_EQ(records[0].fields, (Paths{"Open Program", Folder(), "RKT4 Program (*.rkt4)|*.rkt4", "All Files (*.*)|*"}));
    EXPECT_EQ(records[1].kind, "open-multiple");
    EXPECT_EQ(records[1].fields, (Paths{"Open Program", Folder(), "Programs and banks|*.rkt4 *.rkb"}));
    EXPECT_EQ(records[2].kind, "save");
    EXPECT_EQ(records[2].fields,
              (Paths{"Save\tAs", Folder() + "/Untitled", "RKT4 Program (*.rkt4)|*.rkt4", "All Files (*.*)|*"}));
}

TEST_F(ScriptDialogsTest, MultipleSelectionGivesEveryPathAbsolute)
{
    Answer({"One.rkt4\tsub/Two.rkt4", "One.rkt4\tTwo.rkt4"});
    CreateFile("One.rkt4");
    std::filesystem::create_directory(Folder() + "/sub");
    CreateFile("sub/Two.rkt4");
    EXPECT_EQ(ShowFileDialog(Open(true), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, (Paths{Folder() + "/One.rkt4", Folder() + "/sub/Two.rkt4"}));
    // Several paths for a single choice: the script is wrong.
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Failed);
}

TEST_F(ScriptDialogsTest, SaveAddsTheDefaultExtensionToANameWithoutOne)
{
    Answer({"Song", "Song.syx", "/elsewhere/.hidden"});
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/Song.rkt4"});
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/Song.syx"});
    FileDialogRequest noExtension = Save();
    noExtension.defaultExtension.clear();
    EXPECT_EQ(ShowFileDialog(noExtension, paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{"/elsewhere/.hidden"});
    EXPECT_EQ(Kinds(), (Paths{"save", "save", "save"}));
}

TEST_F(ScriptDialogsTest, NameThatExistsOnlyWithTheAddedExtensionIsConfirmedFirst)
{
    Answer({"Song", "yes", "Song", "no", "Other", "Song.rkt4"});
    CreateFile("Song.rkt4");
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/Song.rkt4"});
    // No: the dialog comes again, at the name the user gave.
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/Other.rkt4"});
    // The dialog itself confirmed the name as given.
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/Song.rkt4"});

    const std::vector<DialogRecord> records = script->Records();
    ASSERT_EQ(Kinds(), (Paths{"save", "question", "save", "question", "save", "save"}));
    EXPECT_EQ(records[1].fields,
              (Paths{"Save Program", "A file named \"Song.rkt4\" already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(records[4].fields[1], Folder() + "/Song.rkt4");
}

TEST_F(ScriptDialogsTest, OverwriteQuestionWithoutAnAnswerKeepsTheFile)
{
    Answer({"Song"});
    CreateFile("Song.rkt4");
    EXPECT_EQ(ShowFileDialog(Save(), paths), FileDialogResult::Cancelled);
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ(Kinds(), (Paths{"save", "question", "save"}));
}

TEST_F(ScriptDialogsTest, OpenOfAMissingFileSaysSoAndAsksAgain)
{
    Answer({"Missing.rkt4", "Song"});
    CreateFile("Song.rkt4");
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/Song.rkt4"}) << "found once the default extension is added";

    const std::vector<DialogRecord> records = script->Records();
    ASSERT_EQ(Kinds(), (Paths{"open", "message", "open"}));
    EXPECT_EQ(records[1].fields, (Paths{"16", "Open Program",
                                        Folder() + "/Missing.rkt4\nFile not found.\nCheck the file name and try again."}));
}

TEST_F(ScriptDialogsTest, OpenTakesOnlyFiles)
{
    Answer({"One.rkt4\tMissing", "sub", "/"});
    CreateFile("One.rkt4");
    std::filesystem::create_directory(Folder() + "/sub");
    EXPECT_EQ(ShowFileDialog(Open(true), paths), FileDialogResult::Cancelled);
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ(Kinds(), (Paths{"open-multiple", "message", "open-multiple", "message", "open-multiple", "message",
                              "open-multiple"}));
    EXPECT_EQ(script->Records()[1].fields[2], Folder() + "/Missing\nFile not found.\nCheck the file name and try again.");
}

TEST_F(ScriptDialogsTest, RelativeOrEmptyFolderStartsInTheCurrentFolder)
{
    Answer({});
    const std::string current = std::filesystem::current_path().string();
    FileDialogRequest request = Open();
    request.folder = "";
    ShowFileDialog(request, paths);
    request.folder = "sub/dir";
    ShowFileDialog(request, paths);
    const std::vector<DialogRecord> records = script->Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].fields[1], current);
    EXPECT_EQ(records[1].fields[1], current + "/sub/dir");
}

TEST_F(ScriptDialogsTest, AnswersAreCountedPerScriptFile)
{
    Answer({"A1.rkt4", "A2.rkt4"});
    CreateFile("A1.rkt4");
    CreateFile("A2.rkt4");
    CreateFile("B1.rkt4");
    const std::string first = script->Path();
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/A1.rkt4"});
    {
        const std::string second = script->Folder() + "/second.txt";
        std::ofstream(second) << "B1.rkt4\n";
        ScopedEnvironmentVariable other("VQ_DIALOGS", second);
        EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Chosen);
        EXPECT_EQ(paths, Paths{Folder() + "/B1.rkt4"});
    }
    EXPECT_EQ(ShowFileDialog(Open(), paths), FileDialogResult::Chosen);
    EXPECT_EQ(paths, Paths{Folder() + "/A2.rkt4"});
}

TEST(ScriptDialogsFileTest, ScriptThatCannotBeAppendedFailsTheDialogAndSendsMessagesToStandardError)
{
    DialogScript script;
    for (const std::string& path : {script.Folder() + "/no/such/folder/dialogs.txt", script.Folder()}) {
        ScopedEnvironmentVariable variable("VQ_DIALOGS", path);
        std::vector<std::string> paths{"stale"};
        EXPECT_EQ(ShowFileDialog(FileDialogRequest{}, paths), FileDialogResult::Failed) << path;
        EXPECT_TRUE(paths.empty());
        ::testing::internal::CaptureStderr();
        const int32_t answer = ShowMessageBox("Caption", "Text", MessageBoxOk);
        const std::string errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, 0);
        EXPECT_THAT(errors, ::testing::HasSubstr("Caption: Text\n"));
    }
}

} // namespace
} // namespace VQ::Platform
