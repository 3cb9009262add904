// Shared pieces of the Direct3D bridge tests: the real Direct3D 9 device of
// tests/support, scratch files, and texture contents read and written with
// plain LockRect so that the tests do not go through the code they test.
#pragma once

#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"

#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/dxt.h"
#include "platform/platform.h"
#include "tests/support/d3d_device.h"
#include "tests/support/scratch.h"
#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace d3dxtest {

using k4codec::Format;
using k4codec::Image;
using k4codec::Rgba;

using k4d3dx::ComRef;
using k4test::TestDevice;

// Skips the test when the machine has no Direct3D 9 device, or fails it when
// K4_REQUIRE_DEVICE is set (scripts/test sets it: there a missing device is
// a broken set-up, not a machine without one).
#define K4_NEED_DEVICE(name)                                                                       \
    d3dxtest::TestDevice name;                                                                     \
    if (name.get() == nullptr && std::getenv("K4_REQUIRE_DEVICE") != nullptr)                      \
        FAIL() << name.failure();                                                                  \
    else if (name.get() == nullptr)                                                                \
    GTEST_SKIP() << name.failure()

// The running test's own scratch folder and a file in it (Windows-style).
inline std::string scratchPath(const std::string& name) {
    return k4test::testPath("d3dx", name);
}

inline std::string saveFixture(const std::string& name, const imgwrite::Bytes& bytes) {
    const std::string path = scratchPath(name);
    EXPECT_TRUE(imgwrite::saveFile(path, bytes)) << path;
    return path;
}

// Copies level `level` of a lockable texture to or from packed rows.
inline void copyLevel(IDirect3DTexture9* texture, UINT level, std::vector<uint8_t>* bytes,
                      bool intoTexture) {
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(level, &desc), S_OK);
    const size_t pitch = static_cast<size_t>(k4codec::formatRowPitch(desc.Format, desc.Width));
    const uint32_t rows = k4codec::formatRowCount(desc.Format, desc.Height);
    bytes->resize(intoTexture ? bytes->size() : pitch * rows);
    ASSERT_EQ(bytes->size(), pitch * rows);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, intoTexture ? 0 : D3DLOCK_READONLY), S_OK);
    for (uint32_t y = 0; y < rows; ++y) {
        uint8_t* row = static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch;
        std::memcpy(intoTexture ? row : bytes->data() + y * pitch,
                    intoTexture ? bytes->data() + y * pitch : row, pitch);
    }
    texture->UnlockRect(level);
}

// Every level of a lockable texture, packed, in its own format.
inline Image readTexture(IDirect3DTexture9* texture) {
    Image image;
    D3DSURFACE_DESC desc;
    EXPECT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    image.width = desc.Width, image.height = desc.Height, image.format = desc.Format;
    image.levels.resize(texture->GetLevelCount());
    for (UINT level = 0; level < image.levels.size(); ++level) {
        copyLevel(texture, level, &image.levels[level], false);
    }
    return image;
}

// Level `level` of a lockable texture filled from packed bytes.
inline void writeLevel(IDirect3DTexture9* texture, UINT level, std::vector<uint8_t> bytes) {
    copyLevel(texture, level, &bytes, true);
}

inline std::vector<Rgba> pixelsOf(const Image& image, uint32_t level = 0) {
    std::vector<Rgba> pixels;
    EXPECT_EQ(k4codec::decodeLevel(image, level, &pixels), k4codec::kOk);
    return pixels;
}

inline std::vector<uint8_t> encode(const std::vector<Rgba>& pixels, uint32_t width, uint32_t height,
                                   Format format) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(k4codec::encodeLevel(pixels.data(), width, height, format, &bytes), k4codec::kOk);
    return bytes;
}

// A test pattern with every channel varying and some alpha.
inline std::vector<Rgba> pattern(uint32_t width, uint32_t height, bool alpha = true) {
    std::vector<Rgba> pixels;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            pixels.push_back({uint8_t(x * 255 / std::max(width - 1, 1u)),
                              uint8_t(y * 255 / std::max(height - 1, 1u)),
                              uint8_t((x * 37 + y * 91) & 0xff),
                              uint8_t(alpha ? 255 - ((x + y) * 16 & 0xff) : 255)});
        }
    }
    return pixels;
}

inline IDirect3DTexture9* makeTexture(IDirect3DDevice9* device, UINT width, UINT height,
                                      UINT levels, Format format, DWORD usage = 0,
                                      D3DPOOL pool = D3DPOOL_MANAGED) {
    IDirect3DTexture9* texture = nullptr;
    const HRESULT hr = device->CreateTexture(
        width, height, levels, usage, static_cast<D3DFORMAT>(format), pool, &texture, nullptr);
    EXPECT_EQ(hr, S_OK) << "CreateTexture " << width << "x" << height << " format " << format;
    return SUCCEEDED(hr) ? texture : nullptr;
}

// Level `level` of a texture as a surface (the caller releases it).
inline IDirect3DSurface9* surfaceOf(IDirect3DTexture9* texture, UINT level = 0) {
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(level, &surface), S_OK);
    return surface;
}

// D3DXLoadSurfaceFromSurface without palettes.
inline HRESULT copySurface(IDirect3DSurface9* dst, IDirect3DSurface9* src,
                           DWORD filter = D3DX_DEFAULT, const RECT* dstRect = nullptr,
                           const RECT* srcRect = nullptr, D3DCOLOR colourKey = 0) {
    return D3DXLoadSurfaceFromSurface(dst, nullptr, dstRect, src, nullptr, srcRect, filter,
                                      colourKey);
}

inline int maxDifference(const std::vector<Rgba>& a, const std::vector<Rgba>& b) {
    if (a.size() != b.size()) {
        return 1000;
    }
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int d[4] = {a[i].r - b[i].r, a[i].g - b[i].g, a[i].b - b[i].b, a[i].a - b[i].a};
        for (int v : d) {
            worst = std::max(worst, std::abs(v));
        }
    }
    return worst;
}

} // namespace d3dxtest

inline std::ostream& operator<<(std::ostream& out, const k4codec::Rgba& c) {
    return out << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}
