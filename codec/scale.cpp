// Separable resampling: per axis a list of taps (first source index and
// weights) for every output index, applied horizontally into a float buffer
// and then vertically into the output.
#include "codec/scale.h"
#include "codec/memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace k4codec {

namespace {

struct Taps {
    std::vector<uint32_t> first; // per output index
    std::vector<uint32_t> count;
    std::vector<uint32_t> offset; // into weights
    std::vector<float> weights;
};

void addTaps(Taps* taps, int64_t lo, int64_t hi, const std::vector<float>& w) {
    // Drop zero weights at either end and normalise.
    int64_t start = lo, end = hi;
    while (start < end && w[start - lo] <= 0.0f) {
        ++start;
    }
    while (end > start && w[end - 1 - lo] <= 0.0f) {
        --end;
    }
    float sum = 0.0f;
    for (int64_t x = start; x < end; ++x) {
        sum += w[x - lo];
    }
    taps->first.push_back(static_cast<uint32_t>(start));
    taps->count.push_back(static_cast<uint32_t>(end - start));
    taps->offset.push_back(static_cast<uint32_t>(taps->weights.size()));
    for (int64_t x = start; x < end; ++x) {
        taps->weights.push_back(w[x - lo] / sum);
    }
}

// Every vector is reserved first, for the widest filter (a tent spans at most
// 2 * ratio + 1 source pixels, a box ratio + 2), so the pushes below never
// allocate.
HResult buildTaps(uint32_t src, uint32_t dst, ScaleFilter filter, Taps* taps) {
    const double ratio = static_cast<double>(src) / dst;
    const size_t widest = dst < src ? static_cast<size_t>(std::ceil(2 * ratio)) + 2 : 2;
    std::vector<float> w;
    HResult result = reserveBuffer(&w, widest);
    for (std::vector<uint32_t>* list : {&taps->first, &taps->count, &taps->offset}) {
        if (result == kOk) {
            result = reserveBuffer(list, dst);
        }
    }
    if (result == kOk) {
        result = reserveBuffer(&taps->weights, widest * dst);
    }
    if (result != kOk) {
        return result;
    }
    for (uint32_t i = 0; i < dst; ++i) {
        int64_t lo, hi;
        w.clear();
        if (filter == ScaleFilter::Box && dst < src) {
            // Output i covers [i * ratio, (i + 1) * ratio) of the source.
            const double from = i * ratio, to = (i + 1) * ratio;
            lo = static_cast<int64_t>(std::floor(from));
            hi = static_cast<int64_t>(std::ceil(to));
            hi = hi > static_cast<int64_t>(src) ? src : hi;
            for (int64_t x = lo; x < hi; ++x) {
                const double a = x > from ? x : from, b = x + 1 < to ? x + 1 : to;
                w.push_back(static_cast<float>(b - a));
            }
        } else if (dst < src) {
            // Tent as wide as the reduction, centred on the output pixel.
            const double centre = (i + 0.5) * ratio - 0.5;
            lo = static_cast<int64_t>(std::floor(centre - ratio)) + 1;
            hi = static_cast<int64_t>(std::ceil(centre + ratio));
            lo = lo < 0 ? 0 : lo;
            hi = hi > static_cast<int64_t>(src) ? src : hi;
            for (int64_t x = lo; x < hi; ++x) {
                const double t = 1.0 - std::fabs(x - centre) / ratio;
                w.push_back(t > 0 ? static_cast<float>(t) : 0.0f);
            }
        } else {
            // Bilinear between the two nearest source pixels, edges clamped.
            double centre = (i + 0.5) * ratio - 0.5;
            centre = centre < 0 ? 0 : centre > src - 1 ? src - 1 : centre;
            lo = static_cast<int64_t>(std::floor(centre));
            hi = lo + 2 > static_cast<int64_t>(src) ? src : lo + 2;
            const float f = static_cast<float>(centre - lo);
            w.push_back(1.0f - f);
            if (hi - lo == 2) {
                w.push_back(f);
            }
        }
        if (hi <= lo) { // cannot happen for sane sizes; keep one tap
            lo = i * static_cast<int64_t>(src) / dst;
            hi = lo + 1;
            w.assign(1, 1.0f);
        }
        addTaps(taps, lo, hi, w);
    }
    return kOk;
}

// The box filter halving a side (or keeping it, where it is already 1)
// weighs two or four source pixels equally: the float passes below then give
// exactly their mean rounded half up, which whole numbers give several times
// faster. Mip chains are made of such steps.
bool halvesOrKeeps(uint32_t src, uint32_t dst) {
    return dst == src || static_cast<uint64_t>(dst) * 2 == src;
}

// One side halved: the mean of each pair of pixels along it.
void halveOneSide(const Rgba* src, uint32_t srcWidth, Rgba* dst, uint32_t dstWidth,
                  uint32_t dstHeight, bool alongX) {
    const size_t row = static_cast<size_t>(srcWidth) * 4;
    const size_t pair = alongX ? 4 : row, step = alongX ? 8 : 4;
    for (uint32_t y = 0; y < dstHeight; ++y) {
        const uint8_t* a = reinterpret_cast<const uint8_t*>(src) + y * (alongX ? row : 2 * row);
        uint8_t* out = reinterpret_cast<uint8_t*>(dst + static_cast<size_t>(y) * dstWidth);
        for (uint32_t x = 0; x < dstWidth; ++x, a += step, out += 4) {
            for (uint32_t c = 0; c < 4; ++c) {
                out[c] = static_cast<uint8_t>((a[c] + a[pair + c] + 1) >> 1);
            }
        }
    }
}

// Both sides halved, two output pixels (four source pixels of two rows) at
// a time in 16-bit lanes.
void halveBoxBoth(const Rgba* src, uint32_t srcWidth, Rgba* dst, uint32_t dstWidth,
                  uint32_t dstHeight) {
    typedef uint8_t U8x8 __attribute__((vector_size(8)));
    typedef uint16_t U16x8 __attribute__((vector_size(16)));
    const auto load = [](const uint8_t* p) {
        U8x8 v;
        std::memcpy(&v, p, sizeof v);
        return __builtin_convertvector(v, U16x8);
    };
    const size_t below = static_cast<size_t>(srcWidth) * 4;
    for (uint32_t y = 0; y < dstHeight; ++y) {
        const uint8_t* a = reinterpret_cast<const uint8_t*>(src) + 2 * y * below;
        uint8_t* out = reinterpret_cast<uint8_t*>(dst + static_cast<size_t>(y) * dstWidth);
        uint32_t x = 0;
        for (; x + 2 <= dstWidth; x += 2, a += 16, out += 8) {
            const U16x8 left = load(a) + load(a + below), right = load(a + 8) + load(a + 8 + below);
            const U16x8 sum = __builtin_shufflevector(left, right, 0, 1, 2, 3, 8, 9, 10, 11) +
                              __builtin_shufflevector(left, right, 4, 5, 6, 7, 12, 13, 14, 15);
            const U8x8 mean = __builtin_convertvector((sum + 2) >> 2, U8x8);
            std::memcpy(out, &mean, sizeof mean);
        }
        for (; x < dstWidth; ++x, a += 8, out += 4) {
            for (uint32_t c = 0; c < 4; ++c) {
                out[c] = static_cast<uint8_t>(
                    (a[c] + a[c + 4] + a[below + c] + a[below + c + 4] + 2) >> 2);
            }
        }
    }
}

void halveBox(const Rgba* src, uint32_t srcWidth, uint32_t srcHeight, Rgba* dst, uint32_t dstWidth,
              uint32_t dstHeight) {
    if (dstWidth != srcWidth && dstHeight != srcHeight) {
        halveBoxBoth(src, srcWidth, dst, dstWidth, dstHeight);
    } else {
        halveOneSide(src, srcWidth, dst, dstWidth, dstHeight, dstWidth != srcWidth);
    }
}

uint8_t toByte(float v) {
    v += 0.5f;
    return v <= 0.0f ? 0 : v >= 255.0f ? 255 : static_cast<uint8_t>(v);
}

} // namespace

HResult scalePixels(const Rgba* src, uint32_t srcWidth, uint32_t srcHeight, Rgba* dst,
                    uint32_t dstWidth, uint32_t dstHeight, ScaleFilter filter) {
    if (src == nullptr || dst == nullptr || srcWidth == 0 || srcHeight == 0 || dstWidth == 0 ||
        dstHeight == 0) {
        return kInvalidCall;
    }
    if (srcWidth == dstWidth && srcHeight == dstHeight) {
        std::memcpy(dst, src, static_cast<size_t>(srcWidth) * srcHeight * sizeof(Rgba));
        return kOk;
    }
    if (filter == ScaleFilter::Box && halvesOrKeeps(srcWidth, dstWidth) &&
        halvesOrKeeps(srcHeight, dstHeight)) {
        halveBox(src, srcWidth, srcHeight, dst, dstWidth, dstHeight);
        return kOk;
    }
    Taps horizontal, vertical;
    std::vector<float> middle, sum;
    HResult result = buildTaps(srcWidth, dstWidth, filter, &horizontal);
    if (result == kOk) {
        result = buildTaps(srcHeight, dstHeight, filter, &vertical);
    }
    if (result == kOk) {
        result = resizeBuffer(&middle, static_cast<size_t>(dstWidth) * srcHeight * 4);
    }
    if (result == kOk) {
        result = resizeBuffer(&sum, static_cast<size_t>(dstWidth) * 4);
    }
    if (result != kOk) {
        return result;
    }
    // Horizontal pass: srcHeight rows of dstWidth float pixels.
    for (uint32_t y = 0; y < srcHeight; ++y) {
        const Rgba* row = src + static_cast<size_t>(y) * srcWidth;
        float* out = middle.data() + static_cast<size_t>(y) * dstWidth * 4;
        for (uint32_t x = 0; x < dstWidth; ++x, out += 4) {
            const float* w = horizontal.weights.data() + horizontal.offset[x];
            const Rgba* p = row + horizontal.first[x];
            float r = 0, g = 0, b = 0, a = 0;
            for (uint32_t k = 0; k < horizontal.count[x]; ++k) {
                r += w[k] * p[k].r, g += w[k] * p[k].g, b += w[k] * p[k].b, a += w[k] * p[k].a;
            }
            out[0] = r, out[1] = g, out[2] = b, out[3] = a;
        }
    }
    // Vertical pass into the output.
    for (uint32_t y = 0; y < dstHeight; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* w = vertical.weights.data() + vertical.offset[y];
        for (uint32_t k = 0; k < vertical.count[y]; ++k) {
            const float* in =
                middle.data() + static_cast<size_t>(vertical.first[y] + k) * dstWidth * 4;
            for (size_t i = 0; i < sum.size(); ++i) {
                sum[i] += w[k] * in[i];
            }
        }
        Rgba* out = dst + static_cast<size_t>(y) * dstWidth;
        for (uint32_t x = 0; x < dstWidth; ++x) {
            out[x] = Rgba{toByte(sum[x * 4]), toByte(sum[x * 4 + 1]), toByte(sum[x * 4 + 2]),
                          toByte(sum[x * 4 + 3])};
        }
    }
    return kOk;
}

} // namespace k4codec
