#include "vqframework/storage/StringT.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using String = VQ::StringT<char16_t, char>;

void CopyShared(benchmark::State& state)
{
    const String text(u"Framework.ListBoxItem");
    for (auto _ : state) {
        String copy = text;
        benchmark::DoNotOptimize(copy.GetString());
    }
}
BENCHMARK(CopyShared);

void CopyStdString(benchmark::State& state)
{
    const std::u16string text(u"Framework.ListBoxItem");
    for (auto _ : state) {
        std::u16string copy = text;
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(CopyStdString);

void ConstructFromUtf8(benchmark::State& state)
{
    for (auto _ : state) {
        String text("PresetEditor.MainControl.DeviceView");
        benchmark::DoNotOptimize(text.GetString());
    }
}
BENCHMARK(ConstructFromUtf8);

void CompareWithUtf8(benchmark::State& state)
{
    const String text(u"PresetEditor.MainControl.DeviceView");
    for (auto _ : state)
        benchmark::DoNotOptimize(text == "PresetEditor.MainControl.DeviceView");
}
BENCHMARK(CompareWithUtf8);

void LessThan(benchmark::State& state)
{
    const String left(u"Framework.ComboSlider.DropDownPanel");
    const String right(u"Framework.ComboSlider.DropDownPanes");
    for (auto _ : state)
        benchmark::DoNotOptimize(left < right);
}
BENCHMARK(LessThan);

void AppendCharacters(benchmark::State& state)
{
    for (auto _ : state) {
        String text;
        for (int i = 0; i < state.range(0); ++i)
            text += u'x';
        benchmark::DoNotOptimize(text.GetString());
    }
}
BENCHMARK(AppendCharacters)->Arg(16)->Arg(256);

void ToUtf8(benchmark::State& state)
{
    const String text(u"Gr\u00FC\u00DFe aus dem Editor, 42 Programme");
    for (auto _ : state) {
        auto narrow = text.ToUTF8();
        benchmark::DoNotOptimize(narrow.GetString());
    }
}
BENCHMARK(ToUtf8);

// The same conversion into a string the caller keeps, which allocates nothing once it has room.
void ToUtf8IntoString(benchmark::State& state)
{
    const String text(u"Gr\u00FC\u00DFe aus dem Editor, 42 Programme");
    std::string narrow;
    for (auto _ : state) {
        text.ToUTF8(narrow);
        benchmark::DoNotOptimize(narrow.data());
    }
}
BENCHMARK(ToUtf8IntoString);

void MidOfText(benchmark::State& state)
{
    const String text(u"Framework.ComboSlider.DropDownPanel");
    for (auto _ : state) {
        String part = text.Mid(10, 11);
        benchmark::DoNotOptimize(part.GetString());
    }
}
BENCHMARK(MidOfText);

} // namespace

BENCHMARK_MAIN();
