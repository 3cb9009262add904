// Whole levels of BC4 to BC7 blocks: rows of blocks spread over the cores,
// each block decoded alone and its texels copied into the level's rows (the
// part inside the level, for blocks at the right and bottom edges).
#include "codec/dds_decode.h"
#include "codec/parallel.h"

#include <algorithm>
#include <cstring>

namespace k4codec {

namespace {

template <typename Decode>
void decodeLevel(Decode decode, uint32_t bytes, const uint8_t* src, uint32_t width, uint32_t height,
                 uint8_t* dst) {
    const size_t blocksWide = (width + 3) / 4, blockRows = (height + 3) / 4;
    // Pieces of about 16,000 blocks: a millisecond or so of BC7.
    const size_t grain = std::max<size_t>(1, 16384 / blocksWide);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    parallelFor(blockRows, grain, [=](size_t firstRow, size_t endRow) {
        uint8_t texels[64];
        for (size_t row = firstRow; row < endRow; ++row) {
            const uint32_t y0 = static_cast<uint32_t>(row * 4);
            const uint32_t rows = std::min<uint32_t>(4, height - y0);
            const uint8_t* in = src + row * blocksWide * bytes;
            uint8_t* out = dst + y0 * rowBytes;
            for (uint32_t x0 = 0; x0 < width; x0 += 4, in += bytes, out += 16) {
                if (rows == 4 && width - x0 >= 4) { // whole blocks go straight to the level
                    decode(in, BlockOut{out, rowBytes});
                    continue;
                }
                decode(in, BlockOut{texels, 16});
                const size_t columns = std::min<uint32_t>(4, width - x0);
                for (uint32_t y = 0; y < rows; ++y) {
                    std::memcpy(out + y * rowBytes, texels + y * 16, columns * 4);
                }
            }
        }
    });
}

} // namespace

uint32_t blockBytes(BlockFormat format) {
    return format == BlockFormat::Bc4 || format == BlockFormat::Bc4Signed ? 8 : 16;
}

void decodeBlockLevel(BlockFormat format, const uint8_t* src, uint32_t width, uint32_t height,
                      uint8_t* dst) {
    const uint32_t bytes = blockBytes(format);
    const bool signedValues = format == BlockFormat::Bc4Signed ||
                              format == BlockFormat::Bc5Signed || format == BlockFormat::Bc6hSigned;
    switch (format) {
    case BlockFormat::Bc4:
    case BlockFormat::Bc4Signed:
        decodeLevel([=](const uint8_t* b, BlockOut t) { decodeBc4Block(b, signedValues, t); },
                    bytes, src, width, height, dst);
        break;
    case BlockFormat::Bc5:
    case BlockFormat::Bc5Signed:
        decodeLevel([=](const uint8_t* b, BlockOut t) { decodeBc5Block(b, signedValues, t); },
                    bytes, src, width, height, dst);
        break;
    case BlockFormat::Bc6h:
    case BlockFormat::Bc6hSigned:
        decodeLevel([=](const uint8_t* b, BlockOut t) { decodeBc6hBlock(b, signedValues, t); },
                    bytes, src, width, height, dst);
        break;
    case BlockFormat::Bc7:
        decodeLevel([](const uint8_t* b, BlockOut t) { decodeBc7Block(b, t); }, bytes, src, width,
                    height, dst);
        break;
    }
}

} // namespace k4codec
