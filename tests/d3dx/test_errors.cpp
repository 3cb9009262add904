// Bad arguments and bad files: the documented result, and nothing the caller
// owns changes (out pointers stay null, textures and files keep their
// contents, no file appears).
#include "d3dx_test_support.h"

using namespace d3dxtest;

TEST(D3dxErrors, UndecodableFilesAreInvalidData) {
    K4_NEED_DEVICE(device);
    using imgwrite::Bytes;
    imgwrite::DdsOptions dds;
    dds.fourCC = imgwrite::fourCC("DXT5");
    dds.width = dds.height = 8;
    const Bytes good = imgwrite::writeDds(dds, Bytes(64, 0x55));
    dds.width = dds.height = 65536;
    for (const std::string& path :
         {saveFixture("truncated.dds", Bytes(good.begin(), good.end() - 1)),
          saveFixture("garbage.png", Bytes(300, 0x42)), saveFixture("empty.bmp", Bytes()),
          saveFixture("huge.dds", imgwrite::writeDds(dds, Bytes(64))),
          scratchPath("no-such-file.dds")}) {
        SCOPED_TRACE(path);
        D3DXIMAGE_INFO info;
        std::memset(&info, 0x5a, sizeof info);
        EXPECT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3DXERR_INVALIDDATA);
        EXPECT_EQ(info.Width, 0x5a5a5a5au) << "info untouched";
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(device.get(), path.c_str(), &texture),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(texture, nullptr);
    }
}

TEST(D3dxErrors, InvalidCallsChangeNothing) {
    K4_NEED_DEVICE(device);
    using namespace k4codec;
    const std::string png =
        saveFixture("valid.png", imgwrite::writePng(imgwrite::PngOptions(), 2, 2,
                                                    std::vector<uint16_t>(16, 200)));
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXGetImageInfoFromFileA(nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, png.c_str(), &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device.get(), nullptr, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device.get(), png.c_str(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);

    // Surfaces: null, bad filter, rectangles outside, formats without a codec.
    const std::vector<Rgba> source = pattern(8, 8);
    ComRef<IDirect3DTexture9> srcTexture(makeTexture(device.get(), 8, 8, 1, kFmtA8R8G8B8));
    ComRef<IDirect3DTexture9> dstTexture(makeTexture(device.get(), 8, 8, 4, kFmtA8R8G8B8));
    ASSERT_TRUE(srcTexture.get() && dstTexture.get());
    writeLevel(srcTexture.get(), 0, encode(source, 8, 8, kFmtA8R8G8B8));
    const Image before = readTexture(dstTexture.get());
    ComRef<IDirect3DSurface9> src(surfaceOf(srcTexture.get())), dst(surfaceOf(dstTexture.get()));
    const RECT outside = {0, 0, 9, 8}, empty = {2, 2, 2, 4};
    EXPECT_EQ(copySurface(nullptr, src.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(copySurface(dst.get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(copySurface(dst.get(), src.get(), 7), D3DERR_INVALIDCALL);
    EXPECT_EQ(copySurface(dst.get(), src.get(), D3DX_DEFAULT, &outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(copySurface(dst.get(), src.get(), D3DX_DEFAULT, nullptr, &empty), D3DERR_INVALIDCALL);
    ComRef<IDirect3DTexture9> floatTexture;
    if (SUCCEEDED(device.get()->CreateTexture(8, 8, 1, 0, D3DFMT_A32B32G32R32F, D3DPOOL_MANAGED,
                                              floatTexture.out(), nullptr))) {
        ComRef<IDirect3DSurface9> floatSurface(surfaceOf(floatTexture.get()));
        EXPECT_EQ(copySurface(dst.get(), floatSurface.get()), D3DERR_INVALIDCALL);
        const std::string path = scratchPath("float.dds");
        EXPECT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, floatTexture.get(), nullptr),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    }

    // Filtering: null texture, a source level past the last, bad filter.
    EXPECT_EQ(D3DXFilterTexture(nullptr, nullptr, 0, D3DX_DEFAULT), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXFilterTexture(dstTexture.get(), nullptr, 4, D3DX_DEFAULT), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXFilterTexture(dstTexture.get(), nullptr, 0, 0x1234567), D3DERR_INVALIDCALL);
    ComRef<IDirect3DCubeTexture9> cube;
    if (SUCCEEDED(device.get()->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                  cube.out(), nullptr))) {
        EXPECT_EQ(D3DXFilterTexture(cube.get(), nullptr, 0, D3DX_DEFAULT), D3DERR_INVALIDCALL);
        EXPECT_EQ(D3DXSaveTextureToFileA(scratchPath("cube.dds").c_str(), D3DXIFF_DDS, cube.get(),
                                         nullptr),
                  D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(readTexture(dstTexture.get()).levels, before.levels);

    // Saving: bad arguments keep an existing file; an unwritable place
    // creates nothing.
    const std::string existing = saveFixture("keep.dds", imgwrite::Bytes{1, 2, 3});
    const std::string nowhere = scratchPath("missing-folder\\out.dds");
    const struct {
        const char* path;
        D3DXIMAGE_FILEFORMAT type;
        IDirect3DTexture9* texture;
    } saves[] = {{nullptr, D3DXIFF_DDS, dstTexture.get()},
                 {existing.c_str(), D3DXIFF_DDS, nullptr},
                 {existing.c_str(), D3DXIFF_BMP, dstTexture.get()},
                 {nowhere.c_str(), D3DXIFF_DDS, dstTexture.get()}};
    for (const auto& save : saves) {
        EXPECT_EQ(D3DXSaveTextureToFileA(save.path, save.type, save.texture, nullptr),
                  D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(k4test::readFile(existing), std::string("\1\2\3"));
    EXPECT_EQ(GetFileAttributesA(nowhere.c_str()), INVALID_FILE_ATTRIBUTES);
}
