// BC4 blocks (ATI1, BC4U, BC4S; BC4_UNORM, BC4_SNORM, BC4_TYPELESS as
// unsigned) and BC5 blocks (ATI2, BC5U, BC5S; BC5_UNORM, BC5_SNORM,
// BC5_TYPELESS as unsigned), as the Direct3D 10 documents define them.
// Unsigned blocks are DXT5 alpha blocks with the same rounded palette (the
// exact value rounded to 8 bits); signed ones interpolate the signed
// endpoints exactly (-128 counts as -127, the six-value palette ends in -1
// and 1) and map -1..1 onto 0..255 (texel.h). BC4 is grey; BC5 is red and
// green with blue 0.
#include "codec/dds_decode.h"
#include "codec/dxt_internal.h"
#include "codec/texel.h"

namespace k4codec {

namespace {

// The 16 values of one channel block, as bytes.
void decodeChannel(const uint8_t* block, bool signedValues, uint8_t out[16]) {
    uint8_t palette[8];
    if (!signedValues) {
        int values[8];
        dxt::alphaPalette(block[0], block[1], values);
        for (int i = 0; i < 8; ++i) {
            palette[i] = static_cast<uint8_t>(values[i]);
        }
    } else {
        const int8_t raw0 = static_cast<int8_t>(block[0]), raw1 = static_cast<int8_t>(block[1]);
        const int64_t e0 = raw0 < -127 ? -127 : raw0, e1 = raw1 < -127 ? -127 : raw1;
        palette[0] = signedRatioToByte(e0, 127);
        palette[1] = signedRatioToByte(e1, 127);
        // Which palette is chosen by the stored codes, -128 below -127.
        if (raw0 > raw1) {
            for (int i = 1; i < 7; ++i) {
                palette[i + 1] = signedRatioToByte((7 - i) * e0 + i * e1, 7 * 127);
            }
        } else {
            for (int i = 1; i < 5; ++i) {
                palette[i + 1] = signedRatioToByte((5 - i) * e0 + i * e1, 5 * 127);
            }
            palette[6] = 0;
            palette[7] = 255;
        }
    }
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i) {
        indices |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        out[i] = palette[(indices >> (3 * i)) & 7];
    }
}

} // namespace

void decodeBc4Block(const uint8_t* block, bool signedValues, BlockOut out) {
    uint8_t grey[16];
    decodeChannel(block, signedValues, grey);
    for (uint32_t t = 0; t < 16; ++t) {
        out.put(t, bgraWord(texelFromChannels(1, grey[t], 0, 0, 255)));
    }
}

void decodeBc5Block(const uint8_t* block, bool signedValues, BlockOut out) {
    uint8_t red[16], green[16];
    decodeChannel(block, signedValues, red);
    decodeChannel(block + 8, signedValues, green);
    for (uint32_t t = 0; t < 16; ++t) {
        out.put(t, bgraWord(texelFromChannels(2, red[t], green[t], 0, 255)));
    }
}

} // namespace k4codec
