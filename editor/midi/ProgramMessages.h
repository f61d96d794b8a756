// The controller's program messages as bytes: the get-program request, the program reply and the
// send-program message, built and read without any port or engine.
#pragma once

#include "vqframework/storage/Array.h"
#include "vqframework/storage/IArray.h"
#include "vqframework/storage/Variant.h"

#include <cstdint>

namespace VQ {

// The program's values: the MIDI channel, pads 1 to 8, knobs 1 to 8.
inline constexpr uint32_t ProgramValueCount = 17;
// Their bytes in all, as a reply and a send-program message carry them.
inline constexpr uint32_t ProgramDataSize = 57;
// A program reply, F0 to F7.
inline constexpr uint32_t ProgramReplySize = 66;
// Where the data bytes of a reply begin.
inline constexpr uint32_t ProgramReplyDataOffset = 8;
// A send-program message without its F0 and F7.
inline constexpr uint32_t SendProgramBodySize = 64;
// The request and header bodies, without F0.
inline constexpr uint32_t ProgramHeaderSize = 7;

// The model's length of the value at the index: 1 for the channel, 4 for a pad, 3 for a knob.
uint32_t ProgramValueLength(uint32_t index) noexcept;

// 7D 7F 3C 63 00 01 p: the get-program request without its framing.
void BuildGetProgramRequest(uint8_t program, Array<signed char>& body);
// 7D 7F 3C 61 00 3A p: the start of a send-program message without its F0.
void BuildSendProgramHeader(uint8_t program, Array<signed char>& body);

// Exactly 66 bytes beginning F0 7D 7F 3C 63 00 3A; the program number, the data and the last byte
// are not looked at.
bool IsProgramReply(const signed char* bytes, uint32_t count) noexcept;

// The 17 values of a program reply, each an owned byte value of the model's length. False, with the
// values untouched, for anything that is not a program reply or whose data holds a byte above 0x7F
// (which no controller sends inside SysEx).
bool ParseProgramReply(const signed char* bytes, uint32_t count, Array<Variant>& values);

// The 64-byte send-program body (header, 57 data bytes). False, with the body untouched, unless there
// are 17 values, each an owned byte value of the model's length with no byte above 0x7F: anything
// else would shift or break the message on the wire.
bool BuildSendProgramBody(uint8_t program, const IArray<Variant>& values, Array<signed char>& body);

} // namespace VQ
