// The tables of DDS pixel formats (see dds_formats.h). TYPELESS formats read
// as their UNORM kind, sRGB ones as the same bytes (sRGB is a sampling state
// in Direct3D 9). One-channel formats read as grey (R8 as L8, R16 as L16).
#include "codec/dds_formats.h"

namespace k4codec {

namespace {

constexpr DdsFormat raw(const char* name, Format format) {
    return DdsFormat{name, format, DdsStorage::Raw, format, {}, 0, BlockFormat::Bc4, {}};
}

constexpr DdsFormat masks(const char* name, Format format, FormatMasks m, uint32_t bits) {
    return DdsFormat{name, format, DdsStorage::Masks, kFmtUnknown, m, bits, BlockFormat::Bc4, {}};
}

constexpr DdsFormat blocks(const char* name, Format format, BlockFormat block) {
    return DdsFormat{name, format, DdsStorage::Blocks, kFmtUnknown, {}, 0, block, {}};
}

constexpr DdsFormat texels(const char* name, Format format, TexelType type, uint8_t channels) {
    return DdsFormat{name, format, DdsStorage::Texels, kFmtUnknown,
                     {},   0,      BlockFormat::Bc4,   {type, channels}};
}

struct Numbered {
    uint32_t number;
    DdsFormat format;
};

constexpr Numbered kDxgiFormats[] = {
    {2, texels("R32G32B32A32_FLOAT", kFmtA32B32G32R32F, TexelType::Float, 4)},
    {6, texels("R32G32B32_FLOAT", kFmtUnknown, TexelType::Float, 3)},
    {10, texels("R16G16B16A16_FLOAT", kFmtA16B16G16R16F, TexelType::Half, 4)},
    {11, raw("R16G16B16A16_UNORM", kFmtA16B16G16R16)},
    {16, texels("R32G32_FLOAT", kFmtG32R32F, TexelType::Float, 2)},
    {24, raw("R10G10B10A2_UNORM", kFmtA2B10G10R10)},
    {26, texels("R11G11B10_FLOAT", kFmtUnknown, TexelType::R11G11B10Float, 3)},
    {27, raw("R8G8B8A8_TYPELESS", kFmtA8B8G8R8)},
    {28, raw("R8G8B8A8_UNORM", kFmtA8B8G8R8)},
    {29, raw("R8G8B8A8_UNORM_SRGB", kFmtA8B8G8R8)},
    {31, texels("R8G8B8A8_SNORM", kFmtQ8W8V8U8, TexelType::Snorm8, 4)},
    {34, texels("R16G16_FLOAT", kFmtG16R16F, TexelType::Half, 2)},
    {35, masks("R16G16_UNORM", kFmtG16R16, {0xffff, 0xffff0000, 0, 0, false}, 32)},
    {37, texels("R16G16_SNORM", kFmtV16U16, TexelType::Snorm16, 2)},
    {41, texels("R32_FLOAT", kFmtR32F, TexelType::Float, 1)},
    {48, masks("R8G8_TYPELESS", kFmtX8R8G8B8, {0xff, 0xff00, 0, 0, false}, 16)},
    {49, masks("R8G8_UNORM", kFmtX8R8G8B8, {0xff, 0xff00, 0, 0, false}, 16)},
    {51, texels("R8G8_SNORM", kFmtV8U8, TexelType::Snorm8, 2)},
    {54, texels("R16_FLOAT", kFmtR16F, TexelType::Half, 1)},
    {56, raw("R16_UNORM", kFmtL16)},
    {60, raw("R8_TYPELESS", kFmtL8)},
    {61, raw("R8_UNORM", kFmtL8)},
    {65, raw("A8_UNORM", kFmtA8)},
    {67, texels("R9G9B9E5_SHAREDEXP", kFmtUnknown, TexelType::R9G9B9E5, 3)},
    {70, raw("BC1_TYPELESS", kFmtDXT1)},
    {71, raw("BC1_UNORM", kFmtDXT1)},
    {72, raw("BC1_UNORM_SRGB", kFmtDXT1)},
    {73, raw("BC2_TYPELESS", kFmtDXT3)},
    {74, raw("BC2_UNORM", kFmtDXT3)},
    {75, raw("BC2_UNORM_SRGB", kFmtDXT3)},
    {76, raw("BC3_TYPELESS", kFmtDXT5)},
    {77, raw("BC3_UNORM", kFmtDXT5)},
    {78, raw("BC3_UNORM_SRGB", kFmtDXT5)},
    {79, blocks("BC4_TYPELESS", kFmtATI1, BlockFormat::Bc4)},
    {80, blocks("BC4_UNORM", kFmtATI1, BlockFormat::Bc4)},
    {81, blocks("BC4_SNORM", kFmtBC4S, BlockFormat::Bc4Signed)},
    {82, blocks("BC5_TYPELESS", kFmtATI2, BlockFormat::Bc5)},
    {83, blocks("BC5_UNORM", kFmtATI2, BlockFormat::Bc5)},
    {84, blocks("BC5_SNORM", kFmtBC5S, BlockFormat::Bc5Signed)},
    {85, raw("B5G6R5_UNORM", kFmtR5G6B5)},
    {86, raw("B5G5R5A1_UNORM", kFmtA1R5G5B5)},
    {87, raw("B8G8R8A8_UNORM", kFmtA8R8G8B8)},
    {88, raw("B8G8R8X8_UNORM", kFmtX8R8G8B8)},
    {90, raw("B8G8R8A8_TYPELESS", kFmtA8R8G8B8)},
    {91, raw("B8G8R8A8_UNORM_SRGB", kFmtA8R8G8B8)},
    {92, raw("B8G8R8X8_TYPELESS", kFmtX8R8G8B8)},
    {93, raw("B8G8R8X8_UNORM_SRGB", kFmtX8R8G8B8)},
    {94, blocks("BC6H_TYPELESS", kFmtUnknown, BlockFormat::Bc6h)},
    {95, blocks("BC6H_UF16", kFmtUnknown, BlockFormat::Bc6h)},
    {96, blocks("BC6H_SF16", kFmtUnknown, BlockFormat::Bc6hSigned)},
    {97, blocks("BC7_TYPELESS", kFmtUnknown, BlockFormat::Bc7)},
    {98, blocks("BC7_UNORM", kFmtUnknown, BlockFormat::Bc7)},
    {99, blocks("BC7_UNORM_SRGB", kFmtUnknown, BlockFormat::Bc7)},
    {115, raw("B4G4R4A4_UNORM", kFmtA4R4G4B4)},
};

constexpr Numbered kFourCCFormats[] = {
    {kFmtATI1, blocks("ATI1", kFmtATI1, BlockFormat::Bc4)},
    {kFmtBC4U, blocks("BC4U", kFmtBC4U, BlockFormat::Bc4)},
    {kFmtBC4S, blocks("BC4S", kFmtBC4S, BlockFormat::Bc4Signed)},
    {kFmtATI2, blocks("ATI2", kFmtATI2, BlockFormat::Bc5)},
    {kFmtBC5U, blocks("BC5U", kFmtBC5U, BlockFormat::Bc5)},
    {kFmtBC5S, blocks("BC5S", kFmtBC5S, BlockFormat::Bc5Signed)},
    {kFmtR16F, texels("R16F", kFmtR16F, TexelType::Half, 1)},
    {kFmtG16R16F, texels("G16R16F", kFmtG16R16F, TexelType::Half, 2)},
    {kFmtA16B16G16R16F, texels("A16B16G16R16F", kFmtA16B16G16R16F, TexelType::Half, 4)},
    {kFmtR32F, texels("R32F", kFmtR32F, TexelType::Float, 1)},
    {kFmtG32R32F, texels("G32R32F", kFmtG32R32F, TexelType::Float, 2)},
    {kFmtA32B32G32R32F, texels("A32B32G32R32F", kFmtA32B32G32R32F, TexelType::Float, 4)},
    {kFmtV8U8, texels("V8U8", kFmtV8U8, TexelType::Snorm8, 2)},
    {kFmtQ8W8V8U8, texels("Q8W8V8U8", kFmtQ8W8V8U8, TexelType::Snorm8, 4)},
    {kFmtV16U16, texels("V16U16", kFmtV16U16, TexelType::Snorm16, 2)},
};

template <size_t N> const DdsFormat* find(const Numbered (&table)[N], uint32_t number) {
    for (const Numbered& entry : table) {
        if (entry.number == number) {
            return &entry.format;
        }
    }
    return nullptr;
}

} // namespace

const DdsFormat* findDxgiFormat(uint32_t dxgiFormat) {
    return find(kDxgiFormats, dxgiFormat);
}

const DdsFormat* findFourCCFormat(uint32_t fourCC) {
    return find(kFourCCFormats, fourCC);
}

const DdsFormat* findBumpFormat(uint32_t bits, const FormatMasks& m) {
    if (bits == 16 && m.r == 0xff && m.g == 0xff00 && m.b == 0 && m.a == 0) {
        return findFourCCFormat(kFmtV8U8);
    }
    if (bits == 32 && m.r == 0xff && m.g == 0xff00 && m.b == 0xff0000 && m.a == 0xff000000) {
        return findFourCCFormat(kFmtQ8W8V8U8);
    }
    if (bits == 32 && m.r == 0xffff && m.g == 0xffff0000 && m.b == 0 && m.a == 0) {
        return findFourCCFormat(kFmtV16U16);
    }
    return nullptr;
}

bool decodesWithAlpha(const DdsFormat& format) {
    return format.storage == DdsStorage::Blocks ? format.block == BlockFormat::Bc7
                                                : format.texel.channels == 4;
}

} // namespace k4codec
