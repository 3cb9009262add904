// PNG writer: 8-bit RGBA only, through libpng, to memory. The image-to-PNG
// export of qbtex uses it; the program itself writes only DDS. libpng errors
// longjmp back to the one function that calls it, which holds plain data.
#include "codec/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <new>

namespace k4codec {

namespace {

struct PngSink {
    std::vector<uint8_t>* out;
    bool failed;
};

void appendCallback(png_structp png, png_bytep data, size_t length) {
    PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        sink->failed = true;
        png_error(png, "out of memory");
    }
}

void flushCallback(png_structp) {}
void errorCallback(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void warningCallback(png_structp, png_const_charp) {}

bool encode(png_structp png, png_infop info, PngSink* sink, png_bytepp rows, uint32_t width,
            uint32_t height) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, sink, appendCallback, flushCallback);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

} // namespace

HResult pngWriteRgba(const Rgba* pixels, uint32_t width, uint32_t height,
                     std::vector<uint8_t>* bytes) {
    if (pixels == nullptr || bytes == nullptr || width == 0 || height == 0 ||
        width > kMaxDimension || height > kMaxDimension) {
        return kInvalidCall;
    }
    std::vector<uint8_t> out;
    std::vector<png_bytep> rows;
    try {
        rows.resize(height);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (uint32_t y = 0; y < height; ++y) {
        // libpng only reads the rows; Rgba is laid out as R, G, B, A bytes.
        rows[y] =
            reinterpret_cast<png_bytep>(const_cast<Rgba*>(pixels + static_cast<size_t>(y) * width));
    }
    PngSink sink = {&out, false};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, errorCallback, warningCallback);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool created = info != nullptr;
    const bool ok = created && encode(png, info, &sink, rows.data(), width, height);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        return sink.failed || !created ? kOutOfMemory : kInvalidCall;
    }
    bytes->swap(out);
    return kOk;
}

} // namespace k4codec
