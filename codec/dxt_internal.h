// Inside the DXT codec: the palette rules that the decoder and the encoder
// share (so the encoder measures exactly what a reader will see; the BC4 and
// BC5 decoders use the alpha palette too), and the colour block encoder of
// dxt_colour.cpp. Not part of the codec's interface.
#pragma once

#include "codec/formats.h"

#include <cstdint>

namespace k4codec {
namespace dxt {

struct Colour {
    int r, g, b;
};

inline Colour expand565(uint16_t c) {
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return Colour{(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

// Palette of a colour block; `three` selects the three-colour mode, whose
// entry 3 is transparent black.
inline void colourPalette(uint16_t c0, uint16_t c1, bool three, Colour palette[4]) {
    const Colour a = expand565(c0), b = expand565(c1);
    palette[0] = a;
    palette[1] = b;
    if (three) {
        palette[2] = Colour{(a.r + b.r + 1) / 2, (a.g + b.g + 1) / 2, (a.b + b.b + 1) / 2};
        palette[3] = Colour{0, 0, 0};
    } else {
        palette[2] =
            Colour{(2 * a.r + b.r + 1) / 3, (2 * a.g + b.g + 1) / 3, (2 * a.b + b.b + 1) / 3};
        palette[3] =
            Colour{(a.r + 2 * b.r + 1) / 3, (a.g + 2 * b.g + 1) / 3, (a.b + 2 * b.b + 1) / 3};
    }
}

// Palette of a DXT5 alpha block, which is also a BC4 block: eight values
// when a0 > a1, otherwise six and then 0 and 255.
inline void alphaPalette(int a0, int a1, int palette[8]) {
    palette[0] = a0;
    palette[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) {
            palette[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
        }
    } else {
        for (int i = 1; i < 5; ++i) {
            palette[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
        }
        palette[6] = 0;
        palette[7] = 255;
    }
}

// Encodes the colour half of a block (8 bytes). `dxt1` allows the
// three-colour mode, and makes texels with alpha below 128 transparent.
void encodeColourBlock(const Rgba in[16], bool dxt1, uint8_t* out);

} // namespace dxt
} // namespace k4codec
