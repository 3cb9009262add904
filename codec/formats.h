// Pixel formats, named by their Direct3D 9 D3DFORMAT numbers so that values
// pass straight through to the device: names, sizes, and conversion of rows
// to and from 8-bit RGBA. Handles the uncompressed formats with bit masks of
// up to 64 bits per pixel and the luminance and alpha-only formats; DXT blocks
// are in dxt.h and palettes are resolved by the file readers, so P8 and A8P8
// have names but no row conversion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k4codec {

using Format = uint32_t;

constexpr Format makeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

inline constexpr Format kFmtUnknown = 0;
inline constexpr Format kFmtR8G8B8 = 20;
inline constexpr Format kFmtA8R8G8B8 = 21;
inline constexpr Format kFmtX8R8G8B8 = 22;
inline constexpr Format kFmtR5G6B5 = 23;
inline constexpr Format kFmtX1R5G5B5 = 24;
inline constexpr Format kFmtA1R5G5B5 = 25;
inline constexpr Format kFmtA4R4G4B4 = 26;
inline constexpr Format kFmtR3G3B2 = 27;
inline constexpr Format kFmtA8 = 28;
inline constexpr Format kFmtA8R3G3B2 = 29;
inline constexpr Format kFmtX4R4G4B4 = 30;
inline constexpr Format kFmtA2B10G10R10 = 31;
inline constexpr Format kFmtA8B8G8R8 = 32;
inline constexpr Format kFmtX8B8G8R8 = 33;
inline constexpr Format kFmtA2R10G10B10 = 35;
inline constexpr Format kFmtA16B16G16R16 = 36;
inline constexpr Format kFmtA8P8 = 40;
inline constexpr Format kFmtP8 = 41;
inline constexpr Format kFmtL8 = 50;
inline constexpr Format kFmtA8L8 = 51;
inline constexpr Format kFmtA4L4 = 52;
inline constexpr Format kFmtL16 = 81;
inline constexpr Format kFmtDXT1 = makeFourCC('D', 'X', 'T', '1');
inline constexpr Format kFmtDXT2 = makeFourCC('D', 'X', 'T', '2');
inline constexpr Format kFmtDXT3 = makeFourCC('D', 'X', 'T', '3');
inline constexpr Format kFmtDXT4 = makeFourCC('D', 'X', 'T', '4');
inline constexpr Format kFmtDXT5 = makeFourCC('D', 'X', 'T', '5');

// One pixel as the conversions pass it around.
struct Rgba {
    uint8_t r, g, b, a;
};
static_assert(sizeof(Rgba) == 4, "Rgba is packed");

inline bool operator==(Rgba x, Rgba y) {
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

// Bit masks of an uncompressed format, as in a DDS pixel format. Luminance
// formats use `r` for the luminance mask.
struct FormatMasks {
    uint64_t r, g, b, a;
    bool luminance;
};

struct FormatInfo {
    Format format;
    const char* name;  // without the "D3DFMT_" prefix, e.g. "A8R8G8B8"
    uint32_t bits;     // bits per pixel; for DXT the bits per texel (4 or 8)
    bool compressed;   // 4x4 blocks
    bool alpha;        // has an alpha channel
    bool palette;      // P8, A8P8: indices into a palette
    FormatMasks masks; // zero for compressed and palette formats
};

// Null for a format this library does not know.
const FormatInfo* findFormat(Format format);
// The name without prefix, or null.
const char* formatName(Format format);
// Case-insensitive lookup by name without prefix ("dxt5", "A8R8G8B8").
Format formatFromName(const char* name);

bool isCompressed(Format format);
// True for the formats that rows can be converted from and to (everything
// known except the palette formats).
bool isConvertible(Format format);

// The twelve formats this library writes.
bool isOutputFormat(Format format);

// Bytes per pixel of an uncompressed format, bytes per 4x4 block of a DXT one.
uint32_t formatUnitBytes(Format format);
// Bytes of one row of pixels (of one row of blocks for DXT), 64-bit.
uint64_t formatRowPitch(Format format, uint32_t width);
// Number of rows (rows of blocks for DXT).
uint32_t formatRowCount(Format format, uint32_t height);
uint64_t formatLevelBytes(Format format, uint32_t width, uint32_t height);

// Converts `count` pixels of an uncompressed, non-palette format.
void unpackRow(Format format, const uint8_t* src, uint32_t count, Rgba* dst);
void packRow(Format format, const Rgba* src, uint32_t count, uint8_t* dst);

// The same by explicit masks and pixel size (1 to 8 bytes), for file headers
// whose masks name no known format. Masks must be contiguous runs of bits.
void unpackRowMasks(const FormatMasks& masks, uint32_t bytesPerPixel, const uint8_t* src,
                    uint32_t count, Rgba* dst);

// Luminance of a colour as the L formats store it (weights 0.299, 0.587, 0.114).
uint8_t luminanceOf(Rgba colour);

} // namespace k4codec
