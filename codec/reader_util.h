// Small helpers shared by the file readers: little-endian loads, mask checks,
// and the 32-bit images that BMP, TGA, PNG and JPEG decode into.
#pragma once

#include "codec/image.h"

#include <cstdint>
#include <cstring>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the file readers memcpy little-endian structures; this host is big-endian"
#endif

namespace k4codec {

inline uint16_t loadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A mask is usable when its set bits form one run inside `bits` bits.
inline bool maskIsContiguous(uint64_t mask, uint32_t bits) {
    if (bits < 64 && (mask >> bits) != 0) {
        return false;
    }
    if (mask == 0) {
        return true;
    }
    while ((mask & 1) == 0) {
        mask >>= 1;
    }
    return (mask & (mask + 1)) == 0;
}

// Masks that are contiguous, fit the pixel size and do not overlap.
inline bool masksAreValid(const FormatMasks& m, uint32_t bits) {
    return maskIsContiguous(m.r, bits) && maskIsContiguous(m.g, bits) &&
           maskIsContiguous(m.b, bits) && maskIsContiguous(m.a, bits) && (m.r & m.g) == 0 &&
           (m.r & m.b) == 0 && (m.g & m.b) == 0 && ((m.r | m.g | m.b) & m.a) == 0 &&
           (m.r | m.g | m.b | m.a) != 0;
}

// The answer for a header that is sound but for sides beyond kMaxDimension:
// kTooLarge, with the sides kept in `info` for the caller's message.
inline HResult refuseSides(ImageInfo* info, uint64_t width, uint64_t height) {
    *info = ImageInfo();
    info->width = static_cast<uint32_t>(width < 0xFFFFFFFFu ? width : 0xFFFFFFFFu);
    info->height = static_cast<uint32_t>(height < 0xFFFFFFFFu ? height : 0xFFFFFFFFu);
    return kTooLarge;
}

// One A8R8G8B8 pixel in memory order (B, G, R, A).
inline void storeBgra(uint8_t* p, Rgba c) {
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    p[3] = c.a;
}

// The one-level 32-bit image that BMP, TGA, PNG and JPEG decode into.
inline HResult allocateRgbaImage(Image* image, uint32_t width, uint32_t height, bool alpha) {
    return allocateImage(image, width, height, alpha ? kFmtA8R8G8B8 : kFmtX8R8G8B8, 1);
}

} // namespace k4codec
