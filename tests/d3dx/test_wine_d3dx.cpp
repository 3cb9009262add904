// Interoperability: Wine's own d3dx9 (d3dx9_43.dll, loaded here only as an
// independent reader) loads every DDS file we write, in each of the twelve
// output formats with and without mip levels, into a texture whose pixels
// must match our own decoding of the file.
#include "d3dx_test_support.h"

#include "codec/convert.h"
#include "codec/loader.h"

#include <algorithm>

using namespace d3dxtest;
using k4codec::levelSize;

namespace {

using CreateFromFile = HRESULT(WINAPI*)(IDirect3DDevice9*, const char*, IDirect3DTexture9**);

// Largest channel difference allowed: none when Wine keeps the file's
// format, one step of rounding when it converts (R3G3B2 to X4R4G4B4, A4L4
// to A4R4G4B4 on Mesa).
int tolerance(Format file, Format texture) {
    return file == texture ? 0 : 1;
}

} // namespace

TEST(D3dxInterop, WineD3dxReadsOurDdsFiles) {
    K4_NEED_DEVICE(device);
    HMODULE d3dx = LoadLibraryA("d3dx9_43.dll");
    if (d3dx == nullptr) {
        GTEST_SKIP() << "d3dx9_43.dll is not in this Wine prefix";
    }
    const auto create = reinterpret_cast<CreateFromFile>(
        reinterpret_cast<void*>(GetProcAddress(d3dx, "D3DXCreateTextureFromFileA")));
    ASSERT_NE(create, nullptr);

    using namespace k4codec;
    Image source;
    source.width = 32;
    source.height = 16;
    source.format = kFmtA8R8G8B8;
    source.levels.push_back(encode(pattern(32, 16), 32, 16, kFmtA8R8G8B8));
    const Format formats[] = {kFmtDXT1,   kFmtDXT3,     kFmtDXT5,     kFmtA8R8G8B8,
                              kFmtR8G8B8, kFmtA4R4G4B4, kFmtA1R5G5B5, kFmtR5G6B5,
                              kFmtA8L8,   kFmtR3G3B2,   kFmtA4L4,     kFmtL8};
    for (const Format format : formats) {
        for (const uint32_t levels : {1u, fullMipCount(32, 16)}) {
            // Written the way `qbtex to-dds` writes it.
            Image written;
            ASSERT_EQ(resizeImage(source, 32, 16, levels, format, &written), kOk);
            std::vector<uint8_t> bytes;
            ASSERT_EQ(ddsWriteImage(written, &bytes), kOk);
            const std::string path = scratchPath(std::string("wine_") + formatName(format) +
                                                 (levels > 1 ? "_mips" : "") + ".dds");
            ASSERT_EQ(writeFileAtomic(path.c_str(), bytes), kOk);

            IDirect3DTexture9* texture = nullptr;
            const HRESULT hr = create(device.get(), path.c_str(), &texture);
            if (FAILED(hr)) {
                ADD_FAILURE() << "Wine's d3dx9 refuses " << formatName(format) << ": 0x" << std::hex
                              << hr;
                continue;
            }
            const Image got = readTexture(texture);
            texture->Release();
            if (!isConvertible(got.format)) {
                ADD_FAILURE() << formatName(format) << " became an unknown format " << got.format;
                continue;
            }
            int worst = 0;
            const uint32_t compared =
                std::min<uint32_t>(levels, static_cast<uint32_t>(got.levels.size()));
            EXPECT_EQ(got.width, 32u);
            EXPECT_EQ(got.height, 16u);
            // Where Wine chose a narrower format, our pixels as that format
            // holds them are the reference.
            Image reference = written;
            if (got.format != format) {
                ASSERT_EQ(convertImage(written, got.format, &reference), kOk);
            }
            for (uint32_t level = 0; level < compared; ++level) {
                worst = std::max(worst,
                                 maxDifference(pixelsOf(got, level), pixelsOf(reference, level)));
            }
            std::printf(
                "%-9s %-7s -> Wine texture %-9s %u levels, %u compared, max difference %d\n",
                formatName(format), levels > 1 ? "mips" : "no mips", formatName(got.format),
                static_cast<unsigned>(got.levels.size()), compared, worst);
            EXPECT_LE(worst, tolerance(format, got.format))
                << formatName(format) << " levels " << levels;
            if (levels > 1) {
                EXPECT_EQ(got.levels.size(), levels) << formatName(format);
            }
        }
    }
    FreeLibrary(d3dx);
}
