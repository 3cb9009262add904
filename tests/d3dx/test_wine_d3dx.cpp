// Interoperability: Wine's own d3dx9 (d3dx9_43.dll, loaded here only as an
// independent reader) loads every DDS file we write, in each of the twelve
// output formats with and without mip levels, into a texture whose pixels
// must match our own decoding of the file.
#include "d3dx_test_support.h"

#include "codec/convert.h"
#include "codec/loader.h"

#include <algorithm>

using namespace d3dxtest;

namespace {

using CreateFromFile = HRESULT(WINAPI*)(IDirect3DDevice9*, const char*, IDirect3DTexture9**);

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
    source.width = 32, source.height = 16, source.format = kFmtA8R8G8B8;
    source.levels.push_back(encode(pattern(32, 16), 32, 16, kFmtA8R8G8B8));
    for (const Format format :
         {kFmtDXT1, kFmtDXT3, kFmtDXT5, kFmtA8R8G8B8, kFmtR8G8B8, kFmtA4R4G4B4, kFmtA1R5G5B5,
          kFmtR5G6B5, kFmtA8L8, kFmtR3G3B2, kFmtA4L4, kFmtL8}) {
        for (const uint32_t levels : {1u, fullMipCount(32, 16)}) {
            SCOPED_TRACE(std::string(formatName(format)) + (levels > 1 ? " with levels" : ""));
            // Written the way `qbtex to-dds` writes it.
            Image written;
            std::vector<uint8_t> bytes;
            ASSERT_EQ(resizeImage(source, 32, 16, levels, format, &written), kOk);
            ASSERT_EQ(ddsWriteImage(written, &bytes), kOk);
            const std::string path = saveFixture(std::string("wine_") + formatName(format) +
                                                     (levels > 1 ? "_mips" : "") + ".dds",
                                                 bytes);
            ComRef<IDirect3DTexture9> texture;
            const HRESULT hr = create(device.get(), path.c_str(), texture.out());
            EXPECT_EQ(hr, S_OK) << "Wine's d3dx9 refuses the file";
            if (FAILED(hr)) {
                continue;
            }
            const Image got = readTexture(texture.get());
            ASSERT_TRUE(isConvertible(got.format)) << "an unknown format " << got.format;
            EXPECT_EQ(got.width, 32u);
            EXPECT_EQ(got.height, 16u);
            if (levels > 1) {
                EXPECT_EQ(got.levels.size(), levels);
            }
            // Where Wine chose a narrower format (R3G3B2 to X4R4G4B4, A4L4 to
            // A4R4G4B4 on Mesa), our pixels as that format holds them are the
            // reference, within one step of rounding; otherwise exactly.
            Image reference = written;
            if (got.format != format) {
                ASSERT_EQ(convertImage(written, got.format, &reference), kOk);
            }
            int worst = 0;
            for (uint32_t level = 0; level < std::min<size_t>(levels, got.levels.size()); ++level) {
                worst = std::max(worst,
                                 maxDifference(pixelsOf(got, level), pixelsOf(reference, level)));
            }
            std::printf("%-9s %-7s -> Wine texture %-9s max difference %d\n", formatName(format),
                        levels > 1 ? "mips" : "no mips", formatName(got.format), worst);
            EXPECT_LE(worst, got.format == format ? 0 : 1);
        }
    }
    FreeLibrary(d3dx);
}
