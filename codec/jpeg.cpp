// JPEG reader. The frame header (SOFn) is found by our own marker walk,
// without allocating; pixels are decoded by libjpeg behind a C-style
// boundary: libjpeg reports errors through error_exit, which longjmps back to
// the function that called it, so those functions hold only plain data and
// the image buffer lives in the caller.
//
// Supports: baseline, extended and progressive Huffman-coded JPEG; greyscale (reported as L8),
// YCbCr and RGB (X8R8G8B8), CMYK and YCCK (X8R8G8B8; inverted as Adobe writes them when an Adobe
// marker is present). Damage that libjpeg recovers from (junk between markers, corrupt
// entropy-coded data) is read as libjpeg reads it, as other viewers do, and its first warning is
// left in ImageInfo::warning; a premature end of the file is an error rather than a grey tail.
// Does not support: arithmetic coding (rare, and it lets a tiny file claim a huge picture),
// lossless and hierarchical JPEG, 12-bit samples, EXIF orientation (ignored).
// Limits: width and height 1 to 16384; at least one bit of file per 8x8
// block; at most 1000 progressive scans (a
// file of endless tiny scans would otherwise keep the decoder busy); libjpeg
// may use at most 2 GiB for its own buffers.
#include "codec/codec.h"
#include "codec/memory.h"
#include "codec/reader_util.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

namespace k4codec {

namespace {

constexpr int kMaxScans = 1000;
constexpr long kMaxMemory = 2047L * 1024 * 1024;

uint16_t loadBe16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

HResult parseHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    if (data == nullptr || size < 4 || data[0] != 0xff || data[1] != 0xd8) {
        return kInvalidData;
    }
    size_t pos = 2;
    for (;;) {
        // As libjpeg does, skip junk before a marker, fill bytes and 0xff 0x00.
        while (pos + 1 < size &&
               !(data[pos] == 0xff && data[pos + 1] != 0xff && data[pos + 1] != 0x00)) {
            ++pos;
        }
        if (size - pos < 4) {
            return kInvalidData;
        }
        const uint8_t marker = data[pos + 1];
        if (marker == 0xd8 || marker == 0xd9 || marker == 0xda ||
            (marker >= 0xd0 && marker <= 0xd7) || marker == 0x01) {
            return kInvalidData; // no frame header before the scan or the end
        }
        const uint32_t length = loadBe16(data + pos + 2);
        if (length < 2 || length > size - pos - 2) {
            return kInvalidData;
        }
        // SOF0 to SOF15 except DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 &&
            marker != 0xcc) {
            const uint8_t* sof = data + pos + 4;
            if (length < 8) {
                return kInvalidData;
            }
            const uint32_t precision = sof[0];
            const uint32_t height = loadBe16(sof + 1);
            const uint32_t width = loadBe16(sof + 3);
            const uint32_t components = sof[5];
            const bool lossless =
                marker == 0xc3 || marker == 0xc7 || marker == 0xcb || marker == 0xcf;
            const bool hierarchical =
                marker == 0xc5 || marker == 0xc6 || marker == 0xcd || marker == 0xce;
            const bool arithmetic = marker >= 0xc9;
            // Huffman coding spends at least one bit on each 8x8 block of the
            // first component, so the file's size bounds the picture's.
            const uint64_t blocks = ((static_cast<uint64_t>(width) + 7) / 8) *
                                    ((static_cast<uint64_t>(height) + 7) / 8);
            if (lossless || hierarchical || arithmetic || blocks / 8 > size || precision != 8 ||
                width == 0 || height == 0 ||
                (components != 1 && components != 3 && components != 4) ||
                length < 8 + 3 * components) {
                return kInvalidData;
            }
            if (width > kMaxDimension || height > kMaxDimension) {
                return refuseSides(info, width, height);
            }
            *info = ImageInfo();
            info->fileType = FileType::Jpeg;
            info->width = width;
            info->height = height;
            info->format = components == 1 ? kFmtL8 : kFmtX8R8G8B8;
            return kOk;
        }
        pos += 2 + length;
    }
}

// --- The C-style boundary around libjpeg ---

struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

// `cinfo` comes first, so libjpeg's callbacks find the rest from it.
struct JpegDecoder {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    jpeg_memory_mgr memory; // libjpeg's own allocation methods
    char warning[kWarningSize];
};

JpegDecoder* decoderOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegDecoder*>(cinfo);
}

void errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// libjpeg's allocations pass the codec's allocation seam first; a refused
// one ends decoding as libjpeg's own out-of-memory error does.
void allocationPoint(j_common_ptr cinfo) {
    if (!allocationAllowed()) {
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        cinfo->err->msg_parm.i[0] = 0;
        errorExit(cinfo);
    }
}

void* allocSmall(j_common_ptr cinfo, int pool, size_t size) {
    allocationPoint(cinfo);
    return decoderOf(cinfo)->memory.alloc_small(cinfo, pool, size);
}

void* allocLarge(j_common_ptr cinfo, int pool, size_t size) {
    allocationPoint(cinfo);
    return decoderOf(cinfo)->memory.alloc_large(cinfo, pool, size);
}

JSAMPARRAY allocSarray(j_common_ptr cinfo, int pool, JDIMENSION width, JDIMENSION rows) {
    allocationPoint(cinfo);
    return decoderOf(cinfo)->memory.alloc_sarray(cinfo, pool, width, rows);
}

JBLOCKARRAY allocBarray(j_common_ptr cinfo, int pool, JDIMENSION width, JDIMENSION rows) {
    allocationPoint(cinfo);
    return decoderOf(cinfo)->memory.alloc_barray(cinfo, pool, width, rows);
}

void realizeVirtArrays(j_common_ptr cinfo) {
    allocationPoint(cinfo);
    decoderOf(cinfo)->memory.realize_virt_arrays(cinfo);
}

// Keeps the first warning; the end of the data is an error here (libjpeg
// would fill the rest of the picture with grey).
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) {
        return;
    }
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
        errorExit(cinfo);
    }
    JpegDecoder* decoder = reinterpret_cast<JpegDecoder*>(cinfo);
    if (decoder->warning[0] == '\0') {
        char text[JMSG_LENGTH_MAX] = {};
        cinfo->err->format_message(cinfo, text);
        std::memcpy(decoder->warning, text, sizeof decoder->warning - 1); // zero-terminated
    }
}

void outputMessage(j_common_ptr) {}

void progressMonitor(j_common_ptr cinfo) {
    const j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->input_scan_number > kMaxScans) {
        errorExit(cinfo);
    }
}

bool createDecoder(JpegDecoder* decoder) {
    if (setjmp(decoder->errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&decoder->cinfo);
    decoder->cinfo.progress = &decoder->progress;
    jpeg_memory_mgr* memory = decoder->cinfo.mem;
    decoder->memory = *memory;
    memory->alloc_small = allocSmall;
    memory->alloc_large = allocLarge;
    memory->alloc_sarray = allocSarray;
    memory->alloc_barray = allocBarray;
    memory->realize_virt_arrays = realizeVirtArrays;
    return true;
}

bool decodeRows(JpegDecoder* decoder, const uint8_t* data, size_t size, uint8_t* pixels,
                uint32_t width, uint32_t height) {
    jpeg_decompress_struct* cinfo = &decoder->cinfo;
    if (setjmp(decoder->errors.jump)) {
        return false;
    }
    cinfo->mem->max_memory_to_use = kMaxMemory;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK || cinfo->image_width != width ||
        cinfo->image_height != height) {
        return false;
    }
    const int components = cinfo->num_components;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (components == 1) {
        cinfo->out_color_space = JCS_GRAYSCALE;
    } else if (cmyk) {
        cinfo->out_color_space = JCS_CMYK;
    } else {
        cinfo->out_color_space = JCS_EXT_BGRX;
    }
    jpeg_start_decompress(cinfo);
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* row = pixels + static_cast<size_t>(cinfo->output_scanline) * width * 4;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
            return false;
        }
        // Widen grey and CMYK in place, from the right so nothing is overwritten early.
        if (components == 1) {
            for (uint32_t x = width; x-- > 0;) {
                const uint8_t v = row[x];
                row[x * 4] = row[x * 4 + 1] = row[x * 4 + 2] = v;
                row[x * 4 + 3] = 255;
            }
        } else if (cmyk) {
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t* p = row + x * 4;
                uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
                if (!inverted) {
                    c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                }
                storeBgra(p, Rgba{static_cast<uint8_t>((c * k + 127) / 255),
                                  static_cast<uint8_t>((m * k + 127) / 255),
                                  static_cast<uint8_t>((y * k + 127) / 255), 255});
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

} // namespace

HResult jpegReadHeader(const uint8_t* data, size_t size, ImageInfo* info) {
    ImageInfo parsed;
    const HResult result = parseHeader(data, size, &parsed);
    if ((result == kOk || result == kTooLarge) && info != nullptr) {
        *info = parsed;
    }
    return result;
}

HResult jpegReadImage(const uint8_t* data, size_t size, Image* image, ImageInfo* info) {
    if (image == nullptr) {
        return kInvalidCall;
    }
    ImageInfo parsed;
    HResult result = parseHeader(data, size, &parsed);
    if (result != kOk) {
        if (result == kTooLarge && info != nullptr) {
            *info = parsed;
        }
        return result;
    }
    Image decoded;
    result = allocateRgbaImage(&decoded, parsed.width, parsed.height, false);
    if (result != kOk) {
        return result;
    }
    JpegDecoder decoder;
    std::memset(&decoder, 0, sizeof decoder);
    decoder.cinfo.err = jpeg_std_error(&decoder.errors.manager);
    decoder.errors.manager.error_exit = errorExit;
    decoder.errors.manager.emit_message = emitMessage;
    decoder.errors.manager.output_message = outputMessage;
    decoder.progress.progress_monitor = progressMonitor;
    const bool ok =
        createDecoder(&decoder) &&
        decodeRows(&decoder, data, size, decoded.levels[0].data(), parsed.width, parsed.height);
    jpeg_destroy_decompress(&decoder.cinfo);
    if (!ok) {
        return decoder.errors.manager.msg_code == JERR_OUT_OF_MEMORY ? kOutOfMemory : kInvalidData;
    }
    *image = std::move(decoded);
    if (info != nullptr) {
        *info = parsed;
        std::memcpy(info->warning, decoder.warning, sizeof info->warning);
    }
    return kOk;
}

} // namespace k4codec
