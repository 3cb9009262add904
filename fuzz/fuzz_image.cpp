// Fuzz target of one image reader, chosen at build time by K4_FUZZ_READER
// (dds, bmp, tga, png or jpeg; fuzz/codec.cmake builds one target each):
// header, then the image when the header accepts it, then every level
// through the RGBA conversion. As in libpng's and libjpeg-turbo's own
// harnesses, images above 4 megapixels are only header-checked, so the
// fuzzer spends its time on parsing, not on memset. The PNG target also
// decodes each picture into rows of a longer pitch, as into a locked texture
// level, and requires the same pixels in the format told beforehand.
#include "codec/codec.h"
#include "codec/convert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#define K4_JOIN2(a, b) a##b
#define K4_JOIN(a, b) K4_JOIN2(a, b)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    k4codec::ImageInfo info;
    if (k4codec::K4_JOIN(K4_FUZZ_READER, ReadHeader)(data, size, &info) != k4codec::kOk ||
        static_cast<uint64_t>(info.width) * info.height > (4u << 20)) {
        return 0;
    }
    k4codec::Image image;
    if (k4codec::K4_JOIN(K4_FUZZ_READER, ReadImage)(data, size, &image, &info) != k4codec::kOk) {
        return 0;
    }
#ifdef K4_FUZZ_INTO_ROWS
    k4codec::Format told = k4codec::kFmtUnknown;
    const size_t row = static_cast<size_t>(info.width) * 4, pitch = row + 8;
    std::vector<uint8_t> rows(pitch * info.height);
    if (k4codec::pngReadDecodedFormat(data, size, nullptr, &told) != k4codec::kOk ||
        told != image.format ||
        k4codec::pngReadInto(data, size, rows.data(), pitch, info.width, info.height, nullptr) !=
            k4codec::kOk) {
        std::abort();
    }
    for (uint32_t y = 0; y < info.height; ++y) {
        if (std::memcmp(rows.data() + y * pitch, image.levels[0].data() + y * row, row) != 0) {
            std::abort();
        }
    }
#endif
    std::vector<k4codec::Rgba> pixels;
    for (uint32_t level = 0; level < image.levels.size(); ++level) {
        k4codec::decodeLevel(image, level, &pixels);
    }
    return 0;
}
