// Copying between surfaces (render targets into managed textures of other
// sizes and formats, rectangles, colour key), rebuilding mip levels, and
// saving as DDS, read back through the codec's own DDS reader.
#include "d3dx_test_support.h"

#include "codec/mips.h"

#include <algorithm>

using namespace d3dxtest;
using k4codec::levelSize;

namespace {

const D3DCOLOR kQuadrants[4] = {0xffff0000, 0x8000ff00, 0xff0000ff, 0x40ffffff};

// A render target (default pool) of width x height in four coloured quadrants.
IDirect3DTexture9* quadrantTarget(IDirect3DDevice9* device, UINT width, UINT height) {
    IDirect3DTexture9* target = makeTexture(device, width, height, 1, k4codec::kFmtA8R8G8B8,
                                            D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    if (target == nullptr) {
        return nullptr;
    }
    IDirect3DSurface9* surface = nullptr;
    target->GetSurfaceLevel(0, &surface);
    const LONG w = static_cast<LONG>(width), h = static_cast<LONG>(height);
    const RECT rects[4] = {
        {0, 0, w / 2, h / 2}, {w / 2, 0, w, h / 2}, {0, h / 2, w / 2, h}, {w / 2, h / 2, w, h}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(device->ColorFill(surface, &rects[i], kQuadrants[i]), S_OK);
    }
    surface->Release();
    return target;
}

Rgba rgbaOf(D3DCOLOR c) {
    return Rgba{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 24)};
}

// Quadrant of an output pixel, or -1 within `margin` of the middle lines.
int quadrantOf(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t margin) {
    const auto nearLine = [margin](uint32_t v, uint32_t mid) {
        return v + margin >= mid && v < mid + margin;
    };
    if (nearLine(x, width / 2) || nearLine(y, height / 2)) {
        return -1;
    }
    return (x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0);
}

IDirect3DSurface9* level(IDirect3DTexture9* texture, UINT index) {
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(index, &surface), S_OK);
    return surface;
}

Image readDdsFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(k4codec::readFileBytes(path.c_str(), &bytes), k4codec::kOk) << path;
    Image image;
    k4codec::ImageInfo info;
    EXPECT_EQ(k4codec::ddsReadImage(bytes.data(), bytes.size(), &image, &info), k4codec::kOk);
    EXPECT_EQ(info.format, image.format);
    return image;
}

size_t filesIn(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    size_t count = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            count += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return count;
}

} // namespace

// The layered-texture saver's copy: a default-pool render target into a
// managed DXT5 texture of half its size; then the other kinds of source
// surface the program may hand over.
TEST(D3dxCopy, RenderTargetIntoDxt5OfAnotherSize) {
    K4_NEED_DEVICE(device);
    IDirect3DTexture9* target = quadrantTarget(device.get(), 64, 48);
    ASSERT_NE(target, nullptr);
    IDirect3DTexture9* output = makeTexture(device.get(), 32, 24, 0, k4codec::kFmtDXT5);
    ASSERT_NE(output, nullptr);
    IDirect3DSurface9* src = level(target, 0);
    IDirect3DSurface9* dst = level(output, 0);
    ASSERT_EQ(
        D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_DEFAULT, 0),
        S_OK);
    Image got = readTexture(output);
    EXPECT_EQ(got.format, k4codec::kFmtDXT5);
    std::vector<Rgba> pixels = pixelsOf(got);
    // Solid 4x4 blocks away from the quadrant edges: the colours survive DXT5
    // exactly (all four are exact in 5:6:5, alpha blocks are constant).
    for (uint32_t y = 0; y < 24; ++y) {
        for (uint32_t x = 0; x < 32; ++x) {
            const int q = quadrantOf(x & ~3u, y & ~3u, 32, 24, 4);
            if (q >= 0 && quadrantOf((x & ~3u) + 3, (y & ~3u) + 3, 32, 24, 4) == q) {
                EXPECT_EQ(pixels[y * 32 + x], rgbaOf(kQuadrants[q])) << x << "," << y;
            }
        }
    }
    dst->Release();
    output->Release();

    // A plain render target surface of the same size into A8R8G8B8: exact.
    IDirect3DSurface9* plainTarget = nullptr;
    ASSERT_EQ(device.get()->CreateRenderTarget(64, 48, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0,
                                               FALSE, &plainTarget, nullptr),
              S_OK);
    ASSERT_EQ(device.get()->StretchRect(src, nullptr, plainTarget, nullptr, D3DTEXF_NONE), S_OK);
    IDirect3DTexture9* exact = makeTexture(device.get(), 64, 48, 1, k4codec::kFmtA8R8G8B8);
    dst = level(exact, 0);
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, plainTarget, nullptr, nullptr,
                                         D3DX_DEFAULT, 0),
              S_OK);
    pixels = pixelsOf(readTexture(exact));
    for (uint32_t y = 0; y < 48; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            ASSERT_EQ(pixels[y * 64 + x], rgbaOf(kQuadrants[quadrantOf(x, y, 64, 48, 0)]))
                << x << "," << y;
        }
    }

    // A default-pool texture that is no render target cannot be locked; it
    // is copied by the device, or refused cleanly with the destination kept.
    IDirect3DTexture9* staging =
        makeTexture(device.get(), 64, 48, 1, k4codec::kFmtA8R8G8B8, 0, D3DPOOL_SYSTEMMEM);
    IDirect3DTexture9* plainTexture =
        makeTexture(device.get(), 64, 48, 1, k4codec::kFmtA8R8G8B8, 0, D3DPOOL_DEFAULT);
    const std::vector<Rgba> source = pattern(64, 48);
    writeLevel(staging, 0, encode(source, 64, 48, k4codec::kFmtA8R8G8B8));
    ASSERT_EQ(device.get()->UpdateTexture(staging, plainTexture), S_OK);
    IDirect3DSurface9* plainSurface = level(plainTexture, 0);
    const Image before = readTexture(exact);
    const HRESULT hr = D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, plainSurface, nullptr,
                                                  nullptr, D3DX_DEFAULT, 0);
    if (hr == S_OK) {
        EXPECT_EQ(pixelsOf(readTexture(exact)), source);
    } else {
        EXPECT_EQ(hr, D3DERR_INVALIDCALL);
        EXPECT_EQ(readTexture(exact).levels, before.levels);
    }

    // Into a default-pool render target (written through UpdateSurface),
    // read back with GetRenderTargetData.
    IDirect3DSurface9* managedSource = dst;
    IDirect3DSurface9* system = nullptr;
    ASSERT_EQ(device.get()->CreateOffscreenPlainSurface(64, 48, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                        &system, nullptr),
              S_OK);
    writeLevel(exact, 0, encode(source, 64, 48, k4codec::kFmtA8R8G8B8));
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(plainTarget, nullptr, nullptr, managedSource, nullptr,
                                         nullptr, D3DX_DEFAULT, 0),
              S_OK);
    ASSERT_EQ(device.get()->GetRenderTargetData(plainTarget, system), S_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(system->LockRect(&locked, nullptr, D3DLOCK_READONLY), S_OK);
    for (uint32_t y = 0; y < 48; ++y) {
        std::vector<Rgba> row(64);
        k4codec::unpackRow(k4codec::kFmtA8R8G8B8,
                           static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, 64,
                           row.data());
        ASSERT_TRUE(std::equal(row.begin(), row.end(), source.begin() + y * 64)) << "row " << y;
    }
    system->UnlockRect();

    system->Release();
    plainSurface->Release();
    plainTexture->Release();
    staging->Release();
    dst->Release();
    exact->Release();
    plainTarget->Release();
    src->Release();
    target->Release();
}

// Conversions into each output format the device has, rectangles and the
// colour key, all from a managed A8R8G8B8 source.
TEST(D3dxCopy, FormatsRectanglesAndColourKey) {
    K4_NEED_DEVICE(device);
    using namespace k4codec;
    const std::vector<Rgba> source = pattern(16, 8);
    IDirect3DTexture9* srcTexture = makeTexture(device.get(), 16, 8, 1, kFmtA8R8G8B8);
    ASSERT_NE(srcTexture, nullptr);
    writeLevel(srcTexture, 0, encode(source, 16, 8, kFmtA8R8G8B8));
    IDirect3DSurface9* src = level(srcTexture, 0);

    const Format outputs[] = {kFmtDXT1,     kFmtDXT3,     kFmtDXT5,     kFmtA8R8G8B8, kFmtR8G8B8,
                              kFmtA4R4G4B4, kFmtA1R5G5B5, kFmtR5G6B5,   kFmtA8L8,     kFmtR3G3B2,
                              kFmtA4L4,     kFmtL8,       kFmtX8R8G8B8, kFmtX1R5G5B5};
    for (const Format format : outputs) {
        if (!device.canCreate(format)) {
            std::printf("device has no %s textures\n", formatName(format));
            continue;
        }
        IDirect3DTexture9* out = makeTexture(device.get(), 16, 8, 1, format);
        ASSERT_NE(out, nullptr);
        IDirect3DSurface9* dst = level(out, 0);
        ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr,
                                             D3DX_FILTER_NONE, 0),
                  S_OK)
            << formatName(format);
        EXPECT_EQ(readTexture(out).levels[0], encode(source, 16, 8, format)) << formatName(format);
        dst->Release();
        out->Release();
    }

    // The top-left 8x4 of the source into blocks (4,4)-(12,8) of a DXT1
    // texture: only those two blocks change.
    IDirect3DTexture9* dxt = makeTexture(device.get(), 16, 8, 1, kFmtDXT1);
    const std::vector<Rgba> grey(16 * 8, Rgba{128, 128, 128, 255});
    const std::vector<uint8_t> greyBlocks = encode(grey, 16, 8, kFmtDXT1);
    writeLevel(dxt, 0, greyBlocks);
    Rgba greyHeld;
    {
        Rgba block[16];
        dxtDecodeBlock(kFmtDXT1, greyBlocks.data(), block);
        greyHeld = block[0];
    }
    IDirect3DSurface9* dst = level(dxt, 0);
    const RECT srcRect = {0, 0, 8, 4}, dstRect = {4, 4, 12, 8};
    ASSERT_EQ(
        D3DXLoadSurfaceFromSurface(dst, nullptr, &dstRect, src, nullptr, &srcRect, D3DX_DEFAULT, 0),
        S_OK);
    std::vector<Rgba> pixels = pixelsOf(readTexture(dxt));
    std::vector<Rgba> part(8 * 4);
    for (uint32_t y = 0; y < 4; ++y) {
        std::copy_n(source.begin() + y * 16, 8, part.begin() + y * 8);
    }
    std::vector<Rgba> partDecoded(8 * 4);
    const std::vector<uint8_t> partBlocks = encode(part, 8, 4, kFmtDXT1);
    dxtDecodeImage(kFmtDXT1, partBlocks.data(), 8, 4, partDecoded.data());
    for (uint32_t y = 0; y < 8; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4;
            EXPECT_EQ(pixels[y * 16 + x], inside ? partDecoded[(y - 4) * 8 + x - 4] : greyHeld)
                << x << "," << y;
        }
    }
    // A rectangle off the block grid of a DXT surface is refused.
    const RECT offGrid = {2, 0, 10, 4};
    EXPECT_EQ(
        D3DXLoadSurfaceFromSurface(dst, nullptr, &offGrid, src, nullptr, &srcRect, D3DX_DEFAULT, 0),
        D3DERR_INVALIDCALL);
    dst->Release();
    dxt->Release();

    // Colour key: pixels equal to the key become transparent black.
    std::vector<Rgba> keyed = source;
    keyed[5] = keyed[77] = Rgba{1, 2, 3, 255};
    writeLevel(srcTexture, 0, encode(keyed, 16, 8, kFmtA8R8G8B8));
    IDirect3DTexture9* argb = makeTexture(device.get(), 16, 8, 1, kFmtA8R8G8B8);
    dst = level(argb, 0);
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_DEFAULT,
                                         0xff010203),
              S_OK);
    pixels = pixelsOf(readTexture(argb));
    for (size_t i = 0; i < pixels.size(); ++i) {
        EXPECT_EQ(pixels[i], ((i == 5 || i == 77) ? Rgba{0, 0, 0, 0} : source[i])) << i;
    }
    dst->Release();
    argb->Release();
    src->Release();
    srcTexture->Release();
}

// The savers' sequence: render target -> managed output texture -> filter
// -> save; the file holds every level, in the texture's format, exactly as
// the texture holds them.
TEST(D3dxFilterSave, SaverSequenceWritesEveryLevel) {
    K4_NEED_DEVICE(device);
    using namespace k4codec;
    IDirect3DTexture9* target = quadrantTarget(device.get(), 40, 24);
    ASSERT_NE(target, nullptr);
    IDirect3DSurface9* src = level(target, 0);
    const std::string folder = scratchFolder();
    struct Case {
        Format format;
        UINT width, height, levels;
    };
    const Case cases[] = {{kFmtDXT1, 32, 16, 0},     {kFmtDXT5, 40, 24, 0},
                          {kFmtA8R8G8B8, 40, 24, 1}, {kFmtA4R4G4B4, 16, 16, 0},
                          {kFmtL8, 8, 4, 0},         {kFmtA8L8, 64, 32, 3}};
    for (const Case& c : cases) {
        if (!device.canCreate(c.format)) {
            continue;
        }
        IDirect3DTexture9* out = makeTexture(device.get(), c.width, c.height, c.levels, c.format);
        ASSERT_NE(out, nullptr) << formatName(c.format);
        IDirect3DSurface9* dst = level(out, 0);
        ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr,
                                             D3DX_DEFAULT, 0),
                  S_OK);
        if (out->GetLevelCount() > 1) {
            ASSERT_EQ(D3DXFilterTexture(out, nullptr, 0, D3DX_DEFAULT), S_OK);
        }
        const Image held = readTexture(out);
        Image expected = held;
        ASSERT_EQ(rebuildMips(&expected), kOk);
        EXPECT_EQ(held.levels, expected.levels) << formatName(c.format);

        const std::string path = folder + "\\saved_" + formatName(c.format) + ".dds";
        imgwrite::saveFile(path, imgwrite::Bytes(10, 'x')); // an older file to replace
        const size_t filesBefore = filesIn(folder);
        ASSERT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, out, nullptr), S_OK);
        EXPECT_EQ(filesIn(folder), filesBefore) << "no temporary file stays behind";
        const Image saved = readDdsFile(path);
        EXPECT_EQ(saved.format, c.format);
        EXPECT_EQ(saved.width, c.width);
        EXPECT_EQ(saved.height, c.height);
        EXPECT_EQ(saved.levels, held.levels) << formatName(c.format);
        D3DXIMAGE_INFO info;
        ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), S_OK);
        EXPECT_EQ(info.MipLevels, out->GetLevelCount());
        dst->Release();
        out->Release();
    }
    src->Release();
    target->Release();
}

// Filtering from a lower level leaves the levels above it alone; a texture
// loaded from a JPEG (X8R8G8B8, not an output format) saves in its format.
TEST(D3dxFilterSave, FilterFromLevelAndSaveOtherFormats) {
    K4_NEED_DEVICE(device);
    using namespace k4codec;
    IDirect3DTexture9* texture = makeTexture(device.get(), 16, 16, 0, kFmtA8R8G8B8);
    ASSERT_NE(texture, nullptr);
    for (UINT i = 0; i < texture->GetLevelCount(); ++i) {
        const uint32_t size = levelSize(16, i);
        writeLevel(texture, i, encode(pattern(size, size), size, size, kFmtA8R8G8B8));
    }
    const Image before = readTexture(texture);
    ASSERT_EQ(D3DXFilterTexture(texture, nullptr, 1, D3DX_FILTER_BOX), S_OK);
    const Image after = readTexture(texture);
    EXPECT_EQ(after.levels[0], before.levels[0]);
    EXPECT_EQ(after.levels[1], before.levels[1]);
    Image tail;
    tail.width = tail.height = 8;
    tail.format = kFmtA8R8G8B8;
    tail.levels.assign(after.levels.begin() + 1, after.levels.end());
    Image expected = tail;
    ASSERT_EQ(rebuildMips(&expected), kOk);
    EXPECT_EQ(tail.levels, expected.levels);
    EXPECT_NE(after.levels[2], before.levels[2]);
    texture->Release();

    imgwrite::JpegOptions jpeg;
    const std::string jpegPath =
        saveFixture("tosave.jpg", imgwrite::writeJpeg(jpeg, 8, 8, std::vector<uint8_t>(192, 90)));
    IDirect3DTexture9* loaded = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device.get(), jpegPath.c_str(), &loaded), S_OK);
    const std::string path = scratchPath("fromjpeg.dds");
    ASSERT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, loaded, nullptr), S_OK);
    const Image saved = readDdsFile(path);
    const Image held = readTexture(loaded);
    EXPECT_EQ(saved.format, kFmtX8R8G8B8);
    EXPECT_EQ(saved.levels, held.levels);
    loaded->Release();
}
