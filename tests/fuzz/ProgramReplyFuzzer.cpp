// Arbitrary bytes as a captured reply: a reply that is parsed gives the model's lengths and 7-bit
// data only, and its values build back into the data bytes they came from.
#include "editor/midi/ProgramMessages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace VQ;
    const auto* bytes = reinterpret_cast<const signed char*>(data);
    const auto count = static_cast<uint32_t>(size);
    const bool reply = IsProgramReply(bytes, count);

    Array<Variant> values;
    const bool parsed = ParseProgramReply(bytes, count, values);
    if (!parsed) {
        Check(values.GetCount() == 0);
        return 0;
    }
    Check(reply && size == ProgramReplySize);
    Check(values.GetCount() == ProgramValueCount);
    for (uint32_t i = 0; i < ProgramValueCount; ++i) {
        uint32_t length = 0;
        const auto* value = static_cast<const uint8_t*>(values.GetAt(i).GetData(&length));
        Check(values.GetAt(i).GetType() == Variant::TypeBytes && length == ProgramValueLength(i));
        for (uint32_t k = 0; k < length; ++k)
            Check(value[k] <= 0x7F);
    }

    Array<signed char> body;
    Check(BuildSendProgramBody(static_cast<uint8_t>(data[7]), values, body));
    Check(body.GetCount() == SendProgramBodySize);
    Check(std::memcmp(body.GetData() + ProgramHeaderSize, data + ProgramReplyDataOffset, ProgramDataSize) == 0);
    return 0;
}
