// PNG reader. The header (IHDR, tRNS, the IDAT sizes) is checked by our own
// chunk walk, without allocating; pixels are decoded by libpng behind a
// C-style boundary: libpng reports errors by longjmp, so the functions that
// call it hold only plain data and the image buffer lives in the caller.
//
// Supports: every colour type and bit depth, palettes with tRNS, grey and
// RGB with tRNS, Adam7 interlacing; 16-bit samples are reduced to 8 with
// rounding (v * 255 / 65535). Ancillary chunks (gamma, colour profiles, text)
// are ignored.
// Does not support: APNG frames beyond the first.
// Limits: width and height 1 to 16384; the IDAT bytes at least the raw pixel
// bytes divided by 1032 (deflate's largest ratio), so a small file cannot ask
// for a huge image; ancillary chunks at most 8 MiB each; CRC errors in
// critical chunks are errors.
#include "codec/codec.h"
#include "codec/memory.h"
#include "codec/reader_util.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace k4codec {

namespace {

constexpr uint8_t kSignature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
constexpr uint64_t kDeflateMaxRatio = 1032;
constexpr uint32_t kChunkMallocMax = 8u << 20;

constexpr uint32_t chunkType(const char (&name)[5]) {
    return (static_cast<uint32_t>(name[0]) << 24) | (static_cast<uint32_t>(name[1]) << 16) |
           (static_cast<uint32_t>(name[2]) << 8) | static_cast<uint32_t>(name[3]);
}

uint32_t loadBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

struct PngHeader {
    ImageInfo info;
    uint32_t bitDepth = 0;
    uint32_t colourType = 0;
    bool transparency = false; // tRNS present
};

HResult parseHeader(const uint8_t* data, size_t size, PngHeader* header) {
    if (data == nullptr || size < 8 + 25 || std::memcmp(data, kSignature, 8) != 0 ||
        loadBe32(data + 8) != 13 || loadBe32(data + 12) != chunkType("IHDR")) {
        return kInvalidData;
    }
    *header = PngHeader();
    const uint8_t* ihdr = data + 16;
    const uint32_t width = loadBe32(ihdr);
    const uint32_t height = loadBe32(ihdr + 4);
    const uint32_t depth = ihdr[8];
    const uint32_t colour = ihdr[9];
    const uint32_t interlace = ihdr[12];
    bool depthOk;
    uint32_t channels;
    switch (colour) {
    case 0:
        depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        channels = 1;
        break;
    case 3:
        depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8;
        channels = 1;
        break;
    case 2:
    case 4:
    case 6:
        depthOk = depth == 8 || depth == 16;
        channels = colour == 2 ? 3 : colour == 4 ? 2 : 4;
        break;
    default:
        return kInvalidData;
    }
    if (!depthOk || width == 0 || height == 0 || ihdr[10] != 0 || ihdr[11] != 0 || interlace > 1) {
        return kInvalidData;
    }
    if (width > kMaxDimension || height > kMaxDimension) {
        return refuseSides(&header->info, width, height);
    }
    // Walk the chunks for tRNS and the compressed size.
    uint64_t idatBytes = 0;
    size_t pos = 8;
    while (size - pos >= 12) {
        const uint32_t length = loadBe32(data + pos);
        const uint32_t type = loadBe32(data + pos + 4);
        if (length > 0x7fffffffu || length > size - pos - 12) {
            break; // truncated: libpng decides whether the rest is enough
        }
        if (type == chunkType("tRNS")) {
            header->transparency = true;
        } else if (type == chunkType("IDAT")) {
            idatBytes += length;
        } else if (type == chunkType("IEND")) {
            break;
        }
        pos += 12 + static_cast<size_t>(length);
    }
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * channels * depth + 7) / 8 + 1;
    if (idatBytes == 0 || rowBytes * height > idatBytes * kDeflateMaxRatio + 1024) {
        return kInvalidData;
    }
    header->bitDepth = depth;
    header->colourType = colour;
    ImageInfo& info = header->info;
    info.fileType = FileType::Png;
    info.width = width;
    info.height = height;
    const bool trns = header->transparency;
    switch (colour) {
    case 0:
        info.format = trns ? kFmtA8L8 : kFmtL8;
        break;
    case 2:
        info.format = trns ? kFmtA8R8G8B8 : kFmtR8G8B8;
        break;
    case 3:
        info.format = kFmtP8;
        break;
    case 4:
        info.format = kFmtA8L8;
        break;
    default:
        info.format = kFmtA8R8G8B8;
        break;
    }
    return kOk;
}

// --- The C-style boundary around libpng ---

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct PngDecoder {
    png_structp png;
    png_infop info;
    PngSource source;
    bool outOfMemory; // an allocation of libpng's failed
};

// libpng's memory, through the codec's allocation seam.
png_voidp allocateCallback(png_structp png, png_alloc_size_t size) {
    void* block = allocationAllowed() ? std::malloc(size) : nullptr;
    if (block == nullptr) {
        static_cast<PngDecoder*>(png_get_mem_ptr(png))->outOfMemory = true;
    }
    return block;
}

void freeCallback(png_structp, png_voidp block) {
    std::free(block);
}

void readCallback(png_structp png, png_bytep out, size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->pos) {
        png_error(png, "truncated");
    }
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

void errorCallback(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void warningCallback(png_structp, png_const_charp) {}

// Reads the header with libpng and sets the transformations to 8-bit BGRA.
bool beginDecode(PngDecoder* decoder) {
    if (setjmp(png_jmpbuf(decoder->png))) {
        return false;
    }
    png_structp png = decoder->png;
    png_infop info = decoder->info;
    png_set_read_fn(png, &decoder->source, readCallback);
    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    // Every chunk's CRC-32 is checked, which finds damage to the compressed
    // data; the zlib stream's Adler-32 over the decoded bytes is not also
    // computed (two percent of an export's time).
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);
    const int colour = png_get_color_type(png, info);
    png_set_expand(png); // palette to RGB, grey to 8 bits, tRNS to alpha
    png_set_scale_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<size_t>(png_get_image_width(png, info)) * 4;
}

bool decodeRows(PngDecoder* decoder, png_bytepp rows) {
    if (setjmp(png_jmpbuf(decoder->png))) {
        return false;
    }
    png_read_image(decoder->png, rows);
    png_read_end(decoder->png, nullptr);
    return true;
}

} // namespace

HResult pngReadHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    PngHeader header;
    const HResult result = parseHeader(data, size, &header);
    if ((result == kOk || result == kTooLarge) && info != nullptr) {
        *info = header.info;
    }
    return result;
}

namespace {

bool hasAlpha(const PngHeader& header) {
    return header.transparency || header.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ||
           header.colourType == PNG_COLOR_TYPE_RGB_ALPHA;
}

// Decodes the picture of `header` into `rows` (one per line, width * 4 bytes
// each), with libpng agreeing with our own reading of the header.
HResult decodeIntoRows(const uint8_t* data, size_t size, const PngHeader& header, png_bytepp rows) {
    PngDecoder decoder = {nullptr, nullptr, {data, size, 0}, false};
    decoder.png =
        png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, errorCallback, warningCallback,
                                 &decoder, allocateCallback, freeCallback);
    decoder.info = decoder.png ? png_create_info_struct(decoder.png) : nullptr;
    if (decoder.info == nullptr) {
        png_destroy_read_struct(&decoder.png, nullptr, nullptr);
        return kOutOfMemory;
    }
    const bool ok = beginDecode(&decoder) &&
                    png_get_image_width(decoder.png, decoder.info) == header.info.width &&
                    png_get_image_height(decoder.png, decoder.info) == header.info.height &&
                    decodeRows(&decoder, rows);
    png_destroy_read_struct(&decoder.png, &decoder.info, nullptr);
    if (!ok) {
        return decoder.outOfMemory ? kOutOfMemory : kInvalidData;
    }
    return kOk;
}

} // namespace

HResult pngReadDecodedFormat(const uint8_t* data, size_t size, ImageInfo* info, Format* decoded) {
    PngHeader header;
    const HResult result = parseHeader(data, size, &header);
    if ((result == kOk || result == kTooLarge) && info != nullptr) {
        *info = header.info;
    }
    if (result == kOk && decoded != nullptr) {
        *decoded = hasAlpha(header) ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    }
    return result;
}

HResult pngReadInto(const uint8_t* data, size_t size, uint8_t* pixels, size_t pitch, uint32_t width,
                    uint32_t height, ImageInfo* info) {
    PngHeader header;
    HResult result = parseHeader(data, size, &header);
    if (result != kOk) {
        return result;
    }
    if (pixels == nullptr || width != header.info.width || height != header.info.height ||
        pitch < static_cast<size_t>(width) * 4) {
        return kInvalidCall;
    }
    std::vector<png_bytep> rows;
    result = resizeBuffer(&rows, height);
    for (uint32_t y = 0; result == kOk && y < height; ++y) {
        rows[y] = pixels + static_cast<size_t>(y) * pitch;
    }
    if (result == kOk) {
        result = decodeIntoRows(data, size, header, rows.data());
    }
    if (result == kOk && info != nullptr) {
        *info = header.info;
    }
    return result;
}

HResult pngReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info) {
    if (image == nullptr) {
        return kInvalidCall;
    }
    PngHeader header;
    HResult result = parseHeader(data, size, &header);
    if (result != kOk) {
        if (result == kTooLarge && info != nullptr) {
            *info = header.info;
        }
        return result;
    }
    const bool alpha = hasAlpha(header);
    Image decoded;
    const size_t bytes = static_cast<size_t>(header.info.width) * header.info.height * 4;
    const bool borrowed = image->levels.size() == 1 && image->levels[0].capacity() >= bytes;
    if (borrowed) {
        // The caller's buffer, in place of fresh memory (whose pages are
        // the slow part of decoding a large picture). Within its capacity,
        // so nothing is allocated.
        decoded.levels.swap(image->levels);
        decoded.levels[0].resize(bytes);
        decoded.width = header.info.width;
        decoded.height = header.info.height;
        decoded.format = alpha ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
    } else {
        result = allocateRgbaImage(&decoded, header.info.width, header.info.height, alpha);
        if (result != kOk) {
            return result;
        }
    }
    std::vector<png_bytep> rows;
    result = resizeBuffer(&rows, decoded.height);
    for (uint32_t y = 0; result == kOk && y < decoded.height; ++y) {
        rows[y] = decoded.levels[0].data() + static_cast<size_t>(y) * decoded.width * 4;
    }
    if (result == kOk) {
        result = decodeIntoRows(data, size, header, rows.data());
    }
    if (result != kOk) {
        if (borrowed) {
            image->levels.swap(decoded.levels); // its bytes partly decoded
        }
        return result;
    }
    *image = std::move(decoded);
    if (info != nullptr) {
        *info = header.info;
    }
    return kOk;
}

} // namespace k4codec
