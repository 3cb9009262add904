// Seed files for the image fuzz targets: one small file per variant that the
// readers handle, plus truncated and patched copies.
#include "tools/imgwrite.h"

namespace imgwrite {

namespace {

constexpr uint32_t kW = 7, kH = 5; // odd sizes reach the edge cases

std::vector<uint32_t> ramp(uint32_t count, uint32_t modulo, uint32_t scale = 1) {
    std::vector<uint32_t> values(count);
    for (uint32_t i = 0; i < count; ++i) {
        values[i] = ((i * 7 + i / 3) % modulo) * scale;
    }
    return values;
}

std::vector<Pixel> greyPalette(uint32_t entries) {
    std::vector<Pixel> palette;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 255 / (entries > 1 ? entries - 1 : 1));
        palette.push_back(
            Pixel{v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(v / 2), 255});
    }
    return palette;
}

void addCorrupt(std::vector<SeedFile>* seeds) {
    const size_t count = seeds->size();
    for (size_t i = 0; i < count && i < 3; ++i) {
        SeedFile cut = (*seeds)[i];
        cut.name = "truncated_" + cut.name;
        cut.bytes.resize(cut.bytes.size() * 2 / 3);
        seeds->push_back(cut);
    }
}

std::vector<SeedFile> bmpSeeds() {
    std::vector<SeedFile> seeds;
    const uint32_t n = kW * kH;
    for (uint32_t bits : {1u, 4u, 8u}) {
        BmpOptions o;
        o.bits = bits;
        o.palette = greyPalette(1u << bits);
        seeds.push_back(
            {"pal" + std::to_string(bits) + ".bmp", writeBmp(o, kW, kH, ramp(n, 1u << bits))});
        o.headerSize = 12;
        seeds.push_back(
            {"core" + std::to_string(bits) + ".bmp", writeBmp(o, kW, kH, ramp(n, 1u << bits))});
    }
    for (uint32_t compression : {1u, 2u}) {
        BmpOptions o;
        o.bits = compression == 1 ? 8 : 4;
        o.compression = compression;
        o.palette = greyPalette(16);
        std::vector<uint32_t> values = ramp(n, 3);
        values[0] = values[1] = values[2] = values[3] = 9;
        seeds.push_back({"rle" + std::to_string(o.bits) + ".bmp", writeBmp(o, kW, kH, values)});
    }
    {
        BmpOptions o;
        o.bits = 24;
        o.topDown = true;
        seeds.push_back({"rgb24_topdown.bmp", writeBmp(o, kW, kH, ramp(n, 0xffffff, 4099))});
        o.bits = 16;
        o.topDown = false;
        seeds.push_back({"rgb16.bmp", writeBmp(o, kW, kH, ramp(n, 0x7fff, 37))});
        o.compression = 3;
        o.masks[0] = 0xf800, o.masks[1] = 0x07e0, o.masks[2] = 0x001f;
        seeds.push_back({"bf565.bmp", writeBmp(o, kW, kH, ramp(n, 0xffff, 37))});
        o.bits = 32;
        o.headerSize = 124;
        o.masks[0] = 0xff0000, o.masks[1] = 0xff00, o.masks[2] = 0xff, o.masks[3] = 0xff000000;
        seeds.push_back({"v5_argb.bmp", writeBmp(o, kW, kH, ramp(n, 0xffffffff, 0x1010101))});
        o.headerSize = 108;
        seeds.push_back({"v4_argb.bmp", writeBmp(o, kW, kH, ramp(n, 0xffffffff, 0x3010201))});
    }
    addCorrupt(&seeds);
    return seeds;
}

std::vector<SeedFile> tgaSeeds() {
    std::vector<SeedFile> seeds;
    const uint32_t n = kW * kH;
    for (uint32_t type : {1u, 2u, 3u, 9u, 10u, 11u}) {
        TgaOptions o;
        o.imageType = type;
        const uint32_t base = type > 8 ? type - 8 : type;
        std::vector<uint32_t> values;
        if (base == 1) {
            o.bits = 8;
            o.colourMap = ramp(12, 0xffffff, 1234567);
            o.mapFirst = 2;
            values = ramp(n, 12);
            for (uint32_t& v : values) {
                v += 2;
            }
        } else if (base == 2) {
            o.bits = 32;
            o.alphaBits = 8;
            values = ramp(n, 5, 0x33221100);
        } else {
            o.bits = 8;
            values = ramp(n, 4, 60);
        }
        o.topDown = type % 2 == 0;
        seeds.push_back({"type" + std::to_string(type) + ".tga", writeTga(o, kW, kH, values)});
    }
    for (uint32_t bits : {15u, 16u, 24u}) {
        TgaOptions o;
        o.bits = bits;
        o.alphaBits = bits == 16 ? 1 : 0;
        o.rightToLeft = bits == 24;
        seeds.push_back({"rgb" + std::to_string(bits) + ".tga",
                         writeTga(o, kW, kH, ramp(n, bits == 24 ? 0xffffff : 0xffff, 77))});
    }
    addCorrupt(&seeds);
    return seeds;
}

std::vector<SeedFile> pngSeeds() {
    std::vector<SeedFile> seeds;
    const struct {
        int colour, depth;
    } kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                 {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    for (const auto& kind : kinds) {
        PngOptions o;
        o.colourType = kind.colour;
        o.bitDepth = kind.depth;
        o.interlaced = kind.depth == 8;
        const uint32_t channels = kind.colour == 2   ? 3
                                  : kind.colour == 4 ? 2
                                  : kind.colour == 6 ? 4
                                                     : 1;
        const uint32_t max = (1u << kind.depth) - 1;
        std::vector<uint16_t> samples;
        for (uint32_t v : ramp(kW * kH * channels, max + 1)) {
            samples.push_back(static_cast<uint16_t>(v));
        }
        if (kind.colour == 3) {
            o.palette = greyPalette(max + 1);
            o.paletteAlpha = {0, 128};
        }
        if (kind.colour == 0 || kind.colour == 2) {
            o.transparentColour = kind.depth == 8;
            o.transparent[0] = 1;
        }
        seeds.push_back(
            {"c" + std::to_string(kind.colour) + "d" + std::to_string(kind.depth) + ".png",
             writePng(o, kW, kH, samples)});
    }
    addCorrupt(&seeds);
    return seeds;
}

std::vector<SeedFile> jpegSeeds() {
    std::vector<SeedFile> seeds;
    for (int components : {1, 3, 4}) {
        for (bool progressive : {false, true}) {
            JpegOptions o;
            o.components = components;
            o.progressive = progressive;
            o.ycck = components == 4 && progressive;
            std::vector<uint8_t> samples;
            for (uint32_t v : ramp(17 * 11 * components, 256, 1)) {
                samples.push_back(static_cast<uint8_t>(v));
            }
            seeds.push_back({"c" + std::to_string(components) + (progressive ? "p" : "b") + ".jpg",
                             writeJpeg(o, 17, 11, samples)});
        }
    }
    addCorrupt(&seeds);
    return seeds;
}

// Bytes that look random (a fixed sequence), so that block seeds reach every
// BC6H and BC7 mode and partition.
Bytes noise(size_t count, uint32_t seed) {
    Bytes bytes(count);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

// The formats read by decoders rather than as Direct3D 9 formats: block
// formats (BC4 to BC7) and texels (floating-point, signed, packed floats),
// by DXGI number, legacy FourCC or number, and bump masks; 8 x 4 with four
// levels (5 blocks or 43 texels), and one with rows padded to a pitch.
void addDecodedFormatSeeds(std::vector<SeedFile>* seeds) {
    const struct {
        const char* name;
        uint32_t dxgi, fourCC, unitBytes;
        bool blocks;
    } formats[] = {
        {"bc4_unorm", 80, 0, 8, true},
        {"bc4_snorm", 81, 0, 8, true},
        {"bc5_typeless", 82, 0, 16, true},
        {"bc5_snorm", 84, 0, 16, true},
        {"bc6h_uf16", 95, 0, 16, true},
        {"bc6h_sf16", 96, 0, 16, true},
        {"bc7_unorm", 98, 0, 16, true},
        {"bc7_srgb", 99, 0, 16, true},
        {"ati1", 0, fourCC("ATI1"), 8, true},
        {"bc4s", 0, fourCC("BC4S"), 8, true},
        {"ati2", 0, fourCC("ATI2"), 16, true},
        {"bc5s", 0, fourCC("BC5S"), 16, true},
        {"rgba32f", 2, 0, 16, false},
        {"rgb32f", 6, 0, 12, false},
        {"rgba16f", 10, 0, 8, false},
        {"rg32f", 16, 0, 8, false},
        {"r11g11b10f", 26, 0, 4, false},
        {"rgba8_snorm", 31, 0, 4, false},
        {"rg16f", 34, 0, 4, false},
        {"rg16", 35, 0, 4, false},
        {"rg16_snorm", 37, 0, 4, false},
        {"r32f", 41, 0, 4, false},
        {"rg8_snorm", 51, 0, 2, false},
        {"r16f", 54, 0, 2, false},
        {"r16", 56, 0, 2, false},
        {"rgb9e5", 67, 0, 4, false},
        {"d3d_r16f", 0, 111, 2, false},
        {"d3d_a16b16g16r16f", 0, 113, 8, false},
        {"d3d_g32r32f", 0, 115, 8, false},
        {"d3d_v8u8", 0, 60, 2, false},
        {"d3d_q8w8v8u8", 0, 63, 4, false},
        {"d3d_v16u16", 0, 64, 4, false},
    };
    uint32_t seed = 1;
    for (const auto& f : formats) {
        DdsOptions o;
        o.width = 8, o.height = 4, o.mipCount = 4;
        o.flags |= 0x20000;
        o.dx10 = f.dxgi != 0, o.dxgiFormat = f.dxgi, o.fourCC = f.fourCC;
        const size_t units = f.blocks ? 2 + 1 + 1 + 1 : 32 + 8 + 2 + 1;
        seeds->push_back(
            {std::string(f.name) + ".dds", writeDds(o, noise(units * f.unitBytes, seed++))});
    }
    DdsOptions bump;
    bump.width = 8, bump.height = 4, bump.pfFlags = 0x80000, bump.bits = 32;
    bump.masks[0] = 0xff, bump.masks[1] = 0xff00, bump.masks[2] = 0xff0000;
    bump.masks[3] = 0xff000000;
    seeds->push_back({"bump_q8w8v8u8.dds", writeDds(bump, noise(32 * 4, seed++))});
    DdsOptions padded;
    padded.width = 5, padded.height = 3, padded.flags |= 0x8, padded.pitchOrLinearSize = 16;
    padded.pfFlags = 0x40, padded.bits = 24;
    padded.masks[0] = 0xff0000, padded.masks[1] = 0xff00, padded.masks[2] = 0xff;
    seeds->push_back({"padded_rgb.dds", writeDds(padded, noise(16 * 3, seed++))});
}

std::vector<SeedFile> ddsSeeds() {
    std::vector<SeedFile> seeds;
    const struct {
        const char* name;
        uint32_t pfFlags, fourCC, bits, r, g, b, a;
    } legacy[] = {
        {"dxt1", 0x4, fourCC("DXT1"), 0, 0, 0, 0, 0},
        {"dxt3", 0x4, fourCC("DXT3"), 0, 0, 0, 0, 0},
        {"dxt5", 0x4, fourCC("DXT5"), 0, 0, 0, 0, 0},
        {"argb", 0x41, 0, 32, 0xff0000, 0xff00, 0xff, 0xff000000},
        {"rgb", 0x40, 0, 24, 0xff0000, 0xff00, 0xff, 0},
        {"r5g6b5", 0x40, 0, 16, 0xf800, 0x7e0, 0x1f, 0},
        {"a4l4", 0x20001, 0, 8, 0xf, 0, 0, 0xf0},
        {"a8l8", 0x20001, 0, 16, 0xff, 0, 0, 0xff00},
        {"odd_masks", 0x41, 0, 16, 0x7e00, 0x1f0, 0xf, 0x8000},
        {"a16b16g16r16", 0x4, 36, 0, 0, 0, 0, 0},
    };
    for (const auto& f : legacy) {
        DdsOptions o;
        o.width = 8, o.height = 4, o.mipCount = 4;
        o.flags |= 0x20000;
        o.pfFlags = f.pfFlags, o.fourCC = f.fourCC, o.bits = f.bits;
        o.masks[0] = f.r, o.masks[1] = f.g, o.masks[2] = f.b, o.masks[3] = f.a;
        const uint32_t unit = f.fourCC == fourCC("DXT1") ? 4
                              : f.fourCC == 36           ? 64
                              : f.fourCC != 0            ? 8
                                                         : f.bits;
        Bytes data(64 * unit / 8 * 2, 0);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<uint8_t>(i * 37 + 11);
        }
        seeds.push_back({std::string(f.name) + ".dds", writeDds(o, data)});
    }
    {
        DdsOptions o;
        o.dx10 = true, o.dxgiFormat = 71, o.miscFlag = 4, o.arraySize = 1;
        o.caps2 = 0xfe00;
        seeds.push_back({"dx10_bc1_cube.dds", writeDds(o, Bytes(8 * 6, 0x5a))});
        o.dxgiFormat = 49, o.miscFlag = 0;
        seeds.push_back({"dx10_r8g8.dds", writeDds(o, Bytes(32, 0x33))});
    }
    {
        DdsOptions o;
        o.pfFlags = 0x20, o.bits = 8;
        o.palette = greyPalette(256);
        seeds.push_back({"p8.dds", writeDds(o, Bytes(16, 7))});
        DdsOptions v;
        v.depth = 3, v.caps2 = 0x200000, v.flags |= 0x800000;
        v.pfFlags = 0x20000, v.bits = 8, v.masks[0] = 0xff;
        seeds.push_back({"volume_l8.dds", writeDds(v, Bytes(48, 9))});
    }
    addDecodedFormatSeeds(&seeds);
    addCorrupt(&seeds);
    return seeds;
}

} // namespace

std::vector<SeedFile> seedFiles(const std::string& format) {
    if (format == "bmp") {
        return bmpSeeds();
    }
    if (format == "tga") {
        return tgaSeeds();
    }
    if (format == "png") {
        return pngSeeds();
    }
    if (format == "jpeg") {
        return jpegSeeds();
    }
    if (format == "dds") {
        return ddsSeeds();
    }
    return {};
}

} // namespace imgwrite
