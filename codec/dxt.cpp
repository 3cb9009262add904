// DXT block decoding, alpha encoding and whole levels. See dxt.h for the
// rounding rules; the colour encoder is in dxt_colour.cpp and measures its
// error with exactly the palette the decoder builds (dxt_internal.h).
#include "codec/dxt.h"

#include "codec/dxt_internal.h"
#include "codec/parallel.h"

#include <algorithm>

#include <cstring>

namespace k4codec {

namespace {

// --- Decoding ---

void decodeColour(const uint8_t* block, bool dxt1, Rgba out[16]) {
    const uint16_t c0 = static_cast<uint16_t>(block[0] | (block[1] << 8));
    const uint16_t c1 = static_cast<uint16_t>(block[2] | (block[3] << 8));
    const bool three = dxt1 && c0 <= c1;
    dxt::Colour palette[4];
    dxt::colourPalette(c0, c1, three, palette);
    uint32_t indices;
    std::memcpy(&indices, block + 4, 4);
    for (int i = 0; i < 16; ++i) {
        const uint32_t index = (indices >> (2 * i)) & 3;
        const dxt::Colour& c = palette[index];
        out[i] = Rgba{static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g),
                      static_cast<uint8_t>(c.b), three && index == 3 ? uint8_t(0) : uint8_t(255)};
    }
}

void decodeAlpha3(const uint8_t* block, Rgba out[16]) {
    for (int i = 0; i < 16; ++i) {
        const int nibble = (block[i / 2] >> (4 * (i & 1))) & 15;
        out[i].a = static_cast<uint8_t>(nibble * 17);
    }
}

void decodeAlpha5(const uint8_t* block, Rgba out[16]) {
    int palette[8];
    dxt::alphaPalette(block[0], block[1], palette);
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        out[i].a = static_cast<uint8_t>(palette[(bits >> (3 * i)) & 7]);
    }
}

// --- Alpha encoding ---

void encodeAlpha3(const Rgba in[16], uint8_t* out) {
    std::memset(out, 0, 8);
    for (int i = 0; i < 16; ++i) {
        const int nibble = (in[i].a * 15 + 127) / 255;
        out[i / 2] |= static_cast<uint8_t>(nibble << (4 * (i & 1)));
    }
}

int alphaError(const int values[16], int a0, int a1, uint8_t* indices) {
    int palette[8];
    dxt::alphaPalette(a0, a1, palette);
    int total = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 1 << 30, bestIndex = 0;
        for (int k = 0; k < 8; ++k) {
            const int d = (values[i] - palette[k]) * (values[i] - palette[k]);
            if (d < best) {
                best = d;
                bestIndex = k;
            }
        }
        total += best;
        if (indices) {
            indices[i] = static_cast<uint8_t>(bestIndex);
        }
    }
    return total;
}

// Moves each end one step at a time while the error falls; `eight` keeps
// a0 > a1 (eight values), otherwise a0 <= a1 (six values plus 0 and 255).
int refineAlpha(const int values[16], bool eight, int* a0, int* a1, int error) {
    for (int pass = 0; pass < 8 && error > 0; ++pass) {
        bool improved = false;
        for (int end = 0; end < 2; ++end) {
            for (int step = -1; step <= 1; step += 2) {
                int t0 = *a0 + (end == 0 ? step : 0), t1 = *a1 + (end == 1 ? step : 0);
                if (t0 < 0 || t0 > 255 || t1 < 0 || t1 > 255 || (eight ? t0 <= t1 : t0 > t1)) {
                    continue;
                }
                const int trial = alphaError(values, t0, t1, nullptr);
                if (trial < error) {
                    error = trial, *a0 = t0, *a1 = t1, improved = true;
                }
            }
        }
        if (!improved) {
            break;
        }
    }
    return error;
}

void encodeAlpha5(const Rgba in[16], uint8_t* out) {
    int values[16];
    int lo = 255, hi = 0, lo6 = 255, hi6 = 0;
    for (int i = 0; i < 16; ++i) {
        values[i] = in[i].a;
        lo = values[i] < lo ? values[i] : lo;
        hi = values[i] > hi ? values[i] : hi;
        if (values[i] != 0 && values[i] != 255) {
            lo6 = values[i] < lo6 ? values[i] : lo6;
            hi6 = values[i] > hi6 ? values[i] : hi6;
        }
    }
    int a0 = hi, a1 = lo, error;
    if (hi == lo) {
        a1 = a0; // one value: index 0 is exact in either mode
        error = 0;
    } else {
        error = refineAlpha(values, true, &a0, &a1, alphaError(values, a0, a1, nullptr));
        if (error > 0) {
            int b0 = lo6 > hi6 ? 0 : lo6, b1 = lo6 > hi6 ? 255 : hi6;
            const int error6 =
                refineAlpha(values, false, &b0, &b1, alphaError(values, b0, b1, nullptr));
            if (error6 < error) {
                a0 = b0, a1 = b1, error = error6;
            }
        }
    }
    uint8_t indices[16];
    alphaError(values, a0, a1, indices);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= static_cast<uint64_t>(indices[i]) << (3 * i);
    }
    out[0] = static_cast<uint8_t>(a0);
    out[1] = static_cast<uint8_t>(a1);
    for (int i = 0; i < 6; ++i) {
        out[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

// Whole levels go to the cores in pieces of rows of about this many blocks
// (half a millisecond of encoding); each block is done alone, so the bytes
// never depend on the split.
constexpr size_t kBlocksPerPiece = 512;

uint32_t blockBytes(Format format) {
    return format == kFmtDXT1 ? 8 : 16;
}

} // namespace

void dxtDecodeBlock(Format format, const uint8_t* block, Rgba out[16]) {
    if (format == kFmtDXT1) {
        decodeColour(block, true, out);
        return;
    }
    decodeColour(block + 8, false, out);
    if (format == kFmtDXT2 || format == kFmtDXT3) {
        decodeAlpha3(block, out);
    } else {
        decodeAlpha5(block, out);
    }
}

void dxtEncodeBlock(Format format, const Rgba in[16], uint8_t* block) {
    if (format == kFmtDXT1) {
        dxt::encodeColourBlock(in, true, block);
        return;
    }
    dxt::encodeColourBlock(in, false, block + 8);
    if (format == kFmtDXT2 || format == kFmtDXT3) {
        encodeAlpha3(in, block);
    } else {
        encodeAlpha5(in, block);
    }
}

void dxtDecodeImage(Format format, const uint8_t* src, uint32_t width, uint32_t height, Rgba* dst) {
    const uint32_t bytes = blockBytes(format);
    const size_t blocksWide = (width + 3) / 4, blockRows = (height + 3) / 4;
    // Decoding is some fifty times faster than encoding: bigger pieces.
    const size_t grain = std::max<size_t>(1, 32 * kBlocksPerPiece / blocksWide);
    parallelFor(blockRows, grain, [=](size_t firstRow, size_t endRow) {
        Rgba texels[16];
        for (size_t row = firstRow; row < endRow; ++row) {
            const uint32_t by = static_cast<uint32_t>(row * 4);
            const uint8_t* in = src + row * blocksWide * bytes;
            for (uint32_t bx = 0; bx < width; bx += 4, in += bytes) {
                dxtDecodeBlock(format, in, texels);
                for (uint32_t y = 0; y < 4 && by + y < height; ++y) {
                    for (uint32_t x = 0; x < 4 && bx + x < width; ++x) {
                        dst[static_cast<size_t>(by + y) * width + bx + x] = texels[y * 4 + x];
                    }
                }
            }
        }
    });
}

void dxtEncodeImage(Format format, const Rgba* src, uint32_t width, uint32_t height, uint8_t* dst) {
    const uint32_t bytes = blockBytes(format);
    const size_t blocksWide = (width + 3) / 4, blockRows = (height + 3) / 4;
    const size_t grain = std::max<size_t>(1, kBlocksPerPiece / blocksWide);
    parallelFor(blockRows, grain, [=](size_t firstRow, size_t endRow) {
        Rgba texels[16];
        for (size_t row = firstRow; row < endRow; ++row) {
            const uint32_t by = static_cast<uint32_t>(row * 4);
            uint8_t* out = dst + row * blocksWide * bytes;
            for (uint32_t bx = 0; bx < width; bx += 4, out += bytes) {
                for (uint32_t y = 0; y < 4; ++y) {
                    const uint32_t sy = by + y < height ? by + y : height - 1;
                    for (uint32_t x = 0; x < 4; ++x) {
                        const uint32_t sx = bx + x < width ? bx + x : width - 1;
                        texels[y * 4 + x] = src[static_cast<size_t>(sy) * width + sx];
                    }
                }
                dxtEncodeBlock(format, texels, out);
            }
        }
    });
}

} // namespace k4codec
