// Our UTF-8/UTF-16 converters beside ICU, glibc's iconv and the standard library's codecvt, in the same
// run: European prose (mostly ASCII with two-byte forms), CJK prose (three-byte forms with some ASCII),
// plain ASCII and a mix of every sequence length, each at 1 KiB and 1 MiB.
#include "vqframework/storage/ConvertUTF.h"

#include <benchmark/benchmark.h>

#include <iconv.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <codecvt>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <functional>
#include <locale>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace {

enum class Text { Ascii, European, Cjk, Mixed };

const char* TextName(Text text)
{
    switch (text) {
    case Text::Ascii:
        return "ascii";
    case Text::European:
        return "european";
    case Text::Cjk:
        return "cjk";
    default:
        return "mixed";
    }
}

// Repeats the paragraphs up to the size, then pads with ASCII where the next character would not fit.
std::string FillFromParagraphs(const std::vector<std::string>& paragraphs, size_t bytes)
{
    std::string text;
    for (size_t i = 0;; i = (i + 1) % paragraphs.size()) {
        const std::string& paragraph = paragraphs[i];
        if (text.size() + paragraph.size() > bytes) {
            // Cut on a character boundary: never before a continuation byte.
            size_t keep = bytes - text.size();
            while (keep > 0 && (uint8_t(paragraph[keep]) & 0xC0) == 0x80)
                --keep;
            text.append(paragraph, 0, keep);
            break;
        }
        text += paragraph;
    }
    text.append(bytes - text.size(), 'x');
    return text;
}

std::string MakeAsciiText(size_t bytes)
{
    return FillFromParagraphs({"The quick brown fox jumps over the lazy dog, 0123456789.\n"}, bytes);
}

std::string MakeEuropeanText(size_t bytes)
{
    return FillFromParagraphs(
        {"Über die Brücke fährt ein großer Lastwagen, während die Kinder am Ufer spielen und die Möwen über "
         "dem Fluss kreisen. Schöne Grüße aus Köln: Die Straßenbahn hält gegenüber dem Bäcker, und wer früh "
         "aufsteht, bekommt noch warme Brötchen.\n",
         "L'été dernier, nous sommes allés à la mer près de Saint-Malo ; le ciel était dégagé et la brise "
         "légère. À côté de l'hôtel, un café proposait des crêpes et du cidre, et les enfants jouaient sur la "
         "plage jusqu'à la tombée de la nuit.\n",
         "Zażółć gęślą jaźń. W piątek wieczorem pojechaliśmy nad jezioro, gdzie łódki kołysały się na wodzie, "
         "a dzieci biegały po łące. Następnego dnia spadł śnieg i wszyscy siedzieli przy kominku, pijąc gorącą "
         "herbatę.\n"},
        bytes);
}

std::string MakeCjkText(size_t bytes)
{
    return FillFromParagraphs(
        {"北京是中华人民共和国的首都，也是全国的政治、文化和国际交往中心。2023年，北京的常住人口约为2185万人。"
         "故宫、天坛和长城每年吸引数以百万计的游客。\n",
         "東京は日本の首都であり、約1400万人が暮らしています。春には桜が咲き、多くの人々が上野公園や新宿御苑で"
         "お花見を楽しみます。JR山手線は主要な駅を結んでいます。\n"},
        bytes);
}

// Latin, Cyrillic, CJK and emoji between ASCII, so every sequence length occurs, in a fixed pseudo-random order.
std::string MakeMixedText(size_t bytes)
{
    const char* const pieces[] = {"a", "Z", " ", "\xC3\xA9", "\xD0\x96", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                  "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xC2\x80"};
    std::string text;
    uint32_t state = 12345;
    for (;;) {
        state = state * 1103515245u + 12345u;
        const char* piece = pieces[(state >> 16) % std::size(pieces)];
        if (text.size() + std::strlen(piece) > bytes)
            break;
        text += piece;
    }
    text.append(bytes - text.size(), 'y');
    return text;
}

std::string MakeText(Text text, size_t bytes)
{
    switch (text) {
    case Text::Ascii:
        return MakeAsciiText(bytes);
    case Text::European:
        return MakeEuropeanText(bytes);
    case Text::Cjk:
        return MakeCjkText(bytes);
    default:
        return MakeMixedText(bytes);
    }
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

void OursUTF8ToUTF16(benchmark::State& state, const std::string& text)
{
    std::vector<char16_t> out(text.size());
    for (auto _ : state) {
        const VQ::UTF8* source = reinterpret_cast<const VQ::UTF8*>(text.data());
        char16_t* target = out.data();
        const VQ::ConversionResult result = VQ::ConvertUTF8ToUTF16(&source, source + text.size(), &target,
                                                                   out.data() + out.size(), VQ::LenientConversion);
        if (result != VQ::ConversionOK) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void OursUTF16ToUTF8(benchmark::State& state, const std::u16string& text)
{
    std::vector<VQ::UTF8> out(text.size() * 3);
    for (auto _ : state) {
        const char16_t* source = text.data();
        VQ::UTF8* target = out.data();
        const VQ::ConversionResult result = VQ::ConvertUTF16ToUTF8(&source, source + text.size(), &target,
                                                                   out.data() + out.size(), VQ::LenientConversion);
        if (result != VQ::ConversionOK) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void IcuUTF8ToUTF16(benchmark::State& state, const std::string& text)
{
    std::vector<UChar> out(text.size());
    for (auto _ : state) {
        UErrorCode error = U_ZERO_ERROR;
        int32_t length = 0;
        u_strFromUTF8(out.data(), int32_t(out.size()), &length, text.data(), int32_t(text.size()), &error);
        if (U_FAILURE(error)) {
            state.SkipWithError("u_strFromUTF8 failed");
            break;
        }
        benchmark::DoNotOptimize(length);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void IcuUTF16ToUTF8(benchmark::State& state, const std::u16string& text)
{
    std::vector<char> out(text.size() * 3);
    for (auto _ : state) {
        UErrorCode error = U_ZERO_ERROR;
        int32_t length = 0;
        u_strToUTF8(out.data(), int32_t(out.size()), &length, text.data(), int32_t(text.size()), &error);
        if (U_FAILURE(error)) {
            state.SkipWithError("u_strToUTF8 failed");
            break;
        }
        benchmark::DoNotOptimize(length);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
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
}

void IconvUTF8ToUTF16(benchmark::State& state, const std::string& text)
{
    Iconv(state, "UTF-16LE", "UTF-8", text.data(), text.size());
}

void IconvUTF16ToUTF8(benchmark::State& state, const std::u16string& text)
{
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
}

void CodecvtUTF8ToUTF16(benchmark::State& state, const std::string& text)
{
    TimeCodecvt<char16_t>(state, text, text.size());
}

void CodecvtUTF16ToUTF8(benchmark::State& state, const std::u16string& text)
{
    TimeCodecvt<char>(state, text, text.size() * 3);
}
#pragma GCC diagnostic pop

// Names read "<direction>/<text>/<size>/<converter>", so that the converters of one text sit together.
void RegisterAll()
{
    using Utf8Timer = void (*)(benchmark::State&, const std::string&);
    using Utf16Timer = void (*)(benchmark::State&, const std::u16string&);
    const std::pair<const char*, Utf8Timer> fromUtf8[] = {
        {"ours", OursUTF8ToUTF16}, {"icu", IcuUTF8ToUTF16}, {"iconv", IconvUTF8ToUTF16},
        {"codecvt", CodecvtUTF8ToUTF16}};
    const std::pair<const char*, Utf16Timer> fromUtf16[] = {
        {"ours", OursUTF16ToUTF8}, {"icu", IcuUTF16ToUTF8}, {"iconv", IconvUTF16ToUTF8},
        {"codecvt", CodecvtUTF16ToUTF8}};
    const std::pair<const char*, size_t> sizes[] = {{"1KiB", size_t(1) << 10}, {"1MiB", size_t(1) << 20}};

    for (Text kind : {Text::Ascii, Text::European, Text::Cjk, Text::Mixed})
        for (const auto& [sizeName, bytes] : sizes) {
            // The benchmarks outlive this function: the texts stay with them.
            const auto* narrow = new std::string(MakeText(kind, bytes));
            const auto* wide = new std::u16string(ToUTF16(*narrow));
            const std::string suffix = std::string("/") + TextName(kind) + "/" + sizeName + "/";
            for (const auto& [name, timer] : fromUtf8)
                benchmark::RegisterBenchmark(("UTF8ToUTF16" + suffix + name).c_str(),
                                             [timer = timer, narrow](benchmark::State& state) {
                                                 timer(state, *narrow);
                                                 state.SetBytesProcessed(int64_t(state.iterations()) *
                                                                         int64_t(narrow->size()));
                                             });
            for (const auto& [name, timer] : fromUtf16)
                benchmark::RegisterBenchmark(("UTF16ToUTF8" + suffix + name).c_str(),
                                             [timer = timer, wide](benchmark::State& state) {
                                                 timer(state, *wide);
                                                 state.SetBytesProcessed(int64_t(state.iterations()) *
                                                                         int64_t(wide->size() * 2));
                                             });
        }
}

} // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
