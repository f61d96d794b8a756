#include "platform/dialogs/ChildProcess.h"
#include "platform/dialogs/DialogArguments.h"
#include "platform/dialogs/DialogBackEnds.h"

namespace VQ::Platform {

namespace {

enum class ToolOutcome { Accepted, Declined, Failed };

bool CouldNotReachDisplay(const std::string& errors)
{
    return errors.find("cannot open display") != std::string::npos ||
           errors.find("could not connect to display") != std::string::npos;
}

// Both tools exit with 0 for OK or Yes and 1 for Cancel or No. One that cannot reach the display
// says so on standard error and exits with 1 as well: that must not pass for the user's cancel.
ToolOutcome OutcomeOf(const ChildProcessResult& result)
{
    if (!result.started || result.exitStatus < 0)
        return ToolOutcome::Failed;
    if (result.exitStatus == 0)
        return ToolOutcome::Accepted;
    if (result.exitStatus == 1 && !CouldNotReachDisplay(result.errors))
        return ToolOutcome::Declined;
    return ToolOutcome::Failed;
}

struct ToolCommands {
    std::vector<std::string> (*message)(std::string_view caption, std::string_view text, uint32_t style);
    std::vector<std::string> (*question)(std::string_view title, std::string_view text);
    std::vector<std::string> (*fileDialog)(const FileDialogRequest& request);
    std::vector<std::string> (*chosenPaths)(std::string_view output, bool multiple);
};

class ToolBackEnd final : public DialogBackEnd {
public:
    explicit ToolBackEnd(const ToolCommands& commands) : m_commands(commands) {}

    bool ShowMessage(std::string_view caption, std::string_view text, uint32_t style) override
    {
        // However the user closed the box, it was shown.
        return OutcomeOf(RunChildProcess(m_commands.message(caption, text, style))) != ToolOutcome::Failed;
    }

    FileDialogResult RunFileDialog(const FileDialogRequest& request, std::vector<std::string>& paths) override
    {
        const ChildProcessResult result = RunChildProcess(m_commands.fileDialog(request));
        switch (OutcomeOf(result)) {
        case ToolOutcome::Accepted:
            paths = m_commands.chosenPaths(result.output, request.kind == FileDialogKind::Open && request.multiple);
            return paths.empty() ? FileDialogResult::Failed : FileDialogResult::Chosen;
        case ToolOutcome::Declined:
            return FileDialogResult::Cancelled;
        case ToolOutcome::Failed:
            break;
        }
        return FileDialogResult::Failed;
    }

    QuestionAnswer AskQuestion(std::string_view title, std::string_view text) override
    {
        switch (OutcomeOf(RunChildProcess(m_commands.question(title, text)))) {
        case ToolOutcome::Accepted:
            return QuestionAnswer::Yes;
        case ToolOutcome::Declined:
            return QuestionAnswer::No;
        case ToolOutcome::Failed:
            break;
        }
        return QuestionAnswer::Failed;
    }

private:
    ToolCommands m_commands;
};

} // namespace

std::unique_ptr<DialogBackEnd> MakeZenityBackEnd()
{
    return std::make_unique<ToolBackEnd>(ToolCommands{ZenityMessageArguments, ZenityQuestionArguments,
                                                      ZenityFileDialogArguments, ZenityChosenPaths});
}

std::unique_ptr<DialogBackEnd> MakeKDialogBackEnd()
{
    return std::make_unique<ToolBackEnd>(ToolCommands{KDialogMessageArguments, KDialogQuestionArguments,
                                                      KDialogFileDialogArguments, KDialogChosenPaths});
}

} // namespace VQ::Platform
