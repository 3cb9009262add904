// Calls into icbc and rgbcx for dxt_bench; see dxt_anchors.h.
#include "bench/dxt_anchors.h"

#include <icbc.h>
#include <rgbcx.h>

namespace dxtanchors {

namespace {

// icbc works on floats in 0..1 with a weight per texel and per channel; the
// weights are even, as the benchmark's RGB error counts every channel alike.
void icbcColour(int level, const k4codec::Rgba in[16], bool threeColours, uint8_t* block) {
    float colours[16 * 4], weights[16];
    for (int i = 0; i < 16; ++i) {
        colours[4 * i + 0] = in[i].r / 255.0f;
        colours[4 * i + 1] = in[i].g / 255.0f;
        colours[4 * i + 2] = in[i].b / 255.0f;
        colours[4 * i + 3] = 1.0f;
        weights[i] = 1.0f;
    }
    static const float kChannelWeights[3] = {1.0f, 1.0f, 1.0f};
    icbc::compress_bc1(static_cast<icbc::Quality>(level), colours, weights, kChannelWeights,
                       threeColours, false, block);
}

} // namespace

void init() {
    icbc::init(icbc::Decoder_D3D10);
    rgbcx::init(rgbcx::bc1_approx_mode::cBC1Ideal);
}

void icbcDxt1(int level, const k4codec::Rgba in[16], uint8_t* block) {
    icbcColour(level, in, true, block);
}

void icbcDxt5(int level, const k4codec::Rgba in[16], uint8_t* block) {
    rgbcx::encode_bc4(block, &in[0].a, 4);
    icbcColour(level, in, false, block + 8);
}

void rgbcxDxt1(int level, const k4codec::Rgba in[16], uint8_t* block) {
    rgbcx::encode_bc1(static_cast<uint32_t>(level), block, &in[0].r, true, false);
}

void rgbcxDxt5(int level, const k4codec::Rgba in[16], uint8_t* block) {
    rgbcx::encode_bc3(static_cast<uint32_t>(level), block, &in[0].r);
}

} // namespace dxtanchors
