// BMP reader.
//
// Supports: core (OS/2 1.x, 12 bytes), info (40), V2 and V3 (52, 56), V4
// (108) and V5 (124) headers; 1, 4 and 8 bits with a palette, RLE8 and RLE4;
// 16 and 32 bits plain or with bit fields (BI_BITFIELDS, BI_ALPHABITFIELDS),
// alpha only through an alpha mask; 24 bits; bottom-up and top-down rows.
// Pixels that RLE skips (delta, end of line, end of bitmap) are transparent
// black, and the image then has alpha. RLE runs longer than what is left of
// their row are cut at the row's end, as other readers do (ImageMagick
// encodes the padding of odd widths as pixels). The plain 32-bit layout has no alpha
// (X8R8G8B8), as the format defines it.
// Does not support: embedded JPEG or PNG, OS/2 2.x headers, colour profiles
// (ignored), top-down RLE.
// A pixel offset that names the palette's start is taken as just after it.
// Limits: width and height 1 to 16384; header, masks and palette inside the
// file; the pixel data of uncompressed files complete (the last row's padding
// may be missing); palette indices below the palette's size; RLE runs and
// deltas inside the image.
#include "codec/codec.h"
#include "codec/reader_util.h"

#include <cstring>
#include <utility>

namespace k4codec {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
// RLE streams must hold at least one byte per this many pixels: the densest
// real encoding (a 255-pixel run in 2 bytes) with room for some skipping.
// Small images are exempt, so ordinary files with large skipped areas load.
constexpr uint64_t kRlePixelsPerByteLimit = 512;
constexpr uint64_t kRleMinPixelsUnchecked = 1024 * 1024;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
constexpr size_t kFileHeaderSize = 14;

struct BmpLayout {
    ImageInfo info;
    bool topDown = false;
    uint32_t bits = 0;
    uint32_t compression = kBiRgb;
    FormatMasks masks = {0, 0, 0, 0, false};
    size_t paletteOffset = 0;
    uint32_t paletteEntries = 0;
    uint32_t paletteEntrySize = 4;
    size_t dataOffset = 0;
    uint64_t rowStride = 0;
};

// Formats that 16- and 32-bit masks may name.
constexpr Format kMaskFormats[] = {kFmtX1R5G5B5, kFmtA1R5G5B5,    kFmtR5G6B5,     kFmtA4R4G4B4,
                                   kFmtX4R4G4B4, kFmtA8R8G8B8,    kFmtX8R8G8B8,   kFmtA8B8G8R8,
                                   kFmtX8B8G8R8, kFmtA2R10G10B10, kFmtA2B10G10R10};

Format formatOfMasks(const FormatMasks& masks, uint32_t bits) {
    for (Format format : kMaskFormats) {
        const FormatInfo* info = findFormat(format);
        if (info->bits == bits && info->masks.r == masks.r && info->masks.g == masks.g &&
            info->masks.b == masks.b && info->masks.a == masks.a) {
            return format;
        }
    }
    return masks.a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
}

HResult parseHeader(const uint8_t* data, size_t size, BmpLayout* layout) {
    if (data == nullptr || size < kFileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M') {
        return kInvalidData;
    }
    *layout = BmpLayout();
    const uint32_t offBits = loadLe32(data + 10);
    const uint8_t* h = data + kFileHeaderSize;
    const uint32_t headerSize = loadLe32(h);
    int64_t width, height;
    uint32_t clrUsed = 0;
    if (headerSize == 12) {
        width = loadLe16(h + 4);
        height = loadLe16(h + 6);
        layout->bits = loadLe16(h + 10);
        layout->paletteEntrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        if (size < kFileHeaderSize + headerSize) {
            return kInvalidData;
        }
        width = static_cast<int32_t>(loadLe32(h + 4));
        height = static_cast<int32_t>(loadLe32(h + 8));
        layout->bits = loadLe16(h + 14);
        layout->compression = loadLe32(h + 16);
        clrUsed = loadLe32(h + 32);
    } else {
        return kInvalidData;
    }
    layout->topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0) {
        return kInvalidData;
    }
    if (width > kMaxDimension || height > kMaxDimension) {
        return refuseSides(&layout->info, static_cast<uint64_t>(width),
                           static_cast<uint64_t>(height));
    }
    const uint32_t bits = layout->bits;
    const uint32_t compression = layout->compression;
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (!(indexed || bits == 16 || bits == 24 || bits == 32) ||
        (compression == kBiRle8 && bits != 8) || (compression == kBiRle4 && bits != 4) ||
        (bitfields && bits != 16 && bits != 32) ||
        (compression != kBiRgb && compression != kBiRle8 && compression != kBiRle4 && !bitfields) ||
        (layout->topDown && (compression == kBiRle8 || compression == kBiRle4))) {
        return kInvalidData;
    }
    size_t offset = kFileHeaderSize + headerSize;
    // Bit fields: inside the V2+ header, or just after the 40-byte one.
    if (bits == 16) {
        layout->masks = {0x7c00, 0x03e0, 0x001f, 0, false};
    } else if (bits == 32) {
        layout->masks = {0xff0000, 0xff00, 0xff, 0, false};
    }
    if (bitfields) {
        const uint8_t* m = h + 40;
        const bool alphaMask = headerSize >= 56 || compression == kBiAlphaBitfields;
        // The masks follow the 40 bytes of the info header, inside a longer
        // header or after it; a header too short for them (an alpha mask
        // with a 52-byte header) has the rest after it.
        const size_t masksEnd = kFileHeaderSize + 40 + (alphaMask ? 16 : 12);
        if (size < masksEnd) {
            return kInvalidData;
        }
        offset = offset < masksEnd ? masksEnd : offset;
        layout->masks.r = loadLe32(m);
        layout->masks.g = loadLe32(m + 4);
        layout->masks.b = loadLe32(m + 8);
        layout->masks.a = alphaMask ? loadLe32(m + 12) : 0;
        if (!masksAreValid(layout->masks, bits)) {
            return kInvalidData;
        }
    }
    if (indexed) {
        const uint32_t maxEntries = 1u << bits;
        layout->paletteEntries = clrUsed == 0 || clrUsed > maxEntries ? maxEntries : clrUsed;
        layout->paletteOffset = offset;
        const uint64_t paletteEnd =
            offset + static_cast<uint64_t>(layout->paletteEntries) * layout->paletteEntrySize;
        if (paletteEnd > size) {
            // Some writers store fewer entries than they promise; take what is there.
            const size_t available = (size - offset) / layout->paletteEntrySize;
            if (available == 0) {
                return kInvalidData;
            }
            layout->paletteEntries = static_cast<uint32_t>(available);
        }
    }
    if (offBits >= size || offBits < kFileHeaderSize + 12) {
        return kInvalidData;
    }
    layout->dataOffset = offBits;
    if (indexed && offBits == layout->paletteOffset) {
        // Some writers give the palette's offset for the pixels'; other
        // readers then take the pixels from just after the palette.
        layout->dataOffset +=
            static_cast<size_t>(layout->paletteEntries) * layout->paletteEntrySize;
    }
    const size_t dataOffset = layout->dataOffset;
    layout->rowStride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (dataOffset >= size) {
        return kInvalidData;
    }
    if (compression != kBiRle8 && compression != kBiRle4) {
        // The last row's padding may be missing, as other readers allow.
        const uint64_t lastRow = (static_cast<uint64_t>(width) * bits + 7) / 8;
        if (layout->rowStride * static_cast<uint64_t>(height - 1) + lastRow > size - dataOffset) {
            return kInvalidData;
        }
    } else if (pixels > kRleMinPixelsUnchecked &&
               (size - dataOffset) < pixels / kRlePixelsPerByteLimit) {
        // Deltas and end-of-line codes let a few bytes stand for a huge
        // image; a stream this short for so many pixels is not a real bitmap
        // and must not make us allocate gigabytes.
        return kInvalidData;
    }
    ImageInfo& info = layout->info;
    info.fileType = FileType::Bmp;
    info.width = static_cast<uint32_t>(width);
    info.height = static_cast<uint32_t>(height);
    info.format = indexed ? kFmtP8 : bits == 24 ? kFmtR8G8B8 : formatOfMasks(layout->masks, bits);
    return kOk;
}

struct Palette {
    Rgba entries[256];
    uint32_t count;
};

void loadPalette(const uint8_t* data, const BmpLayout& layout, Palette* palette) {
    palette->count = layout.paletteEntries;
    for (uint32_t i = 0; i < palette->count; ++i) {
        const uint8_t* e = data + layout.paletteOffset + i * layout.paletteEntrySize;
        palette->entries[i] = Rgba{e[2], e[1], e[0], 255};
    }
}

// Destination row `y` counted from the top of the image.
uint8_t* rowAt(Image* image, const BmpLayout& layout, uint32_t fileRow) {
    const uint32_t y = layout.topDown ? fileRow : image->height - 1 - fileRow;
    return image->levels[0].data() + static_cast<size_t>(y) * image->width * 4;
}

HResult decodeUncompressed(const uint8_t* data, const BmpLayout& layout, const Palette& palette,
                           Image* image) {
    const uint32_t width = image->width;
    const uint32_t bits = layout.bits;
    for (uint32_t row = 0; row < image->height; ++row) {
        const uint8_t* src = data + layout.dataOffset + row * layout.rowStride;
        uint8_t* dst = rowAt(image, layout, row);
        if (bits <= 8) {
            const uint32_t perByte = 8 / bits;
            const uint32_t mask = (1u << bits) - 1;
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t shift = 8 - bits * (x % perByte + 1);
                const uint32_t index = (src[x / perByte] >> shift) & mask;
                if (index >= palette.count) {
                    return kInvalidData;
                }
                storeBgra(dst + x * 4, palette.entries[index]);
            }
        } else if (bits == 24) {
            for (uint32_t x = 0; x < width; ++x) {
                storeBgra(dst + x * 4, Rgba{src[x * 3 + 2], src[x * 3 + 1], src[x * 3], 255});
            }
        } else {
            Rgba pixels[256];
            for (uint32_t x = 0; x < width; x += 256) {
                const uint32_t count = width - x < 256 ? width - x : 256;
                unpackRowMasks(layout.masks, bits / 8, src + x * (bits / 8), count, pixels);
                for (uint32_t i = 0; i < count; ++i) {
                    storeBgra(dst + (x + i) * 4, pixels[i]);
                }
            }
        }
    }
    return kOk;
}

// RLE8 and RLE4. Every pixel starts transparent; runs paint over it. `x`
// stays at most `width`: pixels past the row's end are dropped unchecked.
HResult decodeRle(const uint8_t* data, size_t size, const BmpLayout& layout, const Palette& palette,
                  Image* image, bool* skipped) {
    const bool four = layout.compression == kBiRle4;
    const uint32_t width = image->width;
    const uint32_t height = image->height;
    size_t pos = layout.dataOffset;
    uint32_t x = 0, row = 0;
    uint64_t painted = 0;
    auto put = [&](uint32_t index) {
        if (x == width) {
            return true;
        }
        if (index >= palette.count) {
            return false;
        }
        storeBgra(rowAt(image, layout, row) + x * 4, palette.entries[index]);
        ++x;
        ++painted;
        return true;
    };
    for (;;) {
        if (size - pos < 2) {
            return kInvalidData;
        }
        const uint32_t count = data[pos];
        const uint32_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (row >= height) {
                return kInvalidData;
            }
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t index = four ? (i % 2 == 0 ? value >> 4 : value & 15) : value;
                if (!put(index)) {
                    return kInvalidData;
                }
            }
        } else if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (size - pos < 2) {
                return kInvalidData;
            }
            const uint32_t dx = data[pos], dy = data[pos + 1];
            pos += 2;
            if (dx > width - x || dy > height - row || (dy == height - row && dx > 0)) {
                return kInvalidData;
            }
            x += dx;
            row += dy;
        } else { // absolute run of `value` indices, padded to 16 bits
            const uint64_t bytes = four ? (value + 1) / 2 : value;
            const uint64_t padded = (bytes + 1) / 2 * 2;
            if (row >= height || padded > size - pos) {
                return kInvalidData;
            }
            for (uint32_t i = 0; i < value; ++i) {
                const uint8_t byte = data[pos + (four ? i / 2 : i)];
                const uint32_t index = four ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte;
                if (!put(index)) {
                    return kInvalidData;
                }
            }
            pos += padded;
        }
        if (row > height) {
            return kInvalidData;
        }
    }
    *skipped = painted < static_cast<uint64_t>(width) * height;
    return kOk;
}

} // namespace

HResult bmpReadHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    BmpLayout layout;
    const HResult result = parseHeader(data, size, &layout);
    if ((result == kOk || result == kTooLarge) && info != nullptr) {
        *info = layout.info;
    }
    return result;
}

HResult bmpReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info) {
    if (image == nullptr) {
        return kInvalidCall;
    }
    BmpLayout layout;
    HResult result = parseHeader(data, size, &layout);
    if (result != kOk) {
        if (result == kTooLarge && info != nullptr) {
            *info = layout.info;
        }
        return result;
    }
    Palette palette;
    loadPalette(data, layout, &palette);
    const bool rle = layout.compression == kBiRle8 || layout.compression == kBiRle4;
    Image decoded;
    result = allocateRgbaImage(&decoded, layout.info.width, layout.info.height,
                               rle || layout.masks.a != 0);
    if (result != kOk) {
        return result;
    }
    if (rle) {
        bool skipped = false;
        result = decodeRle(data, size, layout, palette, &decoded, &skipped);
        decoded.format = skipped ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    } else {
        result = decodeUncompressed(data, layout, palette, &decoded);
    }
    if (result != kOk) {
        return result;
    }
    *image = std::move(decoded);
    if (info != nullptr) {
        *info = layout.info;
    }
    return kOk;
}

} // namespace k4codec
