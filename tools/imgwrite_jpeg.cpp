// JPEG fixture writer through libjpeg, to memory. libjpeg reports errors
// through error_exit, which longjmps back here; the functions between keep
// only plain data.
#include "tools/imgwrite.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace imgwrite {

namespace {

struct Errors {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1);
}

bool encode(jpeg_compress_struct* cinfo, Errors* errors, const JpegOptions& o, uint32_t width,
            uint32_t height, const uint8_t* samples, unsigned char** buffer, unsigned long* size) {
    if (setjmp(errors->jump)) {
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, buffer, size);
    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = o.components;
    cinfo->in_color_space = o.components == 1   ? JCS_GRAYSCALE
                            : o.components == 3 ? JCS_RGB
                                                : JCS_CMYK;
    jpeg_set_defaults(cinfo);
    if (o.components == 4) {
        jpeg_set_colorspace(cinfo, o.ycck ? JCS_YCCK : JCS_CMYK);
    }
    jpeg_set_quality(cinfo, o.quality, TRUE);
    if (o.progressive) {
        jpeg_simple_progression(cinfo);
    }
    jpeg_start_compress(cinfo, TRUE);
    const size_t stride = static_cast<size_t>(width) * o.components;
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + cinfo->next_scanline * stride);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

} // namespace

Bytes writeJpeg(const JpegOptions& o, uint32_t width, uint32_t height,
                const std::vector<uint8_t>& samples) {
    jpeg_compress_struct cinfo;
    Errors errors;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = errorExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = encode(&cinfo, &errors, o, width, height, samples.data(), &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    Bytes out;
    if (ok && buffer != nullptr) {
        out.assign(buffer, buffer + size);
    }
    std::free(buffer);
    return out;
}

} // namespace imgwrite
