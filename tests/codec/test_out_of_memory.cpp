// Running out of memory at each allocation of each decoder and of the
// conversion paths in turn (codec/memory.h): the operation ends with
// kOutOfMemory and leaves its output untouched; nothing leaks (the
// native-asan build's LeakSanitizer watches libpng's and libjpeg's memory
// too) and nothing crashes.
#include "codec/loader.h"
#include "codec/memory.h"
#include "codec/mips.h"
#include "codec_test_support.h"

#include <functional>

using namespace k4codec;
using namespace codectest;

namespace {

// `prepare` makes the operation's input, outside the failing allocations,
// and gives back the operation, which fills the image it is given.
using Operate = std::function<HResult(Image*)>;
struct Operation {
    const char* name;
    std::function<Operate()> prepare;
};

Bytes decodable(const char* name) {
    for (const char* format : {"dds", "bmp", "tga", "png", "jpeg"}) {
        for (const imgwrite::SeedFile& seed : imgwrite::seedFiles(format)) {
            if (seed.name == name) {
                return seed.bytes;
            }
        }
    }
    ADD_FAILURE() << "no seed " << name;
    return {};
}

Operation reading(const char* seed) {
    return {seed, [seed] {
                const Bytes file = decodable(seed);
                return Operate([file](Image* image) { return readBytes(file, image); });
            }};
}

Image picture(Format format, uint32_t levels) {
    Image image;
    EXPECT_EQ(allocateImage(&image, 24, 12, kFmtA8R8G8B8, 1), kOk);
    for (size_t i = 0; i < image.levels[0].size(); ++i) {
        image.levels[0][i] = uint8_t(i * 7);
    }
    Image out;
    EXPECT_EQ(resizeImage(image, 24, 12, levels, format, &out), kOk);
    return out;
}

void PrintTo(const Operation& operation, std::ostream* out) {
    *out << operation.name;
}

class OutOfMemory : public testing::TestWithParam<Operation> {};

} // namespace

TEST_P(OutOfMemory, EveryAllocationFailsCleanly) {
    const Operate run = GetParam().prepare();
    uint64_t n = 1;
    for (;; ++n) {
        Image image;
        failAllocationAt(n);
        const HResult result = run(&image);
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

INSTANTIATE_TEST_SUITE_P(
    Codec, OutOfMemory,
    testing::Values(reading("dxt5.dds"), reading("p8.dds"), reading("rle4.bmp"),
                    reading("bf565.bmp"), reading("type10.tga"), reading("c3d4.png"),
                    reading("c6d16.png"), reading("c3p.jpg"), reading("c4b.jpg"),
                    Operation{"resize_to_dxt5",
                              [] {
                                  const Image source = picture(kFmtA8R8G8B8, 1);
                                  return Operate([source](Image* image) {
                                      return resizeImage(source, 32, 8, 6, kFmtDXT5, image);
                                  });
                              }},
                    Operation{"convert_keeps_format",
                              [] {
                                  const Image source = picture(kFmtDXT1, 3);
                                  return Operate([source](Image* image) {
                                      return convertImage(source, kFmtDXT1, image);
                                  });
                              }},
                    Operation{"rebuild_mips",
                              [] {
                                  const Image source = picture(kFmtR5G6B5, 4);
                                  return Operate([source](Image* image) {
                                      Image levels = source;
                                      const HResult result = rebuildMips(&levels);
                                      if (result == kOk) {
                                          *image = std::move(levels);
                                      } else {
                                          EXPECT_EQ(levels.levels, source.levels); // untouched
                                      }
                                      return result;
                                  });
                              }},
                    Operation{"write_dds",
                              [] {
                                  const Image source = picture(kFmtA4L4, 2);
                                  return Operate([source](Image* image) {
                                      std::vector<uint8_t> bytes;
                                      const HResult result = ddsWriteImage(source, &bytes);
                                      if (result == kOk) {
                                          image->levels.push_back(bytes);
                                      }
                                      return result;
                                  });
                              }}),
    [](const testing::TestParamInfo<Operation>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });
