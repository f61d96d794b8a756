// Arbitrary bytes as a settings file and, after its first NUL, as changes to it (NUL-separated
// operation, path and value): what is written reads back as the same document and writes the same
// again, every value stored reads back as stored, a refused change changes nothing, and a file the
// reader accepted stays one it accepts.
#include "libs/inifile/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using IniFile::IniDocument;
using IniFile::Outcome;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Every node, key, value and item of the two documents agree.
void CheckSame(const IniDocument& left, const IniDocument& right)
{
    const std::vector<std::string> nodes = left.NodeNames();
    Check(nodes == right.NodeNames());
    for (const std::string& node : nodes) {
        Check(left.HasNode(node) && right.HasNode(node));
        const auto keys = left.KeyNames(node);
        Check(keys.has_value() && keys == right.KeyNames(node));
        for (const std::string& key : *keys) {
            const std::string* leftValue = left.FindValue(node, key);
            const std::string* rightValue = right.FindValue(node, key);
            Check(leftValue && rightValue && *leftValue == *rightValue);
        }
        const auto count = left.ItemCount(node);
        Check(count.has_value() && count == right.ItemCount(node));
        for (size_t i = 0; i < *count; ++i) {
            const std::string* leftItem = left.Item(node, i);
            const std::string* rightItem = right.Item(node, i);
            Check(leftItem && rightItem && *leftItem == *rightItem);
        }
        Check(!left.Item(node, *count) && !right.Item(node, *count));
    }
}

// Written, read and written again: the same text and the same document.
void CheckStable(const IniDocument& document, bool accepted)
{
    const std::string written = document.Serialise();
    Check(written.size() == document.SerialisedSize());
    const IniDocument reread = IniDocument::Parse(written);
    Check(reread.Serialise() == written);
    CheckSame(document, reread);
    Check(!accepted || written.size() > IniDocument::MaxFileSize || IniDocument::IsAcceptedText(written));
}

// The node's keys after an array change: "0", "1", … in order.
void CheckNumbered(const IniDocument& document, std::string_view node)
{
    const auto keys = document.KeyNames(node);
    const auto count = document.ItemCount(node);
    Check(keys.has_value() && count.has_value() && keys->size() == *count);
    for (size_t i = 0; i < keys->size(); ++i)
        Check((*keys)[i] == std::to_string(i));
}

std::vector<std::string_view> Fields(std::string_view text)
{
    std::vector<std::string_view> fields;
    while (!text.empty()) {
        const size_t end = text.find('\0');
        fields.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return fields;
}

void Apply(IniDocument& document, std::string_view operation, std::string_view path, std::string_view value)
{
    const auto code = operation.empty() ? 0u : static_cast<unsigned char>(operation.front());
    // Now and then negative.
    const long long index = static_cast<long long>(code >> 2) - 1;
    const std::string before = document.Serialise();
    const auto previousCount = document.ItemCount(path);
    Outcome outcome = Outcome::Invalid;
    switch (code & 3) {
    case 0: {
        const size_t slash = path.rfind('/');
        const std::string_view node = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
        const std::string_view key = slash == std::string_view::npos ? path : path.substr(slash + 1);
        outcome = document.SetValue(node, key, value);
        const bool valid = IniDocument::SplitKeyPath(path).has_value() && IniDocument::IsValidValue(value);
        Check((outcome == Outcome::Invalid) == !valid);
        if (outcome == Outcome::Changed || outcome == Outcome::Unchanged) {
            const std::string* stored = document.FindValue(node, key);
            Check(stored && *stored == value);
        }
        break;
    }
    case 1:
        outcome = document.SetItem(path, index, value);
        if (outcome == Outcome::Changed || outcome == Outcome::Unchanged) {
            const std::string* stored = document.Item(path, static_cast<size_t>(index));
            Check(stored && *stored == value);
            CheckNumbered(document, path);
        }
        break;
    case 2:
        outcome = document.RemoveItem(path, index);
        if (outcome == Outcome::Changed) {
            Check(previousCount.has_value() && document.ItemCount(path) == *previousCount - 1);
            CheckNumbered(document, path);
        }
        break;
    default:
        outcome = document.SetItemCount(path, index);
        if (outcome == Outcome::Changed || outcome == Outcome::Unchanged) {
            Check(document.ItemCount(path) == static_cast<size_t>(index));
            CheckNumbered(document, path);
        }
        break;
    }
    if (outcome == Outcome::Unchanged || outcome == Outcome::Invalid || outcome == Outcome::NotFound ||
        outcome == Outcome::TooLarge)
        Check(document.Serialise() == before);
    else
        Check(document.Serialise() != before);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);
    const bool accepted = IniDocument::IsAcceptedText(text);

    IniDocument document = IniDocument::Parse(text);
    CheckStable(document, accepted);

    if (split != std::string_view::npos) {
        const std::vector<std::string_view> fields = Fields(input.substr(split + 1));
        for (size_t i = 0; i < fields.size(); i += 3) {
            const std::string_view path = i + 1 < fields.size() ? fields[i + 1] : std::string_view();
            const std::string_view value = i + 2 < fields.size() ? fields[i + 2] : std::string_view();
            Apply(document, fields[i], path, value);
        }
        CheckStable(document, accepted);
    }
    return 0;
}
