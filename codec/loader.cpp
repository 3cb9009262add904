// Default load sizing, the formats a loaded texture may take, and the resize
// that serves loading.
#include "codec/loader.h"
#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/memory.h"
#include "codec/mips.h"
#include "codec/scale.h"

#include <algorithm>
#include <utility>

namespace k4codec {

uint32_t roundUpToPowerOfTwo(uint32_t value) {
    uint32_t power = 1;
    while (power < value && power < 0x80000000u) {
        power <<= 1;
    }
    return power;
}

std::vector<Format> textureFormatCandidates(Format file, Format decoded) {
    std::vector<Format> list;
    if (isConvertible(file)) {
        list.push_back(file);
    }
    switch (file) {
    case kFmtR8G8B8:
    case kFmtX8B8G8R8:
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtA2B10G10R10:
        list.push_back(kFmtA2R10G10B10);
        break;
    case kFmtA2R10G10B10:
        list.push_back(kFmtA2B10G10R10);
        break;
    case kFmtX1R5G5B5:
        list.push_back(kFmtR5G6B5);
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtR5G6B5:
        list.push_back(kFmtX1R5G5B5);
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtR3G3B2:
        list.push_back(kFmtR5G6B5);
        list.push_back(kFmtX1R5G5B5);
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtX4R4G4B4:
        list.push_back(kFmtX1R5G5B5);
        list.push_back(kFmtR5G6B5);
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtA1R5G5B5:
    case kFmtA8R3G3B2:
        list.push_back(kFmtA4R4G4B4);
        break;
    case kFmtA4L4:
        list.push_back(kFmtA8L8);
        break;
    case kFmtL16:
        list.push_back(kFmtL8);
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtL8:
        list.push_back(kFmtX8R8G8B8);
        break;
    case kFmtP8:
    case kFmtA8P8:
        list.push_back(decoded);
        break;
    default:
        break;
    }
    // Every format with alpha ends in A8R8G8B8, every opaque one in
    // X8R8G8B8 and then A8R8G8B8, which every device has. A format the codec
    // does not know (BC7, R16F ...) has alpha when it decodes with it.
    const FormatInfo* info = findFormat(file);
    const bool alpha =
        info != nullptr ? info->alpha || decoded == kFmtA8R8G8B8 : decoded != kFmtX8R8G8B8;
    if (!alpha) {
        list.push_back(kFmtX8R8G8B8);
    }
    list.push_back(kFmtA8R8G8B8);
    std::vector<Format> unique;
    for (const Format format : list) {
        if (std::find(unique.begin(), unique.end(), format) == unique.end()) {
            unique.push_back(format);
        }
    }
    return unique;
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

HResult extendMipChain(Image* image, uint32_t mipLevels) {
    if (image == nullptr || image->levels.empty() || !isConvertible(image->format) ||
        mipLevels > fullMipCount(image->width, image->height)) {
        return kInvalidCall;
    }
    const uint32_t held = static_cast<uint32_t>(image->levels.size());
    if (held >= mipLevels) {
        return kOk;
    }
    std::vector<std::vector<uint8_t>> below;
    HResult result = resizeBuffer(&below, mipLevels - held);
    if (result == kOk) {
        result = reserveBuffer(&image->levels, mipLevels);
    }
    std::vector<Rgba> pixels, scaled;
    if (result == kOk) {
        result = decodeLevel(*image, held - 1, &pixels);
    }
    for (uint32_t level = held; result == kOk && level < mipLevels; ++level) {
        const uint32_t w = levelSize(image->width, level), h = levelSize(image->height, level);
        result = resizeBuffer(&scaled, static_cast<size_t>(w) * h);
        if (result == kOk) {
            result = downsampleBox(pixels.data(), levelSize(image->width, level - 1),
                                   levelSize(image->height, level - 1), scaled.data());
        }
        pixels.swap(scaled);
        if (result == kOk) {
            result = encodeLevel(pixels.data(), w, h, image->format, &below[level - held]);
        }
    }
    if (result != kOk) {
        return result;
    }
    for (std::vector<uint8_t>& level : below) {
        image->levels.push_back(std::move(level)); // reserved: cannot throw
    }
    return kOk;
}

} // namespace k4codec
