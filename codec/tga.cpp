// TGA reader.
//
// Supports: image types 1 (colour-mapped), 2 (true colour), 3 (grey) and
// their RLE forms 9, 10, 11; 8-bit indices into 15-, 16-, 24- or 32-bit
// colour maps (with a first-entry offset; only 32-bit entries carry alpha); 15-, 16-, 24- and
// 32-bit true colour; 8-bit grey and 16-bit grey with alpha; bottom-left and top-left origins
// (right-to-left rows too). 16-bit pixels have alpha only when the descriptor says 1 alpha bit;
// 32-bit pixels keep their alpha byte whatever the descriptor says (writers declare 0 alpha bits
// for real alpha), unless it is zero everywhere, which is taken as opaque (writers that leave the
// byte unset). Does not support: 16-bit
// indices, the extension area and footer (ignored). Limits: width and height 1 to 16384; colour map
// and uncompressed pixels inside the file; an RLE file at least as long as the smallest encoding of
// its pixel count; indices inside the colour map; RLE packets inside the
// image (they may cross rows).
#include "codec/codec.h"
#include "codec/reader_util.h"

#include <utility>

namespace k4codec {

namespace {

constexpr size_t kHeaderSize = 18;

struct TgaLayout {
    ImageInfo info;
    uint32_t type = 0; // 1, 2 or 3 (RLE flag removed)
    bool rle = false;
    uint32_t pixelBytes = 0;
    uint32_t alphaBits = 0;
    bool topDown = false;
    bool rightToLeft = false;
    uint32_t mapFirst = 0;
    uint32_t mapLength = 0;
    uint32_t mapEntryBytes = 0;
    size_t mapOffset = 0;
    size_t dataOffset = 0;
};

HResult parseHeader(const uint8_t* data, size_t size, TgaLayout* layout) {
    if (data == nullptr || size < kHeaderSize) {
        return kInvalidData;
    }
    *layout = TgaLayout();
    const uint32_t idLength = data[0];
    const uint32_t mapType = data[1];
    const uint32_t imageType = data[2];
    const uint32_t mapFirst = loadLe16(data + 3);
    const uint32_t mapLength = loadLe16(data + 5);
    const uint32_t mapEntryBits = data[7];
    const uint32_t width = loadLe16(data + 12);
    const uint32_t height = loadLe16(data + 14);
    const uint32_t depth = data[16];
    const uint32_t descriptor = data[17];
    layout->rle = imageType >= 9;
    layout->type = layout->rle ? imageType - 8 : imageType;
    layout->alphaBits = descriptor & 15;
    layout->rightToLeft = (descriptor & 0x10) != 0;
    layout->topDown = (descriptor & 0x20) != 0;
    const uint32_t type = layout->type;
    if ((imageType != 1 && imageType != 2 && imageType != 3 && imageType != 9 && imageType != 10 &&
         imageType != 11) ||
        mapType > 1 || (type == 1 && mapType != 1) || (descriptor & 0xc0) != 0 || width == 0 ||
        height == 0) {
        return kInvalidData;
    }
    const bool depthOk = type == 1   ? depth == 8
                         : type == 2 ? depth == 15 || depth == 16 || depth == 24 || depth == 32
                                     : depth == 8 || depth == 16;
    if (!depthOk) {
        return kInvalidData;
    }
    if (width > kMaxDimension || height > kMaxDimension) {
        return refuseSides(&layout->info, width, height);
    }
    layout->pixelBytes = (depth + 7) / 8;
    size_t offset = kHeaderSize + idLength;
    if (mapType == 1) {
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32) {
            return kInvalidData;
        }
        layout->mapFirst = mapFirst;
        layout->mapLength = mapLength;
        layout->mapEntryBytes = (mapEntryBits + 7) / 8;
        layout->mapOffset = offset;
        offset += static_cast<size_t>(mapLength) * layout->mapEntryBytes;
        if (type == 1 && mapLength == 0) {
            return kInvalidData;
        }
    }
    if (offset > size) {
        return kInvalidData;
    }
    layout->dataOffset = offset;
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    const uint64_t available = size - offset;
    // The shortest RLE encoding spends 1 + pixelBytes bytes per 128 pixels.
    const uint64_t needed =
        layout->rle ? (pixels + 127) / 128 * (1 + layout->pixelBytes) : pixels * layout->pixelBytes;
    if (needed > available) {
        return kInvalidData;
    }
    ImageInfo& info = layout->info;
    info.fileType = FileType::Tga;
    info.width = width;
    info.height = height;
    if (type == 1) {
        info.format = kFmtP8;
    } else if (type == 3) {
        info.format = depth == 8 ? kFmtL8 : kFmtA8L8;
    } else if (depth == 15 || depth == 16) {
        info.format = depth == 16 && layout->alphaBits == 1 ? kFmtA1R5G5B5 : kFmtX1R5G5B5;
    } else if (depth == 24) {
        info.format = kFmtR8G8B8;
    } else {
        info.format = kFmtA8R8G8B8;
    }
    return kOk;
}

// One colour from 2, 3 or 4 little-endian bytes (16-bit: A1R5G5B5).
Rgba colourOf(const uint8_t* p, uint32_t bytes, bool alpha) {
    if (bytes == 2) {
        const uint32_t v = loadLe16(p);
        const auto five = [](uint32_t c) { return static_cast<uint8_t>((c * 255 + 15) / 31); };
        return Rgba{five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31),
                    alpha ? static_cast<uint8_t>((v & 0x8000) ? 255 : 0) : uint8_t(255)};
    }
    return Rgba{p[2], p[1], p[0], bytes == 4 && alpha ? p[3] : uint8_t(255)};
}

class PixelDecoder {
public:
    PixelDecoder(const TgaLayout& layout, const uint8_t* data) : layout_(layout), data_(data) {}

    // False for an index outside the colour map.
    bool decode(const uint8_t* p, Rgba* out) const {
        switch (layout_.type) {
        case 1: {
            const uint32_t index = p[0];
            if (index < layout_.mapFirst || index - layout_.mapFirst >= layout_.mapLength) {
                return false;
            }
            const uint8_t* entry =
                data_ + layout_.mapOffset + (index - layout_.mapFirst) * layout_.mapEntryBytes;
            *out = colourOf(entry, layout_.mapEntryBytes, layout_.mapEntryBytes == 4);
            return true;
        }
        case 3:
            *out = Rgba{p[0], p[0], p[0], layout_.pixelBytes == 2 ? p[1] : uint8_t(255)};
            return true;
        default:
            *out =
                colourOf(p, layout_.pixelBytes, layout_.pixelBytes == 4 || layout_.alphaBits == 1);
            return true;
        }
    }

private:
    const TgaLayout& layout_;
    const uint8_t* data_;
};

// Pixel `n` in file order goes to its place in the top-down image.
uint8_t* pixelAt(Image* image, const TgaLayout& layout, uint64_t n) {
    const uint32_t width = image->width;
    uint32_t y = static_cast<uint32_t>(n / width);
    uint32_t x = static_cast<uint32_t>(n % width);
    if (!layout.topDown) {
        y = image->height - 1 - y;
    }
    if (layout.rightToLeft) {
        x = width - 1 - x;
    }
    return image->levels[0].data() + (static_cast<size_t>(y) * width + x) * 4;
}

HResult decodePixels(const uint8_t* data, size_t size, const TgaLayout& layout, Image* image) {
    const PixelDecoder decoder(layout, data);
    const uint64_t total = static_cast<uint64_t>(image->width) * image->height;
    const uint32_t bytes = layout.pixelBytes;
    size_t pos = layout.dataOffset;
    Rgba colour = {0, 0, 0, 0};
    if (!layout.rle) {
        for (uint64_t n = 0; n < total; ++n, pos += bytes) {
            if (!decoder.decode(data + pos, &colour)) {
                return kInvalidData;
            }
            storeBgra(pixelAt(image, layout, n), colour);
        }
        return kOk;
    }
    for (uint64_t n = 0; n < total;) {
        if (pos >= size) {
            return kInvalidData;
        }
        const uint32_t header = data[pos++];
        const uint32_t count = (header & 127) + 1;
        const bool run = (header & 128) != 0;
        const uint64_t packetBytes = run ? bytes : static_cast<uint64_t>(count) * bytes;
        if (count > total - n || packetBytes > size - pos) {
            return kInvalidData;
        }
        for (uint32_t i = 0; i < count; ++i, ++n) {
            if ((i == 0 || !run) && !decoder.decode(data + pos + (run ? 0 : i * bytes), &colour)) {
                return kInvalidData;
            }
            storeBgra(pixelAt(image, layout, n), colour);
        }
        pos += packetBytes;
    }
    return kOk;
}

bool alphaAllZero(const Image& image) {
    const std::vector<uint8_t>& bytes = image.levels[0];
    for (size_t i = 3; i < bytes.size(); i += 4) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

HResult tgaReadHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    TgaLayout layout;
    const HResult result = parseHeader(data, size, &layout);
    if ((result == kOk || result == kTooLarge) && info != nullptr) {
        *info = layout.info;
    }
    return result;
}

HResult tgaReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info) {
    if (image == nullptr) {
        return kInvalidCall;
    }
    TgaLayout layout;
    HResult result = parseHeader(data, size, &layout);
    if (result != kOk) {
        if (result == kTooLarge && info != nullptr) {
            *info = layout.info;
        }
        return result;
    }
    const Format format = layout.info.format;
    bool alpha = format == kFmtA8R8G8B8 || format == kFmtA1R5G5B5 || format == kFmtA8L8;
    if (layout.type == 1) {
        alpha = layout.mapEntryBytes == 4;
    }
    Image decoded;
    result = allocateRgbaImage(&decoded, layout.info.width, layout.info.height, alpha);
    if (result != kOk) {
        return result;
    }
    result = decodePixels(data, size, layout, &decoded);
    if (result != kOk) {
        return result;
    }
    if ((format == kFmtA8R8G8B8 || (layout.type == 1 && alpha)) && alphaAllZero(decoded)) {
        std::vector<uint8_t>& bytes = decoded.levels[0];
        for (size_t i = 3; i < bytes.size(); i += 4) {
            bytes[i] = 255;
        }
        decoded.format = kFmtX8R8G8B8;
    }
    *image = std::move(decoded);
    if (info != nullptr) {
        *info = layout.info;
    }
    return kOk;
}

} // namespace k4codec
