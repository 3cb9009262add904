// PNG (every colour type and depth, tRNS, interlacing) and JPEG (baseline,
// progressive, grey, CMYK, YCCK) through libpng and libjpeg, and hostile
// files for both.
#include "codec_test_support.h"

#include <cstdlib>

using namespace k4codec;
using namespace codectest;
using imgwrite::JpegOptions;
using imgwrite::PngOptions;

namespace {

constexpr uint32_t kW = 13, kH = 7;

uint32_t channelsOf(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

std::vector<uint16_t> samples(int colourType, int depth) {
    const uint32_t count = kW * kH * channelsOf(colourType);
    const uint32_t max = (1u << depth) - 1;
    std::vector<uint16_t> v(count);
    for (uint32_t i = 0; i < count; ++i) {
        v[i] = static_cast<uint16_t>((i * 2654435761u >> 7) % (max + 1));
    }
    return v;
}

std::vector<imgwrite::Pixel> palette(uint32_t entries) {
    std::vector<imgwrite::Pixel> p;
    for (uint32_t i = 0; i < entries; ++i) {
        p.push_back(px(uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)));
    }
    return p;
}

Rgba expectedPng(const PngOptions& o, const uint16_t* s) {
    const auto w = [&](uint16_t v) { return widen(v, static_cast<uint32_t>(o.bitDepth)); };
    switch (o.colourType) {
    case 0: {
        const bool clear = o.transparentColour && s[0] == o.transparent[0];
        return rgba(w(s[0]), w(s[0]), w(s[0]), clear ? 0 : 255);
    }
    case 2: {
        const bool clear = o.transparentColour && s[0] == o.transparent[0] &&
                           s[1] == o.transparent[1] && s[2] == o.transparent[2];
        return rgba(w(s[0]), w(s[1]), w(s[2]), clear ? 0 : 255);
    }
    case 3: {
        const imgwrite::Pixel& p = o.palette[s[0]];
        return rgba(p.r, p.g, p.b, s[0] < o.paletteAlpha.size() ? o.paletteAlpha[s[0]] : 255);
    }
    case 4:
        return rgba(w(s[0]), w(s[0]), w(s[0]), w(s[1]));
    default:
        return rgba(w(s[0]), w(s[1]), w(s[2]), w(s[3]));
    }
}

void expectPng(const PngOptions& o, Format format) {
    const std::vector<uint16_t> v = samples(o.colourType, o.bitDepth);
    const Bytes file = imgwrite::writePng(o, kW, kH, v);
    ASSERT_FALSE(file.empty());
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(file, &image, &info), kOk);
    EXPECT_EQ(info.fileType, FileType::Png);
    EXPECT_EQ(info.format, format);
    const std::vector<Rgba> pixels = pixelsOf(image);
    const uint32_t channels = channelsOf(o.colourType);
    for (uint32_t i = 0; i < kW * kH; ++i) {
        ASSERT_EQ(pixels[i], expectedPng(o, &v[i * channels])) << i;
    }
}

} // namespace

TEST(PngRead, EveryColourTypeAndDepthPlainAndInterlaced) {
    const struct {
        int colour, depth;
        Format format;
    } kinds[] = {{0, 1, kFmtL8},    {0, 2, kFmtL8},       {0, 4, kFmtL8},       {0, 8, kFmtL8},
                 {0, 16, kFmtL8},   {2, 8, kFmtR8G8B8},   {2, 16, kFmtR8G8B8},  {3, 1, kFmtP8},
                 {3, 2, kFmtP8},    {3, 4, kFmtP8},       {3, 8, kFmtP8},       {4, 8, kFmtA8L8},
                 {4, 16, kFmtA8L8}, {6, 8, kFmtA8R8G8B8}, {6, 16, kFmtA8R8G8B8}};
    for (const auto& kind : kinds) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::to_string(kind.colour) + "/" + std::to_string(kind.depth) +
                         (interlaced ? " interlaced" : ""));
            PngOptions o;
            o.colourType = kind.colour, o.bitDepth = kind.depth, o.interlaced = interlaced;
            if (kind.colour == 3) {
                o.palette = palette(1u << kind.depth);
            }
            expectPng(o, kind.format);
        }
    }
}

TEST(PngRead, TransparencyChunkGivesAlpha) {
    PngOptions o;
    o.colourType = 3, o.bitDepth = 4, o.palette = palette(16), o.paletteAlpha = {0, 50, 255, 7};
    expectPng(o, kFmtP8);
    Image image;
    ASSERT_EQ(readBytes(imgwrite::writePng(o, kW, kH, samples(3, 4)), &image), kOk);
    EXPECT_EQ(image.format, kFmtA8R8G8B8);
    for (int depth : {2, 8, 16}) {
        SCOPED_TRACE(depth);
        PngOptions g;
        g.colourType = 0, g.bitDepth = depth, g.transparentColour = true;
        g.transparent[0] = samples(0, depth)[5];
        expectPng(g, kFmtA8L8);
    }
    for (int depth : {8, 16}) {
        PngOptions c;
        c.colourType = 2, c.bitDepth = depth, c.transparentColour = true;
        const std::vector<uint16_t> v = samples(2, depth);
        c.transparent[0] = v[9], c.transparent[1] = v[10], c.transparent[2] = v[11];
        expectPng(c, kFmtA8R8G8B8);
    }
}

TEST(PngRead, HostileFiles) {
    PngOptions o;
    o.colourType = 2;
    const Bytes good = imgwrite::writePng(o, kW, kH, samples(2, 8));
    expectPrefixesHandled(good);
    const auto rejects = [](const Bytes& file) {
        Image image;
        EXPECT_EQ(readBytes(file, &image), kInvalidData);
    };
    Bytes bad = good;
    bad[29] ^= 1; // IHDR CRC
    rejects(bad);
    bad = good;
    bad[24] = 3; // bit depth 3
    rejects(bad);
    bad = good;
    bad[25] = 5; // colour type
    rejects(bad);
    bad = good;
    bad[16] = bad[17] = bad[18] = bad[19] = 0; // width 0
    rejects(bad);
    bad = good;
    bad[18] = 0x40, bad[19] = 0x01; // width 16385
    rejects(bad);
    // 16384 x 16384 promised by a few hundred bytes of IDAT: more than
    // deflate could ever expand to, so no image is allocated.
    bad = good;
    bad[18] = 0x40, bad[19] = 0x00, bad[22] = 0x40, bad[23] = 0x00;
    rejects(bad);
    // Damaged compressed data.
    bad = good;
    for (size_t i = 45; i < good.size() - 20; ++i) {
        bad[i] ^= 0x5a;
    }
    rejects(bad);
}

TEST(JpegRead, ColourGreyCmykAndYcckWithinBounds) {
    constexpr uint32_t w = 40, h = 24;
    // A smooth picture: JPEG keeps it within a few levels at quality 95.
    std::vector<uint8_t> rgb(w * h * 3), grey(w * h), cmyk(w * h * 4);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t i = y * w + x;
            rgb[i * 3] = uint8_t(x * 6), rgb[i * 3 + 1] = uint8_t(y * 10), rgb[i * 3 + 2] = 128;
            grey[i] = uint8_t(x * 3 + y * 4);
            // Adobe stores CMYK inverted: with K' = 255 the colour is C', M', Y'.
            cmyk[i * 4] = rgb[i * 3], cmyk[i * 4 + 1] = rgb[i * 3 + 1];
            cmyk[i * 4 + 2] = rgb[i * 3 + 2], cmyk[i * 4 + 3] = 255;
        }
    }
    const struct {
        const char* name;
        int components;
        bool ycck, progressive;
        Format format;
    } cases[] = {
        {"progressive", 3, false, true, kFmtX8R8G8B8},
        {"grey", 1, false, false, kFmtL8},
        {"ycck", 4, true, true, kFmtX8R8G8B8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JpegOptions o;
        o.components = c.components, o.ycck = c.ycck, o.progressive = c.progressive;
        const Bytes file = imgwrite::writeJpeg(o, w, h,
                                               c.components == 1   ? grey
                                               : c.components == 3 ? rgb
                                                                   : cmyk);
        ASSERT_FALSE(file.empty());
        Image image;
        ImageInfo info;
        ASSERT_EQ(readBytes(file, &image, &info), kOk);
        EXPECT_EQ(info.format, c.format);
        EXPECT_EQ(info.fileType, FileType::Jpeg);
        EXPECT_EQ(image.format, kFmtX8R8G8B8);
        const std::vector<Rgba> pixels = pixelsOf(image);
        int worst = 0;
        double total = 0;
        for (uint32_t i = 0; i < w * h; ++i) {
            const int want[3] = {c.components == 1 ? grey[i] : rgb[i * 3],
                                 c.components == 1 ? grey[i] : rgb[i * 3 + 1],
                                 c.components == 1 ? grey[i] : rgb[i * 3 + 2]};
            const int got[3] = {pixels[i].r, pixels[i].g, pixels[i].b};
            for (int k = 0; k < 3; ++k) {
                worst = std::max(worst, std::abs(want[k] - got[k]));
                total += std::abs(want[k] - got[k]);
            }
            ASSERT_EQ(pixels[i].a, 255);
        }
        EXPECT_LE(worst, 12);
        EXPECT_LE(total / (w * h * 3), 2.0);
    }
}

TEST(JpegRead, HostileFiles) {
    JpegOptions o;
    std::vector<uint8_t> rgb(24 * 16 * 3, 90);
    const Bytes good = imgwrite::writeJpeg(o, 24, 16, rgb);
    expectPrefixesHandled(good);
    const auto rejects = [](const Bytes& file) {
        Image image;
        EXPECT_EQ(readBytes(file, &image), kInvalidData);
    };
    // A file cut in its entropy-coded data is an error, not a grey tail.
    rejects(Bytes(good.begin(), good.end() - 40));
    // Junk before a marker is read past, as libjpeg does, with its warning.
    Bytes junk = good;
    for (size_t i = 2; i + 1 < junk.size(); ++i) {
        if (junk[i] == 0xff && junk[i + 1] == 0xdb) {
            junk.insert(junk.begin() + i, {1, 2, 3, 0xff, 0});
            break;
        }
    }
    Image image;
    ImageInfo info;
    ASSERT_EQ(readBytes(junk, &image, &info), kOk);
    EXPECT_STREQ(info.warning, "Corrupt JPEG data: 5 extraneous bytes before marker 0xdb");
    ASSERT_EQ(readBytes(good, &image, &info), kOk);
    EXPECT_STREQ(info.warning, "");
    // Find the frame header and break it.
    size_t sof = 2;
    while (sof + 4 < good.size() && !(good[sof] == 0xff && good[sof + 1] == 0xc0)) {
        ++sof;
    }
    ASSERT_LT(sof + 4, good.size());
    Bytes bad = good;
    bad[sof + 5] = bad[sof + 6] = 0; // height 0
    rejects(bad);
    bad = good;
    bad[sof + 7] = 0x40, bad[sof + 8] = 0x01; // width 16385
    rejects(bad);
    bad = good;
    bad[sof + 9] = 2; // two components
    rejects(bad);
    bad = good;
    bad[sof + 4] = 12; // 12-bit samples
    rejects(bad);
    bad = good;
    bad[sof + 1] = 0xc3; // lossless
    rejects(bad);
    bad = good;
    bad[sof + 2] = 0xff, bad[sof + 3] = 0xff; // segment longer than the file
    rejects(bad);
    // A frame that claims 16384 x 16384 with 4 KiB of data.
    bad = good;
    bad[sof + 5] = 0x40, bad[sof + 6] = 0, bad[sof + 7] = 0x40, bad[sof + 8] = 0;
    rejects(bad);
    rejects(Bytes{0xff, 0xd8, 0xff, 0xd9});
}
