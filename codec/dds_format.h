// The on-disk structures of DDS files, shared by the reader and the writer.
#pragma once

#include <cstdint>

namespace k4codec {

inline constexpr uint32_t kDdsMagic = 0x20534444; // "DDS "

struct DdsPixelFormat {
    uint32_t size;
    uint32_t flags;
    uint32_t fourCC;
    uint32_t rgbBitCount;
    uint32_t rMask;
    uint32_t gMask;
    uint32_t bMask;
    uint32_t aMask;
};
static_assert(sizeof(DdsPixelFormat) == 32, "DDS_PIXELFORMAT is 32 bytes");

struct DdsHeader {
    uint32_t size;
    uint32_t flags;
    uint32_t height;
    uint32_t width;
    uint32_t pitchOrLinearSize;
    uint32_t depth;
    uint32_t mipMapCount;
    uint32_t reserved1[11];
    DdsPixelFormat pixelFormat;
    uint32_t caps;
    uint32_t caps2;
    uint32_t caps3;
    uint32_t caps4;
    uint32_t reserved2;
};
static_assert(sizeof(DdsHeader) == 124, "DDS_HEADER is 124 bytes");

struct DdsHeaderDx10 {
    uint32_t dxgiFormat;
    uint32_t resourceDimension;
    uint32_t miscFlag;
    uint32_t arraySize;
    uint32_t miscFlags2;
};
static_assert(sizeof(DdsHeaderDx10) == 20, "DDS_HEADER_DXT10 is 20 bytes");

// Header flags (DDSD_*).
inline constexpr uint32_t kDdsdCaps = 0x1;
inline constexpr uint32_t kDdsdHeight = 0x2;
inline constexpr uint32_t kDdsdWidth = 0x4;
inline constexpr uint32_t kDdsdPitch = 0x8;
inline constexpr uint32_t kDdsdPixelFormat = 0x1000;
inline constexpr uint32_t kDdsdMipMapCount = 0x20000;
inline constexpr uint32_t kDdsdLinearSize = 0x80000;
inline constexpr uint32_t kDdsdDepth = 0x800000;

// Pixel format flags (DDPF_*).
inline constexpr uint32_t kDdpfAlphaPixels = 0x1;
inline constexpr uint32_t kDdpfAlpha = 0x2;
inline constexpr uint32_t kDdpfFourCC = 0x4;
inline constexpr uint32_t kDdpfPaletteIndexed8 = 0x20;
inline constexpr uint32_t kDdpfRgb = 0x40;
inline constexpr uint32_t kDdpfLuminance = 0x20000;

// Capabilities (DDSCAPS_*, DDSCAPS2_*).
inline constexpr uint32_t kDdsCapsComplex = 0x8;
inline constexpr uint32_t kDdsCapsTexture = 0x1000;
inline constexpr uint32_t kDdsCapsMipMap = 0x400000;
inline constexpr uint32_t kDdsCaps2CubeMap = 0x200;
inline constexpr uint32_t kDdsCaps2Volume = 0x200000;

// DX10 header values.
inline constexpr uint32_t kDx10Texture2D = 3;
inline constexpr uint32_t kDx10Texture3D = 4;
inline constexpr uint32_t kDx10MiscTextureCube = 0x4;

} // namespace k4codec
