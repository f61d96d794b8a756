#include "platform/dialogs/DialogArguments.h"
#include "platform/dialogs/DialogBackEnds.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace VQ::Platform {

namespace {

// One lock for every script file: a dialog's record and the answer it takes belong together even
// when two threads show dialogs.
std::mutex& ScriptMutex()
{
    static std::mutex* const mutex = new std::mutex();
    return *mutex;
}

// How many answers the dialogs of this process have taken from each script file.
std::map<std::string, size_t>& AnswersTaken()
{
    static std::map<std::string, size_t>* const taken = new std::map<std::string, size_t>();
    return *taken;
}

std::string Escaped(std::string_view field)
{
    std::string escaped;
    for (const char c : field) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(text.find(separator, start), text.size());
        parts.emplace_back(text.substr(start, end - start));
        if (end == text.size())
            return parts;
        start = end + 1;
    }
}

void ReportFailure(const std::string& path, const char* what)
{
    const std::string line = "dialog script " + path + ": cannot " + what + ": " + std::strerror(errno) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

class ScriptBackEnd final : public DialogBackEnd {
public:
    explicit ScriptBackEnd(std::string path) : m_path(std::move(path)) {}

    bool ShowMessage(std::string_view caption, std::string_view text, uint32_t style) override
    {
        std::lock_guard lock(ScriptMutex());
        return Append({"message", std::to_string(style), std::string(caption), std::string(text)});
    }

    FileDialogResult RunFileDialog(const FileDialogRequest& request, std::vector<std::string>& paths) override
    {
        const bool save = request.kind == FileDialogKind::Save;
        const bool multiple = !save && request.multiple;
        std::vector<std::string> fields{save ? "save" : multiple ? "open-multiple" : "open", request.title,
                                        save ? SaveStartPath(request.folder, request.fileName) : request.folder};
        for (const FileFilter& filter : request.filters) {
            std::string field = filter.description + "|";
            for (const std::string& pattern : ConvertFilterPatterns(filter.patterns))
                field += (field.back() == '|' ? "" : " ") + pattern;
            fields.push_back(std::move(field));
        }
        std::lock_guard lock(ScriptMutex());
        std::optional<std::string> answer;
        if (!Append(fields) || !TakeAnswer(answer))
            return FileDialogResult::Failed;
        if (!answer || *answer == "cancel")
            return FileDialogResult::Cancelled;
        if (*answer == "fail")
            return FileDialogResult::Failed;
        std::vector<std::string> chosen = Split(*answer, '\t');
        // A script that answers a single choice with several paths, or with an empty one, is wrong.
        if (chosen.size() > 1 && !multiple)
            return FileDialogResult::Failed;
        for (const std::string& path : chosen) {
            if (path.empty())
                return FileDialogResult::Failed;
        }
        paths = std::move(chosen);
        return FileDialogResult::Chosen;
    }

    QuestionAnswer AskQuestion(std::string_view title, std::string_view text) override
    {
        std::lock_guard lock(ScriptMutex());
        std::optional<std::string> answer;
        if (!Append({"question", std::string(title), std::string(text)}) || !TakeAnswer(answer))
            return QuestionAnswer::Failed;
        if (answer && *answer == "yes")
            return QuestionAnswer::Yes;
        if (answer && *answer == "fail")
            return QuestionAnswer::Failed;
        return QuestionAnswer::No;
    }

private:
    // The record as one line in one write, so that records of several processes do not interleave.
    bool Append(const std::vector<std::string>& fields)
    {
        std::string line = "> ";
        for (size_t i = 0; i < fields.size(); ++i)
            line += (i ? "\t" : "") + Escaped(fields[i]);
        line += '\n';
        const int fd = open(m_path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0) {
            ReportFailure(m_path, "append to it");
            return false;
        }
        size_t written = 0;
        while (written < line.size()) {
            const ssize_t count = write(fd, line.data() + written, line.size() - written);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                ReportFailure(m_path, "append to it");
                close(fd);
                return false;
            }
            written += static_cast<size_t>(count);
        }
        return close(fd) == 0;
    }

    // The next answer of the file for this process, none when all are taken; false when the file
    // cannot be read.
    bool TakeAnswer(std::optional<std::string>& answer)
    {
        const int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ReportFailure(m_path, "read it");
            return false;
        }
        std::string text;
        char buffer[4096];
        for (;;) {
            const ssize_t count = read(fd, buffer, sizeof buffer);
            if (count > 0) {
                text.append(buffer, static_cast<size_t>(count));
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                ReportFailure(m_path, "read it");
                close(fd);
                return false;
            }
            break;
        }
        close(fd);
        std::vector<std::string> answers;
        for (std::string& line : Split(text, '\n')) {
            if (!line.empty() && line.rfind("> ", 0) != 0)
                answers.push_back(std::move(line));
        }
        // Every dialog counts, answered or not: the n-th dialog always takes the n-th answer.
        const size_t index = AnswersTaken()[m_path]++;
        if (index < answers.size())
            answer = std::move(answers[index]);
        return true;
    }

    std::string m_path;
};

} // namespace

std::unique_ptr<DialogBackEnd> MakeScriptBackEnd(std::string path)
{
    return std::make_unique<ScriptBackEnd>(std::move(path));
}

} // namespace VQ::Platform
