// PSNR and the difference picture (see picture_compare.h).
#include "view/picture_compare.h"

#include <cmath>
#include <limits>

namespace k4view {

using k4codec::Rgba;

double psnrOfSquaredError(double sum, uint64_t samples) {
    if (sum <= 0 || samples == 0) {
        return std::numeric_limits<double>::infinity();
    }
    const double mse = sum / static_cast<double>(samples);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

PictureError comparePictures(const Rgba* original, const Rgba* result, size_t count,
                             bool colourWhereOpaque) {
    // Whole numbers: up to 16384^2 pixels of 3 * 255^2 fit in 64 bits.
    uint64_t colourSum = 0, alphaSum = 0, colourSamples = 0;
    for (size_t i = 0; i < count; ++i) {
        const Rgba a = original[i], b = result[i];
        const int da = a.a - b.a;
        alphaSum += static_cast<uint64_t>(da * da);
        if (!colourWhereOpaque || a.a >= 128) {
            const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
            colourSum += static_cast<uint64_t>(dr * dr + dg * dg + db * db);
            colourSamples += 3;
        }
    }
    PictureError error;
    error.rgbPsnr = psnrOfSquaredError(static_cast<double>(colourSum), colourSamples);
    error.alphaPsnr = psnrOfSquaredError(static_cast<double>(alphaSum), count);
    return error;
}

void differencePicture(const Rgba* original, const Rgba* result, size_t count, uint32_t gain,
                       bool colourWhereOpaque, Rgba* out) {
    auto channel = [gain](uint8_t x, uint8_t y) {
        const uint32_t d = static_cast<uint32_t>(x > y ? x - y : y - x) * gain;
        return static_cast<uint8_t>(d > 255 ? 255 : d);
    };
    for (size_t i = 0; i < count; ++i) {
        const Rgba a = original[i], b = result[i];
        out[i] = colourWhereOpaque && a.a < 128
                     ? Rgba{0, 0, 0, 255}
                     : Rgba{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b), 255};
    }
}

} // namespace k4view
