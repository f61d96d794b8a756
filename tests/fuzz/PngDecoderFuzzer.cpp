// Arbitrary bytes to the PNG decoder: it either gives an image within the size limits with one word
// per pixel, or fails with an empty image and a reason.
#include "platform/images/PngDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace VQ::Platform;
    DecodedImage image{3, 3, std::vector<uint32_t>(9, 0xDEADBEEF)};
    std::string error = "stale";
    if (DecodePng(data, size, image, &error)) {
        Check(image.width >= 1 && image.width <= MaximumImageSide);
        Check(image.height >= 1 && image.height <= MaximumImageSide);
        Check(image.pixels.size() == size_t(image.width) * size_t(image.height));
        Check(error.empty());
    } else {
        Check(image.width == 0 && image.height == 0 && image.pixels.empty());
        Check(!error.empty());
    }
    return 0;
}
