// Preview figures of the Windows program, in the real main window built
// in-process over a content registry on an install written by this program,
// as the GUI tests do:
//  - the time from selecting a file in the file list to the first frame the
//    preview draws (its draw count going from 0 to 1), for a 2048 x 2048 PNG
//    and a 512 x 512 DXT1 DDS, first load (not yet in the texture cache) and
//    cached (selected again after another file);
//  - where a first 2048 x 2048 PNG load spends its time, step by step, done
//    here one step after the other on the window's device, and the first
//    load against what it cannot skip (decoding the file and presenting);
//  - a double click on frame 1 of a numbered series of 1024 x 1024 PNGs: the
//    time to the first drawn frame, to every frame loaded, and the longest
//    time the window thread handled no message meanwhile (a message is
//    posted to a window of this thread and timed until it is handled).
//
//   preview_bench.exe [RUNS] [SEQUENCE_RUNS] [SEQUENCE_FRAMES] [at-once]   (7, 3, 100)
//
// The first selection comes once the window's drawing warm-up (begun with the
// device, while a user looks for a file) is done, and the bench says how long
// after the window's start that was; with "at-once" it comes at once instead.
//
// Each run uses its own files, so every first load misses the cache. Figures
// are median and minimum in milliseconds; "handled" is the part spent inside
// the selection message, the rest happens on the preview's worker.
#include "bench/texmgr_bench_window.h"
#include "bench/win_bench.h"
#include "codec/codec.h"
#include "codec/d3dx/surface_io.h"
#include "codec/loader.h"
#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "shell/k4qbquad.h"
#include "texmgr/k4qbdrawingwarmup.h"
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

using k4bench::nowMs;
using k4bench::Probe;
using k4bench::pump;

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

void command(K4QBTexMgrWindow* window, int id) {
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

struct Timing {
    double handled = 0; // inside the selection message
    double drawn = 0;   // to the first drawn frame
    bool ok = false;
};

struct SequenceTiming {
    double handled = 0;    // inside the double click
    double firstDrawn = 0; // to frame 0 drawn
    double allLoaded = 0;  // to every frame loaded
    double longestGap = 0; // longest wait of a posted message meanwhile
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
        SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_FILELIST, LBN_SELCHANGE),
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

    // A double click on one position, as the list box sends it, then the
    // series loading while this thread handles messages.
    SequenceTiming doubleClick(int position, int32_t frames, Probe* probe) {
        HWND list = window_->getFSControls()->getFileList()->getWindow();
        SequenceTiming timing;
        probe->reset();
        double start = nowMs();
        SendMessageA(list, LB_SETSEL, FALSE, -1);
        SendMessageA(list, LB_SETSEL, TRUE, position);
        SendMessageA(window_->getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_FILELIST, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(list));
        timing.handled = nowMs() - start;
        K4QBImagePreview* preview = window_->getImagePanel()->getImagePreview();
        if (preview == nullptr || preview->getFrameCount() != frames) {
            return timing;
        }
        while (timing.firstDrawn == 0 || timing.allLoaded == 0) {
            double now = nowMs();
            if (now - start > 600000) {
                return timing;
            }
            if (timing.firstDrawn == 0 && preview->getDrawCount() > 0) {
                timing.firstDrawn = now - start;
            }
            if (timing.allLoaded == 0 && preview->getLoadedCount() == frames) {
                timing.allLoaded = now - start;
            }
            probe->post();
            pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
        timing.longestGap = std::max(probe->longest(), timing.handled);
        timing.ok = true;
        pump();
        return timing;
    }

    int32_t cachedEntries() { return window_->getTextureCache()->getEntryCount(); }

private:
    K4QBTexMgrWindow* window_;
};

// The steps of a first load of a PNG file into a managed texture and its
// first drawing, one after the other on the window's device.
struct Steps {
    double read = 0, decode = 0, convert = 0, mips = 0, fill = 0, upload = 0, draw = 0, present = 0;
    double decodeReused = 0; // into a buffer of an earlier load, as the preview does
    bool ok = false;
};

Steps measureSteps(K4QBTexMgrWindow* window, const std::string& path, k4codec::Image* spare) {
    Steps steps;
    double t0 = nowMs();
    std::vector<uint8_t> bytes;
    if (k4codec::readFileBytes(path.c_str(), &bytes) != k4codec::kOk) {
        return steps;
    }
    double t1 = nowMs();
    k4codec::Image decoded;
    k4codec::ImageInfo info;
    if (k4codec::readImage(bytes.data(), bytes.size(), &decoded, &info) != k4codec::kOk) {
        return steps;
    }
    double t2 = nowMs();
    if (k4codec::readImage(bytes.data(), bytes.size(), spare, &info) != k4codec::kOk) {
        return steps;
    }
    steps.decodeReused = nowMs() - t2;
    t2 = nowMs();
    const uint32_t w = decoded.width, h = decoded.height;
    const k4codec::Format format = k4codec::kFmtA8R8G8B8;
    k4codec::Image top, chain;
    if (k4codec::resizeImage(decoded, w, h, 1, format, &top) != k4codec::kOk) {
        return steps;
    }
    double t3 = nowMs();
    const uint32_t levels = k4codec::fullMipCount(w, h);
    if (k4codec::resizeImage(decoded, w, h, levels, format, &chain) != k4codec::kOk) {
        return steps;
    }
    double t4 = nowMs();
    steps.read = t1 - t0;
    steps.decode = t2 - t1;
    steps.convert = t3 - t2;
    steps.mips = (t4 - t3) - (t3 - t2);

    K4QBD3DUse use(window);
    IDirect3DDevice9* device = use.device();
    if (device == nullptr) {
        return steps;
    }
    double t5 = nowMs();
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                     nullptr))) {
        return steps;
    }
    for (uint32_t level = 0; level < levels; ++level) {
        D3DLOCKED_RECT locked;
        if (FAILED(texture->LockRect(level, &locked, nullptr, 0))) {
            texture->Release();
            return steps;
        }
        k4d3dx::copyToLocked(locked, format, k4codec::levelSize(w, level),
                             k4codec::levelSize(h, level), chain.levels[level].data());
        texture->UnlockRect(level);
    }
    double t6 = nowMs();
    texture->PreLoad();
    double t7 = nowMs();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, K4QB_PREVIEW_SURROUND, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        k4qbDrawQuad(device, texture, 0, 0, 512, 512);
        device->EndScene();
    }
    double t8 = nowMs();
    window->presentD3D();
    double t9 = nowMs();
    texture->Release();
    steps.fill = t6 - t5;
    steps.upload = t7 - t6;
    steps.draw = t8 - t7;
    steps.present = t9 - t8;
    steps.ok = true;
    return steps;
}

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

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

void report(const char* label, const Series& s) {
    std::printf("  %-27s first frame: median %8.1f ms  min %8.1f ms   (handled: median %8.1f ms)\n",
                label, median(s.drawn), minimum(s.drawn), median(s.handled));
}

void reportLine(const char* label, const std::vector<double>& values) {
    std::printf("  %-34s median %8.1f ms  min %8.1f ms\n", label, median(values), minimum(values));
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    int sequenceRuns = argc > 2 ? std::atoi(argv[2]) : 3;
    int sequenceFrames = argc > 3 ? std::atoi(argv[3]) : 100;
    const bool atOnce = argc > 4 && std::string(argv[4]) == "at-once";
    if (runs < 1 || sequenceRuns < 0 || sequenceFrames < 2 || sequenceFrames > 100) {
        std::fprintf(stderr, "usage: preview_bench [RUNS] [SEQUENCE_RUNS] [SEQUENCE_FRAMES]\n");
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
        std::snprintf(name, sizeof name, "\\step_%02d.png", i);
        written = written && writePicturePng(textures + name, 2048, static_cast<uint32_t>(i + 100));
    }
    // Series "s<letter>_001.png" on: the first written, the others copies
    // under their own names (each run misses the cache all the same).
    for (int frame = 1; frame <= sequenceFrames && written; ++frame) {
        for (int run = 0; run < sequenceRuns && written; ++run) {
            char first[64];
            std::snprintf(first, sizeof first, "\\sa_%03d.png", frame);
            std::snprintf(name, sizeof name, "\\s%c_%03d.png", 'a' + run, frame);
            written =
                run == 0
                    ? writePicturePng(textures + name, 1024, static_cast<uint32_t>(frame + 200))
                    : CopyFileA((textures + first).c_str(), (textures + name).c_str(), FALSE) != 0;
        }
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
        k4bench::TexMgrWindow window(folder);
        double started = nowMs();
        window.initialize(&content, SW_SHOWNORMAL);
        pump();
        const K4QBDrawingWarmUp* warmUp = window.getImagePanel()->getDrawingWarmUp();
        while (!atOnce && warmUp != nullptr && !warmUp->isDone() && nowMs() - started < 10000) {
            pump();
            SwitchToThread();
        }
        const double warmedUp = nowMs() - started;
        Bench bench(&window);
        int other = bench.position("other.png");

        // The headline first: a fresh process's first selection of a large
        // PNG, before anything else warmed the decoder or the driver.
        Timing fresh = bench.select(bench.position("big_00.png"));
        bench.select(other);

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
                // The first PNG was taken above, in the fresh process.
                const bool taken = i == 0 && kind.first == &pngFirst;
                int at = bench.position(name);
                int32_t entries = bench.cachedEntries() - (taken ? 1 : 0);
                Timing first = taken ? fresh : bench.select(at);
                bool missed = bench.cachedEntries() == entries + 1;
                bench.select(other);
                Timing cached = bench.select(at);
                bool hit = bench.cachedEntries() == entries + 1;
                if (!first.ok || !cached.ok || !missed || !hit) {
                    std::fprintf(stderr, "preview_bench: %s: no drawing, or the cache %s\n", name,
                                 missed ? "did not keep it" : "already held it");
                    return 1;
                }
                if (!taken) {
                    kind.first->add(first);
                }
                kind.cached->add(cached);
                bench.select(other);
            }
        }
        std::printf("Selection to first drawn frame, %d runs (ms):\n", runs);
        if (atOnce) {
            std::printf("  (the first selection came at once, %.1f ms after the window's start)\n",
                        warmedUp);
        } else {
            std::printf("  (the first selection came after the drawing warm-up, %.1f ms after the "
                        "window's start)\n",
                        warmedUp);
        }
        std::printf("  PNG 2048 x 2048, first in a fresh process: %.1f ms (handled %.1f ms)\n",
                    fresh.drawn, fresh.handled);
        if (runs > 1) {
            report("PNG 2048 x 2048, first", pngFirst);
        }
        report("PNG 2048 x 2048, cached", pngCached);
        report("DDS 512 x 512 DXT1, first", ddsFirst);
        report("DDS 512 x 512 DXT1, cached", ddsCached);

        std::vector<double> read, decode, decodeReused, convert, mips, fill, upload, draw, present;
        k4codec::Image spare; // a picture's memory, touched before
        spare.levels.emplace_back(size_t(2048) * 2048 * 4);
        for (int i = 0; i < runs; ++i) {
            std::snprintf(name, sizeof name, "\\step_%02d.png", i);
            Steps steps = measureSteps(&window, textures + name, &spare);
            if (!steps.ok) {
                std::fprintf(stderr, "preview_bench: %s: a step failed\n", name);
                return 1;
            }
            read.push_back(steps.read);
            decode.push_back(steps.decode);
            decodeReused.push_back(steps.decodeReused);
            convert.push_back(steps.convert);
            mips.push_back(steps.mips);
            fill.push_back(steps.fill);
            upload.push_back(steps.upload);
            draw.push_back(steps.draw);
            present.push_back(steps.present);
        }
        std::printf("Steps of a first PNG 2048 x 2048 load, one after the other, %d runs:\n", runs);
        reportLine("read the file", read);
        reportLine("decode (libpng, to BGRA)", decode);
        reportLine("decode into a used buffer", decodeReused);
        reportLine("level 0 in A8R8G8B8 (copy)", convert);
        reportLine("mip chain (11 levels)", mips);
        reportLine("create + fill managed texture", fill);
        reportLine("upload (PreLoad)", upload);
        reportLine("draw (scene)", draw);
        reportLine("present", present);
        // What no first load can skip: decoding the file and presenting it.
        const double unavoidable = median(decode) + median(present);
        std::printf("First load against decode + present (%.1f ms, the medians above):\n",
                    unavoidable);
        std::printf("  fresh process %.2fx", fresh.drawn / unavoidable);
        if (runs > 1) {
            std::printf(", median %.2fx, min %.2fx", median(pngFirst.drawn) / unavoidable,
                        minimum(pngFirst.drawn) / unavoidable);
        }
        std::printf("\n");

        if (sequenceRuns > 0) {
            command(&window, IDM_VIEW_ANIM_10FPS);
            Probe probe;
            std::vector<double> handled, firstDrawn, allLoaded, gap;
            for (int run = 0; run < sequenceRuns; ++run) {
                std::snprintf(name, sizeof name, "s%c_001.png", 'a' + run);
                SequenceTiming t = bench.doubleClick(bench.position(name), sequenceFrames, &probe);
                if (!t.ok) {
                    std::fprintf(stderr, "preview_bench: the series of %s did not load\n", name);
                    return 1;
                }
                handled.push_back(t.handled);
                firstDrawn.push_back(t.firstDrawn);
                allLoaded.push_back(t.allLoaded);
                gap.push_back(t.longestGap);
                bench.select(other);
            }
            std::printf("Double click on frame 1 of %d PNGs 1024 x 1024, 10 fps, %d runs:\n",
                        sequenceFrames, sequenceRuns);
            reportLine("first frame drawn", firstDrawn);
            reportLine("every frame loaded", allLoaded);
            reportLine("inside the double click", handled);
            reportLine("longest window-thread gap", gap);
        }
    } catch (const char* code) {
        std::fprintf(stderr, "preview_bench: %s\n", code);
        status = 1;
    }
    return status;
}
