// The real Direct3D 9 device for the texture cache tests, and small fixture
// helpers.
#pragma once

#include "codec/d3dx/k4d3dx.h"
#include "tests/d3dx/d3dx_test_support.h"
#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace texturetest {

// The Direct3D bridge tests' hidden window with a real device.
using d3dxtest::TestDevice;

// An opaque RGBA PNG of the given size.
inline void writePng(const std::string& path, uint32_t width, uint32_t height) {
    std::vector<uint16_t> samples(width * height * 4, 200);
    ASSERT_TRUE(imgwrite::saveFile(
        path, imgwrite::writePng(imgwrite::PngOptions(), width, height, samples)))
        << path;
}

} // namespace texturetest
