// Image file writers for test fixtures, fuzz seeds and benchmarks: BMP, TGA
// and DDS written byte by byte, PNG through libpng and JPEG through libjpeg.
// They write what they are told, including headers that no reader should
// accept, so tests can build every variant and corrupt file they need.
//
// Shares no code with the codec library (only the standard library, libpng
// and libjpeg), so that a misreading of a format in the reader does not hide
// in the writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imgwrite {

using Bytes = std::vector<uint8_t>;

struct Pixel {
    uint8_t r, g, b, a;
};

// --- BMP ---

struct BmpOptions {
    uint32_t headerSize = 40; // 12 (core), 40, 52, 56, 108 (V4), 124 (V5)
    uint32_t bits = 24;       // 1, 4, 8, 16, 24, 32
    uint32_t compression = 0; // 0 RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS, 6 ALPHABITFIELDS
    bool topDown = false;
    uint32_t masks[4] = {0, 0, 0, 0}; // r, g, b, a for bit fields
    std::vector<Pixel> palette;       // written as given (alpha ignored)
    uint32_t clrUsed = 0;             // 0: the palette's size (info headers only)
};

// `values` are the stored pixel values, top row first: palette indices for 1
// to 8 bits, the 16- or 32-bit word for 16 and 32 bits, 0xRRGGBB for 24 bits.
// RLE8 and RLE4 encode runs and absolute spans with an end of line per row.
Bytes writeBmp(const BmpOptions& options, uint32_t width, uint32_t height,
               const std::vector<uint32_t>& values);
// The same headers around pixel data given as it is stored (for hand-made RLE).
Bytes writeBmpRawData(const BmpOptions& options, uint32_t width, uint32_t height,
                      const Bytes& data);

// --- TGA ---

struct TgaOptions {
    uint32_t imageType = 2; // 1, 2, 3, 9, 10, 11
    uint32_t bits = 32;     // 8, 15, 16, 24, 32
    uint32_t alphaBits = 0;
    bool topDown = false;
    bool rightToLeft = false;
    uint32_t mapFirst = 0;
    uint32_t mapEntryBits = 24;
    std::vector<uint32_t> colourMap; // stored entry values (as for `values`)
    std::string id;
};

// `values` are stored pixel values, top row first: index, grey (| alpha << 8
// for 16-bit grey), the 16-bit word, or 0xAARRGGBB for 24 and 32 bits. RLE
// types use run packets for repeats and raw packets otherwise, crossing rows.
Bytes writeTga(const TgaOptions& options, uint32_t width, uint32_t height,
               const std::vector<uint32_t>& values);

// --- DDS ---

struct DdsOptions {
    uint32_t width = 4, height = 4, depth = 0, mipCount = 0;
    uint32_t flags = 0x1007; // CAPS | HEIGHT | WIDTH | PIXELFORMAT
    uint32_t pitchOrLinearSize = 0;
    uint32_t pfFlags = 0x4; // FOURCC
    uint32_t fourCC = 0;
    uint32_t bits = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    uint32_t caps = 0x1000, caps2 = 0;
    bool dx10 = false;
    uint32_t dxgiFormat = 0, resourceDimension = 3, miscFlag = 0, arraySize = 1;
    std::vector<Pixel> palette; // 256 entries written after the header when set
    uint32_t headerSize = 124, pfSize = 32;
};

uint32_t fourCC(const char* text);
// Header (and DX10 header and palette) followed by `data`, which holds every
// level of every face or slice as the format stores them.
Bytes writeDds(const DdsOptions& options, const Bytes& data);

// --- PNG (libpng) ---

struct PngOptions {
    int colourType = 6; // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Pixel> palette;          // colour type 3
    std::vector<uint8_t> paletteAlpha;   // tRNS of a palette
    bool transparentColour = false;      // tRNS of grey or RGB
    uint16_t transparent[3] = {0, 0, 0}; // grey in [0], or r, g, b
};

// `samples`: width * height * channels values, top row first, each at most
// (1 << bitDepth) - 1. Empty result when libpng fails.
Bytes writePng(const PngOptions& options, uint32_t width, uint32_t height,
               const std::vector<uint16_t>& samples);

// --- JPEG (libjpeg) ---

struct JpegOptions {
    int components = 3; // 1 grey, 3 RGB (stored as YCbCr), 4 CMYK
    bool ycck = false;  // with 4 components: store as YCCK
    bool progressive = false;
    int quality = 95;
};

// `samples`: width * height * components bytes, top row first (CMYK given as
// Adobe writes it, inverted). Empty result when libjpeg fails.
Bytes writeJpeg(const JpegOptions& options, uint32_t width, uint32_t height,
                const std::vector<uint8_t>& samples);

// --- Helpers for corrupt variants ---

void patchLe16(Bytes* bytes, size_t offset, uint16_t value);
void patchLe32(Bytes* bytes, size_t offset, uint32_t value);

// Writes bytes to a file (Windows-style path allowed); false on failure.
bool saveFile(const std::string& path, const Bytes& bytes);

} // namespace imgwrite

namespace imgwrite {

struct SeedFile {
    std::string name;
    Bytes bytes;
};

// Small valid files of every variant of one format ("dds", "bmp", "tga",
// "png", "jpeg"), with a few corrupt ones, as fuzzing seeds. Empty for an
// unknown format.
std::vector<SeedFile> seedFiles(const std::string& format);

} // namespace imgwrite
