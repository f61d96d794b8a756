#include "platform/midi/alsa/AlsaMidiNames.h"

#include "platform/midi/MidiDriver.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace VQ::Platform {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// The code point starting at text[pos], advancing pos; malformed input yields U+FFFD for one byte.
char32_t NextCodePoint(std::string_view text, size_t& pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t extra = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return Replacement;
    }
    if (text.size() - pos <= extra) {
        ++pos;
        return Replacement;
    }
    for (size_t i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return Replacement;
        }
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not text.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return Replacement;
    }
    pos += extra + 1;
    return value;
}

bool IsListed(const AlsaPortInfo& port, int ownClient)
{
    return port.client != ownClient && port.client != SND_SEQ_CLIENT_SYSTEM &&
           (port.caps & SND_SEQ_PORT_CAP_NO_EXPORT) == 0;
}

void Append(std::vector<AlsaMidiDevice>& list, const AlsaPortInfo& port)
{
    const bool firstOfClient = list.empty() || list.back().client != port.client;
    const std::string name = firstOfClient ? port.clientName : port.clientName + " " + port.portName;
    list.push_back({port.client, port.port, port.clientName, Utf8ToUtf16(name, MidiMaxNameLength)});
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view text, size_t maxUnits)
{
    std::u16string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = NextCodePoint(text, pos);
        if (c < 0x10000) {
            if (out.size() + 1 > maxUnits)
                break;
            out.push_back(static_cast<char16_t>(c));
        } else {
            if (out.size() + 2 > maxUnits)
                break;
            const char32_t v = c - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
    return out;
}

AlsaMidiDeviceLists MakeAlsaMidiDeviceLists(std::vector<AlsaPortInfo> ports, int ownClient)
{
    std::stable_sort(ports.begin(), ports.end(), [](const AlsaPortInfo& a, const AlsaPortInfo& b) {
        return a.client != b.client ? a.client < b.client : a.port < b.port;
    });
    constexpr unsigned readable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    constexpr unsigned writable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    AlsaMidiDeviceLists lists;
    for (const AlsaPortInfo& port : ports) {
        if (!IsListed(port, ownClient))
            continue;
        if ((port.caps & readable) == readable)
            Append(lists.inputs, port);
        if ((port.caps & writable) == writable)
            Append(lists.outputs, port);
    }
    return lists;
}

} // namespace VQ::Platform
