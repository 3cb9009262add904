// DDS reader.
//
// Supports: the legacy header with FourCC DXT1 to DXT5, ATI1, BC4U, BC4S,
// ATI2, BC5U and BC5S, FourCC holding a D3DFORMAT number of a format listed
// in formats.h (A16B16G16R16 ...) or of R16F, G16R16F, A16B16G16R16F, R32F,
// G32R32F, A32B32G32R32F, V8U8, Q8W8V8U8 and V16U16; RGB, luminance and
// alpha bit masks of 8 to 32 bits (masks that name no known format are
// expanded to A8R8G8B8/X8R8G8B8); bump masks of V8U8, Q8W8V8U8 and V16U16;
// 8-bit palettes (P8, A8P8; the palette's flags byte is its alpha, ignored
// when all zero); mip levels; and the "DX10" header with the DXGI formats of
// dds_formats.cpp (BC1 to BC7, floating-point, signed, packed-float and
// 8- and 16-bit UNORM formats; TYPELESS and sRGB alike). Formats that
// Direct3D 9 has no texture format for (BC4 to BC7, floating-point, signed)
// are decoded to A8R8G8B8 (X8R8G8B8 without alpha) by the rule of texel.h.
// Of a cube map or texture array the first face or item is read (an array
// size of 0 counts as 1); of a volume texture the first slice of each level.
// An 8-bit luminance file without alpha is L8 even when its mask lies outside
// the pixel (writers put 0xff000000 there).
// Rows padded beyond their pixels: an uncompressed file whose header gives a
// pitch (DDSD_PITCH) larger than level 0's row reads that level's rows at
// that pitch; when the pitch is the row rounded up to four bytes, every
// level's rows are. A file too short for its padded rows but long enough for
// packed ones is read packed (writers that state a pitch they do not use).
// Does not support: YUV formats, bump formats with luminance, other DXGI
// formats (video, depth, integer, 1-bit, shared-exponent other than
// R9G9B9E5).
// Limits: width, height and depth 1 to 16384 (beyond: kTooLarge); the mip
// count at most the full chain; every byte of the levels read must be in the
// file, counted in 64 bits before anything is allocated.
#include "codec/codec.h"
#include "codec/dds_decode.h"
#include "codec/dds_format.h"
#include "codec/dds_formats.h"
#include "codec/reader_util.h"

#include <cstring>

namespace k4codec {

namespace {

enum class Storage {
    Raw,     // bytes in a format of formats.h, copied as they are
    Masks,   // bit masks that name no known format, expanded to 32 bits
    Palette, // P8 or A8P8, expanded to 32 bits
    Blocks,  // BC4 to BC7 (dds_decode.h)
    Texels,  // floating-point and signed texels (dds_decode.h)
};

struct DdsLayout {
    ImageInfo info;
    Storage storage = Storage::Raw;
    Format rawFormat = kFmtUnknown;
    FormatMasks masks = {0, 0, 0, 0, false};
    uint32_t bytesPerPixel = 0; // Masks, Palette and Texels
    BlockFormat block = BlockFormat::Bc4;
    TexelFormat texel = {TexelType::Half, 1};
    bool alpha = false;     // Blocks and Texels decode with alpha
    uint64_t pitch = 0;     // level 0's stored row bytes when padded, else 0
    bool dwordRows = false; // every level's rows rounded up to four bytes
    size_t paletteOffset = 0;
    size_t dataOffset = 0;
    bool volume = false;
};

// Formats that legacy bit masks may name.
constexpr Format kMaskFormats[] = {
    kFmtA8R8G8B8, kFmtX8R8G8B8,    kFmtR8G8B8,   kFmtR5G6B5,   kFmtX1R5G5B5,
    kFmtA1R5G5B5, kFmtA4R4G4B4,    kFmtX4R4G4B4, kFmtR3G3B2,   kFmtA8R3G3B2,
    kFmtA8,       kFmtA2B10G10R10, kFmtA8B8G8R8, kFmtX8B8G8R8, kFmtA2R10G10B10,
    kFmtL8,       kFmtA8L8,        kFmtA4L4,     kFmtL16,
};

// Bump formats: signed texels, not colours.
constexpr uint32_t kDdpfBumpDuDv = 0x80000;

bool setRaw(DdsLayout* layout, Format format) {
    const FormatInfo* info = findFormat(format);
    if (info == nullptr || info->palette) {
        return false;
    }
    layout->storage = Storage::Raw;
    layout->rawFormat = format;
    layout->info.format = format;
    layout->info.storedFormat = info->name;
    return true;
}

void setMasks(DdsLayout* layout, const FormatMasks& masks, uint32_t bits) {
    layout->storage = Storage::Masks;
    layout->masks = masks;
    layout->bytesPerPixel = bits / 8;
    layout->info.format = masks.a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    layout->info.storedFormat = formatName(layout->info.format);
}

HResult setFormat(DdsLayout* layout, const DdsFormat* format) {
    if (format == nullptr) {
        return kInvalidData;
    }
    switch (format->storage) {
    case DdsStorage::Raw:
        setRaw(layout, format->raw);
        break;
    case DdsStorage::Masks:
        setMasks(layout, format->masks, format->maskBits);
        break;
    case DdsStorage::Blocks:
        layout->storage = Storage::Blocks;
        layout->block = format->block;
        break;
    case DdsStorage::Texels:
        layout->storage = Storage::Texels;
        layout->texel = format->texel;
        layout->bytesPerPixel = texelBytes(format->texel);
        break;
    }
    layout->alpha = decodesWithAlpha(*format);
    layout->info.format = format->format;
    layout->info.storedFormat = format->name;
    return kOk;
}

HResult parseLegacyFormat(const DdsPixelFormat& pf, DdsLayout* layout) {
    if (pf.flags & kDdpfFourCC) {
        if (const FormatInfo* info = findFormat(pf.fourCC)) {
            return setRaw(layout, info->format) ? kOk : kInvalidData;
        }
        return setFormat(layout, findFourCCFormat(pf.fourCC));
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
        layout->info.storedFormat = formatName(layout->info.format);
        return kOk;
    }
    if (pf.flags & kDdpfBumpDuDv) {
        return setFormat(layout,
                         findBumpFormat(bits, {pf.rMask, pf.gMask, pf.bMask, pf.aMask, false}));
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
    if (luminance && bits == 8 && masks.a == 0 && !masksAreValid(masks, bits)) {
        masks.r =
            0xff; // a one-byte grey pixel whatever its mask says (Pillow's uncompressed_l.dds)
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
    // An array size of 0 is read as 1: writers put it there (Pillow's
    // bc5_snorm.dds has one) and the first item is all we read.
    if (dx10.resourceDimension < 2 || dx10.resourceDimension > 4) {
        return kInvalidData;
    }
    layout->volume = dx10.resourceDimension == kDx10Texture3D;
    if (dx10.miscFlag & kDx10MiscTextureCube) {
        layout->info.resourceType = ResourceType::CubeTexture;
    }
    return setFormat(layout, findDxgiFormat(dx10.dxgiFormat));
}

bool isBlockStorage(const DdsLayout& layout) {
    return layout.storage == Storage::Blocks ||
           (layout.storage == Storage::Raw && isCompressed(layout.rawFormat));
}

// Bytes of one row of pixels (of blocks), as stored, and the number of rows.
uint64_t storedRowBytes(const DdsLayout& layout, uint32_t level) {
    const uint32_t width = levelSize(layout.info.width, level);
    uint64_t bytes;
    switch (layout.storage) {
    case Storage::Raw:
        bytes = formatRowPitch(layout.rawFormat, width);
        break;
    case Storage::Blocks:
        bytes = (static_cast<uint64_t>(width) + 3) / 4 * blockBytes(layout.block);
        break;
    default:
        bytes = static_cast<uint64_t>(width) * layout.bytesPerPixel;
        break;
    }
    if (level == 0 && layout.pitch != 0) {
        return layout.pitch;
    }
    return layout.dwordRows ? (bytes + 3) / 4 * 4 : bytes;
}

uint32_t storedRows(const DdsLayout& layout, uint32_t level) {
    const uint32_t height = levelSize(layout.info.height, level);
    return isBlockStorage(layout) ? (height + 3) / 4 : height;
}

// Bytes from the data start to the first slice of `level`.
uint64_t levelOffset(const DdsLayout& layout, uint32_t level) {
    uint64_t offset = 0;
    for (uint32_t i = 0; i < level; ++i) {
        const uint32_t slices = layout.volume ? levelSize(layout.info.depth, i) : 1;
        offset += storedRowBytes(layout, i) * storedRows(layout, i) * slices;
    }
    return offset;
}

// Bytes the levels read need from the data start: the last level read is its
// first slice only.
uint64_t neededBytes(const DdsLayout& layout) {
    const uint32_t last = layout.info.mipLevels - 1;
    return levelOffset(layout, last) + storedRowBytes(layout, last) * storedRows(layout, last);
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
    if (offset > size) {
        return kInvalidData;
    }
    const uint64_t available = size - offset;
    const uint64_t packedRow = storedRowBytes(*layout, 0);
    if ((header.flags & kDdsdPitch) && !isBlockStorage(*layout) &&
        header.pitchOrLinearSize > packedRow) {
        DdsLayout padded = *layout;
        padded.pitch = header.pitchOrLinearSize;
        padded.dwordRows = header.pitchOrLinearSize == (packedRow + 3) / 4 * 4;
        if (neededBytes(padded) <= available) {
            *layout = padded;
        }
    }
    return neededBytes(*layout) <= available ? kOk : kInvalidData;
}

// One level of Masks, Palette or Texels storage, row by row, into A8R8G8B8.
void expandLevel(const DdsLayout& layout, const uint8_t* data, const uint8_t* src,
                 uint64_t srcPitch, uint32_t width, uint32_t height, uint8_t* dst) {
    const uint8_t* palette = data + layout.paletteOffset;
    bool paletteAlpha = false;
    if (layout.storage == Storage::Palette) {
        for (int i = 0; i < 256; ++i) {
            paletteAlpha = paletteAlpha || palette[i * 4 + 3] != 0;
        }
    }
    Rgba row[256];
    for (uint32_t y = 0; y < height; ++y, src += srcPitch, dst += static_cast<size_t>(width) * 4) {
        if (layout.storage == Storage::Texels) {
            decodeTexelRow(layout.texel, src, width, dst);
            continue;
        }
        // Pieces of 256 keep the scratch small.
        for (uint32_t done = 0; done < width; done += 256) {
            const uint32_t count = width - done < 256 ? width - done : 256;
            const uint8_t* in = src + static_cast<size_t>(done) * layout.bytesPerPixel;
            if (layout.storage == Storage::Masks) {
                unpackRowMasks(layout.masks, layout.bytesPerPixel, in, count, row);
            }
            for (uint32_t i = 0; i < count; ++i) {
                if (layout.storage == Storage::Palette) {
                    const uint8_t* entry = palette + in[i * layout.bytesPerPixel] * 4;
                    uint8_t alpha = paletteAlpha ? entry[3] : 255;
                    if (layout.bytesPerPixel == 2) {
                        alpha = in[i * 2 + 1];
                    }
                    row[i] = Rgba{entry[0], entry[1], entry[2], alpha};
                }
                storeBgra(dst + (static_cast<size_t>(done) + i) * 4, row[i]);
            }
        }
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
    } else if (layout.storage != Storage::Raw) {
        format = layout.alpha ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
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
        const uint64_t pitch = storedRowBytes(layout, level);
        std::vector<uint8_t>& dst = decoded.levels[level];
        if (layout.storage == Storage::Blocks) {
            decodeBlockLevel(layout.block, src, width, height, dst.data());
        } else if (layout.storage != Storage::Raw) {
            expandLevel(layout, data, src, pitch, width, height, dst.data());
        } else if (pitch * storedRows(layout, level) == dst.size()) {
            std::memcpy(dst.data(), src, dst.size());
        } else {
            const size_t row = static_cast<size_t>(formatRowPitch(format, width));
            for (uint32_t y = 0; y < storedRows(layout, level); ++y) {
                std::memcpy(dst.data() + y * row, src + y * pitch, row);
            }
        }
    }
    *image = std::move(decoded);
    if (info != nullptr) {
        *info = layout.info;
    }
    return kOk;
}

} // namespace k4codec
