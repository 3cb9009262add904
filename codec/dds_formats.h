// The pixel formats a DDS file may name beyond the bit masks: by DXGI number
// in the "DX10" header, or by FourCC (or Direct3D 9 format number) and bump
// masks in the legacy header. Each has the name `qbtex info` prints and says
// how the reader turns its bytes into an image: as a format of formats.h, by
// bit masks, or by a decoder of dds_decode.h.
#pragma once

#include "codec/dds_decode.h"
#include "codec/formats.h"

#include <cstdint>

namespace k4codec {

// Direct3D 9 formats the codec reads but does not convert (formats.h), with
// their D3DFORMAT numbers or FourCCs.
inline constexpr Format kFmtG16R16 = 34;
inline constexpr Format kFmtV8U8 = 60;
inline constexpr Format kFmtQ8W8V8U8 = 63;
inline constexpr Format kFmtV16U16 = 64;
inline constexpr Format kFmtR16F = 111;
inline constexpr Format kFmtG16R16F = 112;
inline constexpr Format kFmtA16B16G16R16F = 113;
inline constexpr Format kFmtR32F = 114;
inline constexpr Format kFmtG32R32F = 115;
inline constexpr Format kFmtA32B32G32R32F = 116;
inline constexpr Format kFmtATI1 = makeFourCC('A', 'T', 'I', '1');
inline constexpr Format kFmtBC4U = makeFourCC('B', 'C', '4', 'U');
inline constexpr Format kFmtBC4S = makeFourCC('B', 'C', '4', 'S');
inline constexpr Format kFmtATI2 = makeFourCC('A', 'T', 'I', '2');
inline constexpr Format kFmtBC5U = makeFourCC('B', 'C', '5', 'U');
inline constexpr Format kFmtBC5S = makeFourCC('B', 'C', '5', 'S');

enum class DdsStorage : uint8_t {
    Raw,    // the bytes of `raw`, a format of formats.h
    Masks,  // bit masks, expanded to A8R8G8B8 or X8R8G8B8
    Blocks, // 4x4 blocks of `block`
    Texels, // texels of `texel`
};

struct DdsFormat {
    const char* name; // "BC7_UNORM_SRGB", "ATI2", "R16F"
    // The format ImageInfo gives: the Direct3D 9 format of these bytes, or
    // kFmtUnknown where Direct3D 9 has none (BC6H, BC7, R11G11B10_FLOAT ...).
    Format format;
    DdsStorage storage;
    Format raw;
    FormatMasks masks;
    uint32_t maskBits;
    BlockFormat block;
    TexelFormat texel;
};

// Null for a number or code the reader does not take.
const DdsFormat* findDxgiFormat(uint32_t dxgiFormat);
// FourCCs and D3DFORMAT numbers in the FourCC field that formats.h does not
// convert: ATI1, BC4U, BC4S, ATI2, BC5U, BC5S, R16F to A32B32G32R32F, V8U8,
// Q8W8V8U8, V16U16.
const DdsFormat* findFourCCFormat(uint32_t fourCC);
// Legacy headers with the bump flag (DDPF_BUMPDUDV): V8U8, Q8W8V8U8, V16U16.
const DdsFormat* findBumpFormat(uint32_t bits, const FormatMasks& masks);

// Whether the decoded image has alpha (Blocks and Texels).
bool decodesWithAlpha(const DdsFormat& format);

} // namespace k4codec
