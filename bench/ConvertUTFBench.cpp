// Our UTF-8/UTF-16 converters beside glibc's iconv and the standard library's codecvt, on 1 MiB texts.
#include "vqframework/storage/ConvertUTF.h"

#include <benchmark/benchmark.h>

#include <iconv.h>

#include <codecvt>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <locale>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr size_t kTextBytes = 1 << 20;

std::string MakeAsciiText()
{
    const std::string words = "The quick brown fox jumps over the lazy dog, 0123456789.\n";
    std::string text;
    while (text.size() + words.size() <= kTextBytes)
        text += words;
    text.append(kTextBytes - text.size(), 'x');
    return text;
}

// Latin, Cyrillic, CJK and emoji between ASCII, so every sequence length occurs, in a fixed pseudo-random order.
std::string MakeMixedText()
{
    const char* const pieces[] = {"a", "Z", " ", "\xC3\xA9", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                  "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xC2\x80"};
    std::string text;
    uint32_t state = 12345;
    for (;;) {
        state = state * 1103515245u + 12345u;
        const char* piece = pieces[(state >> 16) % std::size(pieces)];
        if (text.size() + std::strlen(piece) > kTextBytes)
            break;
        text += piece;
    }
    text.append(kTextBytes - text.size(), 'y');
    return text;
}

const std::string& Utf8Text(bool mixed)
{
    static const std::string ascii = MakeAsciiText();
    static const std::string mix = MakeMixedText();
    return mixed ? mix : ascii;
}

std::u16string ToUTF16(const std::string& narrow)
{
    std::u16string wide(narrow.size(), u'\0');
    const VQ::UTF8* source = reinterpret_cast<const VQ::UTF8*>(narrow.data());
    char16_t* target = wide.data();
    if (VQ::ConvertUTF8ToUTF16(&source, source + narrow.size(), &target, target + wide.size(),
                               VQ::LenientConversion) != VQ::ConversionOK)
        throw std::logic_error("benchmark text is not well-formed");
    wide.resize(size_t(target - wide.data()));
    return wide;
}

const std::u16string& Utf16Text(bool mixed)
{
    static const std::u16string ascii = ToUTF16(Utf8Text(false));
    static const std::u16string mix = ToUTF16(Utf8Text(true));
    return mixed ? mix : ascii;
}

void OursUTF8ToUTF16(benchmark::State& state)
{
    const std::string& text = Utf8Text(state.range(0) != 0);
    std::vector<char16_t> out(text.size());
    for (auto _ : state) {
        const VQ::UTF8* source = reinterpret_cast<const VQ::UTF8*>(text.data());
        char16_t* target = out.data();
        const VQ::ConversionResult result = VQ::ConvertUTF8ToUTF16(&source, source + text.size(), &target,
                                                                   out.data() + out.size(), VQ::LenientConversion);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void OursUTF16ToUTF8(benchmark::State& state)
{
    const std::u16string& text = Utf16Text(state.range(0) != 0);
    std::vector<VQ::UTF8> out(text.size() * 3);
    for (auto _ : state) {
        const char16_t* source = text.data();
        VQ::UTF8* target = out.data();
        const VQ::ConversionResult result = VQ::ConvertUTF16ToUTF8(&source, source + text.size(), &target,
                                                                   out.data() + out.size(), VQ::LenientConversion);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}

void Iconv(benchmark::State& state, const char* to, const char* from, const char* input, size_t inputBytes)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) {
        state.SkipWithError("iconv_open failed");
        return;
    }
    std::vector<char> out(inputBytes * 3);
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* source = const_cast<char*>(input);
        size_t sourceLeft = inputBytes;
        char* target = out.data();
        size_t targetLeft = out.size();
        const size_t result = iconv(cd, &source, &sourceLeft, &target, &targetLeft);
        if (result == size_t(-1) || sourceLeft != 0) {
            state.SkipWithError("iconv failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    iconv_close(cd);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(inputBytes));
}

void IconvUTF8ToUTF16(benchmark::State& state)
{
    const std::string& text = Utf8Text(state.range(0) != 0);
    Iconv(state, "UTF-16LE", "UTF-8", text.data(), text.size());
}

void IconvUTF16ToUTF8(benchmark::State& state)
{
    const std::u16string& text = Utf16Text(state.range(0) != 0);
    Iconv(state, "UTF-8", "UTF-16LE", reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
using Codecvt = std::codecvt_utf8_utf16<char16_t>;

// in() reads UTF-8 and out() writes it; the timed loop is otherwise the same both ways.
template <class To, class From>
void TimeCodecvt(benchmark::State& state, const std::basic_string<From>& text, size_t outUnits)
{
    const Codecvt codecvt;
    std::vector<To> out(outUnits);
    for (auto _ : state) {
        std::mbstate_t mb{};
        const From* sourceNext;
        To* targetNext;
        std::codecvt_base::result result;
        if constexpr (std::is_same_v<From, char>)
            result = codecvt.in(mb, text.data(), text.data() + text.size(), sourceNext, out.data(),
                                out.data() + out.size(), targetNext);
        else
            result = codecvt.out(mb, text.data(), text.data() + text.size(), sourceNext, out.data(),
                                 out.data() + out.size(), targetNext);
        if (result != std::codecvt_base::ok) {
            state.SkipWithError("codecvt failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * sizeof(From)));
}

void CodecvtUTF8ToUTF16(benchmark::State& state)
{
    const std::string& text = Utf8Text(state.range(0) != 0);
    TimeCodecvt<char16_t>(state, text, text.size());
}

void CodecvtUTF16ToUTF8(benchmark::State& state)
{
    const std::u16string& text = Utf16Text(state.range(0) != 0);
    TimeCodecvt<char>(state, text, text.size() * 3);
}
#pragma GCC diagnostic pop

} // namespace

// Argument 0: ASCII text, 1: mixed text.
BENCHMARK(OursUTF8ToUTF16)->ArgName("mixed")->Arg(0)->Arg(1);
BENCHMARK(IconvUTF8ToUTF16)->ArgName("mixed")->Arg(0)->Arg(1);
BENCHMARK(CodecvtUTF8ToUTF16)->ArgName("mixed")->Arg(0)->Arg(1);
BENCHMARK(OursUTF16ToUTF8)->ArgName("mixed")->Arg(0)->Arg(1);
BENCHMARK(IconvUTF16ToUTF8)->ArgName("mixed")->Arg(0)->Arg(1);
BENCHMARK(CodecvtUTF16ToUTF8)->ArgName("mixed")->Arg(0)->Arg(1);

BENCHMARK_MAIN();
