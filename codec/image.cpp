// Image allocation and the texts of result codes.
#include "codec/image.h"
#include "codec/memory.h"

#include <string>

namespace k4codec {

const char* resultText(HResult result) {
    switch (result) {
    case kOk:
        return "ok";
    case kInvalidData:
        return "invalid or unsupported image data";
    case kInvalidCall:
        return "invalid call";
    case kOutOfMemory:
        return "out of memory";
    case kOutOfVideoMemory:
        return "out of video memory";
    case kFileNotFound:
        return "cannot open file";
    case kWriteFailed:
        return "cannot write file";
    case kTooLarge:
        return "image too large";
    case kDiskFull:
        return "disk full";
    default:
        return "failed";
    }
}

std::string resultMessage(HResult result, const ImageInfo& info) {
    if (result != kTooLarge) {
        return resultText(result);
    }
    return std::to_string(info.width) + " by " + std::to_string(info.height) +
           " pixels: larger than the limit of " + std::to_string(kMaxDimension) +
           " pixels a side";
}

const char* storedFormatName(const ImageInfo& info) {
    return info.storedFormat != nullptr ? info.storedFormat : formatName(info.format);
}

uint32_t fullMipCount(uint32_t width, uint32_t height) {
    uint32_t size = width > height ? width : height;
    uint32_t count = 1;
    while (size > 1) {
        size >>= 1;
        ++count;
    }
    return count;
}

HResult allocateImage(Image* image, uint32_t width, uint32_t height, Format format,
                      uint32_t levelCount) {
    if (image == nullptr || width == 0 || height == 0 || width > kMaxDimension ||
        height > kMaxDimension || levelCount == 0 || levelCount > fullMipCount(width, height) ||
        formatUnitBytes(format) == 0) {
        return kInvalidCall;
    }
    std::vector<std::vector<uint8_t>> levels;
    HResult result = resizeBuffer(&levels, levelCount);
    for (uint32_t i = 0; result == kOk && i < levelCount; ++i) {
        result = resizeBuffer(&levels[i], static_cast<size_t>(formatLevelBytes(
                                              format, levelSize(width, i), levelSize(height, i))));
    }
    if (result != kOk) {
        return result;
    }
    image->levels.swap(levels);
    image->width = width;
    image->height = height;
    image->format = format;
    return kOk;
}

} // namespace k4codec
