// Copying between surfaces (render targets, other sizes, formats and pools,
// rectangles, colour key), rebuilding mip levels, and saving as DDS.
#include "d3dx_test_support.h"

#include "codec/mips.h"
#include "tests/support/checks.h"

#include <algorithm>

using namespace d3dxtest;
using namespace k4codec;

namespace {

const D3DCOLOR kQuadrants[4] = {0xffff0000, 0x8000ff00, 0xff0000ff, 0x40ffffff};

// A render target (default pool) of width x height in four coloured quadrants.
IDirect3DTexture9* quadrantTarget(IDirect3DDevice9* device, UINT width, UINT height) {
    IDirect3DTexture9* target =
        makeTexture(device, width, height, 1, kFmtA8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    if (target != nullptr) {
        ComRef<IDirect3DSurface9> surface(surfaceOf(target));
        const LONG w = static_cast<LONG>(width), h = static_cast<LONG>(height);
        const RECT rects[4] = {
            {0, 0, w / 2, h / 2}, {w / 2, 0, w, h / 2}, {0, h / 2, w / 2, h}, {w / 2, h / 2, w, h}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(device->ColorFill(surface.get(), &rects[i], kQuadrants[i]), S_OK);
        }
    }
    return target;
}

// The quadrant colour of a pixel, or nothing within `margin` of the middle lines.
bool quadrantColour(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t margin,
                    Rgba* colour) {
    const auto nearLine = [margin](uint32_t v, uint32_t mid) {
        return v + margin >= mid && v < mid + margin;
    };
    if (nearLine(x, width / 2) || nearLine(y, height / 2)) {
        return false;
    }
    const D3DCOLOR c = kQuadrants[(x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0)];
    *colour = Rgba{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)};
    return true;
}

Image readDdsFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(readFileBytes(path.c_str(), &bytes), kOk) << path;
    Image image;
    ImageInfo info;
    EXPECT_EQ(ddsReadImage(bytes.data(), bytes.size(), &image, &info), kOk);
    return image;
}

} // namespace

// The layered-texture saver's copy: a default-pool render target into a
// managed DXT5 texture of half its size; then the other kinds of source and
// destination surface the program may hand over.
TEST(D3dxCopy, RenderTargetsAndOtherPools) {
    K4_NEED_DEVICE(device);
    IDirect3DDevice9* d = device.get();
    ComRef<IDirect3DTexture9> target(quadrantTarget(d, 64, 48));
    ComRef<IDirect3DTexture9> output(makeTexture(d, 32, 24, 0, kFmtDXT5));
    ASSERT_TRUE(target.get() && output.get());
    ComRef<IDirect3DSurface9> src(surfaceOf(target.get())), dst(surfaceOf(output.get()));
    ASSERT_EQ(copySurface(dst.get(), src.get()), S_OK);
    Image got = readTexture(output.get());
    EXPECT_EQ(got.format, kFmtDXT5);
    // Away from the quadrant edges the colours survive DXT5 exactly (all four
    // are exact in 5:6:5, alpha blocks are constant).
    std::vector<Rgba> pixels = pixelsOf(got);
    Rgba colour;
    for (uint32_t i = 0; i < 32 * 24; ++i) {
        if (quadrantColour(i % 32, i / 32, 32, 24, 4, &colour)) {
            EXPECT_EQ(pixels[i], colour) << i % 32 << "," << i / 32;
        }
    }

    // A plain render target surface of the same size into A8R8G8B8: exact.
    ComRef<IDirect3DSurface9> plainTarget;
    ASSERT_EQ(d->CreateRenderTarget(64, 48, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                    plainTarget.out(), nullptr),
              S_OK);
    ASSERT_EQ(d->StretchRect(src.get(), nullptr, plainTarget.get(), nullptr, D3DTEXF_NONE), S_OK);
    ComRef<IDirect3DTexture9> exact(makeTexture(d, 64, 48, 1, kFmtA8R8G8B8));
    ComRef<IDirect3DSurface9> exactSurface(surfaceOf(exact.get()));
    ASSERT_EQ(copySurface(exactSurface.get(), plainTarget.get()), S_OK);
    pixels = pixelsOf(readTexture(exact.get()));
    for (uint32_t i = 0; i < 64 * 48; ++i) {
        ASSERT_TRUE(quadrantColour(i % 64, i / 64, 64, 48, 0, &colour));
        ASSERT_EQ(pixels[i], colour) << i % 64 << "," << i / 64;
    }

    // A default-pool texture that is no render target cannot be locked; it
    // is copied by the device, or refused cleanly with the destination kept.
    ComRef<IDirect3DTexture9> staging(
        makeTexture(d, 64, 48, 1, kFmtA8R8G8B8, 0, D3DPOOL_SYSTEMMEM));
    ComRef<IDirect3DTexture9> plain(makeTexture(d, 64, 48, 1, kFmtA8R8G8B8, 0, D3DPOOL_DEFAULT));
    const std::vector<Rgba> source = pattern(64, 48);
    writeLevel(staging.get(), 0, encode(source, 64, 48, kFmtA8R8G8B8));
    ASSERT_EQ(d->UpdateTexture(staging.get(), plain.get()), S_OK);
    ComRef<IDirect3DSurface9> plainSurface(surfaceOf(plain.get()));
    const Image before = readTexture(exact.get());
    const HRESULT hr = copySurface(exactSurface.get(), plainSurface.get());
    if (hr == S_OK) {
        EXPECT_EQ(pixelsOf(readTexture(exact.get())), source);
    } else {
        EXPECT_EQ(hr, D3DERR_INVALIDCALL);
        EXPECT_EQ(readTexture(exact.get()).levels, before.levels);
    }

    // Into a default-pool render target (written through UpdateSurface),
    // read back with GetRenderTargetData.
    ComRef<IDirect3DTexture9> system(makeTexture(d, 64, 48, 1, kFmtA8R8G8B8, 0, D3DPOOL_SYSTEMMEM));
    ComRef<IDirect3DSurface9> systemSurface(surfaceOf(system.get()));
    writeLevel(exact.get(), 0, encode(source, 64, 48, kFmtA8R8G8B8));
    ASSERT_EQ(copySurface(plainTarget.get(), exactSurface.get()), S_OK);
    ASSERT_EQ(d->GetRenderTargetData(plainTarget.get(), systemSurface.get()), S_OK);
    EXPECT_EQ(pixelsOf(readTexture(system.get())), source);
}

// Conversions into each output format the device has, rectangles and the
// colour key, all from a managed A8R8G8B8 source.
TEST(D3dxCopy, FormatsRectanglesAndColourKey) {
    K4_NEED_DEVICE(device);
    const std::vector<Rgba> source = pattern(16, 8);
    ComRef<IDirect3DTexture9> srcTexture(makeTexture(device.get(), 16, 8, 1, kFmtA8R8G8B8));
    ASSERT_NE(srcTexture.get(), nullptr);
    writeLevel(srcTexture.get(), 0, encode(source, 16, 8, kFmtA8R8G8B8));
    ComRef<IDirect3DSurface9> src(surfaceOf(srcTexture.get()));
    for (const Format format :
         {kFmtDXT1, kFmtDXT3, kFmtDXT5, kFmtA8R8G8B8, kFmtR8G8B8, kFmtA4R4G4B4, kFmtA1R5G5B5,
          kFmtR5G6B5, kFmtA8L8, kFmtR3G3B2, kFmtA4L4, kFmtL8, kFmtX8R8G8B8, kFmtX1R5G5B5}) {
        if (!device.canCreate(format)) {
            std::printf("device has no %s textures\n", formatName(format));
            continue;
        }
        ComRef<IDirect3DTexture9> out(makeTexture(device.get(), 16, 8, 1, format));
        ComRef<IDirect3DSurface9> dst(surfaceOf(out.get()));
        ASSERT_EQ(copySurface(dst.get(), src.get(), D3DX_FILTER_NONE), S_OK) << formatName(format);
        EXPECT_EQ(readTexture(out.get()).levels[0], encode(source, 16, 8, format))
            << formatName(format);
    }

    // The top-left 8x4 of the source into blocks (4,4)-(12,8) of a DXT1
    // texture: only those two blocks change.
    ComRef<IDirect3DTexture9> dxt(makeTexture(device.get(), 16, 8, 1, kFmtDXT1));
    const std::vector<uint8_t> grey =
        encode(std::vector<Rgba>(16 * 8, {128, 128, 128, 255}), 16, 8, kFmtDXT1);
    writeLevel(dxt.get(), 0, grey);
    Rgba greyHeld[16];
    dxtDecodeBlock(kFmtDXT1, grey.data(), greyHeld);
    ComRef<IDirect3DSurface9> dst(surfaceOf(dxt.get()));
    const RECT srcRect = {0, 0, 8, 4}, dstRect = {4, 4, 12, 8};
    ASSERT_EQ(copySurface(dst.get(), src.get(), D3DX_DEFAULT, &dstRect, &srcRect), S_OK);
    std::vector<Rgba> pixels = pixelsOf(readTexture(dxt.get()));
    std::vector<Rgba> part(8 * 4), partDecoded(8 * 4);
    for (uint32_t y = 0; y < 4; ++y) {
        std::copy_n(source.begin() + y * 16, 8, part.begin() + y * 8);
    }
    dxtDecodeImage(kFmtDXT1, encode(part, 8, 4, kFmtDXT1).data(), 8, 4, partDecoded.data());
    for (uint32_t y = 0; y < 8; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4;
            EXPECT_EQ(pixels[y * 16 + x], inside ? partDecoded[(y - 4) * 8 + x - 4] : greyHeld[0])
                << x << "," << y;
        }
    }
    // A rectangle off the block grid of a DXT surface is refused.
    const RECT offGrid = {2, 0, 10, 4};
    EXPECT_EQ(copySurface(dst.get(), src.get(), D3DX_DEFAULT, &offGrid, &srcRect),
              D3DERR_INVALIDCALL);

    // Colour key: pixels equal to the key become transparent black.
    std::vector<Rgba> keyed = source;
    keyed[5] = keyed[77] = Rgba{1, 2, 3, 255};
    writeLevel(srcTexture.get(), 0, encode(keyed, 16, 8, kFmtA8R8G8B8));
    ComRef<IDirect3DTexture9> argb(makeTexture(device.get(), 16, 8, 1, kFmtA8R8G8B8));
    ComRef<IDirect3DSurface9> argbSurface(surfaceOf(argb.get()));
    ASSERT_EQ(copySurface(argbSurface.get(), src.get(), D3DX_DEFAULT, nullptr, nullptr, 0xff010203),
              S_OK);
    pixels = pixelsOf(readTexture(argb.get()));
    for (size_t i = 0; i < pixels.size(); ++i) {
        EXPECT_EQ(pixels[i], ((i == 5 || i == 77) ? Rgba{0, 0, 0, 0} : source[i])) << i;
    }
}

// The savers' sequence: render target -> managed output texture -> filter
// -> save; the file holds every level, in the texture's format, exactly as
// the texture holds them, and replaces the older file without a trace.
TEST(D3dxFilterSave, SaverSequenceWritesEveryLevel) {
    K4_NEED_DEVICE(device);
    ComRef<IDirect3DTexture9> target(quadrantTarget(device.get(), 40, 24));
    ASSERT_NE(target.get(), nullptr);
    ComRef<IDirect3DSurface9> src(surfaceOf(target.get()));
    const struct {
        Format format;
        UINT width, height, levels;
    } cases[] = {{kFmtDXT1, 32, 16, 0},     {kFmtDXT5, 40, 24, 0}, {kFmtA8R8G8B8, 40, 24, 1},
                 {kFmtA4R4G4B4, 16, 16, 0}, {kFmtL8, 8, 4, 0},     {kFmtA8L8, 64, 32, 3}};
    for (const auto& c : cases) {
        if (!device.canCreate(c.format)) {
            continue;
        }
        SCOPED_TRACE(formatName(c.format));
        ComRef<IDirect3DTexture9> out(
            makeTexture(device.get(), c.width, c.height, c.levels, c.format));
        ComRef<IDirect3DSurface9> dst(surfaceOf(out.get()));
        ASSERT_EQ(copySurface(dst.get(), src.get()), S_OK);
        if (out->GetLevelCount() > 1) {
            ASSERT_EQ(D3DXFilterTexture(out.get(), nullptr, 0, D3DX_DEFAULT), S_OK);
        }
        const Image held = readTexture(out.get());
        Image expected = held;
        ASSERT_EQ(rebuildMips(&expected), kOk);
        EXPECT_EQ(held.levels, expected.levels);

        const std::string path = // an older file to replace
            saveFixture(std::string("saved_") + formatName(c.format) + ".dds",
                        imgwrite::Bytes(10, 'x'));
        const std::string folder = path.substr(0, path.rfind('\\'));
        const size_t filesBefore = k4test::listTree(folder).size();
        ASSERT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, out.get(), nullptr), S_OK);
        EXPECT_EQ(k4test::listTree(folder).size(), filesBefore) << "no temporary file stays behind";
        const Image saved = readDdsFile(path);
        EXPECT_EQ(saved.format, c.format);
        EXPECT_EQ(saved.width, c.width);
        EXPECT_EQ(saved.height, c.height);
        EXPECT_EQ(saved.levels, held.levels);
    }
}

// Filtering from a lower level leaves the levels above it alone.
TEST(D3dxFilterSave, FilterFromALevelKeepsTheLevelsAbove) {
    K4_NEED_DEVICE(device);
    ComRef<IDirect3DTexture9> texture(makeTexture(device.get(), 16, 16, 0, kFmtA8R8G8B8));
    ASSERT_NE(texture.get(), nullptr);
    for (UINT i = 0; i < texture->GetLevelCount(); ++i) {
        const uint32_t size = levelSize(16, i);
        writeLevel(texture.get(), i, encode(pattern(size, size), size, size, kFmtA8R8G8B8));
    }
    const Image before = readTexture(texture.get());
    ASSERT_EQ(D3DXFilterTexture(texture.get(), nullptr, 1, D3DX_FILTER_BOX), S_OK);
    const Image after = readTexture(texture.get());
    EXPECT_EQ(after.levels[0], before.levels[0]);
    EXPECT_EQ(after.levels[1], before.levels[1]);
    Image tail = after;
    tail.width = tail.height = 8;
    tail.levels.erase(tail.levels.begin());
    Image expected = tail;
    ASSERT_EQ(rebuildMips(&expected), kOk);
    EXPECT_EQ(tail.levels, expected.levels);
    EXPECT_NE(after.levels[2], before.levels[2]);
}
