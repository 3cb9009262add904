// Running out of memory at each allocation of each decoder and conversion in
// turn (codec/memory.h): kOutOfMemory, the output untouched, no leak (the
// native-asan build watches libpng's and libjpeg's memory too), no crash.
#include "codec/loader.h"
#include "codec/memory.h"
#include "codec/mips.h"
#include "codec_test_support.h"

#include <algorithm>
#include <functional>

using namespace k4codec;
using namespace codectest;

namespace {

// An operation fills the image it is given; its input is made beforehand,
// outside the failing allocations.
struct Operation {
    std::string name;
    std::function<HResult(Image*)> run;
};

Operation reading(const char* format, const std::string& seed) {
    for (const imgwrite::SeedFile& file : imgwrite::seedFiles(format)) {
        if (file.name == seed) {
            const Bytes bytes = file.bytes;
            return {seed, [bytes](Image* image) { return readBytes(bytes, image); }};
        }
    }
    ADD_FAILURE() << "no seed " << seed;
    return {};
}

Image picture(Format format, uint32_t levels) {
    Image image, out;
    EXPECT_EQ(allocateImage(&image, 24, 12, kFmtA8R8G8B8, 1), kOk);
    for (size_t i = 0; i < image.levels[0].size(); ++i) {
        image.levels[0][i] = uint8_t(i * 7);
    }
    EXPECT_EQ(resizeImage(image, 24, 12, levels, format, &out), kOk);
    return out;
}

std::vector<Operation> operations() {
    std::vector<Operation> all = {
        reading("dds", "dxt5.dds"),  reading("dds", "p8.dds"),     reading("bmp", "rle4.bmp"),
        reading("bmp", "bf565.bmp"), reading("tga", "type10.tga"), reading("png", "c3d4.png"),
        reading("png", "c6d16.png"), reading("jpeg", "c3p.jpg"),   reading("jpeg", "c4b.jpg")};
    const Image rgba = picture(kFmtA8R8G8B8, 1), dxt1 = picture(kFmtDXT1, 3);
    const Image r5g6b5 = picture(kFmtR5G6B5, 4), a4l4 = picture(kFmtA4L4, 2);
    all.push_back({"resize_to_dxt5",
                   [rgba](Image* image) { return resizeImage(rgba, 32, 8, 6, kFmtDXT5, image); }});
    all.push_back({"convert_keeps_format",
                   [dxt1](Image* image) { return convertImage(dxt1, kFmtDXT1, image); }});
    all.push_back({"rebuild_mips", [r5g6b5](Image* image) {
                       Image levels = r5g6b5;
                       const HResult result = rebuildMips(&levels);
                       if (result == kOk) {
                           *image = std::move(levels);
                       } else {
                           EXPECT_EQ(levels.levels, r5g6b5.levels); // untouched
                       }
                       return result;
                   }});
    all.push_back({"extend_mip_chain", [dxt1](Image* image) {
                       Image levels = dxt1;
                       levels.levels.resize(1);
                       const Image top = levels;
                       const HResult result = extendMipChain(&levels, 3);
                       if (result == kOk) {
                           *image = std::move(levels);
                       } else {
                           EXPECT_EQ(levels.levels, top.levels); // untouched
                       }
                       return result;
                   }});
    all.push_back({"write_dds", [a4l4](Image* image) {
                       std::vector<uint8_t> bytes;
                       const HResult result = ddsWriteImage(a4l4, &bytes);
                       if (result == kOk) {
                           image->levels.push_back(bytes);
                       }
                       return result;
                   }});
    return all;
}

void PrintTo(const Operation& operation, std::ostream* out) {
    *out << operation.name;
}

class OutOfMemory : public testing::TestWithParam<Operation> {};

} // namespace

TEST_P(OutOfMemory, EveryAllocationFailsCleanly) {
    uint64_t n = 1;
    for (;; ++n) {
        Image image;
        failAllocationAt(n);
        const HResult result = GetParam().run(&image);
        const bool refused = allocationRefused();
        failAllocationAt(0);
        if (!refused) {
            ASSERT_EQ(result, kOk);
            break;
        }
        ASSERT_EQ(result, kOutOfMemory) << "allocation " << n;
        ASSERT_TRUE(image.levels.empty()) << "allocation " << n;
    }
    EXPECT_GT(n, 1u) << "no allocation through the seam";
}

INSTANTIATE_TEST_SUITE_P(Codec, OutOfMemory, testing::ValuesIn(operations()),
                         [](const testing::TestParamInfo<Operation>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });
