// Decoders of the DDS pixel formats that Direct3D 9 has no format for, into
// A8R8G8B8 words (the bytes B, G, R, A) by the rule of texel.h:
// - blocks of 4x4 texels: BC4 and BC5, unsigned and signed (bc4_bc5.cpp),
//   BC6H, unsigned and signed (bc6h.cpp), and BC7 (bc7.cpp), decoded exactly
//   as the Direct3D 10/11 block compression documents define them; whole
//   levels in bcn_level.cpp;
// - texels of floating-point, signed normalised and packed-float formats
//   (dds_float.cpp).
// Not part of the codec's interface: the DDS reader and its tests use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace k4codec {

enum class BlockFormat : uint8_t { Bc4, Bc4Signed, Bc5, Bc5Signed, Bc6h, Bc6hSigned, Bc7 };

// 8 for BC4, 16 for the others.
uint32_t blockBytes(BlockFormat format);

// Where a block's 16 texels go: rows of four words from the top left,
// `rowBytes` apart (16 for a block of its own; a level's row for texels
// written straight into it).
struct BlockOut {
    uint8_t* first;
    size_t rowBytes;

    void put(uint32_t texel, uint32_t word) const {
        std::memcpy(first + (texel >> 2) * rowBytes + (texel & 3) * 4, &word, 4);
    }
};

void decodeBc4Block(const uint8_t* block, bool signedValues, BlockOut out);
void decodeBc5Block(const uint8_t* block, bool signedValues, BlockOut out);
void decodeBc6hBlock(const uint8_t* block, bool signedValues, BlockOut out);
void decodeBc7Block(const uint8_t* block, BlockOut out);

// A level of width x height texels stored as rows of blocks into `dst`
// (width * height words, rows packed). Rows of blocks are spread over
// codecThreads() threads; the bytes do not depend on their number.
void decodeBlockLevel(BlockFormat format, const uint8_t* src, uint32_t width, uint32_t height,
                      uint8_t* dst);

// Per-texel formats: the type of each channel and the number of channels
// (texel.h's channel rule). The packed types always have three.
enum class TexelType : uint8_t {
    Half,           // IEEE binary16
    Float,          // IEEE binary32
    Snorm8,         // signed normalised, 8 bits
    Snorm16,        // signed normalised, 16 bits
    R11G11B10Float, // two 11-bit and one 10-bit unsigned float in 32 bits
    R9G9B9E5,       // three 9-bit mantissas with a shared 5-bit exponent
};

struct TexelFormat {
    TexelType type;
    uint8_t channels;
};

uint32_t texelBytes(const TexelFormat& format);

// `count` texels from `src` into `count` words at `dst`.
void decodeTexelRow(const TexelFormat& format, const uint8_t* src, uint32_t count, uint8_t* dst);

} // namespace k4codec
