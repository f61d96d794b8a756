// A settings file held in memory as its lines: read from text and written back with every line the
// reader did not change as it was, so that comments, order and lines it does not understand survive.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace IniFile {

// What a change did; Invalid and TooLarge leave the document as it was.
enum class Outcome {
    Unchanged,
    Changed,
    NotFound,
    // A key, node or value the file cannot hold, or a negative index or count.
    Invalid,
    // The change would make the file larger than a file the reader accepts.
    TooLarge,
};

// A key path taken apart; views into the path's text.
struct KeyPath {
    std::string_view node;
    std::string_view key;
};

class IniDocument {
public:
    // Larger files are taken for damaged ones rather than settings.
    static constexpr size_t MaxFileSize = 4 * 1024 * 1024;

    // Text the reader accepts as a settings file: well-formed UTF-8, no NUL, at most MaxFileSize bytes.
    static bool IsAcceptedText(std::string_view bytes);
    // Not empty; no '=', '/' or line break, no '[', ';' or '#' first, no blanks at either end; UTF-8.
    static bool IsValidKey(std::string_view key);
    // "" names the root, the keys before any section header; a section name has no ']' or line break
    // and no blanks at either end.
    static bool IsValidNode(std::string_view node);
    static bool IsValidValue(std::string_view value);
    // "Node/Key": the node before the last '/', the key after it; a path without '/' is a root key.
    // None when either part is not valid.
    static std::optional<KeyPath> SplitKeyPath(std::string_view path);

    // Any bytes: what is no header, key, comment or blank line is kept as an unknown line.
    static IniDocument Parse(std::string_view text);
    std::string Serialise() const;
    // The length of Serialise(), without building it.
    size_t SerialisedSize() const;

    // A comment line at the start of the file, for a file about to be created.
    void AddLeadingComment(std::string_view text);

    // The root always exists.
    bool HasNode(std::string_view node) const;
    // The nodes in file order, each once, the root first.
    std::vector<std::string> NodeNames() const;
    // Of a key that occurs more than once in its node, the last occurrence counts.
    const std::string* FindValue(std::string_view node, std::string_view key) const;
    Outcome SetValue(std::string_view node, std::string_view key, std::string_view value);
    // The node's keys in order of first occurrence, each once; none when the node is missing.
    std::optional<std::vector<std::string>> KeyNames(std::string_view node) const;

    // An array is a node whose values are its items in file order; every change to it renumbers the
    // node's keys "0", "1", ….
    std::optional<size_t> ItemCount(std::string_view node) const;
    const std::string* Item(std::string_view node, size_t index) const;
    // Creates the node when missing; grows with empty items or drops items from the end.
    Outcome SetItemCount(std::string_view node, long long count);
    // An index equal to the count appends (creating the node when missing).
    Outcome SetItem(std::string_view node, long long index, std::string_view value);
    Outcome RemoveItem(std::string_view node, long long index);

private:
    struct Line {
        std::string text; // as written in the file, without its line end
        bool isEntry = false;
        std::string key;
        std::string value;
    };
    // The lines under one section header; the first block holds the lines before any header and
    // has none. A section whose header occurs more than once is all of its blocks.
    struct Block {
        std::string name;
        std::optional<std::string> header;
        std::vector<Line> lines;
    };
    struct EntryRef {
        size_t block;
        size_t line;
    };

    bool WritesByteOrderMark() const;
    static Line MakeEntry(std::string_view key, std::string_view value);
    // Runs a change and undoes it when it throws or leaves the file too large.
    template <class Change> Outcome Guarded(Change change);
    std::vector<EntryRef> Entries(std::string_view node) const;
    const Line& At(EntryRef ref) const { return m_blocks[ref.block].lines[ref.line]; }
    Line& At(EntryRef ref) { return m_blocks[ref.block].lines[ref.line]; }
    // The node's last block, created at the end of the file when missing.
    size_t BlockForAppend(std::string_view node);
    // New entries go after the last entry of the node's last block.
    void Append(std::string_view node, std::vector<Line> entries);
    void Remove(std::vector<EntryRef> entries);
    bool Renumber(std::string_view node);

    std::vector<Block> m_blocks{Block{}};
    bool m_byteOrderMark = false;
};

} // namespace IniFile
