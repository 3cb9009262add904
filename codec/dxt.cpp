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
    Rgba entries[4];
    for (int k = 0; k < 4; ++k) {
        entries[k] = Rgba{static_cast<uint8_t>(palette[k].r), static_cast<uint8_t>(palette[k].g),
                          static_cast<uint8_t>(palette[k].b), uint8_t(255)};
    }
    if (three) {
        entries[3].a = 0;
    }
    const uint32_t indices =
        static_cast<uint32_t>(block[4] | block[5] << 8 | block[6] << 16) | uint32_t(block[7]) << 24;
    for (int i = 0; i < 16; ++i) {
        out[i] = entries[(indices >> (2 * i)) & 3];
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

// DXT5 alpha: each candidate pair of ends is scored exactly (every value
// takes its nearest palette entry, sixteen at a time in bytes). The
// candidates: the extremes with eight values, the least-squares ends for
// the indices they give, and single steps of either end from the better;
// where the block holds 0 or 255, the same from the extremes of the other
// values with six values (0 and 255 then come free).
typedef uint8_t U8 __attribute__((vector_size(16)));
typedef uint16_t U16 __attribute__((vector_size(32)));
typedef uint32_t U32 __attribute__((vector_size(64)));

struct AlphaFit {
    int a0, a1, error;
    uint8_t indices[16];
};

U8 splatByte(int v) {
    const uint8_t b = static_cast<uint8_t>(v);
    return U8{b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b};
}

void fitAlpha(U8 values, int a0, int a1, AlphaFit* fit) {
    int palette[8];
    dxt::alphaPalette(a0, a1, palette);
    U8 best = splatByte(255), index = splatByte(0);
    for (int k = 0; k < 8; ++k) {
        const U8 p = splatByte(palette[k]);
        const U8 d = (values > p ? values : p) - (values < p ? values : p);
        const U8 less = d < best;
        best = less ? d : best;
        index = less ? splatByte(k) : index;
    }
    const U16 wide = __builtin_convertvector(best, U16);
    const U32 squares = __builtin_convertvector(wide * wide, U32);
    uint32_t total = 0;
    for (int i = 0; i < 16; ++i) {
        total += squares[i];
    }
    fit->a0 = a0, fit->a1 = a1, fit->error = static_cast<int>(total);
    std::memcpy(fit->indices, &index, sizeof index);
}

// Least-squares ends for the fit's indices, rounded; the entries 0 and 255
// of the six-value mode take no part. Returns false when the result would
// change the mode (or the indices say nothing about one end).
bool refineAlphaEnds(const uint8_t values[16], const AlphaFit& fit, bool eight, int* a0, int* a1) {
    float aa = 0, ab = 0, bb = 0, av = 0, bv = 0;
    for (int i = 0; i < 16; ++i) {
        const int k = fit.indices[i];
        if (!eight && k >= 6) {
            continue;
        }
        // Share of a0 in entry k: 1, 0, then (7 - i) / 7 or (5 - i) / 5.
        const float w = k == 0 ? 1.0f : k == 1 ? 0.0f : eight ? (8 - k) / 7.0f : (6 - k) / 5.0f;
        const float v = 1.0f - w, x = values[i];
        aa += w * w, ab += w * v, bb += v * v, av += w * x, bv += v * x;
    }
    const float det = aa * bb - ab * ab;
    if (det <= 1e-3f) {
        return false;
    }
    const float e0 = (av * bb - bv * ab) / det, e1 = (bv * aa - av * ab) / det;
    *a0 = e0 < 0 ? 0 : e0 > 255 ? 255 : static_cast<int>(e0 + 0.5f);
    *a1 = e1 < 0 ? 0 : e1 > 255 ? 255 : static_cast<int>(e1 + 0.5f);
    return eight ? *a0 > *a1 : *a0 <= *a1;
}

// A candidate pair, its least-squares refinement, then single steps of
// each end from the better one; the best stays in `best` if it beats it.
void tryAlpha(U8 values, const uint8_t bytes[16], bool eight, int a0, int a1, AlphaFit* best) {
    AlphaFit fit;
    fitAlpha(values, a0, a1, &fit);
    int r0, r1;
    if (fit.error > 0 && refineAlphaEnds(bytes, fit, eight, &r0, &r1) &&
        (r0 != fit.a0 || r1 != fit.a1)) {
        AlphaFit refined;
        fitAlpha(values, r0, r1, &refined);
        if (refined.error < fit.error) {
            fit = refined;
        }
    }
    for (int step = 0; step < 4 && fit.error > 0; ++step) {
        const int t0 = fit.a0 + (step == 0 ? -1 : step == 1 ? 1 : 0);
        const int t1 = fit.a1 + (step == 2 ? -1 : step == 3 ? 1 : 0);
        if (t0 < 0 || t0 > 255 || t1 < 0 || t1 > 255 || (eight ? t0 <= t1 : t0 > t1)) {
            continue;
        }
        AlphaFit trial;
        fitAlpha(values, t0, t1, &trial);
        if (trial.error < fit.error) {
            fit = trial;
        }
    }
    if (fit.error < best->error) {
        *best = fit;
    }
}

// The least and the greatest of sixteen bytes.
int leastByte(U8 v) {
    const U8 half =
        __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
    v = v < half ? v : half;
    const U8 quarter =
        __builtin_shufflevector(v, v, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3);
    v = v < quarter ? v : quarter;
    const int a = v[0] < v[1] ? v[0] : v[1], b = v[2] < v[3] ? v[2] : v[3];
    return a < b ? a : b;
}

int greatestByte(U8 v) {
    return 255 - leastByte(splatByte(255) - v);
}

void encodeAlpha5(const Rgba in[16], uint8_t* out) {
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
        bytes[i] = in[i].a;
    }
    U8 values;
    std::memcpy(&values, bytes, sizeof values);
    // The extremes, and those of the values other than 0 and 255 (lo6 > hi6
    // when there are none).
    const U8 ends = values == splatByte(0) || values == splatByte(255);
    const int lo = leastByte(values), hi = greatestByte(values);
    const int lo6 = leastByte(ends ? splatByte(255) : values);
    const int hi6 = greatestByte(ends ? splatByte(0) : values);
    AlphaFit best;
    best.error = 1 << 30;
    if (hi == lo) {
        best.a0 = best.a1 = hi; // one value: index 0 is exact in either mode
        std::memset(best.indices, 0, sizeof best.indices);
    } else {
        tryAlpha(values, bytes, true, hi, lo, &best);
        if (best.error > 0 && (lo == 0 || hi == 255)) {
            tryAlpha(values, bytes, false, lo6 > hi6 ? 0 : lo6, lo6 > hi6 ? 255 : hi6, &best);
        }
    }
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= static_cast<uint64_t>(best.indices[i]) << (3 * i);
    }
    out[0] = static_cast<uint8_t>(best.a0);
    out[1] = static_cast<uint8_t>(best.a1);
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
                if (bx + 4 <= width && by + 4 <= height) {
                    for (uint32_t y = 0; y < 4; ++y) {
                        std::memcpy(dst + static_cast<size_t>(by + y) * width + bx, texels + y * 4,
                                    4 * sizeof(Rgba));
                    }
                    continue;
                }
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
