// Preview figures of the Windows program: the time from selecting a file in
// the main window's file list to the first frame the preview draws (its draw
// count going from 0 to 1), for a 2048 x 2048 PNG and a 512 x 512 DXT1 DDS,
// first load (not yet in the texture cache) and cached (selected again after
// another file). The real main window is built in-process over a content
// registry on an install written by this program, as the GUI tests do.
//
//   preview_bench.exe [RUNS]      (default 7)
//
// Each run uses its own files, so every first load misses the cache. Figures
// are median and minimum in milliseconds; "handled" is the part spent inside
// the selection message (loading the texture on the window thread), the rest
// is starting the worker and its first drawing and Present.
#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "platform/platform.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "textures/k4qbtexturecache.h"
#include "tools/imgwrite.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The program's window with its settings, log and cache in the bench's own
// folder.
class BenchWindow : public K4QBTexMgrWindow {
public:
    explicit BenchWindow(const std::string& folder)
        : K4QBTexMgrWindow(GetModuleHandleA(nullptr), nullptr) {
        setAppFolder((folder + "\\").c_str());
    }
};

uint32_t nextRandom(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

// A picture that compresses like a real texture: gradients, a brick-like grid
// and noise; the seed makes each file different.
bool writePicturePng(const std::string& path, uint32_t size, uint32_t seed) {
    std::vector<uint16_t> samples;
    samples.reserve(static_cast<size_t>(size) * size * 4);
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            uint32_t noise = nextRandom(&state) & 31;
            bool mortar = (y % 64) < 4 || ((x + ((y / 64) & 1) * 64) % 128) < 4;
            uint32_t r = mortar ? 180 : (x * 160 / size + 60 + noise) & 0xFF;
            uint32_t g = mortar ? 175 : (y * 90 / size + 40 + noise) & 0xFF;
            uint32_t b = mortar ? 165 : (seed * 37 + 30 + noise) & 0xFF;
            samples.push_back(static_cast<uint16_t>(r));
            samples.push_back(static_cast<uint16_t>(g));
            samples.push_back(static_cast<uint16_t>(b));
            samples.push_back(255);
        }
    }
    imgwrite::Bytes bytes = imgwrite::writePng(imgwrite::PngOptions(), size, size, samples);
    return !bytes.empty() && imgwrite::saveFile(path, bytes);
}

uint16_t rgb565(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// A DXT1 file with a full mip chain: per block a gradient between two colours
// and noisy indices (four-colour mode: first end point the larger).
bool writePictureDds(const std::string& path, uint32_t size, uint32_t seed) {
    imgwrite::Bytes data;
    uint32_t state = seed * 2246822519u + 7;
    uint32_t levels = 0;
    for (uint32_t level = size; level >= 1; level /= 2) {
        ++levels;
        uint32_t blocks = std::max(1u, level / 4);
        for (uint32_t by = 0; by < blocks; ++by) {
            for (uint32_t bx = 0; bx < blocks; ++bx) {
                uint16_t c0 = rgb565(200, 120 + (bx * 100 / blocks), 60 + seed * 13 % 100);
                uint16_t c1 = rgb565(40, 30 + (by * 60 / blocks), 20);
                if (c0 <= c1) {
                    std::swap(c0, c1);
                }
                if (c0 == c1) {
                    c1 = static_cast<uint16_t>(c0 - 1);
                }
                uint32_t indices = nextRandom(&state) ^ (nextRandom(&state) << 16);
                for (uint16_t c : {c0, c1}) {
                    data.push_back(static_cast<uint8_t>(c & 0xFF));
                    data.push_back(static_cast<uint8_t>(c >> 8));
                }
                for (int i = 0; i < 4; ++i) {
                    data.push_back(static_cast<uint8_t>(indices >> (8 * i)));
                }
            }
        }
        if (level == 1) {
            break;
        }
    }
    imgwrite::DdsOptions options;
    options.width = size;
    options.height = size;
    options.mipCount = levels;
    options.flags = 0x1007 | 0x20000 | 0x80000; // | MIPMAPCOUNT | LINEARSIZE
    options.pitchOrLinearSize = (size / 4) * (size / 4) * 8;
    options.fourCC = imgwrite::fourCC("DXT1");
    options.caps = 0x1000 | 0x8 | 0x400000; // TEXTURE | COMPLEX | MIPMAP
    return imgwrite::saveFile(path, imgwrite::writeDds(options, data));
}

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct Timing {
    double handled = 0; // inside the selection message
    double drawn = 0;   // to the first drawn frame
    bool ok = false;
};

class Bench {
public:
    Bench(K4QBTexMgrWindow* window) : window_(window) {}

    int position(const std::string& name) {
        K4QBFileControl* list = window_->getFSControls()->getFileList();
        for (int32_t i = 0; i < list->getEntryCount(); ++i) {
            if (name == list->getEntryFileName(i)) {
                return i;
            }
        }
        std::fprintf(stderr, "preview_bench: %s is not in the file list\n", name.c_str());
        std::exit(1);
    }

    // Selects one list position as the list box does and waits for the first
    // drawing of the new preview (bounded, so a broken build cannot hang).
    Timing select(int position) {
        HWND list = window_->getFSControls()->getFileList()->getWindow();
        Timing timing;
        double start = nowMs();
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        SendMessageA(list, LB_SETSEL, TRUE, position);
        SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(1006, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        timing.handled = nowMs() - start;
        K4QBImagePreview* preview = window_->getImagePanel()->getImagePreview();
        if (preview == nullptr) {
            return timing;
        }
        while (preview->getDrawCount() == 0) {
            if (nowMs() - start > 60000) {
                return timing;
            }
            pump();
            SwitchToThread();
        }
        timing.drawn = nowMs() - start;
        timing.ok = true;
        // The captions the worker posted, before the next selection.
        pump();
        return timing;
    }

    int32_t cachedEntries() { return window_->getTextureCache()->getEntryCount(); }

private:
    K4QBTexMgrWindow* window_;
};

struct Series {
    std::vector<double> drawn, handled;
    void add(const Timing& t) {
        drawn.push_back(t.drawn);
        handled.push_back(t.handled);
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void report(const char* label, const Series& s) {
    std::printf("  %-27s first frame: median %8.1f ms  min %8.1f ms   (handled: median %8.1f ms)\n",
                label, median(s.drawn), *std::min_element(s.drawn.begin(), s.drawn.end()),
                median(s.handled));
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    if (runs < 1) {
        std::fprintf(stderr, "usage: preview_bench [RUNS]\n");
        return 2;
    }

    // A scratch folder beside the executable (its files are rewritten each run).
    char exePath[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    std::string folder = exePath;
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\preview-bench-tmp";
    std::string textures = folder + "\\install\\data\\textures";
    if (!k4p::createFolderTree(textures.c_str())) {
        std::fprintf(stderr, "preview_bench: cannot create %s\n", textures.c_str());
        return 1;
    }
    char name[64];
    bool written = writePicturePng(textures + "\\other.png", 64, 999);
    for (int i = 0; i < runs && written; ++i) {
        std::snprintf(name, sizeof name, "\\big_%02d.png", i);
        written = writePicturePng(textures + name, 2048, static_cast<uint32_t>(i));
        std::snprintf(name, sizeof name, "\\tile_%02d.dds", i);
        written = written && writePictureDds(textures + name, 512, static_cast<uint32_t>(i));
    }
    // One more of each for the warm-up, which pays the one-time costs
    // (decoder and driver start-up, first texture of each format).
    written = written && writePicturePng(textures + "\\warm.png", 2048, 500) &&
              writePictureDds(textures + "\\warm.dds", 512, 500);
    if (!written) {
        std::fprintf(stderr, "preview_bench: cannot write the textures below %s\n",
                     textures.c_str());
        return 1;
    }

    // The file search panel starts on the game content's textures.
    FILE* settings = k4p::openFile((folder + "\\k4-qb-texmgr.ini").c_str(), "wt");
    if (settings == nullptr ||
        std::fputs("[file search]\nsource = Quellbury Content\n", settings) < 0 ||
        std::fclose(settings) != 0) {
        std::fprintf(stderr, "preview_bench: cannot write the settings in %s\n", folder.c_str());
        return 1;
    }
    K4QBContentRegistry content;
    content.addSource(K4QBGameDataFolder::CreateFromPath((folder + "\\install").c_str()));
    int status = 0;
    try {
        BenchWindow window(folder);
        window.initialize(&content, SW_SHOWNORMAL);
        pump();
        Bench bench(&window);
        int other = bench.position("other.png");
        bench.select(bench.position("warm.png"));
        bench.select(bench.position("warm.dds"));
        bench.select(other);

        Series pngFirst, pngCached, ddsFirst, ddsCached;
        for (int i = 0; i < runs; ++i) {
            struct {
                const char* pattern;
                Series* first;
                Series* cached;
            } kinds[] = {{"big_%02d.png", &pngFirst, &pngCached},
                         {"tile_%02d.dds", &ddsFirst, &ddsCached}};
            for (auto& kind : kinds) {
                std::snprintf(name, sizeof name, kind.pattern, i);
                int at = bench.position(name);
                int32_t entries = bench.cachedEntries();
                Timing first = bench.select(at);
                bool missed = bench.cachedEntries() == entries + 1;
                bench.select(other);
                Timing cached = bench.select(at);
                bool hit = bench.cachedEntries() == entries + 1;
                if (!first.ok || !cached.ok || !missed || !hit) {
                    std::fprintf(stderr, "preview_bench: %s: no drawing, or the cache %s\n", name,
                                 missed ? "did not keep it" : "already held it");
                    return 1;
                }
                kind.first->add(first);
                kind.cached->add(cached);
                bench.select(other);
            }
        }
        std::printf("Selection to first drawn frame, %d runs (ms):\n", runs);
        report("PNG 2048 x 2048, first", pngFirst);
        report("PNG 2048 x 2048, cached", pngCached);
        report("DDS 512 x 512 DXT1, first", ddsFirst);
        report("DDS 512 x 512 DXT1, cached", ddsCached);
    } catch (const char* code) {
        std::fprintf(stderr, "preview_bench: %s\n", code);
        status = 1;
    }
    return status;
}
