// Image files for tests, written with the fixture writers of tools/.
#pragma once

#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace k4test {

// A PNG of one colour (RGBA, 8 bits per sample).
inline void writeUniformPng(const std::string& path, uint32_t width, uint32_t height,
                            imgwrite::Pixel colour) {
    std::vector<uint16_t> samples;
    samples.reserve(static_cast<size_t>(width) * height * 4);
    for (uint32_t i = 0; i < width * height; ++i) {
        samples.insert(samples.end(), {colour.r, colour.g, colour.b, colour.a});
    }
    ASSERT_TRUE(imgwrite::saveFile(
        path, imgwrite::writePng(imgwrite::PngOptions(), width, height, samples)))
        << path;
}

// A BC7 DDS file (DX10 header, one level) whose 4x4 blocks are each one
// colour, `colours` block by block, row by row: mode 6 blocks with both
// endpoints at the colour's 7 high bits and its low bit as their p-bit, so
// the four channels of each colour must be all even or all odd; every index 0.
inline imgwrite::Bytes bc7SolidBlocks(uint32_t width, uint32_t height,
                                      const std::vector<imgwrite::Pixel>& colours) {
    imgwrite::Bytes data;
    for (const imgwrite::Pixel& c : colours) {
        // Bit 6 set (mode 6); red 0 and 1, green, blue, alpha (7 bits each);
        // the p-bits of the two endpoints at bits 63 and 64.
        const uint64_t p = c.r & 1;
        EXPECT_TRUE((c.g & 1) == p && (c.b & 1) == p && (c.a & 1) == p) << "mixed parity";
        uint64_t low = (1u << 6) | (p << 63), at = 7;
        for (uint8_t channel : {c.r, c.r, c.g, c.g, c.b, c.b, c.a, c.a}) {
            low |= static_cast<uint64_t>(channel >> 1) << at;
            at += 7;
        }
        for (int i = 0; i < 16; ++i) {
            data.push_back(i < 8 ? static_cast<uint8_t>(low >> (8 * i)) : i == 8 ? uint8_t(p) : 0);
        }
    }
    imgwrite::DdsOptions o;
    o.width = width, o.height = height, o.dx10 = true, o.dxgiFormat = 98;
    return imgwrite::writeDds(o, data);
}

} // namespace k4test
