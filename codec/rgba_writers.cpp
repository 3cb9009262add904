// TGA and BMP writers for 8-bit RGBA pixels (see rgba_writers.h).
#include "codec/rgba_writers.h"

#include <new>

namespace k4codec {

namespace {

bool validSize(const Rgba* pixels, uint32_t width, uint32_t height, std::vector<uint8_t>* bytes) {
    return pixels != nullptr && bytes != nullptr && width > 0 && height > 0 &&
           width <= kMaxDimension && height <= kMaxDimension;
}

void put16(std::vector<uint8_t>* out, size_t at, uint32_t value) {
    (*out)[at] = static_cast<uint8_t>(value);
    (*out)[at + 1] = static_cast<uint8_t>(value >> 8);
}

void put32(std::vector<uint8_t>* out, size_t at, uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

// The pixel's bytes in file order: blue, green, red (and alpha).
uint8_t* putPixel(uint8_t* at, Rgba pixel, bool alpha) {
    *at++ = pixel.b;
    *at++ = pixel.g;
    *at++ = pixel.r;
    if (alpha) {
        *at++ = pixel.a;
    }
    return at;
}

constexpr size_t kTgaHeader = 18;
constexpr size_t kBmpFileHeader = 14;
constexpr size_t kBmpV4Header = 108;
constexpr size_t kBmpInfoHeader = 40;

} // namespace

bool hasAlpha(const Rgba* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (pixels[i].a != 255) {
            return true;
        }
    }
    return false;
}

HResult tgaWriteRgba(const Rgba* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* bytes) {
    if (!validSize(pixels, width, height, bytes)) {
        return kInvalidCall;
    }
    const size_t count = static_cast<size_t>(width) * height;
    const bool alpha = hasAlpha(pixels, count);
    const size_t pixelBytes = alpha ? 4 : 3;
    std::vector<uint8_t> out;
    try {
        out.assign(kTgaHeader + count * pixelBytes, 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    out[2] = 2; // uncompressed true colour
    put16(&out, 12, width);
    put16(&out, 14, height);
    out[16] = static_cast<uint8_t>(pixelBytes * 8);
    out[17] = static_cast<uint8_t>((alpha ? 8 : 0) | 0x20); // alpha bits, rows from the top
    uint8_t* at = out.data() + kTgaHeader;
    for (size_t i = 0; i < count; ++i) {
        at = putPixel(at, pixels[i], alpha);
    }
    bytes->swap(out);
    return kOk;
}

HResult bmpWriteRgba(const Rgba* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* bytes) {
    if (!validSize(pixels, width, height, bytes)) {
        return kInvalidCall;
    }
    const bool alpha = hasAlpha(pixels, static_cast<size_t>(width) * height);
    const size_t header = alpha ? kBmpV4Header : kBmpInfoHeader;
    const size_t rowBytes = alpha ? width * size_t{4} : (width * size_t{3} + 3) & ~size_t{3};
    const size_t offset = kBmpFileHeader + header;
    const size_t total = offset + rowBytes * height;
    std::vector<uint8_t> out;
    try {
        out.assign(total, 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    out[0] = 'B';
    out[1] = 'M';
    put32(&out, 2, static_cast<uint32_t>(total));
    put32(&out, 10, static_cast<uint32_t>(offset));
    put32(&out, 14, static_cast<uint32_t>(header));
    put32(&out, 18, width);
    put32(&out, 22, height); // positive: rows from the bottom
    put16(&out, 26, 1);
    put16(&out, 28, alpha ? 32 : 24);
    put32(&out, 34, static_cast<uint32_t>(rowBytes * height));
    put32(&out, 38, 2835); // 72 dots per inch
    put32(&out, 42, 2835);
    if (alpha) {
        put32(&out, 30, 3); // BI_BITFIELDS
        put32(&out, 54, 0x00FF0000);
        put32(&out, 58, 0x0000FF00);
        put32(&out, 62, 0x000000FF);
        put32(&out, 66, 0xFF000000);
        put32(&out, 70, 0x73524742); // 'sRGB'
    }
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* at = out.data() + offset + static_cast<size_t>(height - 1 - y) * rowBytes;
        const Rgba* row = pixels + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            at = putPixel(at, row[x], alpha);
        }
    }
    bytes->swap(out);
    return kOk;
}

} // namespace k4codec
