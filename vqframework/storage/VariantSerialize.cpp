#include "vqframework/storage/Variant.h"

#include <cstring>
#include <limits>
#include <memory>

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

void WriteHeader(unsigned char* at, uint32_t size, int32_t type)
{
    const uint32_t words[3] = {size, EntryFormat, static_cast<uint32_t>(type)};
    std::memcpy(at, words, sizeof words);
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
    WriteHeader(bytes, size + HeaderSize, type);
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
        return Set(view.type, &view.slot, NumericSize(view.type));
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
    std::unique_ptr<const Variant*[]> list(count && items ? new const Variant*[count] : nullptr);
    for (uint32_t i = 0; list && i < count; ++i)
        list[i] = &items[i];
    return SetList(list.get(), list ? count : 0);
}

int32_t Variant::SetList(const Variant* const* items, uint32_t count)
{
    if (!items)
        count = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (items[i] == this) {
            const Variant copy(*this);
            std::unique_ptr<const Variant*[]> list(new const Variant*[count]);
            for (uint32_t j = 0; j < count; ++j)
                list[j] = items[j] == this ? &copy : items[j];
            return SetList(list.get(), count);
        }
    }
    ReleaseValue();
    if (count == 0) {
        m_type = TypeList;
        return TypeList;
    }
    uint64_t total = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t size = 0;
        if (items[i])
            items[i]->GetData(&size);
        total += HeaderSize + uint64_t(size);
    }
    if (total > std::numeric_limits<uint32_t>::max())
        return TypeEmpty;
    auto* buffer = static_cast<unsigned char*>(AllocateBuffer(static_cast<uint32_t>(total)));
    if (!buffer)
        return TypeEmpty;
    const auto length = static_cast<uint32_t>(total);
    const Variant empty;
    uint32_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const Variant& item = items[i] ? *items[i] : empty;
        const uint32_t written = SerializeVariant(item, buffer + offset, length - offset);
        if (written == static_cast<uint32_t>(E_FAIL)) {
            // An empty external byte value: an empty entry of its type keeps the room defined.
            WriteHeader(buffer + offset, HeaderSize, item.GetType());
            offset += HeaderSize;
        } else {
            offset += written;
        }
    }
    SetBufferAddress(buffer);
    m_length = length;
    m_type = TypeList;
    return TypeList;
}

uint32_t Variant::GetListCount() const
{
    if (m_type != TypeList || m_length <= 4)
        return 0;
    const auto* content = static_cast<const unsigned char*>(GetBufferAddress());
    uint32_t count = 0;
    uint32_t offset = 0;
    while (const uint32_t size = EntrySizeAt(content, m_length, offset)) {
        offset += size;
        ++count;
    }
    return count;
}

int32_t Variant::GetListItem(uint32_t index, Variant& out) const
{
    if (&out == this) {
        const Variant copy(*this);
        return copy.GetListItem(index, out);
    }
    out.Clear();
    if (m_type != TypeList || m_length <= 4)
        return -1;
    const auto* content = static_cast<const unsigned char*>(GetBufferAddress());
    uint32_t offset = 0;
    for (uint32_t i = 0;; ++i) {
        const uint32_t size = EntrySizeAt(content, m_length, offset);
        if (!size)
            return -1;
        if (i == index)
            break;
        offset += size;
    }
    // The reader's refusal leaves out empty; the item exists all the same.
    DeserializeVariant(out, content + offset, m_length - offset);
    return 0;
}

} // namespace VQ
