#include "tests/support/TemporaryFolder.h"
#include "vqframework/graphics/Bitmap.h"
#include "vqframework/graphics/Colorizer.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace VQ {
namespace {

using Text = StringT<char16_t, char>;

constexpr int32_t Side = 512;

// A skin-like RGBA image: smooth shading under a varying alpha, written once to a temporary file.
class SkinImage {
public:
    SkinImage()
    {
        std::vector<uint8_t> rgba(size_t(Side) * Side * 4);
        for (int32_t y = 0; y < Side; ++y)
            for (int32_t x = 0; x < Side; ++x) {
                uint8_t* pixel = &rgba[(size_t(y) * Side + size_t(x)) * 4];
                pixel[0] = uint8_t(x / 2);
                pixel[1] = uint8_t(y / 2);
                pixel[2] = uint8_t((x ^ y) & 0xFF);
                pixel[3] = uint8_t(x < 16 || y < 16 ? (x + y) * 8 : 255);
            }
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = Side;
        image.height = Side;
        image.format = PNG_FORMAT_RGBA;
        png_alloc_size_t size = 0;
        if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr))
            throw std::runtime_error("cannot size the PNG");
        std::vector<uint8_t> png(size);
        if (!png_image_write_to_memory(&image, png.data(), &size, 0, rgba.data(), 0, nullptr))
            throw std::runtime_error("cannot write the PNG");
        m_path = m_folder.Path() + "/skin.png";
        std::ofstream(m_path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(size));
        m_fileSize = size;
    }

    Text Path() const { return Text(m_path.c_str()); }
    size_t FileSize() const { return m_fileSize; }

private:
    test::TemporaryFolder m_folder;
    std::string m_path;
    size_t m_fileSize = 0;
};

const SkinImage& Skin()
{
    static const SkinImage skin;
    return skin;
}

ConstRCPtr<LColorizer> Tint()
{
    RGBAColor color;
    color.SetARGB(0xFF3080C0);
    return LColorizer::Create(Text("tint"), LColorizer::SolidFill, color, color, 0, 0, 1, 1);
}

// Each load decodes: the bitmap of the previous iteration is gone, and its cache entry with it.
void LoadSkinImage(benchmark::State& state)
{
    const Text path = Skin().Path();
    for (auto _ : state) {
        RCPtr<LBitmap> bitmap = LBitmap::Load(path);
        if (!bitmap) {
            state.SkipWithError("the skin image does not load");
            break;
        }
        benchmark::DoNotOptimize(bitmap.Get());
    }
    state.SetItemsProcessed(state.iterations() * Side * Side);
    state.counters["file_bytes"] = double(Skin().FileSize());
}
BENCHMARK(LoadSkinImage)->Unit(benchmark::kMillisecond);

void TintInPlace(benchmark::State& state)
{
    RCPtr<LBitmap> bitmap = LBitmap::Load(Skin().Path());
    if (!bitmap) {
        state.SkipWithError("the skin image did not load");
        return;
    }
    const ConstRCPtr<LColorizer> tint = Tint();
    for (auto _ : state) {
        LBitmap::ApplyColorizer(bitmap, tint, 0.5f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Side * Side);
}
BENCHMARK(TintInPlace)->Unit(benchmark::kMillisecond);

// What a visual part does: copy its image and tint the copy.
void TintCopyOfImage(benchmark::State& state)
{
    const ConstRCPtr<LBitmap> image = LBitmap::Load(Skin().Path());
    if (!image) {
        state.SkipWithError("the skin image did not load");
        return;
    }
    const ConstRCPtr<LColorizer> tint = Tint();
    for (auto _ : state) {
        RCPtr<LBitmap> tinted = LBitmap::ApplyColorizer(tint, 0.5f, Side, Side, image, nullptr);
        benchmark::DoNotOptimize(tinted.Get());
    }
    state.SetItemsProcessed(state.iterations() * Side * Side);
}
BENCHMARK(TintCopyOfImage)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace VQ

BENCHMARK_MAIN();
