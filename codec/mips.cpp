// Mip-chain generation with the box filter of scale.cpp; big levels are
// halved in bands and encoded in rows of blocks on every core (parallel.h).
#include "codec/mips.h"
#include "codec/convert.h"
#include "codec/memory.h"
#include "codec/parallel.h"
#include "codec/scale.h"

#include <atomic>
#include <utility>

namespace k4codec {

HResult downsampleBox(const Rgba* src, uint32_t width, uint32_t height, Rgba* dst) {
    const uint32_t outWidth = levelSize(width, 1), outHeight = levelSize(height, 1);
    // An even height halves in bands: output rows [a, b) come from source
    // rows [2a, 2b) alone, with the same weights as in one call, so big
    // levels are spread over the cores with the same result.
    constexpr size_t kBandPixels = 1 << 16;
    if (src == nullptr || height % 2 != 0 ||
        static_cast<size_t>(outWidth) * outHeight < 2 * kBandPixels) {
        return scalePixels(src, width, height, dst, outWidth, outHeight, ScaleFilter::Box);
    }
    std::atomic<HResult> failure{kOk};
    parallelFor(outHeight, kBandPixels / outWidth + 1, [&](size_t first, size_t end) {
        const HResult result = scalePixels(
            src + first * 2 * width, width, static_cast<uint32_t>(2 * (end - first)),
            dst + first * outWidth, outWidth, static_cast<uint32_t>(end - first), ScaleFilter::Box);
        if (result != kOk) {
            HResult none = kOk;
            failure.compare_exchange_strong(none, result);
        }
    });
    return failure.load();
}

HResult rebuildMips(Image* image) {
    if (image == nullptr || image->levels.empty() || !isConvertible(image->format)) {
        return kInvalidCall;
    }
    // Built aside, so a failure leaves the image as it was.
    Image rebuilt;
    rebuilt.width = image->width;
    rebuilt.height = image->height;
    rebuilt.format = image->format;
    std::vector<Rgba> above, below;
    HResult result = decodeLevel(*image, 0, &above);
    if (result == kOk) {
        result = resizeBuffer(&rebuilt.levels, image->levels.size());
    }
    if (result == kOk) {
        result = copyBuffer(image->levels[0], &rebuilt.levels[0]);
    }
    for (uint32_t level = 1; result == kOk && level < image->levels.size(); ++level) {
        const uint32_t width = levelSize(image->width, level - 1);
        const uint32_t height = levelSize(image->height, level - 1);
        result =
            resizeBuffer(&below, static_cast<size_t>(levelSize(width, 1)) * levelSize(height, 1));
        if (result == kOk) {
            result = downsampleBox(above.data(), width, height, below.data());
        }
        if (result == kOk) {
            result = encodeLevel(below.data(), levelSize(width, 1), levelSize(height, 1),
                                 image->format, &rebuilt.levels[level]);
        }
        above.swap(below);
    }
    if (result != kOk) {
        return result;
    }
    *image = std::move(rebuilt);
    return kOk;
}

} // namespace k4codec
