// Export outputs drawn in software (see compose.h).
//
// What differs from the device, and why:
// - Sampling. The device takes one bilinear sample per output pixel from
//   level 0 (no mip filter is set), so a large reduction skips texels and
//   aliases; here the codec's scaler draws the source, which averages every
//   texel an output pixel covers when shrinking (tent filter) and is bilinear,
//   like the device, when enlarging.
// - Texel alignment. Samples are taken at pixel centres, so a source drawn at
//   its own size comes out unchanged. Direct3D 9 puts pixel centres on whole
//   coordinates: a quad drawn from 0 without a half-pixel shift samples half
//   a texel up and to the left, wrapping around at the top and left edges.
//   Edges clamp here.
// - Coverage is the device's: the rows whose whole-number coordinate lies in
//   the band's [top, bottom) and every column; the source is stretched over
//   exactly those rows.
// - Blending is done in 8 bits, each product rounded to nearest; a device's
//   blender may round a product one step the other way.
// Level 0 is converted to the output format first and the mip chain made
// from it, as the device's copy and D3DXFilterTexture do (so DXT levels
// below 0 start from the compressed level 0).
#include "codec/compose.h"

#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/loader.h"
#include "codec/memory.h"
#include "codec/mips.h"
#include "codec/scale.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace k4codec {

namespace {

HResult firstCandidate(Format file, Format decoded, Format* format) {
    try {
        *format = textureFormatCandidates(file, decoded).front();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kOk;
}

// x * y / 255, rounded to nearest.
uint8_t multiply(uint8_t x, uint8_t y) {
    const uint32_t t = static_cast<uint32_t>(x) * y + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

// The first whole coordinate at or above `edge`, within [0, height].
uint32_t firstRowFrom(float edge, uint32_t height) {
    if (!(edge > 0.0f)) {
        return 0;
    }
    const float row = std::ceil(edge);
    return row >= static_cast<float>(height) ? height : static_cast<uint32_t>(row);
}

} // namespace

HResult loadSourceTexture(const uint8_t* data, size_t size, Image* image, TextureDesc* desc,
                          ImageInfo* info) {
    if (image == nullptr || desc == nullptr) {
        return kInvalidCall;
    }
    Image decoded;
    ImageInfo fileInfo;
    HResult result = readImage(data, size, &decoded, &fileInfo);
    if (result != kOk) {
        return result;
    }
    const uint32_t width = roundUpToPowerOfTwo(decoded.width);
    const uint32_t height = roundUpToPowerOfTwo(decoded.height);
    TextureDesc loaded{width, height, kFmtUnknown};
    result = firstCandidate(fileInfo.format, decoded.format, &loaded.format);
    if (result != kOk) {
        return result;
    }
    if (width == decoded.width && height == decoded.height) {
        decoded.levels.resize(1); // what resizeImage would copy
    } else {
        Image resized;
        result = resizeImage(decoded, width, height, 1, decoded.format, &resized);
        if (result != kOk) {
            return result;
        }
        decoded = std::move(resized);
    }
    *image = std::move(decoded);
    *desc = loaded;
    if (info != nullptr) {
        *info = fileInfo;
    }
    return kOk;
}

HResult describeSourceTexture(const uint8_t* data, size_t size, TextureDesc* desc) {
    if (desc == nullptr) {
        return kInvalidCall;
    }
    ImageInfo info;
    HResult result = readImageHeader(data, size, &info);
    Format decodedFormat = info.format;
    if (result == kOk && !isConvertible(info.format)) {
        Image decoded;
        result = readImage(data, size, &decoded, &info);
        decodedFormat = decoded.format;
    }
    TextureDesc loaded{roundUpToPowerOfTwo(info.width), roundUpToPowerOfTwo(info.height),
                       kFmtUnknown};
    if (result == kOk) {
        result = firstCandidate(info.format, decodedFormat, &loaded.format);
    }
    if (result == kOk) {
        *desc = loaded;
    }
    return result;
}

void bandRows(uint32_t height, float bandAspect, uint32_t* top, uint32_t* bottom) {
    const float centre = static_cast<float>(height / 2);
    const float half = static_cast<float>(height) / (2.0f * bandAspect);
    *top = firstRowFrom(centre - half, height);
    *bottom = std::max(*top, firstRowFrom(centre + half, height));
}

HResult composeBand(const Image& source, uint32_t width, uint32_t height, float bandAspect,
                    std::vector<Rgba>* pixels) {
    if (pixels == nullptr || width == 0 || height == 0 || width > kMaxDimension ||
        height > kMaxDimension || !(bandAspect > 0.0f) || !std::isfinite(bandAspect)) {
        return kInvalidCall;
    }
    uint32_t top, bottom;
    bandRows(height, bandAspect, &top, &bottom);
    HResult result;
    if (top == 0 && bottom == height && source.width == width && source.height == height) {
        // The whole output at the source's size: decoded in place.
        result = decodeLevel(source, 0, pixels);
        if (result != kOk) {
            return result;
        }
    } else {
        std::vector<Rgba> texels;
        result = decodeLevel(source, 0, &texels);
        if (result == kOk) {
            result = resizeBuffer(pixels, static_cast<size_t>(width) * height);
        }
        if (result != kOk) {
            return result;
        }
        const size_t first = static_cast<size_t>(top) * width;
        const size_t last = static_cast<size_t>(bottom) * width;
        std::fill(pixels->begin(), pixels->begin() + first, Rgba{0, 0, 0, 0});
        std::fill(pixels->begin() + last, pixels->end(), Rgba{0, 0, 0, 0});
        if (bottom == top) {
            return kOk;
        }
        result = scalePixels(texels.data(), source.width, source.height, pixels->data() + first,
                             width, bottom - top);
        if (result != kOk) {
            return result;
        }
    }
    Rgba* band = pixels->data() + static_cast<size_t>(top) * width;
    Rgba* end = pixels->data() + static_cast<size_t>(bottom) * width;
    // Over transparent black: colour times alpha, alpha times alpha.
    for (Rgba* p = band; p != end; ++p) {
        const uint8_t a = p->a;
        if (a != 255) {
            *p = Rgba{multiply(p->r, a), multiply(p->g, a), multiply(p->b, a), multiply(a, a)};
        }
    }
    return kOk;
}

HResult composeTexture(const Image& source, uint32_t width, uint32_t height, float bandAspect,
                       uint32_t levelCount, Format format, Image* out) {
    if (out == nullptr || !isConvertible(format) || width == 0 || height == 0 ||
        width > kMaxDimension || height > kMaxDimension ||
        levelCount > fullMipCount(width, height)) {
        return kInvalidCall;
    }
    std::vector<Rgba> pixels;
    HResult result = composeBand(source, width, height, bandAspect, &pixels);
    Image image;
    image.width = width;
    image.height = height;
    image.format = format;
    if (result == kOk) {
        result = resizeBuffer(&image.levels, levelCount == 0 ? fullMipCount(width, height)
                                                             : static_cast<size_t>(levelCount));
    }
    if (result == kOk) {
        result = encodeLevel(pixels.data(), width, height, format, &image.levels[0]);
    }
    if (result == kOk && image.levels.size() > 1) {
        std::vector<Rgba>().swap(pixels);
        result = rebuildMips(&image);
    }
    if (result == kOk) {
        *out = std::move(image);
    }
    return result;
}

} // namespace k4codec
