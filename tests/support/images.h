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

} // namespace k4test
