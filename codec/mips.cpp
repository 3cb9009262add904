// Mip-chain generation with the box filter of scale.cpp.
#include "codec/mips.h"
#include "codec/convert.h"
#include "codec/memory.h"
#include "codec/scale.h"

#include <utility>

namespace k4codec {

HResult downsampleBox(const Rgba* src, uint32_t width, uint32_t height, Rgba* dst) {
    return scalePixels(src, width, height, dst, levelSize(width, 1), levelSize(height, 1),
                       ScaleFilter::Box);
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
