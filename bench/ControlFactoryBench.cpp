// Start-up reading of the control factory: a skin of 300 controls, and string tables of 2,000 strings
// in UTF-16 read in an English user's language (a miss on the full language, then its neutral form).
// The floor is the XML parser alone over the same documents, with handlers that do nothing.
#include "vqframework/controlbase/ControlFactory.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

using VQ::LControlFactory;
using VQ::RCPtr;
using String = LControlFactory::String;

constexpr int SubControlCount = 300;
constexpr int TableCount = 40;
constexpr int StringsPerTable = 50;

std::string SkinDocument()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Varquen_Skin_Definitions>\n"
                      "<Application Name=\"PresetEditor\"/>\n<Colorizers>\n";
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        xml += "<Colorizer Name=\"C" + n + "\" ColorType=\"" + (i % 2 ? "LinearGradient" : "SolidFill") +
               "\" Color=\"0xFF3333" + (i < 10 ? "0" : "") + n +
               "\" GradientEndColor=\"0xFFFFFFFF\" GradientStartX=\"0\" GradientStartY=\"0\" GradientEndX=\"0\""
               " GradientEndY=\"1\"/>\n";
    }
    xml += "</Colorizers>\n<Parts>\n";
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        xml += "<Part Name=\"P" + n + "\" Width=\"16\" Height=\"16\" ResizeType=\"Tile\" ColorizerName=\"C" +
               std::to_string(i % 20) + "\" ColorizerAlphaMod=\"1\"/>\n";
    }
    xml += "</Parts>\n<Looks>\n";
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        xml += "<Look Name=\"L" + n + "\"><ClientPart Name=\"P" + n +
               "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/><NonClientParts>"
               "<NonClientPart Name=\"P" + std::to_string(i + 20) +
               "\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"-5\" Height=\"1\"/></NonClientParts>"
               "<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"2\" TextRightRel=\"1\" TextRightAbs=\"-2\""
               " TextHAlign=\"0.5\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\""
               " TextVAlign=\"0.5\" TextForegroundPart=\"P" + n + "\"/></Look>\n";
    }
    xml += "</Looks>\n<LookLists>\n";
    for (int i = 0; i < 10; ++i) {
        xml += "<LookList Name=\"LL" + std::to_string(i) + "\" NumLooks=\"2\"><Look Name=\"L" + std::to_string(i) +
               "\" Index=\"0\"/><Look Name=\"L" + std::to_string(i + 10) + "\" Index=\"1\"/></LookList>\n";
    }
    xml += "</LookLists>\n<Skins>\n<Skin Name=\"Skin1\" FontName=\"Arial\" FontSize=\"9\">\n";
    // Groups of ten: one panel holding nine controls.
    for (int i = 0; i < SubControlCount; ++i) {
        const std::string n = std::to_string(i);
        xml += "<SubControl Name=\"control" + n + "\" Class=\"Framework.Button\" ClipToParent=\"True\" Z_Order=\"0\""
               " LayoutOrder=\"" + std::to_string(i % 10) + "\" TabStop=\"" + n +
               "\" IsVisible=\"True\" XPositionToControl=\"Parent\" XPositionRel=\"0.25\" XPositionAbs=\"4\""
               " YPositionToControl=\"control" + std::to_string(i > 0 ? i - 1 : 0) + "\" YPositionRel=\"1\""
               " YPositionAbs=\"2\" XSizeToControl=\"Parent\" XSizeRel=\"0.5\" XSizeAbs=\"-8\" YSizeAbs=\"20\""
               " XMinSizeToControl=\"Children\" XMinSizeAbs=\"10\" TextOverflowXType=\"Wrap\" FontName=\"Arial\""
               " FontSize=\"1\" FontSizeIsRelative=\"True\">"
               "<CreateParamList><CreateParam ID=\"USE_PARENT_TOOLTIP\" Type=\"Boolean\">True</CreateParam>"
               "</CreateParamList><Skin Name=\"S" + n + "\" LookList=\"LL" + std::to_string(i % 10) + "\"/>";
        xml += i % 10 == 0 ? "\n" : "</SubControl>\n";
        if (i % 10 == 9)
            xml += "</SubControl>\n";
    }
    xml += "</Skin>\n</Skins>\n</Varquen_Skin_Definitions>\n";
    return xml;
}

void LoadSkin(benchmark::State& state)
{
    const std::string xml = SkinDocument();
    for (auto _ : state) {
        const RCPtr<LControlFactory> factory(new LControlFactory(String("PresetEditor")));
        if (factory->ParseXML(xml.data(), int32_t(xml.size())) != VQ::S_OK) {
            state.SkipWithError("the skin did not parse");
            break;
        }
        benchmark::DoNotOptimize(factory->GetSkins().GetCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
BENCHMARK(LoadSkin)->Unit(benchmark::kMicrosecond);

std::string StringTableDocument()
{
    std::u16string xml = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Varquen_StringTable_Definitions>\n"
                         u"<Application Name=\"PresetEditor\"/>\n";
    const auto number = [](int value) {
        const std::string text = std::to_string(value);
        return std::u16string(text.begin(), text.end());
    };
    for (int table = 0; table < TableCount; ++table) {
        xml += u"<StringTable ID=\"PresetEditor.Panel" + number(table) + u"|control\">\n";
        for (int id = 0; id < StringsPerTable; ++id) {
            xml += u"<String ID=\"ITEM." + number(id) + u"\"><Locale LCID=\"0x0009\">Item " + number(id) +
                   u" of panel " + number(table) + u"</Locale><Locale LCID=\"0x0007\">Eintrag " + number(id) +
                   u" für Feld " + number(table) + u"</Locale><Locale LCID=\"0x0011\">項目 " + number(id) +
                   u"</Locale></String>\n";
        }
        xml += u"</StringTable>\n";
    }
    xml += u"</Varquen_StringTable_Definitions>\n";

    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : xml) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

void LoadStringTables(benchmark::State& state)
{
    std::string folder = (std::filesystem::temp_directory_path() / "vq-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = folder + "/StringTables.xml";
    const std::string bytes = StringTableDocument();
    std::ofstream(path, std::ios::binary) << bytes;

    for (auto _ : state) {
        const RCPtr<LControlFactory> factory(new LControlFactory(String("PresetEditor")));
        factory->LoadStringTables(String(path.c_str()), String(), 0x0409);
        const RCPtr<VQ::LStringTable> table = factory->GetStringTable(String("PresetEditor.Panel0|control"));
        if (!table || table->GetCount() != StringsPerTable) {
            state.SkipWithError("the strings were not read");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * TableCount * StringsPerTable);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}
BENCHMARK(LoadStringTables)->Unit(benchmark::kMicrosecond);

// One parse of the whole document with empty handlers: what reading costs before the factory does
// anything with it.
bool ParseOnly(const std::string& document)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(
        parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
    const bool parsed = XML_Parse(parser, document.data(), int(document.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return parsed;
}

void ParseSkinOnly(benchmark::State& state)
{
    const std::string xml = SkinDocument();
    for (auto _ : state) {
        if (!ParseOnly(xml)) {
            state.SkipWithError("the skin did not parse");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
BENCHMARK(ParseSkinOnly)->Unit(benchmark::kMicrosecond);

// Twice, as the string tables are read for an English user.
void ParseStringTablesOnly(benchmark::State& state)
{
    const std::string bytes = StringTableDocument();
    for (auto _ : state) {
        if (!ParseOnly(bytes) || !ParseOnly(bytes)) {
            state.SkipWithError("the strings did not parse");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * TableCount * StringsPerTable);
}
BENCHMARK(ParseStringTablesOnly)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
