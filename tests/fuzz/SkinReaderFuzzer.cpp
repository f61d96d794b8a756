// Arbitrary bytes to both readers of the control factory: as a skin parsed twice into one factory (the
// reader state carries from one parse to the next), and as a file loaded as both string-table documents
// in a language the first byte picks and then as a skin into that same factory. Any parse may fail, but
// nothing may crash, the string tables always load from a readable file, and the language they settle
// on is one of the fallback sequence.
#include "vqframework/controlbase/ControlFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using VQ::LControlFactory;
using VQ::RCPtr;
using String = LControlFactory::String;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// One folder for the whole run, removed at exit.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vq-fuzz-XXXXXX").string();
        Check(mkdtemp(pattern.data()) != nullptr);
        m_folder = pattern;
    }
    ~Scratch()
    {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }
    std::string File() const { return m_folder + "/strings.xml"; }

private:
    std::string m_folder;
};

constexpr int32_t Languages[] = {0x0009, 0x0409, 0x0407, 0x0007, 0x0C04, 0x0404, 0x1404, 0x7C04, 0x0411, 0};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Each input is parsed up to eight times; longer ones add time, not paths.
    if (size > 1 << 16)
        return 0;
    // Zero-terminated as well, since a length of 0 may mean "up to the zero".
    std::vector<char> bytes(data, data + size);
    bytes.push_back(0);

    {
        const RCPtr<LControlFactory> factory(new LControlFactory(String("PresetEditor")));
        for (int pass = 0; pass < 2; ++pass) {
            const VQ::VQRESULT result = factory->ParseXML(bytes.data(), int32_t(size));
            Check(result == VQ::S_OK || result == VQ::E_FAIL);
            Check(result == VQ::S_OK || !factory->GetParseErrorText().IsEmpty());
        }
    }

    static const Scratch scratch;
    const std::string path = scratch.File();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), std::streamsize(size));
        Check(bool(file));
    }
    const int32_t language = Languages[size ? data[0] % std::size(Languages) : 0];
    const RCPtr<LControlFactory> factory(new LControlFactory(String("PresetEditor")));
    Check(factory->LoadStringTables(String(path.c_str()), String(path.c_str()), language) == VQ::S_OK);
    const int32_t settled = factory->GetLanguage();
    Check(settled == language || settled == (language & 0xFF) ||
          settled == LControlFactory::LanguageChineseTraditional || settled == LControlFactory::LanguageEnglish);
    if (const RCPtr<VQ::LStringTable> table = factory->GetApplicationStringTable()) {
        VQ::LStringTable::Entries entries;
        table->GetStrings(entries);
        Check(entries.size() == table->GetCount());
    }
    factory->GetFrameworkStringTable();

    // An empty file fails to load; any other is parsed, well or not.
    const VQ::VQRESULT loaded = factory->LoadSkins(String(path.c_str()));
    Check(loaded == VQ::S_OK || loaded == VQ::E_FAIL);
    Check(size != 0 || loaded == VQ::E_FAIL);
    return 0;
}
