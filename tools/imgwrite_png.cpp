// PNG fixture writer through libpng, to memory. libpng reports errors by
// longjmp, so the function that calls it keeps only plain data.
#include "tools/imgwrite.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace imgwrite {

namespace {

void appendCallback(png_structp png, png_bytep data, size_t length) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushCallback(png_structp) {}

int channelsOf(int colourType) {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// Packs the samples of every row as PNG stores them (big-endian 16-bit,
// sub-byte samples from the high bits).
std::vector<Bytes> packRows(const PngOptions& o, uint32_t width, uint32_t height,
                            const std::vector<uint16_t>& samples) {
    const int channels = channelsOf(o.colourType);
    const size_t rowBytes = (static_cast<size_t>(width) * channels * o.bitDepth + 7) / 8;
    std::vector<Bytes> rows(height, Bytes(rowBytes, 0));
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < static_cast<size_t>(width) * channels; ++i) {
            const uint16_t v = samples[y * static_cast<size_t>(width) * channels + i];
            if (o.bitDepth == 16) {
                rows[y][i * 2] = static_cast<uint8_t>(v >> 8);
                rows[y][i * 2 + 1] = static_cast<uint8_t>(v);
            } else if (o.bitDepth == 8) {
                rows[y][i] = static_cast<uint8_t>(v);
            } else {
                const size_t bit = i * o.bitDepth;
                rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - o.bitDepth - bit % 8));
            }
        }
    }
    return rows;
}

bool encode(png_structp png, png_infop info, const PngOptions& o, uint32_t width, uint32_t height,
            png_bytepp rows, png_colorp palette, int paletteSize, png_color_16* transparent) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, width, height, o.bitDepth, o.colourType,
                 o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (o.colourType == 3) {
        png_set_PLTE(png, info, palette, paletteSize);
        if (!o.paletteAlpha.empty()) {
            png_set_tRNS(png, info, o.paletteAlpha.data(), static_cast<int>(o.paletteAlpha.size()),
                         nullptr);
        }
    } else if (o.transparentColour) {
        png_set_tRNS(png, info, nullptr, 0, transparent);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

} // namespace

Bytes writePng(const PngOptions& o, uint32_t width, uint32_t height,
               const std::vector<uint16_t>& samples) {
    Bytes out;
    std::vector<Bytes> rows = packRows(o, width, height, samples);
    std::vector<png_bytep> rowPointers;
    for (Bytes& row : rows) {
        rowPointers.push_back(row.data());
    }
    std::vector<png_color> palette;
    for (const Pixel& p : o.palette) {
        palette.push_back(png_color{p.r, p.g, p.b});
    }
    png_color_16 transparent;
    std::memset(&transparent, 0, sizeof transparent);
    transparent.gray = o.transparent[0];
    transparent.red = o.transparent[0];
    transparent.green = o.transparent[1];
    transparent.blue = o.transparent[2];
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info != nullptr) {
        png_set_write_fn(png, &out, appendCallback, flushCallback);
        ok = encode(png, info, o, width, height, rowPointers.data(), palette.data(),
                    static_cast<int>(palette.size()), &transparent);
    }
    png_destroy_write_struct(&png, &info);
    return ok ? out : Bytes();
}

} // namespace imgwrite
