// An image as the codec library passes it around: width, height, pixel format
// and the bytes of each mip level (level i is max(1, width >> i) by
// max(1, height >> i), rows packed without padding, DXT levels in rows of 4x4
// blocks), and the description of an image file as its header gives it.
#pragma once

#include "codec/formats.h"
#include "codec/status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace k4codec {

// Largest width or height any reader accepts or any operation produces.
inline constexpr uint32_t kMaxDimension = 16384;

// File types, with the numbers of D3DXIMAGE_FILEFORMAT.
enum class FileType : uint32_t { Bmp = 0, Jpeg = 1, Tga = 2, Png = 3, Dds = 4 };

// Bytes of ImageInfo::warning, its terminating zero included.
inline constexpr size_t kWarningSize = 160;

// The kind of resource a file holds, with the numbers of D3DRESOURCETYPE.
enum class ResourceType : uint32_t { Texture = 3, VolumeTexture = 4, CubeTexture = 5 };

struct ImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;          // slices of a volume texture, otherwise 1
    uint32_t mipLevels = 1;      // 1 for files without mip levels
    Format format = kFmtUnknown; // the file's own pixel format
    // The name of the format the file stores, where the reader knows one
    // that `format` does not tell: a DDS file's DXGI format by its DXGI name
    // ("BC7_UNORM_SRGB"), its FourCC ("ATI2"), a Direct3D 9 format the codec
    // does not convert ("R16F"). Null otherwise; storedFormatName gives both.
    const char* storedFormat = nullptr;
    ResourceType resourceType = ResourceType::Texture;
    FileType fileType = FileType::Bmp;
    // Damage the reader worked around (JPEG: libjpeg's first warning, such as
    // "Corrupt JPEG data: 5 extraneous bytes before marker 0xdb"), for the
    // caller to log; empty when the file was read without complaint.
    char warning[kWarningSize] = {};
};

struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    Format format = kFmtUnknown;
    std::vector<std::vector<uint8_t>> levels;
};

inline uint32_t levelSize(uint32_t size, uint32_t level) {
    uint32_t value = level < 32 ? size >> level : 0;
    return value > 0 ? value : 1;
}

// resultText, except that an image too large gets its sides and the limit
// ("20000 by 100 pixels: larger than the limit of 16384 pixels a side"), so
// that its user knows what to change. `info` is the reader's description.
std::string resultMessage(HResult result, const ImageInfo& info);

// The file's format by name: storedFormat, else formatName(format), else null.
const char* storedFormatName(const ImageInfo& info);

// Levels of a complete chain down to 1 by 1.
uint32_t fullMipCount(uint32_t width, uint32_t height);

// Sets the size and format and allocates `levelCount` zeroed levels.
// kInvalidCall for a zero or too large size or an unknown format,
// kOutOfMemory when the bytes cannot be had.
HResult allocateImage(Image* image, uint32_t width, uint32_t height, Format format,
                      uint32_t levelCount);

} // namespace k4codec
