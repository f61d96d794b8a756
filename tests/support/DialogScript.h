// A script that answers the program's dialogs in a test: VQ_DIALOGS names it while the object lives,
// and what each dialog showed is read back as a record.
//
//     DialogScript script({"/tmp/x/Song.rkt4", "cancel", "yes"});
//     ... code under test shows dialogs ...
//     std::vector<DialogRecord> records = script.Records();
//     EXPECT_EQ(records[0].kind, "save");
//     EXPECT_EQ(records[0].fields[0], "Save Program");
//
// Answers, in the order the dialogs come: a path (several separated by '\t' for a multiple
// selection; a relative one is taken in the dialog's folder), "cancel", "fail", or "yes"/"no" for a
// question. A dialog left without an answer is cancelled (a question answered "no"). Message boxes
// take no answer.
#pragma once

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TemporaryFolder.h"

#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace VQ::test {

// One dialog shown. kind: "message", "open", "open-multiple", "save" or "question"; fields, after it:
//   message:             style (decimal), caption, text
//   open, open-multiple: title, absolute folder, one "description|pattern pattern" per filter
//   save:                title, absolute folder "/" suggested name, the filters
//   question:            title, text
struct DialogRecord {
    std::string kind;
    std::vector<std::string> fields;
};

class DialogScript {
public:
    explicit DialogScript(const std::vector<std::string>& answers = {}) : m_path(m_folder.Path() + "/dialogs.txt")
    {
        std::ofstream file(m_path);
        for (const std::string& answer : answers)
            file << answer << '\n';
        if (!file.flush())
            throw std::runtime_error("cannot write the dialog script " + m_path);
        m_variable.emplace("VQ_DIALOGS", m_path);
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    const std::string& Path() const { return m_path; }
    // A temporary folder of the test's own, holding the script; removed with it.
    const std::string& Folder() const { return m_folder.Path(); }

    std::vector<DialogRecord> Records() const
    {
        std::vector<DialogRecord> records;
        std::ifstream file(m_path);
        std::string line;
        while (std::getline(file, line)) {
            if (line.rfind("> ", 0) != 0)
                continue;
            std::vector<std::string> fields = Fields(line.substr(2));
            DialogRecord record{fields.front(), {}};
            record.fields.assign(fields.begin() + 1, fields.end());
            records.push_back(std::move(record));
        }
        return records;
    }

private:
    static std::vector<std::string> Fields(const std::string& line)
    {
        std::vector<std::string> fields(1);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\t') {
                fields.emplace_back();
            } else if (line[i] == '\\' && i + 1 < line.size()) {
                const char escaped = line[++i];
                fields.back() += escaped == 't' ? '\t' : escaped == 'n' ? '\n' : escaped;
            } else {
                fields.back() += line[i];
            }
        }
        return fields;
    }

    TemporaryFolder m_folder;
    std::string m_path;
    std::optional<ScopedEnvironmentVariable> m_variable;
};

} // namespace VQ::test
