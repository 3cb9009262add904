// The pixel-format table and row conversions to and from 8-bit RGBA. Channel
// values are widened to the nearest 8-bit value (v * 255 / max, rounded) and
// narrowed the same way, so widening and narrowing again gives back the
// original value exactly.
#include "codec/formats.h"

#include <cctype>
#include <cstring>

namespace k4codec {

namespace {

constexpr FormatInfo kFormats[] = {
    {kFmtR8G8B8, "R8G8B8", 24, false, false, false, {0xff0000, 0xff00, 0xff, 0, false}},
    {kFmtA8R8G8B8, "A8R8G8B8", 32, false, true, false, {0xff0000, 0xff00, 0xff, 0xff000000, false}},
    {kFmtX8R8G8B8, "X8R8G8B8", 32, false, false, false, {0xff0000, 0xff00, 0xff, 0, false}},
    {kFmtR5G6B5, "R5G6B5", 16, false, false, false, {0xf800, 0x07e0, 0x001f, 0, false}},
    {kFmtX1R5G5B5, "X1R5G5B5", 16, false, false, false, {0x7c00, 0x03e0, 0x001f, 0, false}},
    {kFmtA1R5G5B5, "A1R5G5B5", 16, false, true, false, {0x7c00, 0x03e0, 0x001f, 0x8000, false}},
    {kFmtA4R4G4B4, "A4R4G4B4", 16, false, true, false, {0x0f00, 0x00f0, 0x000f, 0xf000, false}},
    {kFmtR3G3B2, "R3G3B2", 8, false, false, false, {0xe0, 0x1c, 0x03, 0, false}},
    {kFmtA8, "A8", 8, false, true, false, {0, 0, 0, 0xff, false}},
    {kFmtA8R3G3B2, "A8R3G3B2", 16, false, true, false, {0xe0, 0x1c, 0x03, 0xff00, false}},
    {kFmtX4R4G4B4, "X4R4G4B4", 16, false, false, false, {0x0f00, 0x00f0, 0x000f, 0, false}},
    {kFmtA2B10G10R10,
     "A2B10G10R10",
     32,
     false,
     true,
     false,
     {0x000003ff, 0x000ffc00, 0x3ff00000, 0xc0000000, false}},
    {kFmtA8B8G8R8, "A8B8G8R8", 32, false, true, false, {0xff, 0xff00, 0xff0000, 0xff000000, false}},
    {kFmtX8B8G8R8, "X8B8G8R8", 32, false, false, false, {0xff, 0xff00, 0xff0000, 0, false}},
    {kFmtA2R10G10B10,
     "A2R10G10B10",
     32,
     false,
     true,
     false,
     {0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000, false}},
    {kFmtA16B16G16R16,
     "A16B16G16R16",
     64,
     false,
     true,
     false,
     {0xffffull, 0xffff0000ull, 0xffff00000000ull, 0xffff000000000000ull, false}},
    {kFmtA8P8, "A8P8", 16, false, true, true, {0, 0, 0, 0, false}},
    {kFmtP8, "P8", 8, false, false, true, {0, 0, 0, 0, false}},
    {kFmtL8, "L8", 8, false, false, false, {0xff, 0, 0, 0, true}},
    {kFmtA8L8, "A8L8", 16, false, true, false, {0xff, 0, 0, 0xff00, true}},
    {kFmtA4L4, "A4L4", 8, false, true, false, {0x0f, 0, 0, 0xf0, true}},
    {kFmtL16, "L16", 16, false, false, false, {0xffff, 0, 0, 0, true}},
    {kFmtDXT1, "DXT1", 4, true, true, false, {0, 0, 0, 0, false}},
    {kFmtDXT2, "DXT2", 8, true, true, false, {0, 0, 0, 0, false}},
    {kFmtDXT3, "DXT3", 8, true, true, false, {0, 0, 0, 0, false}},
    {kFmtDXT4, "DXT4", 8, true, true, false, {0, 0, 0, 0, false}},
    {kFmtDXT5, "DXT5", 8, true, true, false, {0, 0, 0, 0, false}},
};

constexpr Format kOutputFormats[] = {kFmtDXT1,   kFmtDXT3,     kFmtDXT5,     kFmtA8R8G8B8,
                                     kFmtR8G8B8, kFmtA4R4G4B4, kFmtA1R5G5B5, kFmtR5G6B5,
                                     kFmtA8L8,   kFmtR3G3B2,   kFmtA4L4,     kFmtL8};

// Position and width of one channel mask.
struct Channel {
    uint32_t shift = 0;
    uint32_t bits = 0;
    uint64_t max = 0;

    explicit Channel(uint64_t mask) {
        if (mask == 0) {
            return;
        }
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        while (bits < 64 - shift && ((mask >> (shift + bits)) & 1) != 0) {
            ++bits;
        }
        max = bits >= 64 ? ~0ull : (1ull << bits) - 1;
    }

    uint8_t widen(uint64_t pixel) const {
        uint64_t value = (pixel >> shift) & max;
        if (bits == 8) {
            return static_cast<uint8_t>(value);
        }
        if (bits > 16) { // keep the product below 2^64
            value >>= bits - 16;
            return static_cast<uint8_t>((value * 255 + 32767) / 65535);
        }
        return static_cast<uint8_t>((value * 255 + max / 2) / max);
    }

    uint64_t narrow(uint8_t value) const {
        if (bits == 0) {
            return 0;
        }
        if (bits == 8) {
            return static_cast<uint64_t>(value) << shift;
        }
        return ((value * max + 127) / 255) << shift;
    }
};

uint64_t loadLittle(const uint8_t* src, uint32_t bytes) {
    uint64_t value = 0;
    for (uint32_t i = 0; i < bytes; ++i) {
        value |= static_cast<uint64_t>(src[i]) << (8 * i);
    }
    return value;
}

void storeLittle(uint64_t value, uint32_t bytes, uint8_t* dst) {
    for (uint32_t i = 0; i < bytes; ++i) {
        dst[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

} // namespace

const FormatInfo* findFormat(Format format) {
    for (const FormatInfo& info : kFormats) {
        if (info.format == format) {
            return &info;
        }
    }
    return nullptr;
}

const char* formatName(Format format) {
    const FormatInfo* info = findFormat(format);
    return info ? info->name : nullptr;
}

Format formatFromName(const char* name) {
    if (name == nullptr) {
        return kFmtUnknown;
    }
    for (const FormatInfo& info : kFormats) {
        size_t i = 0;
        while (info.name[i] != '\0' &&
               std::toupper(static_cast<unsigned char>(name[i])) == info.name[i]) {
            ++i;
        }
        if (info.name[i] == '\0' && name[i] == '\0') {
            return info.format;
        }
    }
    return kFmtUnknown;
}

bool isCompressed(Format format) {
    const FormatInfo* info = findFormat(format);
    return info != nullptr && info->compressed;
}

bool isConvertible(Format format) {
    const FormatInfo* info = findFormat(format);
    return info != nullptr && !info->palette;
}

bool isOutputFormat(Format format) {
    for (Format output : kOutputFormats) {
        if (output == format) {
            return true;
        }
    }
    return false;
}

uint32_t formatUnitBytes(Format format) {
    const FormatInfo* info = findFormat(format);
    if (info == nullptr) {
        return 0;
    }
    return info->compressed ? info->bits * 2 : info->bits / 8;
}

uint64_t formatRowPitch(Format format, uint32_t width) {
    uint64_t units = isCompressed(format) ? (static_cast<uint64_t>(width) + 3) / 4 : width;
    return units * formatUnitBytes(format);
}

uint32_t formatRowCount(Format format, uint32_t height) {
    return isCompressed(format) ? (height + 3) / 4 : height;
}

uint64_t formatLevelBytes(Format format, uint32_t width, uint32_t height) {
    return formatRowPitch(format, width) * formatRowCount(format, height);
}

uint8_t luminanceOf(Rgba colour) {
    return static_cast<uint8_t>((colour.r * 77u + colour.g * 150u + colour.b * 29u + 128u) >> 8);
}

void unpackRowMasks(const FormatMasks& masks, uint32_t bytesPerPixel, const uint8_t* src,
                    uint32_t count, Rgba* dst) {
    const Channel r(masks.r), g(masks.g), b(masks.b), a(masks.a);
    for (uint32_t i = 0; i < count; ++i, src += bytesPerPixel) {
        const uint64_t pixel = loadLittle(src, bytesPerPixel);
        Rgba out;
        out.r = r.bits ? r.widen(pixel) : 0;
        out.g = masks.luminance ? out.r : (g.bits ? g.widen(pixel) : 0);
        out.b = masks.luminance ? out.r : (b.bits ? b.widen(pixel) : 0);
        out.a = a.bits ? a.widen(pixel) : 255;
        dst[i] = out;
    }
}

void unpackRow(Format format, const uint8_t* src, uint32_t count, Rgba* dst) {
    if (format == kFmtA8R8G8B8 || format == kFmtX8R8G8B8) {
        const bool opaque = format == kFmtX8R8G8B8;
        for (uint32_t i = 0; i < count; ++i, src += 4) {
            dst[i] = Rgba{src[2], src[1], src[0], opaque ? uint8_t(255) : src[3]};
        }
        return;
    }
    const FormatInfo* info = findFormat(format);
    if (info == nullptr || info->compressed || info->palette) {
        return;
    }
    unpackRowMasks(info->masks, info->bits / 8, src, count, dst);
}

void packRow(Format format, const Rgba* src, uint32_t count, uint8_t* dst) {
    if (format == kFmtA8R8G8B8 || format == kFmtX8R8G8B8) {
        const bool opaque = format == kFmtX8R8G8B8;
        for (uint32_t i = 0; i < count; ++i, dst += 4) {
            dst[0] = src[i].b;
            dst[1] = src[i].g;
            dst[2] = src[i].r;
            dst[3] = opaque ? 255 : src[i].a;
        }
        return;
    }
    const FormatInfo* info = findFormat(format);
    if (info == nullptr || info->compressed || info->palette) {
        return;
    }
    const FormatMasks& masks = info->masks;
    const Channel r(masks.r), g(masks.g), b(masks.b), a(masks.a);
    const uint32_t bytes = info->bits / 8;
    // Bits outside every mask (the X in X8R8G8B8) are written as ones, as
    // Direct3D's own conversions do.
    const uint64_t unused =
        (bytes >= 8 ? ~0ull : (1ull << (8 * bytes)) - 1) & ~(masks.r | masks.g | masks.b | masks.a);
    for (uint32_t i = 0; i < count; ++i, dst += bytes) {
        const Rgba c = src[i];
        uint64_t pixel = unused | a.narrow(c.a);
        if (masks.luminance) {
            pixel |= r.narrow(luminanceOf(c));
        } else {
            pixel |= r.narrow(c.r) | g.narrow(c.g) | b.narrow(c.b);
        }
        storeLittle(pixel, bytes, dst);
    }
}

} // namespace k4codec
