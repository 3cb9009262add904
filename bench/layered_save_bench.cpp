// The layered save of the Windows program: the time to save a 2048 x 2048
// layered texture of three layers as DXT5 with a full mip chain, in the real
// main window (built in-process) on its Direct3D device, as "Save Texture"
// does it. The layers (an opaque picture and two half-transparent ones) are
// loaded into the texture cache first, as the preview has done by the time
// the user saves; that load is shown on its own line.
//
//   layered_save_bench.exe [RUNS]      (default 5)
//
// The headline is the first save in a fresh process; the warm figure is the
// best of the following runs. Milliseconds.
#include "bench/win_bench.h"
#include "exportd3d/k4qblayeredtexture.h"
#include "exportd3d/k4qblayerpreview.h"
#include "exportd3d/k4qbtexturesave.h"
#include "platform/platform.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "texmgr/k4qbtlcontrols.h"
#include "textures/k4qbtexturecache.h"
#include "tools/imgwrite.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using k4bench::nowMs;

constexpr uint32_t kSize = 2048;
constexpr int32_t kDxt5Index = 2;

class BenchWindow : public K4QBTexMgrWindow {
public:
    explicit BenchWindow(const std::string& folder)
        : K4QBTexMgrWindow(GetModuleHandleA(nullptr), nullptr) {
        setAppFolder((folder + "\\").c_str());
    }
};

// Gradients, a grid and noise, so that DXT has real work; layers above the
// first are half transparent with an alpha ramp.
bool writeLayer(const std::string& path, uint32_t layer) {
    std::vector<uint16_t> samples;
    samples.reserve(static_cast<size_t>(kSize) * kSize * 4);
    uint32_t state = layer * 2654435761u + 1;
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            state = state * 1664525u + 1013904223u;
            const uint32_t noise = (state >> 8) & 31;
            const bool grid = (x + layer * 40) % 256 < 6 || (y + layer * 90) % 256 < 6;
            samples.push_back(static_cast<uint16_t>((x * 200 / kSize + noise + layer * 50) & 0xFF));
            samples.push_back(static_cast<uint16_t>(grid ? 230 : (y * 150 / kSize + noise) & 0xFF));
            samples.push_back(static_cast<uint16_t>((layer * 70 + noise * 3) & 0xFF));
            samples.push_back(
                static_cast<uint16_t>(layer == 0 ? 255 : 64 + (x + y) * 128 / (2 * kSize)));
        }
    }
    const imgwrite::Bytes bytes = imgwrite::writePng(imgwrite::PngOptions(), kSize, kSize, samples);
    return !bytes.empty() && imgwrite::saveFile(path, bytes);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(2, std::atoi(argv[1])) : 5;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "k4-layered-save-bench";
    k4p::createFolderTree(folder.c_str());
    const char* names[3] = {"layer0.png", "layer1.png", "layer2.png"};
    for (uint32_t i = 0; i < 3; ++i) {
        if (!writeLayer(folder + "\\" + names[i], i)) {
            std::fprintf(stderr, "cannot write the layers into %s\n", folder.c_str());
            return 1;
        }
    }

    BenchWindow window(folder);
    window.initialize(nullptr, SW_SHOWNORMAL);
    window.getImagePanel()->showLayeredTexture();
    window.getTLControls()->stopPreview(); // the bench's own preview draws on the panel
    K4QBLayeredTexture layers;
    for (const char* name : names) {
        layers.append(nullptr, name, folder.c_str());
    }
    K4QBLayerPreview preview(&window, window.getImagePanel(), &layers, window.getTextureCache());

    double start = nowMs();
    {
        K4QBD3DUse use(&window);
        for (const char* name : names) {
            window.getTextureCache()->getFromFolder(name, folder.c_str());
        }
    }
    const double load = nowMs() - start;

    K4QBLayerSaveOptions options;
    options.folder = folder.c_str();
    options.formatIndex = kDxt5Index;
    options.fileName = "layered.dds";
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        start = nowMs();
        if (!saveLayeredTexture(&preview, options)) {
            std::fprintf(stderr, "the save failed\n");
            return 1;
        }
        times.push_back(nowMs() - start);
    }
    const double warm = *std::min_element(times.begin() + 1, times.end());
    std::printf("Layered save, 3 layers of %u x %u, DXT5 with a full chain (%d runs)\n", kSize,
                kSize, runs);
    std::printf("  loading the layers into the cache: %8.1f ms\n", load);
    std::printf("  first save in a fresh process:     %8.1f ms\n", times[0]);
    std::printf("  warm, best of %d:                   %8.1f ms\n", runs - 1, warm);
    return 0;
}
