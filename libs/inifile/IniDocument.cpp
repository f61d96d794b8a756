#include "IniDocument.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace IniFile {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsWellFormedUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            // No overlong forms and no surrogates.
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            // No overlong forms and nothing beyond U+10FFFF.
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (k == 1 ? byte < low || byte > high : byte < 0x80 || byte > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

// The name of a "[Name]" line, which may carry a comment after the bracket; none for any other line.
std::optional<std::string_view> HeaderName(std::string_view trimmed)
{
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    const size_t close = trimmed.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = Trim(trimmed.substr(close + 1));
    if (!rest.empty() && rest.front() != ';' && rest.front() != '#')
        return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

// Blanks at either end and a leading quote would be lost to the reader's trimming and unquoting, so
// such a value is quoted; line breaks and the escape character itself are escaped.
std::string EncodeValue(std::string_view value)
{
    std::string escaped;
    escaped.reserve(value.size() + 2);
    for (const char c : value) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"'))
        return '"' + escaped + '"';
    return escaped;
}

std::string DecodeValue(std::string_view raw)
{
    raw = Trim(raw);
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        raw = raw.substr(1, raw.size() - 2);
    std::string value;
    value.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
        if (raw[i] == '\\' && (next == '\\' || next == 'n' || next == 'r')) {
            value += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else {
            value += raw[i];
        }
    }
    return value;
}

// The bytes of the item lines "0=" … "<count - 1>=" alone: a lower bound of any array of that size.
size_t MinimumItemBytes(size_t count)
{
    size_t bytes = 0;
    size_t first = 0;
    size_t end = 10;
    for (size_t digits = 1; first < count; ++digits) {
        bytes += (std::min(count, end) - first) * (digits + 2);
        first = end;
        end *= 10;
    }
    return bytes;
}

} // namespace

bool IniDocument::IsAcceptedText(std::string_view bytes)
{
    return bytes.size() <= MaxFileSize && bytes.find('\0') == std::string_view::npos && IsWellFormedUtf8(bytes);
}

bool IniDocument::IsValidValue(std::string_view value)
{
    return value.find('\0') == std::string_view::npos && IsWellFormedUtf8(value);
}

bool IniDocument::IsValidKey(std::string_view key)
{
    return !key.empty() && IsValidValue(key) && key.find_first_of("=\n\r/") == std::string_view::npos &&
           key.front() != '[' && key.front() != ';' && key.front() != '#' && !IsBlank(key.front()) &&
           !IsBlank(key.back());
}

bool IniDocument::IsValidNode(std::string_view node)
{
    return node.empty() || (IsValidValue(node) && node.find_first_of("]\n\r") == std::string_view::npos &&
                            !IsBlank(node.front()) && !IsBlank(node.back()));
}

std::optional<KeyPath> IniDocument::SplitKeyPath(std::string_view path)
{
    const size_t slash = path.rfind('/');
    KeyPath split;
    if (slash == std::string_view::npos) {
        split.key = path;
    } else {
        split.node = path.substr(0, slash);
        split.key = path.substr(slash + 1);
    }
    if (!IsValidNode(split.node) || !IsValidKey(split.key))
        return std::nullopt;
    return split;
}

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument document;
    if (text.starts_with(ByteOrderMark)) {
        document.m_byteOrderMark = true;
        text.remove_prefix(ByteOrderMark.size());
    }
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // Every carriage return at the end goes, so that the text written back reads the same again.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = Trim(line);
        if (const auto name = HeaderName(trimmed)) {
            document.m_blocks.push_back(Block{std::string(*name), std::string(line), {}});
            continue;
        }
        Line parsed{std::string(line), false, {}, {}};
        if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
            const size_t equals = trimmed.find('=');
            const std::string_view key = Trim(trimmed.substr(0, equals));
            if (equals != std::string_view::npos && !key.empty()) {
                parsed.isEntry = true;
                parsed.key = key;
                parsed.value = DecodeValue(trimmed.substr(equals + 1));
            }
        }
        document.m_blocks.back().lines.push_back(std::move(parsed));
    }
    return document;
}

bool IniDocument::WritesByteOrderMark() const
{
    // A first line that starts with the mark itself needs one before it, or the reader would take
    // the line's own for the file's.
    const std::vector<Line>& first = m_blocks.front().lines;
    return m_byteOrderMark || (!first.empty() && first.front().text.starts_with(ByteOrderMark));
}

std::string IniDocument::Serialise() const
{
    std::string text;
    text.reserve(SerialisedSize());
    if (WritesByteOrderMark())
        text += ByteOrderMark;
    for (const Block& block : m_blocks) {
        if (block.header)
            (text += *block.header) += '\n';
        for (const Line& line : block.lines)
            (text += line.text) += '\n';
    }
    return text;
}

size_t IniDocument::SerialisedSize() const
{
    size_t size = WritesByteOrderMark() ? ByteOrderMark.size() : 0;
    for (const Block& block : m_blocks) {
        if (block.header)
            size += block.header->size() + 1;
        for (const Line& line : block.lines)
            size += line.text.size() + 1;
    }
    return size;
}

void IniDocument::AddLeadingComment(std::string_view text)
{
    std::string comment = "; ";
    comment += text;
    std::replace_if(comment.begin(), comment.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    auto& lines = m_blocks.front().lines;
    lines.insert(lines.begin(), Line{std::move(comment), false, {}, {}});
}

bool IniDocument::HasNode(std::string_view node) const
{
    return node.empty() ||
           std::any_of(m_blocks.begin(), m_blocks.end(), [node](const Block& block) { return block.name == node; });
}

std::vector<std::string> IniDocument::NodeNames() const
{
    std::vector<std::string> names;
    std::unordered_set<std::string_view> seen;
    for (const Block& block : m_blocks) {
        if (seen.insert(block.name).second)
            names.push_back(block.name);
    }
    return names;
}

std::vector<IniDocument::EntryRef> IniDocument::Entries(std::string_view node) const
{
    std::vector<EntryRef> entries;
    for (size_t b = 0; b < m_blocks.size(); ++b) {
        if (m_blocks[b].name != node)
            continue;
        for (size_t l = 0; l < m_blocks[b].lines.size(); ++l) {
            if (m_blocks[b].lines[l].isEntry)
                entries.push_back(EntryRef{b, l});
        }
    }
    return entries;
}

const std::string* IniDocument::FindValue(std::string_view node, std::string_view key) const
{
    const std::vector<EntryRef> entries = Entries(node);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (At(*it).key == key)
            return &At(*it).value;
    }
    return nullptr;
}

std::optional<std::vector<std::string>> IniDocument::KeyNames(std::string_view node) const
{
    if (!HasNode(node))
        return std::nullopt;
    std::vector<std::string> names;
    std::unordered_set<std::string_view> seen;
    for (const EntryRef ref : Entries(node)) {
        if (seen.insert(At(ref).key).second)
            names.push_back(At(ref).key);
    }
    return names;
}

std::optional<size_t> IniDocument::ItemCount(std::string_view node) const
{
    if (!HasNode(node))
        return std::nullopt;
    return Entries(node).size();
}

const std::string* IniDocument::Item(std::string_view node, size_t index) const
{
    const std::vector<EntryRef> entries = Entries(node);
    return index < entries.size() ? &At(entries[index]).value : nullptr;
}

IniDocument::Line IniDocument::MakeEntry(std::string_view key, std::string_view value)
{
    std::string text(key);
    text += '=';
    text += EncodeValue(value);
    return Line{std::move(text), true, std::string(key), std::string(value)};
}

template <class Change> Outcome IniDocument::Guarded(Change change)
{
    IniDocument before = *this;
    Outcome outcome;
    try {
        outcome = change();
    } catch (...) {
        *this = std::move(before);
        throw;
    }
    if (outcome == Outcome::Changed && SerialisedSize() > MaxFileSize) {
        *this = std::move(before);
        return Outcome::TooLarge;
    }
    return outcome;
}

size_t IniDocument::BlockForAppend(std::string_view node)
{
    for (size_t b = m_blocks.size(); b-- > 0;) {
        if (m_blocks[b].name == node)
            return b;
    }
    // A blank line between the sections, as a person would leave one.
    const Block& last = m_blocks.back();
    const std::string* lastLine = !last.lines.empty() ? &last.lines.back().text : last.header ? &*last.header : nullptr;
    if (lastLine && !Trim(*lastLine).empty())
        m_blocks.back().lines.push_back(Line{});
    std::string header = "[";
    header += node;
    header += ']';
    m_blocks.push_back(Block{std::string(node), std::move(header), {}});
    return m_blocks.size() - 1;
}

void IniDocument::Append(std::string_view node, std::vector<Line> entries)
{
    std::vector<Line>& lines = m_blocks[BlockForAppend(node)].lines;
    // After the last entry; in a block without entries after its last comment, before trailing blanks.
    size_t position = lines.size();
    while (position > 0 && !lines[position - 1].isEntry)
        --position;
    if (position == 0) {
        position = lines.size();
        while (position > 0 && Trim(lines[position - 1].text).empty())
            --position;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(position), std::make_move_iterator(entries.begin()),
                 std::make_move_iterator(entries.end()));
}

void IniDocument::Remove(std::vector<EntryRef> entries)
{
    std::sort(entries.begin(), entries.end(),
              [](EntryRef a, EntryRef b) { return a.block != b.block ? a.block < b.block : a.line < b.line; });
    auto next = entries.begin();
    for (size_t b = 0; b < m_blocks.size() && next != entries.end(); ++b) {
        std::vector<Line>& lines = m_blocks[b].lines;
        std::vector<Line> kept;
        kept.reserve(lines.size());
        for (size_t l = 0; l < lines.size(); ++l) {
            if (next != entries.end() && next->block == b && next->line == l)
                ++next;
            else
                kept.push_back(std::move(lines[l]));
        }
        lines = std::move(kept);
    }
}

bool IniDocument::Renumber(std::string_view node)
{
    bool changed = false;
    const std::vector<EntryRef> entries = Entries(node);
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string key = std::to_string(i);
        Line& line = At(entries[i]);
        if (line.key != key) {
            line = MakeEntry(key, line.value);
            changed = true;
        }
    }
    return changed;
}

Outcome IniDocument::SetValue(std::string_view node, std::string_view key, std::string_view value)
{
    if (!IsValidNode(node) || !IsValidKey(key) || !IsValidValue(value))
        return Outcome::Invalid;
    if (value.size() > MaxFileSize)
        return Outcome::TooLarge;
    return Guarded([&] {
        const std::vector<EntryRef> entries = Entries(node);
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            Line& line = At(*it);
            if (line.key != key)
                continue;
            if (line.value == value)
                return Outcome::Unchanged;
            line = MakeEntry(key, value);
            return Outcome::Changed;
        }
        std::vector<Line> added;
        added.push_back(MakeEntry(key, value));
        Append(node, std::move(added));
        return Outcome::Changed;
    });
}

Outcome IniDocument::SetItemCount(std::string_view node, long long count)
{
    if (!IsValidNode(node) || count < 0)
        return Outcome::Invalid;
    // Refused before anything is built for it.
    if (static_cast<unsigned long long>(count) > MaxFileSize || MinimumItemBytes(size_t(count)) > MaxFileSize)
        return Outcome::TooLarge;
    return Guarded([&] {
        bool changed = !HasNode(node);
        if (changed)
            BlockForAppend(node);
        std::vector<EntryRef> entries = Entries(node);
        const auto wanted = static_cast<size_t>(count);
        if (wanted < entries.size()) {
            Remove(std::vector<EntryRef>(entries.begin() + static_cast<std::ptrdiff_t>(wanted), entries.end()));
            changed = true;
        } else if (wanted > entries.size()) {
            std::vector<Line> added;
            added.reserve(wanted - entries.size());
            for (size_t i = entries.size(); i < wanted; ++i)
                added.push_back(MakeEntry(std::to_string(i), ""));
            Append(node, std::move(added));
            changed = true;
        }
        changed = Renumber(node) || changed;
        return changed ? Outcome::Changed : Outcome::Unchanged;
    });
}

Outcome IniDocument::SetItem(std::string_view node, long long index, std::string_view value)
{
    if (!IsValidNode(node) || index < 0 || !IsValidValue(value))
        return Outcome::Invalid;
    if (value.size() > MaxFileSize)
        return Outcome::TooLarge;
    return Guarded([&] {
        const std::vector<EntryRef> entries = Entries(node);
        const auto position = static_cast<unsigned long long>(index);
        bool changed = false;
        if (position > entries.size())
            return Outcome::NotFound;
        if (position == entries.size()) {
            std::vector<Line> added;
            added.push_back(MakeEntry(std::to_string(position), value));
            Append(node, std::move(added));
            changed = true;
        } else if (Line& line = At(entries[position]); line.value != value) {
            line = MakeEntry(line.key, value);
            changed = true;
        }
        changed = Renumber(node) || changed;
        return changed ? Outcome::Changed : Outcome::Unchanged;
    });
}

Outcome IniDocument::RemoveItem(std::string_view node, long long index)
{
    if (!IsValidNode(node) || index < 0)
        return Outcome::Invalid;
    return Guarded([&] {
        const std::vector<EntryRef> entries = Entries(node);
        if (static_cast<unsigned long long>(index) >= entries.size())
            return Outcome::NotFound;
        Remove({entries[static_cast<size_t>(index)]});
        Renumber(node);
        return Outcome::Changed;
    });
}

} // namespace IniFile
