// DDS files of the formats Direct3D 9 has no texture format for (BC4 to BC7,
// floating-point, signed), read through the codec as the program reads them:
// the format the header names, its name, the decoded format, and pixels by
// the one rule (floats clamped to 0..1 and rounded, -1..1 onto 0..255, one
// channel grey, two red and green). Expected values are worked out from the
// formats' definitions in the comments. Also padded rows and hostile files.
#include "codec/compose.h"
#include "codec/dds_formats.h"
#include "codec/texel.h"
#include "codec_test_support.h"

#include <cmath>
#include <cstring>

using namespace k4codec;
using namespace codectest;
using imgwrite::DdsOptions;
using imgwrite::fourCC;
using imgwrite::writeDds;

namespace {

DdsOptions dx10(uint32_t dxgi, uint32_t width, uint32_t height) {
    DdsOptions o;
    o.dx10 = true, o.dxgiFormat = dxgi, o.width = width, o.height = height;
    return o;
}

DdsOptions legacyFourCC(uint32_t code, uint32_t width, uint32_t height) {
    DdsOptions o;
    o.fourCC = code, o.width = width, o.height = height;
    return o;
}

struct Read {
    HResult result = kInvalidData;
    ImageInfo info;
    Image image;
    std::vector<Rgba> pixels;
};

Read readDds(const DdsOptions& options, const Bytes& data) {
    Read r;
    r.result = readBytes(writeDds(options, data), &r.image, &r.info);
    if (r.result == kOk) {
        r.pixels = pixelsOf(r.image);
    }
    return r;
}

// A BC4 channel block: endpoints and the index of each texel (3 bits).
Bytes channelBlock(uint8_t e0, uint8_t e1, const int (&index)[16]) {
    uint64_t bits = 0;
    for (int t = 0; t < 16; ++t) {
        bits |= static_cast<uint64_t>(index[t]) << (3 * t);
    }
    Bytes block = {e0, e1};
    for (int i = 0; i < 6; ++i) {
        block.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    return block;
}

constexpr int kEachIndexTwice[16] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7};

Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void putLe16(Bytes* bytes, uint16_t v) {
    bytes->push_back(static_cast<uint8_t>(v));
    bytes->push_back(static_cast<uint8_t>(v >> 8));
}

void putLe32(Bytes* bytes, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        bytes->push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void putFloat(Bytes* bytes, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putLe32(bytes, v);
}

} // namespace

// BC4 palettes (the exact value rounded): e0 200 > e1 100 gives 200, 100 and
// (6*200 + 100)/7 = 185.7 -> 186, 171.4 -> 171, 157.1 -> 157, 142.9 -> 143,
// 128.6 -> 129, 114.3 -> 114; e0 50 <= e1 150 gives 50, 150, 70, 90, 110,
// 130, 0, 255. Signed: 127 and -128 (read as -127) give 1, -1 and
// (6*127 - 127)/7/127 = 0.714 -> 218.6 -> 219, then 182, 146, 109, 73, 36;
// -128 <= 64 gives -1 -> 0, 64/127 -> 192.3 -> 192, then 38, 77, 115, 153,
// and -1 -> 0, 1 -> 255.
TEST(DdsBlockFormats, Bc4IsGreyAndBc5RedAndGreenUnsignedOrSigned) {
    const Bytes unsigned8 = channelBlock(200, 100, kEachIndexTwice);
    const Bytes unsigned6 = channelBlock(50, 150, kEachIndexTwice);
    const Bytes signed8 = channelBlock(0x7f, 0x80, kEachIndexTwice);
    const Bytes signed6 = channelBlock(0x80, 64, kEachIndexTwice);
    const uint8_t u8[8] = {200, 100, 186, 171, 157, 143, 129, 114};
    const uint8_t u6[8] = {50, 150, 70, 90, 110, 130, 0, 255};
    const uint8_t s8[8] = {255, 0, 219, 182, 146, 109, 73, 36};
    const uint8_t s6[8] = {0, 192, 38, 77, 115, 153, 0, 255};
    const struct {
        DdsOptions options;
        Bytes block;
        Format format;
        const char* name;
        const uint8_t* red;
        const uint8_t* green; // null: grey
    } cases[] = {
        {legacyFourCC(fourCC("ATI1"), 4, 4), unsigned8, kFmtATI1, "ATI1", u8, nullptr},
        {legacyFourCC(fourCC("BC4U"), 4, 4), unsigned6, kFmtBC4U, "BC4U", u6, nullptr},
        {legacyFourCC(fourCC("BC4S"), 4, 4), signed8, kFmtBC4S, "BC4S", s8, nullptr},
        {dx10(80, 4, 4), unsigned8, kFmtATI1, "BC4_UNORM", u8, nullptr},
        {dx10(81, 4, 4), signed6, kFmtBC4S, "BC4_SNORM", s6, nullptr},
        {legacyFourCC(fourCC("ATI2"), 4, 4), join(unsigned8, unsigned6), kFmtATI2, "ATI2", u8, u6},
        {legacyFourCC(fourCC("BC5S"), 4, 4), join(signed6, signed8), kFmtBC5S, "BC5S", s6, s8},
        {dx10(82, 4, 4), join(unsigned6, unsigned8), kFmtATI2, "BC5_TYPELESS", u6, u8},
        {dx10(84, 4, 4), join(signed8, signed6), kFmtBC5S, "BC5_SNORM", s8, s6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r = readDds(c.options, c.block);
        ASSERT_EQ(r.result, kOk);
        EXPECT_EQ(r.info.format, c.format);
        EXPECT_STREQ(storedFormatName(r.info), c.name);
        EXPECT_EQ(r.image.format, kFmtX8R8G8B8);
        for (int t = 0; t < 16; ++t) {
            const uint8_t red = c.red[t % 8];
            EXPECT_EQ(r.pixels[t], c.green ? rgba(red, c.green[t % 8], 0) : rgba(red, red, red))
                << "texel " << t;
        }
    }
}

// Files of blocks keep their levels, and blocks at the right and bottom edges
// give only the texels inside. BC7 mode 6 with both endpoints (red 127,
// green 0, blue 64, alpha 100) and p-bit 1 is (255, 1, 129, 201) everywhere
// (7-bit value v with p-bit 1 is 2v + 1); a first byte of 0 is transparent
// black. BC6H mode 11 (bits 00011, direct 10-bit endpoints): 0 and 1023
// decode to 0 and the largest half (clamped to 255).
TEST(DdsBlockFormats, Bc7AndBc6hFilesGiveEveryLevelAndEdge) {
    Bytes mode6(16, 0);
    // Mode 6: bit 6; then R0 R1 G0 G1 B0 B1 A0 A1 (7 bits each), P0 P1.
    uint64_t bits[2] = {0, 0};
    uint32_t at = 0;
    const auto put = [&](uint64_t value, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i, ++at) {
            bits[at / 64] |= ((value >> i) & 1) << (at % 64);
        }
    };
    put(1u << 6, 7);
    for (uint32_t value : {127u, 127u, 0u, 0u, 64u, 64u, 100u, 100u}) {
        put(value, 7);
    }
    put(1, 1), put(1, 1);
    std::memcpy(mode6.data(), bits, 16);
    // 6 x 5: 2 x 2 blocks at level 0, then 3 x 2 and 1 x 1 in one block each.
    Bytes data;
    for (int i = 0; i < 4 + 1 + 1; ++i) {
        data = join(data, i == 1 ? Bytes(16, 0) : mode6);
    }
    DdsOptions o = dx10(99, 6, 5);
    o.mipCount = 3;
    Read r = readDds(o, data);
    ASSERT_EQ(r.result, kOk);
    EXPECT_EQ(r.info.format, kFmtUnknown);
    EXPECT_STREQ(storedFormatName(r.info), "BC7_UNORM_SRGB");
    EXPECT_EQ(r.image.format, kFmtA8R8G8B8);
    ASSERT_EQ(r.image.levels.size(), 3u);
    ASSERT_EQ(r.pixels.size(), 30u);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 6; ++x) {
            const bool reserved = x >= 4 && y < 4; // the second block
            EXPECT_EQ(r.pixels[y * 6 + x], reserved ? rgba(0, 0, 0, 0) : rgba(255, 1, 129, 201))
                << x << "," << y;
        }
    }
    EXPECT_EQ(pixelsOf(r.image, 2)[0], rgba(255, 1, 129, 201));

    // BC6H mode 11: bits 00011, r0 g0 b0 r1 g1 b1 (10 bits each), indices.
    Bytes mode11(16, 0);
    bits[0] = bits[1] = 0, at = 0;
    put(3, 5);
    for (uint32_t value : {1023u, 0u, 1023u, 0u, 1023u, 0u}) {
        put(value, 10);
    }
    std::memcpy(mode11.data(), bits, 16); // every index 0: the first endpoint
    for (uint32_t dxgi : {94u, 95u, 96u}) {
        r = readDds(dx10(dxgi, 4, 4), mode11);
        ASSERT_EQ(r.result, kOk) << dxgi;
        EXPECT_EQ(r.image.format, kFmtX8R8G8B8);
        // Signed, 1023 is -1 in 10 bits: red and blue are negative, then 0.
        EXPECT_EQ(r.pixels[5], dxgi == 96 ? rgba(0, 0, 0) : rgba(255, 0, 255)) << dxgi;
    }
    EXPECT_STREQ(storedFormatName(r.info), "BC6H_SF16");
    // A texture holds a format the codec only decodes as A8R8G8B8, or as
    // X8R8G8B8 without alpha (so the convert window's best match for BC6H
    // is DXT1 and for BC7 DXT5).
    for (const auto& [file, format] :
         {std::pair<Bytes, Format>{writeDds(dx10(98, 4, 4), mode6), kFmtA8R8G8B8},
          {writeDds(dx10(95, 4, 4), mode11), kFmtX8R8G8B8}}) {
        TextureDesc desc;
        ASSERT_EQ(describeSourceTexture(file.data(), file.size(), &desc), kOk);
        EXPECT_EQ(desc.format, format);
    }
    // An array size of 0 (Pillow's bc5_snorm.dds has one) is read as 1.
    DdsOptions noArray = dx10(98, 4, 4);
    noArray.arraySize = 0;
    EXPECT_EQ(readDds(noArray, mode6).result, kOk);
}

// Halves: 0x3800 = 0.5 -> 127.5 -> 128, 0x3400 = 0.25 -> 63.75 -> 64,
// 0x3c00 = 1, 0x4000 = 2 -> 255, 0xbc00 = -1 -> 0, 0x7e00 (NaN) -> 0,
// 0x7c00 (infinity) -> 255, 0x2e66 = 0.0999755859375 -> 25.49 -> 25.
TEST(DdsTexelFormats, FloatsAreClampedAndRounded) {
    Bytes halves;
    for (uint16_t h : {0x3800, 0x3400, 0x3c00, 0x4000, 0xbc00, 0x7e00, 0x7c00, 0x2e66}) {
        putLe16(&halves, h);
    }
    Bytes floats;
    for (float f : {0.5f, 0.25f, 1.0f, 2.0f, -1.0f, NAN, INFINITY, 0.1f}) {
        putFloat(&floats, f); // 0.1 * 255 = 25.5000004 -> 26
    }
    const uint8_t fromHalves[8] = {128, 64, 255, 255, 0, 0, 255, 25};
    const uint8_t fromFloats[8] = {128, 64, 255, 255, 0, 0, 255, 26};
    const struct {
        DdsOptions options;
        const Bytes* values;
        uint32_t channels;
        Format format;
        const char* name;
    } cases[] = {
        {legacyFourCC(kFmtR16F, 8, 1), &halves, 1, kFmtR16F, "R16F"},
        {legacyFourCC(kFmtG32R32F, 4, 1), &floats, 2, kFmtG32R32F, "G32R32F"},
        {legacyFourCC(kFmtA32B32G32R32F, 2, 1), &floats, 4, kFmtA32B32G32R32F, "A32B32G32R32F"},
        {dx10(34, 4, 1), &halves, 2, kFmtG16R16F, "R16G16_FLOAT"},
        {dx10(10, 2, 1), &halves, 4, kFmtA16B16G16R16F, "R16G16B16A16_FLOAT"},
        {dx10(41, 8, 1), &floats, 1, kFmtR32F, "R32_FLOAT"},
        {dx10(6, 2, 1), &floats, 3, kFmtUnknown, "R32G32B32_FLOAT"}, // 6 of the 8 values
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r = readDds(c.options, *c.values);
        ASSERT_EQ(r.result, kOk);
        EXPECT_EQ(r.info.format, c.format);
        EXPECT_STREQ(storedFormatName(r.info), c.name);
        EXPECT_EQ(r.image.format, c.channels == 4 ? kFmtA8R8G8B8 : kFmtX8R8G8B8);
        const uint8_t* v = c.values == &halves ? fromHalves : fromFloats;
        for (uint32_t i = 0; i < r.pixels.size(); ++i) {
            const uint8_t* p = v + i * c.channels;
            const Rgba expected = c.channels == 1   ? rgba(p[0], p[0], p[0])
                                  : c.channels == 2 ? rgba(p[0], p[1], 0)
                                  : c.channels == 3 ? rgba(p[0], p[1], p[2])
                                                    : rgba(p[0], p[1], p[2], p[3]);
            EXPECT_EQ(r.pixels[i], expected) << "pixel " << i;
        }
    }
}

// BC6H turns its halves into bytes four at a time with float arithmetic;
// every finite non-negative half must give the table's byte (which the
// float formats use, computed in double).
TEST(DdsTexelFormats, Bc6hHalvesGiveTheTablesBytes) {
    const uint8_t* table = halfToByteTable();
    for (int32_t h = 0; h < 0x7c00; h += 4) {
        const I32x4 bytes = halvesToBytes(I32x4{h, h + 1, h + 2, h + 3});
        for (int32_t i = 0; i < 4; ++i) {
            ASSERT_EQ(bytes[i], table[h + i]) << "half 0x" << std::hex << h + i;
        }
    }
}

// R11G11B10: 11-bit floats 0x380 (0.5) and 0x3c0 (1.0), 10-bit 0x1a0 (0.25).
// R9G9B9E5: mantissas 256, 128, 511 with exponent 15 are 256/512 = 0.5,
// 0.25 and 0.998 (254.502 -> 255); with exponent 16 the first is 1.
TEST(DdsTexelFormats, PackedFloatsShareTheRule) {
    Bytes packed;
    putLe32(&packed, 0x380u | (0x3c0u << 11) | (0x1a0u << 22));
    putLe32(&packed, 0u | (0x7c0u << 11) | (0x3e1u << 22)); // 0, infinity, NaN
    Read r = readDds(dx10(26, 2, 1), packed);
    ASSERT_EQ(r.result, kOk);
    EXPECT_STREQ(storedFormatName(r.info), "R11G11B10_FLOAT");
    EXPECT_EQ(r.pixels[0], rgba(128, 255, 64));
    EXPECT_EQ(r.pixels[1], rgba(0, 255, 0));
    Bytes shared;
    putLe32(&shared, 256u | (128u << 9) | (511u << 18) | (15u << 27));
    putLe32(&shared, 256u | (16u << 27));
    r = readDds(dx10(67, 2, 1), shared);
    ASSERT_EQ(r.result, kOk);
    EXPECT_STREQ(storedFormatName(r.info), "R9G9B9E5_SHAREDEXP");
    EXPECT_EQ(r.pixels[0], rgba(128, 64, 255));
    EXPECT_EQ(r.pixels[1], rgba(255, 0, 0));
}

// -1..1 onto 0..255: 127 -> 255, 0 -> 127.5 -> 128, -127 and -128 -> 0,
// 64 -> (64/127 + 1) * 127.5 = 191.75 -> 192; 16 bits: 16384 -> 191.25 -> 191.
TEST(DdsTexelFormats, SignedValuesMapMinusOneToOneOntoTheBytes) {
    const Bytes eightBit = {0x7f, 0x00, 0x81, 0x80, 0x40, 0x7f, 0x00, 0x40};
    Bytes sixteenBit;
    for (uint16_t v : {0x7fff, 0x0000, 0x8000, 0x4000}) {
        putLe16(&sixteenBit, v);
    }
    DdsOptions bumpV8U8 = legacyFourCC(0, 4, 1);
    bumpV8U8.pfFlags = 0x80000, bumpV8U8.bits = 16, bumpV8U8.masks[0] = 0xff;
    bumpV8U8.masks[1] = 0xff00;
    DdsOptions bumpQ8 = legacyFourCC(0, 2, 1);
    bumpQ8.pfFlags = 0x80000, bumpQ8.bits = 32;
    bumpQ8.masks[0] = 0xff, bumpQ8.masks[1] = 0xff00, bumpQ8.masks[2] = 0xff0000;
    bumpQ8.masks[3] = 0xff000000;
    const std::vector<Rgba> twoOfEight = {rgba(255, 128, 0), rgba(0, 0, 0), rgba(192, 255, 0),
                                          rgba(128, 192, 0)};
    const std::vector<Rgba> fourOfEight = {rgba(255, 128, 0, 0), rgba(192, 255, 128, 192)};
    const std::vector<Rgba> twoOfSixteen = {rgba(255, 128, 0), rgba(0, 191, 0)};
    const struct {
        DdsOptions options;
        const Bytes* values;
        Format format;
        const char* name;
        const std::vector<Rgba>* expected;
    } cases[] = {
        {legacyFourCC(kFmtV8U8, 4, 1), &eightBit, kFmtV8U8, "V8U8", &twoOfEight},
        {bumpV8U8, &eightBit, kFmtV8U8, "V8U8", &twoOfEight},
        {bumpQ8, &eightBit, kFmtQ8W8V8U8, "Q8W8V8U8", &fourOfEight},
        {legacyFourCC(kFmtV16U16, 2, 1), &sixteenBit, kFmtV16U16, "V16U16", &twoOfSixteen},
        {dx10(31, 2, 1), &eightBit, kFmtQ8W8V8U8, "R8G8B8A8_SNORM", &fourOfEight},
        {dx10(37, 2, 1), &sixteenBit, kFmtV16U16, "R16G16_SNORM", &twoOfSixteen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r = readDds(c.options, *c.values);
        ASSERT_EQ(r.result, kOk);
        EXPECT_EQ(r.info.format, c.format);
        EXPECT_STREQ(storedFormatName(r.info), c.name);
        EXPECT_EQ(r.pixels, *c.expected);
    }
    // One channel is grey, in every family: R8 as L8, R16 as L16.
    Read r = readDds(dx10(61, 1, 1), {0x42});
    EXPECT_EQ(r.info.format, kFmtL8);
    EXPECT_EQ(r.pixels[0], rgba(0x42, 0x42, 0x42));
    r = readDds(dx10(56, 1, 1), {0x00, 0x80});
    EXPECT_EQ(r.pixels[0], rgba(128, 128, 128));
}

// 24-bit RGB of 3 x 2 has rows of 9 bytes. A pitch of 12 (rounded up to four
// bytes) pads every level's rows (level 1's row of 3 to 4); another pitch
// pads level 0 only; a file holding only packed rows is read packed.
TEST(DdsRead, PaddedRowsAreReadAtTheirPitch) {
    DdsOptions o;
    o.width = 3, o.height = 2, o.pfFlags = 0x40, o.bits = 24;
    o.masks[0] = 0xff0000, o.masks[1] = 0xff00, o.masks[2] = 0xff;
    o.flags |= 0x8 | 0x20000, o.mipCount = 2;
    const Bytes row0 = {1, 2, 3, 4, 5, 6, 7, 8, 9}, row1 = {11, 12, 13, 14, 15, 16, 17, 18, 19};
    const Bytes level1 = {21, 22, 23};
    const auto rowsAt = [&](uint32_t pitch0, uint32_t pitch1) {
        Bytes data = row0;
        data.resize(pitch0, 0xee);
        data = join(data, row1);
        data.resize(2 * pitch0, 0xee);
        data = join(data, level1);
        data.resize(2 * pitch0 + pitch1, 0xee);
        return data;
    };
    const Bytes packed = join(join(row0, row1), level1);
    const std::vector<std::pair<uint32_t, Bytes>> files = {
        {12, rowsAt(12, 4)}, {16, rowsAt(16, 3)}, {12, packed}, {9, packed}, {0xffffffff, packed}};
    for (const auto& [pitch, data] : files) {
        SCOPED_TRACE(pitch);
        o.pitchOrLinearSize = pitch;
        Image image;
        ASSERT_EQ(readBytes(writeDds(o, data), &image), kOk);
        EXPECT_EQ(image.levels[0], join(row0, row1));
        EXPECT_EQ(image.levels[1], level1);
    }
    // Padded floats too: R16F of 1 x 2 at a pitch of 4.
    DdsOptions f = legacyFourCC(kFmtR16F, 1, 2);
    f.flags |= 0x8, f.pitchOrLinearSize = 4;
    const Read r = readDds(f, {0x00, 0x38, 0xee, 0xee, 0x00, 0x3c, 0xee, 0xee});
    ASSERT_EQ(r.result, kOk);
    EXPECT_EQ(r.pixels, (std::vector<Rgba>{rgba(128, 128, 128), rgba(255, 255, 255)}));
}

// Short data, huge sizes on a small file, every prefix, unknown codes and
// bump masks that name no format: invalid data before anything is allocated.
TEST(DdsRead, HostileFilesOfTheNewFormats) {
    const struct {
        DdsOptions options;
        size_t dataBytes;
    } cases[] = {
        {dx10(98, 8, 8), 63},           // BC7: four blocks
        {dx10(95, 16384, 16384), 4096}, // BC6H: 256 MiB of blocks
        {legacyFourCC(fourCC("ATI1"), 16384, 16384), 4096},
        {dx10(2, 16384, 16384), 4096},            // 4 GiB of floats
        {dx10(67, 3, 3), 35},                     // R9G9B9E5
        {dx10(100, 4, 4), 16},                    // a DXGI format we do not read
        {legacyFourCC(fourCC("BC6H"), 4, 4), 16}, // not a legacy FourCC
        {legacyFourCC(117, 4, 4), 16},            // CxV8U8
    };
    for (const auto& c : cases) {
        const Bytes file = writeDds(c.options, Bytes(c.dataBytes, 0x5a));
        Image image;
        ImageInfo info;
        EXPECT_EQ(ddsReadHeader(file.data(), file.size(), &info), kInvalidData) << &c - cases;
        EXPECT_EQ(ddsReadImage(file.data(), file.size(), &image, &info), kInvalidData)
            << &c - cases;
    }
    DdsOptions bump = legacyFourCC(0, 2, 2);
    bump.pfFlags = 0x80000, bump.bits = 32, bump.masks[0] = 0x3ff; // A2W10V10U10
    Image image;
    EXPECT_EQ(readBytes(writeDds(bump, Bytes(16)), &image), kInvalidData);
    // Every prefix of good files of each kind is refused or read, never more.
    expectPrefixesHandled(writeDds(dx10(97, 5, 5), Bytes(4 * 16, 0xa5)));
    expectPrefixesHandled(writeDds(dx10(96, 4, 4), Bytes(16, 0x3c)));
    expectPrefixesHandled(writeDds(legacyFourCC(kFmtA32B32G32R32F, 2, 2), Bytes(64, 0x3f)));
}
