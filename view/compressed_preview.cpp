// The DXT round trip of the compressed preview (see compressed_preview.h).
#include "view/compressed_preview.h"

#include "codec/dxt.h"
#include "codec/image.h"

#include <new>

namespace k4view {

k4codec::HResult previewCompressed(k4codec::Format format, const k4codec::Rgba* pixels,
                                   uint32_t width, uint32_t height, bool difference,
                                   CompressedPreview* out) {
    if ((format != k4codec::kFmtDXT1 && format != k4codec::kFmtDXT3 &&
         format != k4codec::kFmtDXT5) ||
        pixels == nullptr || out == nullptr || width == 0 || height == 0 ||
        width > k4codec::kMaxDimension || height > k4codec::kMaxDimension) {
        return k4codec::kInvalidCall;
    }
    const size_t count = static_cast<size_t>(width) * height;
    try {
        std::vector<uint8_t> blocks(k4codec::formatLevelBytes(format, width, height));
        CompressedPreview made;
        made.pixels.resize(count);
        k4codec::dxtEncodeImage(format, pixels, width, height, blocks.data());
        k4codec::dxtDecodeImage(format, blocks.data(), width, height, made.pixels.data());
        made.error =
            comparePictures(pixels, made.pixels.data(), count, format == k4codec::kFmtDXT1);
        if (difference) {
            differencePicture(pixels, made.pixels.data(), count, kDifferenceGain,
                              format == k4codec::kFmtDXT1, made.pixels.data());
        }
        *out = std::move(made);
    } catch (const std::bad_alloc&) {
        return k4codec::kOutOfMemory;
    }
    return k4codec::kOk;
}

} // namespace k4view
