// Helpers for the codec tests: scratch files through the platform seam,
// pixel access, and channel widening computed independently of the codec.
#pragma once

#include "codec/codec.h"
#include "codec/convert.h"
#include "platform/platform.h"
#include "tests/support/scratch.h"
#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace codectest {

using imgwrite::Bytes;
using k4codec::Image;
using k4codec::ImageInfo;
using k4codec::Rgba;

// A file in the running test's own scratch folder (Windows-style path).
inline std::string scratchPath(const std::string& name) {
    return k4test::testPath("codec", name);
}

// Nearest 8-bit value of an n-bit channel value.
inline uint8_t widen(uint32_t value, uint32_t bits) {
    const uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

inline std::vector<Rgba> pixelsOf(const Image& image, uint32_t level = 0) {
    std::vector<Rgba> pixels;
    EXPECT_EQ(k4codec::decodeLevel(image, level, &pixels), k4codec::kOk);
    return pixels;
}

inline Rgba rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return Rgba{r, g, b, a};
}

inline imgwrite::Pixel px(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return imgwrite::Pixel{r, g, b, a};
}

inline k4codec::HResult readBytes(const Bytes& bytes, Image* image, ImageInfo* info = nullptr) {
    ImageInfo ignored;
    return k4codec::readImage(bytes.data(), bytes.size(), image, info ? info : &ignored);
}

// Every prefix of a valid file is rejected cleanly or decoded.
// A file that is sound but for sides beyond the limit: refused as too large
// by the header and the image readers alike, its sides kept for the message.
inline void expectTooLarge(const Bytes& bytes, uint32_t width, uint32_t height) {
    Image image;
    for (bool header : {true, false}) {
        ImageInfo info;
        EXPECT_EQ(header ? k4codec::readImageHeader(bytes.data(), bytes.size(), &info)
                         : readBytes(bytes, &image, &info),
                  k4codec::kTooLarge)
            << (header ? "header" : "image");
        EXPECT_EQ(info.width, width);
        EXPECT_EQ(info.height, height);
    }
}

inline void expectPrefixesHandled(const Bytes& bytes) {
    for (size_t size = 0; size < bytes.size(); ++size) {
        Image image;
        ImageInfo info;
        const k4codec::HResult result = k4codec::readImage(bytes.data(), size, &image, &info);
        EXPECT_TRUE(result == k4codec::kOk || result == k4codec::kInvalidData) << size;
    }
}

} // namespace codectest

inline std::ostream& operator<<(std::ostream& out, const k4codec::Rgba& c) {
    return out << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}
