// Shared pieces of the layered texture tests: the real main window over the
// texture manager tests' fixture install (tests/texmgr) in the layered view,
// a layer list with its preview record drawing into the image panel, PNG
// layers, and saved files read back with the codec.
#pragma once

#include "exportd3d/k4qblayeredtexture.h"
#include "exportd3d/k4qblayerpreview.h"
#include "exportd3d/k4qbtexturesave.h"
#include "tests/d3dx/d3dx_test_support.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "texmgr/k4qbtlcontrols.h"
#include "textures/k4qbtexturecache.h"

namespace layeredtest {

using d3dxtest::maxDifference;
using d3dxtest::pixelsOf;
using k4codec::Image;
using k4codec::ImageInfo;
using k4codec::Rgba;

// A saved file as the codec reads it; an empty image when it cannot.
inline Image readDds(const std::string& path, ImageInfo* info = nullptr) {
    std::vector<uint8_t> bytes;
    Image image;
    ImageInfo read;
    if (k4codec::readFileBytes(path.c_str(), &bytes) != k4codec::kOk ||
        k4codec::ddsReadImage(bytes.data(), bytes.size(), &image, &read) != k4codec::kOk) {
        return Image();
    }
    if (info != nullptr) {
        *info = read;
    }
    return image;
}

// Outputs go to the folder "out"; the preview record is not started.
class LayeredTest : public texmgrtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        install_ = folder_ + "\\install";
        out_ = folder_ + "\\out";
        ASSERT_TRUE(k4p::createFolder(out_.c_str()));
        open();
        // Neither the image preview nor the layers panel's draws meanwhile.
        panel_->showLayeredTexture();
        window_->getTLControls()->stopPreview();
        preview_ = std::make_unique<K4QBLayerPreview>(window_.get(), panel_, &layers_,
                                                      window_->getTextureCache());
    }
    void TearDown() override { preview_.reset(); }

    // A PNG layer on disk in the test's folder (its name is also the file's).
    void addPicture(const std::string& name, uint32_t width, uint32_t height,
                    const std::vector<Rgba>& pixels) {
        std::vector<uint16_t> samples;
        for (const Rgba& p : pixels) {
            samples.insert(samples.end(), {p.r, p.g, p.b, p.a});
        }
        ASSERT_TRUE(imgwrite::saveFile(folder_ + "\\" + name,
                                       imgwrite::writePng({}, width, height, samples)));
        layers_.append(nullptr, name.c_str(), folder_.c_str());
    }
    // A texture of the fixture install, as game content.
    void addGameTexture(const char* name) { layers_.append(&content_, name, "data\\textures\\"); }

    bool save(const std::string& name, int32_t formatIndex = 3, int32_t source = 0,
              std::string folder = "") {
        folder = folder.empty() ? out_ : folder;
        K4QBLayerSaveOptions options;
        options.folderSource = source;
        options.folder = folder.c_str();
        options.installPath = install_.c_str();
        options.formatIndex = formatIndex;
        options.fileName = name.c_str();
        return saveLayeredTexture(preview_.get(), options);
    }

    std::string install_, out_;
    K4QBLayeredTexture layers_;
    std::unique_ptr<K4QBLayerPreview> preview_;
};

} // namespace layeredtest
