// Shared pieces of the layered texture tests: the real main window over the
// texture manager tests' fixture install (tests/texmgr), a layer list with a
// preview record that draws into the image panel's window, layer pictures
// written as PNG files, and saved DDS files read back with the codec.
#pragma once

#include "codec/codec.h"
#include "export/k4qblayeredtexture.h"
#include "export/k4qblayerpreview.h"
#include "export/k4qbtexturesave.h"
#include "tests/d3dx/d3dx_test_support.h"
#include "tests/texmgr/texmgr_test_support.h"
#include "textures/k4qbtexturecache.h"

#include <memory>
#include <string>
#include <vector>

namespace layeredtest {

using k4codec::Rgba;

// The image panel as the layers panel will show it.
class PanelCanvas : public K4QBLayerCanvas {
public:
    explicit PanelCanvas(K4QBTexMgrImagePanel* panel) : panel_(panel) {}
    HWND getCanvasWindow() override { return panel_->getPanelWindow(); }
    D3DCOLOR getCanvasBackground() override { return panel_->getBackground(); }

private:
    K4QBTexMgrImagePanel* panel_;
};

inline void writePicture(const std::string& path, uint32_t width, uint32_t height,
                         const std::vector<Rgba>& pixels) {
    std::vector<uint16_t> samples;
    for (const Rgba& p : pixels) {
        samples.insert(samples.end(), {p.r, p.g, p.b, p.a});
    }
    ASSERT_TRUE(imgwrite::saveFile(
        path, imgwrite::writePng(imgwrite::PngOptions(), width, height, samples)));
}

inline std::string text(const Rgba& c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
           std::to_string(c.a) + ")";
}

inline std::vector<Rgba> uniform(uint32_t width, uint32_t height, Rgba colour) {
    return std::vector<Rgba>(static_cast<size_t>(width) * height, colour);
}

// A saved file as the codec reads it; an empty image when it cannot.
inline k4codec::Image readDds(const std::string& path, k4codec::ImageInfo* info = nullptr) {
    std::vector<uint8_t> bytes;
    k4codec::Image image;
    k4codec::ImageInfo read;
    if (k4codec::readFileBytes(path.c_str(), &bytes) != k4codec::kOk ||
        k4codec::ddsReadImage(bytes.data(), bytes.size(), &image, &read) != k4codec::kOk) {
        return k4codec::Image();
    }
    if (info != nullptr) {
        *info = read;
    }
    return image;
}

// The main window in the layered view (no image preview drawing), a layer
// list and its preview record, not started; outputs go to the folder "out".
class LayeredTest : public texmgrtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        install_ = folder_ + "\\install";
        out_ = folder_ + "\\out";
        ASSERT_TRUE(k4p::createFolder(out_.c_str()));
        open();
        panel_->showLayeredTexture();
        canvas_ = std::make_unique<PanelCanvas>(panel_);
        preview_ = std::make_unique<K4QBLayerPreview>(window_.get(), canvas_.get(), &layers_,
                                                      window_->getTextureCache());
    }
    void TearDown() override { preview_.reset(); }

    // A PNG layer on disk, in the test's folder.
    void addPicture(const std::string& name, uint32_t width, uint32_t height,
                    const std::vector<Rgba>& pixels) {
        writePicture(folder_ + "\\" + name, width, height, pixels);
        layers_.append(nullptr, name.c_str(), folder_.c_str());
    }
    // One of the install's textures, as game content.
    void addGameTexture(const char* name) { layers_.append(&content_, name, "data\\textures\\"); }

    bool save(const std::string& name, int32_t formatIndex = 3, int32_t source = 0,
              const std::string& folder = "") {
        const std::string where = folder.empty() ? out_ : folder;
        K4QBLayerSaveOptions options;
        options.folderSource = source;
        options.folder = where.c_str();
        options.installPath = install_.c_str();
        options.formatIndex = formatIndex;
        options.fileName = name.c_str();
        return saveLayeredTexture(preview_.get(), options);
    }

    std::string install_;
    std::string out_;
    K4QBLayeredTexture layers_;
    std::unique_ptr<PanelCanvas> canvas_;
    std::unique_ptr<K4QBLayerPreview> preview_;
};

} // namespace layeredtest
