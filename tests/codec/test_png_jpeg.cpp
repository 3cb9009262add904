// Hostile PNG and JPEG files. What libpng and libjpeg read for us (every
// colour type, depth, tRNS, interlacing, progressive, grey, CMYK and YCCK)
// is compared with Pillow's and ImageMagick's reading in tests/interop.
#include "codec_test_support.h"

using namespace k4codec;
using namespace codectest;

namespace {

// Rejected by the reader, and by our own header check alone when `byHeader`
// (so that the limits hold before libpng or libjpeg allocate anything).
void expectRejected(const Bytes& file, HResult (*readHeader)(const uint8_t*, size_t, ImageInfo*),
                    bool byHeader) {
    Image image;
    ImageInfo info;
    EXPECT_EQ(readBytes(file, &image), kInvalidData);
    EXPECT_EQ(readHeader(file.data(), file.size(), &info) == kInvalidData, byHeader);
}

} // namespace

TEST(PngRead, HostileFiles) {
    imgwrite::PngOptions o;
    o.colourType = 2;
    std::vector<uint16_t> samples(13 * 7 * 3);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<uint16_t>(i * 29 % 256);
    }
    const Bytes good = imgwrite::writePng(o, 13, 7, samples);
    expectPrefixesHandled(good);
    const std::vector<std::pair<size_t, uint8_t>> patches[] = {
        {{24, 3}},                            // bit depth 3
        {{25, 5}},                            // colour type
        {{16, 0}, {17, 0}, {18, 0}, {19, 0}}, // width 0
        // 16384 x 16384 promised by a few hundred bytes of IDAT: more than
        // deflate could ever expand to, so no image is allocated.
        {{18, 0x40}, {19, 0}, {22, 0x40}, {23, 0}},
    };
    for (const auto& patch : patches) {
        Bytes bad = good;
        for (const auto& [offset, value] : patch) {
            bad[offset] = value;
        }
        expectRejected(bad, pngReadHeader, true);
    }
    Bytes bad = good;
    bad[18] = 0x4e, bad[19] = 0x20; // 20000 wide (the CRC is checked by the decoder only)
    expectTooLarge(bad, 20000, 7);
    bad = good;
    bad[29] ^= 1; // IHDR CRC
    expectRejected(bad, pngReadHeader, false);
    bad = good; // damaged compressed data
    for (size_t i = 45; i < good.size() - 20; ++i) {
        bad[i] ^= 0x5a;
    }
    expectRejected(bad, pngReadHeader, false);
}

TEST(JpegRead, HostileFiles) {
    const Bytes good = imgwrite::writeJpeg(imgwrite::JpegOptions(), 24, 16, Bytes(24 * 16 * 3, 90));
    expectPrefixesHandled(good);
    // A file cut in its entropy-coded data is an error, not a grey tail.
    expectRejected(Bytes(good.begin(), good.end() - 40), jpegReadHeader, false);
    expectRejected(Bytes{0xff, 0xd8, 0xff, 0xd9}, jpegReadHeader, true);
    // Junk before a marker is read past, as libjpeg does, with its warning.
    Bytes junk = good;
    junk.insert(junk.begin() + 2, {1, 2, 3, 0xff, 0});
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(junk, &image, &info), kOk);
    EXPECT_STREQ(info.warning, "Corrupt JPEG data: 5 extraneous bytes before marker 0xe0");
    ASSERT_EQ(readBytes(good, &image, &info), kOk);
    EXPECT_STREQ(info.warning, "");
    // Broken frame headers.
    size_t sof = 2;
    while (sof + 4 < good.size() && !(good[sof] == 0xff && good[sof + 1] == 0xc0)) {
        ++sof;
    }
    ASSERT_LT(sof + 4, good.size());
    const std::vector<std::pair<size_t, uint8_t>> patches[] = {
        {{5, 0}, {6, 0}},                       // height 0
        {{9, 2}},                               // two components
        {{4, 12}},                              // 12-bit samples
        {{1, 0xc3}},                            // lossless
        {{2, 0xff}, {3, 0xff}},                 // segment longer than the file
        {{5, 0x40}, {6, 0}, {7, 0x40}, {8, 0}}, // 16384 x 16384 with 4 KiB of data
    };
    for (const auto& patch : patches) {
        Bytes bad = good;
        for (const auto& [offset, value] : patch) {
            bad[sof + offset] = value;
        }
        expectRejected(bad, jpegReadHeader, true);
    }
    Bytes wide = good;
    wide[sof + 7] = 0x40, wide[sof + 8] = 0x01;
    expectTooLarge(wide, 16385, 16);
}

// A preview reads file after file into the same memory: the file buffer and
// the picture's buffer of the last load, both larger than this one's.
TEST(PngRead, FileAfterFileIntoTheSameBuffers) {
    imgwrite::PngOptions o;
    o.colourType = 6;
    std::vector<uint16_t> samples(9 * 5 * 4);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<uint16_t>(i * 53 % 256);
    }
    const Bytes small = imgwrite::writePng(o, 9, 5, samples);
    const std::string path = scratchPath("small.png");
    ASSERT_TRUE(imgwrite::saveFile(path, small));
    Image fresh;
    ASSERT_EQ(readBytes(small, &fresh), kOk);

    std::vector<uint8_t> file(small.size() + 1000, 0xee);
    size_t size = 0;
    ASSERT_EQ(readFileInto(path.c_str(), &file, &size), kOk);
    ASSERT_EQ(size, small.size());
    EXPECT_TRUE(std::equal(small.begin(), small.end(), file.begin()));
    Image reused;
    reused.levels.emplace_back(9 * 5 * 4 + 400, 0xee);
    const uint8_t* memory = reused.levels[0].data();
    ASSERT_EQ(readImage(file.data(), size, &reused, nullptr), kOk);
    EXPECT_EQ(reused.levels, fresh.levels);
    EXPECT_EQ(reused.format, fresh.format);
    EXPECT_EQ(reused.levels[0].data(), memory);

    // A damaged file leaves the buffer with the caller.
    file[size - 20] ^= 0x5a;
    EXPECT_EQ(readImage(file.data(), size, &reused, nullptr), kInvalidData);
    ASSERT_EQ(reused.levels.size(), 1u);
    EXPECT_EQ(reused.levels[0].data(), memory);
    EXPECT_EQ(readFileInto(scratchPath("none.png").c_str(), &file, &size), kFileNotFound);
}

// A preview's first picture is decoded straight into a locked texture level,
// whose rows may be longer than the picture's: the same pixels as a decoding
// of its own, the padding untouched, and the format told before decoding
// (a palette with tRNS has alpha, RGB has none).
TEST(PngRead, IntoRowsOfTheCallersPitch) {
    struct Case {
        imgwrite::PngOptions options;
        size_t channels;
        Format format;
    };
    imgwrite::PngOptions rgb, palette, interlaced;
    rgb.colourType = 2;
    palette.colourType = 3;
    palette.palette = {{10, 20, 30, 0}, {200, 100, 50, 0}, {1, 2, 3, 0}};
    palette.paletteAlpha = {0, 128};
    interlaced.interlaced = true;
    const Case cases[] = {
        {rgb, 3, kFmtX8R8G8B8}, {palette, 1, kFmtA8R8G8B8}, {interlaced, 4, kFmtA8R8G8B8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.colourType);
        const uint32_t w = 11, h = 6;
        std::vector<uint16_t> samples(w * h * c.channels);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<uint16_t>(c.channels == 1 ? i % 3 : i * 37 % 256);
        }
        const Bytes file = imgwrite::writePng(c.options, w, h, samples);
        Image own;
        ASSERT_EQ(readBytes(file, &own), kOk);
        ImageInfo info;
        Format decoded = kFmtUnknown;
        ASSERT_EQ(pngReadDecodedFormat(file.data(), file.size(), &info, &decoded), kOk);
        EXPECT_EQ(decoded, own.format);
        EXPECT_EQ(info.width, w);

        const size_t pitch = w * 4 + 12;
        std::vector<uint8_t> rows(pitch * h, 0xee);
        ASSERT_EQ(pngReadInto(file.data(), file.size(), rows.data(), pitch, w, h, nullptr), kOk);
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* row = rows.data() + y * pitch;
            EXPECT_TRUE(std::equal(row, row + w * 4, own.levels[0].data() + y * w * 4)) << y;
            EXPECT_TRUE(std::all_of(row + w * 4, row + pitch, [](uint8_t b) { return b == 0xee; }));
        }
        // Another size than the file's, or rows too short: refused before
        // anything is written.
        std::vector<uint8_t> untouched(rows);
        EXPECT_EQ(pngReadInto(file.data(), file.size(), rows.data(), pitch, w, h + 1, nullptr),
                  kInvalidCall);
        EXPECT_EQ(pngReadInto(file.data(), file.size(), rows.data(), w * 4 - 1, w, h, nullptr),
                  kInvalidCall);
        EXPECT_EQ(rows, untouched);
        Bytes damaged(file);
        damaged[damaged.size() - 20] ^= 0x5a;
        EXPECT_EQ(pngReadInto(damaged.data(), damaged.size(), rows.data(), pitch, w, h, nullptr),
                  kInvalidData);
    }
}
