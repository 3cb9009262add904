// DDS reader.
//
// Supports: the legacy header with FourCC DXT1 to DXT5, FourCC holding a
// D3DFORMAT number of a format listed in formats.h (A16B16G16R16 ...), RGB,
// luminance and alpha bit masks of 8 to 32 bits (masks that name no known
// format are expanded to A8R8G8B8/X8R8G8B8), 8-bit palettes (P8, A8P8; the
// palette's flags byte is its alpha, ignored when all zero), mip levels, and
// the "DX10" header for BC1 to BC3, R8G8B8A8, B8G8R8A8, B8G8R8X8, B5G6R5,
// B5G5R5A1, B4G4R4A4, R10G10B10A2, R16G16B16A16, R8, R8G8 and A8 (UNORM,
// TYPELESS and sRGB alike: sRGB is a sampling state in Direct3D 9). R8 and
// R8G8 become X8R8G8B8 (missing channels 0). Of a cube map or texture array
// the first face or item is read; of a volume texture the first slice of each
// level.
// Does not support: BC4 to BC7, floating-point, signed and bump formats, YUV
// formats, rows padded beyond their pixels.
// Limits: width, height and depth 1 to 16384; the mip count at most the full
// chain; every byte of the levels read must be in the file.
#include "codec/codec.h"
#include "codec/dds_format.h"
#include "codec/reader_util.h"

#include <cstring>
#include <new>

namespace k4codec {

namespace {

enum class Storage {
    Raw,     // bytes in a format of formats.h, copied as they are
    Masks,   // bit masks that name no known format, expanded to 32 bits
    Palette, // P8 or A8P8, expanded to 32 bits
};

struct DdsLayout {
    ImageInfo info;
    Storage storage = Storage::Raw;
    Format rawFormat = kFmtUnknown;
    FormatMasks masks = {0, 0, 0, 0, false};
    uint32_t bytesPerPixel = 0; // Masks and Palette
    size_t paletteOffset = 0;
    size_t dataOffset = 0;
    bool volume = false;
};

struct Dx10Mapping {
    uint32_t dxgi;
    Format format;     // kFmtUnknown: use the masks
    FormatMasks masks; // for R8, R8G8
    uint32_t bits;
};

constexpr Dx10Mapping kDx10Formats[] = {
    {70, kFmtDXT1, {}, 0},
    {71, kFmtDXT1, {}, 0},
    {72, kFmtDXT1, {}, 0},
    {73, kFmtDXT3, {}, 0},
    {74, kFmtDXT3, {}, 0},
    {75, kFmtDXT3, {}, 0},
    {76, kFmtDXT5, {}, 0},
    {77, kFmtDXT5, {}, 0},
    {78, kFmtDXT5, {}, 0},
    {27, kFmtA8B8G8R8, {}, 0},
    {28, kFmtA8B8G8R8, {}, 0},
    {29, kFmtA8B8G8R8, {}, 0},
    {87, kFmtA8R8G8B8, {}, 0},
    {90, kFmtA8R8G8B8, {}, 0},
    {91, kFmtA8R8G8B8, {}, 0},
    {88, kFmtX8R8G8B8, {}, 0},
    {92, kFmtX8R8G8B8, {}, 0},
    {93, kFmtX8R8G8B8, {}, 0},
    {85, kFmtR5G6B5, {}, 0},
    {86, kFmtA1R5G5B5, {}, 0},
    {115, kFmtA4R4G4B4, {}, 0},
    {24, kFmtA2B10G10R10, {}, 0},
    {11, kFmtA16B16G16R16, {}, 0},
    {65, kFmtA8, {}, 0},
    {60, kFmtUnknown, {0xff, 0, 0, 0, false}, 8},
    {61, kFmtUnknown, {0xff, 0, 0, 0, false}, 8},
    {48, kFmtUnknown, {0xff, 0xff00, 0, 0, false}, 16},
    {49, kFmtUnknown, {0xff, 0xff00, 0, 0, false}, 16},
};

// Formats that legacy bit masks may name.
constexpr Format kMaskFormats[] = {
    kFmtA8R8G8B8, kFmtX8R8G8B8,    kFmtR8G8B8,   kFmtR5G6B5,   kFmtX1R5G5B5,
    kFmtA1R5G5B5, kFmtA4R4G4B4,    kFmtX4R4G4B4, kFmtR3G3B2,   kFmtA8R3G3B2,
    kFmtA8,       kFmtA2B10G10R10, kFmtA8B8G8R8, kFmtX8B8G8R8, kFmtA2R10G10B10,
    kFmtL8,       kFmtA8L8,        kFmtA4L4,     kFmtL16,
};

bool setRaw(DdsLayout* layout, Format format) {
    const FormatInfo* info = findFormat(format);
    if (info == nullptr || info->palette) {
        return false;
    }
    layout->storage = Storage::Raw;
    layout->rawFormat = format;
    layout->info.format = format;
    return true;
}

void setMasks(DdsLayout* layout, const FormatMasks& masks, uint32_t bits) {
    layout->storage = Storage::Masks;
    layout->masks = masks;
    layout->bytesPerPixel = bits / 8;
    layout->info.format = masks.a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
}

HResult parseLegacyFormat(const DdsPixelFormat& pf, DdsLayout* layout) {
    if (pf.flags & kDdpfFourCC) {
        const FormatInfo* info = findFormat(pf.fourCC);
        return info != nullptr && setRaw(layout, pf.fourCC) ? kOk : kInvalidData;
    }
    const uint32_t bits = pf.rgbBitCount;
    if (pf.flags & kDdpfPaletteIndexed8) {
        const bool withAlpha = bits == 16 && pf.aMask == 0xff00;
        if (bits != 8 && !withAlpha) {
            return kInvalidData;
        }
        layout->storage = Storage::Palette;
        layout->bytesPerPixel = bits / 8;
        layout->info.format = withAlpha ? kFmtA8P8 : kFmtP8;
        return kOk;
    }
    if ((pf.flags & (kDdpfRgb | kDdpfLuminance | kDdpfAlpha)) == 0 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        return kInvalidData;
    }
    const bool luminance = (pf.flags & kDdpfLuminance) != 0;
    const bool hasAlpha = (pf.flags & (kDdpfAlphaPixels | kDdpfAlpha)) != 0;
    FormatMasks masks = {pf.rMask, luminance ? 0u : pf.gMask, luminance ? 0u : pf.bMask,
                         hasAlpha ? pf.aMask : 0u, luminance};
    if ((pf.flags & (kDdpfRgb | kDdpfLuminance)) == 0) {
        masks.r = masks.g = masks.b = 0; // alpha only
    }
    if (!masksAreValid(masks, bits)) {
        return kInvalidData;
    }
    for (Format format : kMaskFormats) {
        const FormatInfo* info = findFormat(format);
        const FormatMasks& m = info->masks;
        if (info->bits == bits && m.r == masks.r && m.g == masks.g && m.b == masks.b &&
            m.a == masks.a && m.luminance == luminance) {
            setRaw(layout, format);
            return kOk;
        }
    }
    setMasks(layout, masks, bits);
    return kOk;
}

HResult parseDx10(const DdsHeaderDx10& dx10, DdsLayout* layout) {
    if (dx10.arraySize == 0 || dx10.resourceDimension < 2 || dx10.resourceDimension > 4) {
        return kInvalidData;
    }
    layout->volume = dx10.resourceDimension == kDx10Texture3D;
    if (dx10.miscFlag & kDx10MiscTextureCube) {
        layout->info.resourceType = ResourceType::CubeTexture;
    }
    for (const Dx10Mapping& mapping : kDx10Formats) {
        if (mapping.dxgi == dx10.dxgiFormat) {
            if (mapping.format != kFmtUnknown) {
                setRaw(layout, mapping.format);
            } else {
                setMasks(layout, mapping.masks, mapping.bits);
            }
            return kOk;
        }
    }
    return kInvalidData;
}

uint64_t storageLevelBytes(const DdsLayout& layout, uint32_t width, uint32_t height) {
    if (layout.storage == Storage::Raw) {
        return formatLevelBytes(layout.rawFormat, width, height);
    }
    return static_cast<uint64_t>(width) * height * layout.bytesPerPixel;
}

// Offset of the first slice of each level, counted from the data start; the
// sum of everything read.
uint64_t levelOffset(const DdsLayout& layout, uint32_t level) {
    uint64_t offset = 0;
    for (uint32_t i = 0; i < level; ++i) {
        const uint32_t slices = layout.volume ? levelSize(layout.info.depth, i) : 1;
        offset += storageLevelBytes(layout, levelSize(layout.info.width, i),
                                    levelSize(layout.info.height, i)) *
                  slices;
    }
    return offset;
}

// Validates everything the reader will touch; allocates nothing.
HResult parseHeader(const uint8_t* data, size_t size, DdsLayout* layout) {
    if (data == nullptr || size < 4 + sizeof(DdsHeader) || loadLe32(data) != kDdsMagic) {
        return kInvalidData;
    }
    DdsHeader header;
    std::memcpy(&header, data + 4, sizeof header);
    if (header.size != sizeof(DdsHeader) || header.pixelFormat.size != sizeof(DdsPixelFormat) ||
        header.width == 0 || header.height == 0) {
        return kInvalidData;
    }
    if (header.width > kMaxDimension || header.height > kMaxDimension) {
        return refuseSides(&layout->info, header.width, header.height);
    }
    *layout = DdsLayout();
    ImageInfo& info = layout->info;
    info.fileType = FileType::Dds;
    info.width = header.width;
    info.height = header.height;
    size_t offset = 4 + sizeof(DdsHeader);
    HResult result;
    const DdsPixelFormat& pf = header.pixelFormat;
    if ((pf.flags & kDdpfFourCC) && pf.fourCC == makeFourCC('D', 'X', '1', '0')) {
        if (size < offset + sizeof(DdsHeaderDx10)) {
            return kInvalidData;
        }
        DdsHeaderDx10 dx10;
        std::memcpy(&dx10, data + offset, sizeof dx10);
        offset += sizeof dx10;
        result = parseDx10(dx10, layout);
    } else {
        layout->volume = (header.caps2 & kDdsCaps2Volume) != 0;
        if (header.caps2 & kDdsCaps2CubeMap) {
            info.resourceType = ResourceType::CubeTexture;
        }
        result = parseLegacyFormat(pf, layout);
    }
    if (result != kOk) {
        return result;
    }
    if (layout->volume) {
        if (header.depth == 0 || header.depth > kMaxDimension ||
            info.resourceType == ResourceType::CubeTexture) {
            return kInvalidData;
        }
        info.resourceType = ResourceType::VolumeTexture;
        info.depth = header.depth;
    }
    info.mipLevels = header.mipMapCount == 0 ? 1 : header.mipMapCount;
    uint32_t fullChain = fullMipCount(info.width, info.height);
    if (layout->volume) {
        const uint32_t depthChain = fullMipCount(info.depth, 1);
        fullChain = depthChain > fullChain ? depthChain : fullChain;
    }
    if (info.mipLevels > fullChain) {
        return kInvalidData;
    }
    if (layout->storage == Storage::Palette) {
        layout->paletteOffset = offset;
        offset += 256 * 4;
    }
    layout->dataOffset = offset;
    // The last level read is its first slice only.
    const uint32_t last = info.mipLevels - 1;
    const uint64_t needed =
        levelOffset(*layout, last) +
        storageLevelBytes(*layout, levelSize(info.width, last), levelSize(info.height, last));
    if (offset > size || needed > size - offset) {
        return kInvalidData;
    }
    return kOk;
}

void expandLevel(const DdsLayout& layout, const uint8_t* data, const uint8_t* src, uint32_t width,
                 uint32_t height, uint8_t* dst) {
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    if (layout.storage == Storage::Masks) {
        // Row by row keeps the scratch small.
        Rgba row[256];
        for (uint64_t done = 0; done < pixels;) {
            const uint32_t count = static_cast<uint32_t>(pixels - done < 256 ? pixels - done : 256);
            unpackRowMasks(layout.masks, layout.bytesPerPixel, src + done * layout.bytesPerPixel,
                           count, row);
            for (uint32_t i = 0; i < count; ++i) {
                storeBgra(dst + (done + i) * 4, row[i]);
            }
            done += count;
        }
        return;
    }
    const uint8_t* palette = data + layout.paletteOffset;
    bool paletteAlpha = false;
    for (int i = 0; i < 256; ++i) {
        paletteAlpha = paletteAlpha || palette[i * 4 + 3] != 0;
    }
    for (uint64_t i = 0; i < pixels; ++i) {
        const uint8_t* entry = palette + src[i * layout.bytesPerPixel] * 4;
        uint8_t alpha = paletteAlpha ? entry[3] : 255;
        if (layout.bytesPerPixel == 2) {
            alpha = src[i * 2 + 1];
        }
        storeBgra(dst + i * 4, Rgba{entry[0], entry[1], entry[2], alpha});
    }
}

} // namespace

HResult ddsReadHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    DdsLayout layout;
    const HResult result = parseHeader(data, size, &layout);
    if ((result == kOk || result == kTooLarge) && info != nullptr) {
        *info = layout.info;
    }
    return result;
}

HResult ddsReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info) {
    if (image == nullptr) {
        return kInvalidCall;
    }
    DdsLayout layout;
    HResult result = parseHeader(data, size, &layout);
    if (result != kOk) {
        if (result == kTooLarge && info != nullptr) {
            *info = layout.info;
        }
        return result;
    }
    Format format = layout.rawFormat;
    if (layout.storage == Storage::Masks) {
        format = layout.masks.a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    } else if (layout.storage == Storage::Palette) {
        const uint8_t* palette = data + layout.paletteOffset;
        bool paletteAlpha = layout.bytesPerPixel == 2;
        for (int i = 0; i < 256; ++i) {
            paletteAlpha = paletteAlpha || palette[i * 4 + 3] != 0;
        }
        format = paletteAlpha ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    }
    Image decoded;
    result = allocateImage(&decoded, layout.info.width, layout.info.height, format,
                           layout.info.mipLevels);
    if (result != kOk) {
        return result;
    }
    for (uint32_t level = 0; level < layout.info.mipLevels; ++level) {
        const uint8_t* src = data + layout.dataOffset + levelOffset(layout, level);
        const uint32_t width = levelSize(layout.info.width, level);
        const uint32_t height = levelSize(layout.info.height, level);
        std::vector<uint8_t>& dst = decoded.levels[level];
        if (layout.storage == Storage::Raw) {
            std::memcpy(dst.data(), src, dst.size());
        } else {
            expandLevel(layout, data, src, width, height, dst.data());
        }
    }
    *image = std::move(decoded);
    if (info != nullptr) {
        *info = layout.info;
    }
    return kOk;
}

} // namespace k4codec
