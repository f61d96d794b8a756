#include "vqframework/storage/Variant.h"

#include "vqframework/objectbase/Exception.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace VQ {

namespace {

constexpr uint32_t HeaderSize = 12;
constexpr uint32_t EntryFormat = 1;

uint32_t ReadWord(const unsigned char* at)
{
    uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

void WriteEntryHeader(unsigned char* at, uint32_t size, int32_t type)
{
    const uint32_t words[3] = {size, EntryFormat, static_cast<uint32_t>(type)};
    std::memcpy(at, words, sizeof words);
}

// Numbers, the most frequent items, are copied without a call.
void CopyData(unsigned char* at, const void* data, uint32_t size)
{
    switch (size) {
    case 0:
        break;
    case 1:
        std::memcpy(at, data, 1);
        break;
    case 2:
        std::memcpy(at, data, 2);
        break;
    case 4:
        std::memcpy(at, data, 4);
        break;
    case 8:
        std::memcpy(at, data, 8);
        break;
    default:
        std::memcpy(at, data, size);
        break;
    }
}

} // namespace

uint32_t SerializeVariant(const Variant& value, void* out, uint32_t capacity)
{
    uint32_t size = 0;
    const void* data = value.GetData(&size);
    const int32_t type = value.GetType();
    if (size == 0 && (type == Variant::TypeExternalBytes || type == Variant::TypeExternalConstBytes))
        return static_cast<uint32_t>(E_FAIL);
    if (!out || uint64_t(size) + HeaderSize > capacity)
        return static_cast<uint32_t>(E_FAIL);
    auto* bytes = static_cast<unsigned char*>(out);
    WriteEntryHeader(bytes, size + HeaderSize, type);
    if (size)
        std::memcpy(bytes + HeaderSize, data, size);
    return size + HeaderSize;
}

// Content comes from files and the device-control library unchecked, so a size word below a header
// or past the end ends the walk: what follows is not an item.
uint32_t Variant::EntrySizeAt(const unsigned char* content, uint32_t length, uint32_t offset)
{
    if (length - offset < HeaderSize)
        return 0;
    const uint32_t size = ReadWord(content + offset);
    if (size < HeaderSize || size > length - offset)
        return 0;
    return size;
}

Variant::EntryRead Variant::ReadEntry(const unsigned char* in, uint32_t available, View& view)
{
    if (!in || available < HeaderSize)
        return EntryRead::Refused;
    const uint32_t size = ReadWord(in);
    const uint32_t format = ReadWord(in + 4);
    const uint32_t type = ReadWord(in + 8);
    if (size > available || format != EntryFormat || type >= TypeCount)
        return EntryRead::Refused;
    view = View();
    if (size == HeaderSize) {
        if (type == TypeEmpty)
            return EntryRead::Taken;
        if (type == TypeList) {
            view.type = TypeList;
            return EntryRead::Taken;
        }
        return EntryRead::Refused;
    }
    // A size word shorter than the header would give a negative data length.
    if (size < HeaderSize || type == TypeEmpty)
        return EntryRead::Refused;
    const unsigned char* data = in + HeaderSize;
    const uint32_t dataSize = size - HeaderSize;
    view.type = static_cast<int32_t>(type);
    switch (view.type) {
    case TypeExternalBytes:
    case TypeExternalConstBytes:
        // Set makes owned bytes of them: not the type the entry names.
        return EntryRead::RefusedEmpty;
    case TypeBytes:
    case TypeList:
        view.data = data;
        view.length = dataSize;
        return EntryRead::Taken;
    case TypeString: {
        // Text must end inside its entry, or reading it would run past the entry.
        const auto* nul = static_cast<const unsigned char*>(std::memchr(data, 0, dataSize));
        if (!nul)
            return EntryRead::RefusedEmpty;
        view.data = data;
        view.length = static_cast<uint32_t>(nul - data) + 1;
        return EntryRead::Taken;
    }
    default:
        if (dataSize != NumericSize(view.type))
            return EntryRead::RefusedEmpty;
        std::memcpy(&view.slot, data, dataSize);
        return EntryRead::Taken;
    }
}

int32_t Variant::SetView(const View& view)
{
    if (NumericSize(view.type)) {
        ReleaseValue();
        m_value = view.slot;
        m_type = view.type;
        return m_type;
    }
    switch (view.type) {
    case TypeEmpty:
        Clear();
        return TypeEmpty;
    case TypeBytes:
        return SetBuffer(view.data, view.length);
    case TypeString:
        return SetText(reinterpret_cast<const char*>(view.data), view.length);
    case TypeList:
        if (view.length == 0)
            return SetList(static_cast<const Variant*>(nullptr), 0);
        return Set(TypeList, view.data, view.length);
    default:
        ReleaseValue();
        return TypeEmpty;
    }
}

VQRESULT DeserializeVariant(Variant& out, const void* in, uint32_t available)
{
    Variant::View view;
    switch (Variant::ReadEntry(static_cast<const unsigned char*>(in), available, view)) {
    case Variant::EntryRead::Refused:
        return E_FAIL;
    case Variant::EntryRead::RefusedEmpty:
        out.Clear();
        return E_FAIL;
    case Variant::EntryRead::Taken:
        break;
    }
    if (out.SetView(view) != view.type) {
        out.Clear();
        return E_FAIL;
    }
    return S_OK;
}

int32_t Variant::SetList(const Variant* items, uint32_t count)
{
    if (!items)
        count = 0;
    return BuildList([&](ListWriter& list) {
        for (uint32_t i = 0; i < count; ++i)
            list.Add(items[i]);
    });
}

int32_t Variant::SetList(const Variant* const* items, uint32_t count)
{
    if (!items)
        count = 0;
    return BuildList([&](ListWriter& list) {
        for (uint32_t i = 0; i < count; ++i) {
            if (items[i])
                list.Add(*items[i]);
            else
                list.WriteEntry(TypeEmpty, nullptr, 0);
        }
    });
}

int32_t Variant::TakeList(const ListWriter& list)
{
    if (list.m_openCount != 0)
        VQ_THROW_DETAIL(std::logic_error, "a list was begun and not ended");
    ReleaseValue();
    if (list.m_tooLong)
        return TypeEmpty;
    if (list.m_size) {
        const auto size = static_cast<uint32_t>(list.m_size);
        void* buffer = AllocateBuffer(size);
        if (!buffer)
            return TypeEmpty;
        std::memcpy(buffer, list.m_data, size);
        SetBufferAddress(buffer);
        m_length = size;
    }
    m_type = TypeList;
    return TypeList;
}

uint32_t Variant::GetListCount() const
{
    return ListReader(*this).Remaining();
}

int32_t Variant::GetListItem(uint32_t index, Variant& out) const
{
    if (&out == this) {
        const Variant copy(*this);
        return copy.GetListItem(index, out);
    }
    out.Clear();
    ListReader reader(*this);
    for (uint32_t i = 0; i < index; ++i) {
        if (!reader.Skip())
            return -1;
    }
    return reader.Next(out) ? 0 : -1;
}

Variant::ListReader::ListReader(const Variant& list) : m_owner(&list)
{
    if (list.m_type == TypeList) {
        m_content = static_cast<const unsigned char*>(list.GetBufferAddress());
        m_length = list.m_length;
    }
}

bool Variant::ListReader::NextEntry(const unsigned char*& entry, uint32_t& size)
{
    size = EntrySizeAt(m_content, m_length, m_offset);
    if (!size)
        return false;
    entry = m_content + m_offset;
    m_offset += size;
    return true;
}

bool Variant::ListReader::Next(Variant& out)
{
    if (&out == m_owner) {
        Variant item;
        const bool found = Next(item);
        out.Assign(item);
        *this = ListReader();
        return found;
    }
    const unsigned char* entry = nullptr;
    uint32_t size = 0;
    // The reader's refusal leaves out empty; the item exists all the same.
    const bool found = NextEntry(entry, size);
    if (!found || DeserializeVariant(out, entry, size) != S_OK)
        out.Clear();
    return found;
}

bool Variant::ListReader::Skip()
{
    const unsigned char* entry = nullptr;
    uint32_t size = 0;
    return NextEntry(entry, size);
}

bool Variant::ListReader::NextList(ListReader& items)
{
    const unsigned char* entry = nullptr;
    uint32_t size = 0;
    const bool found = NextEntry(entry, size);
    const Variant* owner = m_owner;
    items = ListReader();
    // What ReadEntry takes for a list, the entry lying whole inside the content: format 1, type 16.
    if (found && ReadWord(entry + 4) == EntryFormat && ReadWord(entry + 8) == TypeList) {
        items.m_owner = owner;
        items.m_content = entry + HeaderSize;
        items.m_length = size - HeaderSize;
    }
    return found;
}

bool Variant::ListReader::ReadExactly(Variant* const* outs, uint32_t count)
{
    constexpr uint32_t kMost = 8;
    if (count > kMost)
        return Remaining() == count && CopyItems(outs, count);
    // The entries are found in one walk and checked before anything is read.
    const unsigned char* entries[kMost];
    uint32_t offset = m_offset;
    bool readsOwner = false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t size = EntrySizeAt(m_content, m_length, offset);
        if (!size)
            return false;
        entries[i] = m_content + offset;
        offset += size;
        readsOwner |= outs[i] == m_owner;
    }
    if (EntrySizeAt(m_content, m_length, offset))
        return false;
    if (readsOwner)
        return CopyItems(outs, count);
    for (uint32_t i = 0; i < count; ++i) {
        if (outs[i] && DeserializeVariant(*outs[i], entries[i], ReadWord(entries[i])) != S_OK)
            outs[i]->Clear();
    }
    m_offset = offset;
    return true;
}

bool Variant::ListReader::CopyItems(Variant* const* outs, uint32_t count)
{
    // Reading into the list itself replaces the bytes being read: every item is copied first, and
    // the reader then has no more items.
    std::vector<Variant> copies(count);
    bool readsOwner = false;
    for (uint32_t i = 0; i < count; ++i) {
        Next(copies[i]);
        readsOwner |= outs[i] == m_owner;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (outs[i])
            outs[i]->Assign(copies[i]);
    }
    if (readsOwner)
        *this = ListReader();
    return true;
}

uint32_t Variant::ListReader::Remaining() const
{
    uint32_t count = 0;
    for (uint32_t offset = m_offset; const uint32_t size = EntrySizeAt(m_content, m_length, offset); offset += size)
        ++count;
    return count;
}

Variant::ListWriter::~ListWriter()
{
    if (m_data != m_inline)
        delete[] m_data;
}

unsigned char* Variant::ListWriter::Extend(uint64_t size)
{
    if (m_tooLong || m_size + size > std::numeric_limits<uint32_t>::max()) {
        m_tooLong = true;
        return nullptr;
    }
    if (m_size + size > m_capacity) {
        uint64_t capacity = m_capacity * 2;
        while (capacity < m_size + size)
            capacity *= 2;
        capacity = std::min<uint64_t>(capacity, std::numeric_limits<uint32_t>::max());
        auto* data = new unsigned char[capacity];
        std::memcpy(data, m_data, m_size);
        if (m_data != m_inline)
            delete[] m_data;
        m_data = data;
        m_capacity = capacity;
    }
    unsigned char* at = m_data + m_size;
    m_size += size;
    return at;
}

void Variant::ListWriter::WriteEntry(int32_t type, const void* data, uint32_t size)
{
    const uint64_t entrySize = HeaderSize + uint64_t(size);
    if (unsigned char* at = Extend(entrySize)) {
        WriteEntryHeader(at, static_cast<uint32_t>(entrySize), type);
        CopyData(at + HeaderSize, data, size);
    }
}

void Variant::ListWriter::Add(const Variant& item)
{
    uint32_t size = 0;
    const void* data = item.GetData(&size);
    WriteEntry(item.GetType(), data, size);
}

void Variant::ListWriter::AddView(const View& view)
{
    if (const uint32_t width = NumericSize(view.type))
        WriteEntry(view.type, &view.slot, width);
    else
        WriteEntry(view.type, view.data, view.length);
}

bool Variant::ListWriter::AddNext(ListReader& items)
{
    const unsigned char* entry = nullptr;
    uint32_t size = 0;
    if (!items.NextEntry(entry, size))
        return false;
    View view;
    if (ReadEntry(entry, size, view) != EntryRead::Taken)
        view = View();
    AddView(view);
    return true;
}

void Variant::ListWriter::BeginList()
{
    if (m_openCount == kMaxOpenLists)
        VQ_THROW_DETAIL(std::logic_error, "lists nested too deep");
    m_open[m_openCount++] = m_size;
    // The size word is filled in by EndList.
    WriteEntry(TypeList, nullptr, 0);
}

void Variant::ListWriter::EndList()
{
    if (m_openCount == 0)
        VQ_THROW_DETAIL(std::logic_error, "no list to end");
    CloseList(m_open[--m_openCount]);
}

void Variant::ListWriter::CloseList(uint64_t start)
{
    if (m_tooLong)
        return;
    const auto size = static_cast<uint32_t>(m_size - start);
    std::memcpy(m_data + start, &size, sizeof size);
}

void Variant::ListWriter::AddList(const Variant* const* items, uint32_t count)
{
    if (!items)
        count = 0;
    // Most lists are short: their items are looked at once and the entry written in one go.
    constexpr uint32_t kShortList = 8;
    if (count > kShortList) {
        // Not through BeginList, whose limit counts only the lists the caller opens.
        const uint64_t start = m_size;
        WriteEntry(TypeList, nullptr, 0);
        for (uint32_t i = 0; i < count; ++i) {
            if (items[i])
                Add(*items[i]);
            else
                WriteEntry(TypeEmpty, nullptr, 0);
        }
        CloseList(start);
        return;
    }
    struct Part {
        const void* data;
        uint32_t size;
        int32_t type;
    } parts[kShortList];
    uint64_t total = HeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        Part& part = parts[i];
        part.size = 0;
        part.data = items[i] ? items[i]->GetData(&part.size) : nullptr;
        part.type = items[i] ? items[i]->GetType() : TypeEmpty;
        total += HeaderSize + uint64_t(part.size);
    }
    unsigned char* at = Extend(total);
    if (!at)
        return;
    WriteEntryHeader(at, static_cast<uint32_t>(total), TypeList);
    at += HeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        WriteEntryHeader(at, HeaderSize + parts[i].size, parts[i].type);
        CopyData(at + HeaderSize, parts[i].data, parts[i].size);
        at += HeaderSize + parts[i].size;
    }
}

} // namespace VQ
