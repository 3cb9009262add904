// Default load sizing and the resize that serves it.
#include "codec/loader.h"
#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/memory.h"
#include "codec/mips.h"
#include "codec/scale.h"

#include <utility>

namespace k4codec {

uint32_t roundUpToPowerOfTwo(uint32_t value) {
    uint32_t power = 1;
    while (power < value && power < 0x80000000u) {
        power <<= 1;
    }
    return power;
}

HResult resizeImage(const Image& src, uint32_t width, uint32_t height, uint32_t mipLevels,
                    Format format, Image* dst) {
    if (dst == nullptr || src.levels.empty() || width == 0 || height == 0 ||
        width > kMaxDimension || height > kMaxDimension || mipLevels == 0 ||
        mipLevels > fullMipCount(width, height) || !isConvertible(format) ||
        !isConvertible(src.format)) {
        return kInvalidCall;
    }
    const bool sameSize = width == src.width && height == src.height;
    const uint32_t kept =
        static_cast<uint32_t>(src.levels.size() < mipLevels ? src.levels.size() : mipLevels);
    Image out;
    out.width = width;
    out.height = height;
    out.format = format;
    HResult result = resizeBuffer(&out.levels, mipLevels);
    std::vector<Rgba> pixels, scaled;
    for (uint32_t level = 0; result == kOk && level < mipLevels; ++level) {
        const uint32_t w = levelSize(width, level), h = levelSize(height, level);
        if (level < kept) {
            if (sameSize && format == src.format) {
                result = copyBuffer(src.levels[level], &out.levels[level]);
                continue;
            }
            result = decodeLevel(src, level, &pixels);
            if (result == kOk && !sameSize) {
                result = resizeBuffer(&scaled, static_cast<size_t>(w) * h);
                if (result == kOk) {
                    result = scalePixels(pixels.data(), levelSize(src.width, level),
                                         levelSize(src.height, level), scaled.data(), w, h);
                }
                pixels.swap(scaled);
            }
        } else {
            // `pixels` holds the level above, unless that was a plain copy.
            if (level == kept && sameSize && format == src.format) {
                result = decodeLevel(src, level - 1, &pixels);
            }
            const uint32_t aw = levelSize(width, level - 1), ah = levelSize(height, level - 1);
            if (result == kOk) {
                result = resizeBuffer(&scaled, static_cast<size_t>(w) * h);
            }
            if (result == kOk) {
                result = downsampleBox(pixels.data(), aw, ah, scaled.data());
            }
            pixels.swap(scaled);
        }
        if (result == kOk) {
            result = encodeLevel(pixels.data(), w, h, format, &out.levels[level]);
        }
    }
    if (result != kOk) {
        return result;
    }
    *dst = std::move(out);
    return kOk;
}

HResult loadImage(const uint8_t* data, size_t size, const LoadOptions& options, Image* image,
                  ImageInfo* info) {
    if (image == nullptr) {
        return kInvalidCall;
    }
    Image decoded;
    ImageInfo fileInfo;
    HResult result = readImage(data, size, &decoded, &fileInfo);
    if (result != kOk) {
        return result;
    }
    const uint32_t width = options.width ? options.width : roundUpToPowerOfTwo(decoded.width);
    const uint32_t height = options.height ? options.height : roundUpToPowerOfTwo(decoded.height);
    if (width > kMaxDimension || height > kMaxDimension) {
        return kInvalidCall;
    }
    const uint32_t levels = options.mipLevels ? options.mipLevels : fullMipCount(width, height);
    const Format format = options.format != kFmtUnknown ? options.format : decoded.format;
    result = resizeImage(decoded, width, height, levels, format, image);
    if (result == kOk && info != nullptr) {
        *info = fileInfo;
    }
    return result;
}

HResult loadImageFile(const char* path, const LoadOptions& options, Image* image, ImageInfo* info) {
    std::vector<uint8_t> bytes;
    const HResult result = readFileBytes(path, &bytes);
    if (result != kOk) {
        return result;
    }
    return loadImage(bytes.data(), bytes.size(), options, image, info);
}

} // namespace k4codec
