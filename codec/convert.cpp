// Level conversion through RGBA: DXT blocks through dxt.h, everything else
// row by row through formats.h.
#include "codec/convert.h"
#include "codec/dxt.h"
#include "codec/memory.h"

#include <utility>

namespace k4codec {

HResult decodeLevel(const Image& image, uint32_t level, std::vector<Rgba>* pixels) {
    if (pixels == nullptr || level >= image.levels.size() || !isConvertible(image.format)) {
        return kInvalidCall;
    }
    const uint32_t width = levelSize(image.width, level);
    const uint32_t height = levelSize(image.height, level);
    const std::vector<uint8_t>& bytes = image.levels[level];
    if (bytes.size() != formatLevelBytes(image.format, width, height)) {
        return kInvalidCall;
    }
    const HResult result = resizeBuffer(pixels, static_cast<size_t>(width) * height);
    if (result != kOk) {
        return result;
    }
    if (isCompressed(image.format)) {
        dxtDecodeImage(image.format, bytes.data(), width, height, pixels->data());
        return kOk;
    }
    const uint64_t pitch = formatRowPitch(image.format, width);
    for (uint32_t y = 0; y < height; ++y) {
        unpackRow(image.format, bytes.data() + y * pitch, width,
                  pixels->data() + static_cast<size_t>(y) * width);
    }
    return kOk;
}

HResult encodeLevel(const Rgba* pixels, uint32_t width, uint32_t height, Format format,
                    std::vector<uint8_t>* bytes) {
    if (pixels == nullptr || bytes == nullptr || width == 0 || height == 0 ||
        !isConvertible(format)) {
        return kInvalidCall;
    }
    const HResult result =
        resizeBuffer(bytes, static_cast<size_t>(formatLevelBytes(format, width, height)));
    if (result != kOk) {
        return result;
    }
    if (isCompressed(format)) {
        dxtEncodeImage(format, pixels, width, height, bytes->data());
        return kOk;
    }
    const uint64_t pitch = formatRowPitch(format, width);
    for (uint32_t y = 0; y < height; ++y) {
        packRow(format, pixels + static_cast<size_t>(y) * width, width, bytes->data() + y * pitch);
    }
    return kOk;
}

HResult convertImage(const Image& src, Format format, Image* dst) {
    if (dst == nullptr || !isConvertible(src.format) || !isConvertible(format)) {
        return kInvalidCall;
    }
    Image out;
    out.width = src.width;
    out.height = src.height;
    out.format = format;
    HResult result = resizeBuffer(&out.levels, src.levels.size());
    std::vector<Rgba> pixels;
    for (uint32_t level = 0; result == kOk && level < src.levels.size(); ++level) {
        if (format == src.format) {
            result = copyBuffer(src.levels[level], &out.levels[level]);
            continue;
        }
        result = decodeLevel(src, level, &pixels);
        if (result == kOk) {
            result = encodeLevel(pixels.data(), levelSize(src.width, level),
                                 levelSize(src.height, level), format, &out.levels[level]);
        }
    }
    if (result != kOk) {
        return result;
    }
    *dst = std::move(out);
    return kOk;
}

} // namespace k4codec
