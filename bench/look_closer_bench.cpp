// Looking-closer figures of the Windows program, in the real main window
// built in-process over an install written by this program, as the GUI tests
// do, on a 2048 x 2048 PNG already shown (Original):
//  - "Preview As: DXT5" from the menu click to the drawn compressed picture
//    with its PSNR in the caption, the first in a fresh process and then
//    warm (Original and DXT5 again), with the longest time the window
//    thread handled no message meanwhile (a message posted to a window of
//    this thread and timed until it is handled); beside it the anchor, the
//    codec's own round trip of the same picture (encode, decode, PSNR) on
//    this thread, which no compressed preview can skip;
//  - redraws per second of the zoomed picture (Actual Size, then 4x): a
//    drag panning it by a few pixels, and Zoom In / Zoom Out in turn, each
//    waited for until the preview drew it; beside them the fitted picture
//    redrawn (the panel uncovered) as the anchor.
//
//   look_closer_bench.exe [RUNS] [REDRAWS]   (5, 200)
#include "bench/texmgr_bench_window.h"
#include "bench/win_bench.h"
#include "codec/codec.h"
#include "content/content_registry.h"
#include "content/game_data_folder.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbimagepreview.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "tools/imgwrite.h"
#include "view/compressed_preview.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using k4bench::nowMs;
using k4bench::Probe;
using k4bench::pump;

// Gradients, a brick-like grid and noise: compresses like a real texture.
std::vector<k4codec::Rgba> picture(uint32_t size) {
    std::vector<k4codec::Rgba> pixels;
    uint32_t state = 12345;
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            state = state * 1664525u + 1013904223u;
            const uint32_t noise = (state >> 8) & 31;
            const bool mortar = (y % 64) < 4 || ((x + ((y / 64) & 1) * 64) % 128) < 4;
            pixels.push_back({uint8_t(mortar ? 180 : (x * 160 / size + 60 + noise) & 0xFF),
                              uint8_t(mortar ? 175 : (y * 90 / size + 40 + noise) & 0xFF),
                              uint8_t(mortar ? 165 : (30 + noise) & 0xFF),
                              uint8_t(128 + (x * 127 / size))});
        }
    }
    return pixels;
}

void command(K4QBTexMgrWindow* window, int id) {
    SendMessageA(window->getWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Runs the window's messages, posting probes, until `done` (bounded, so a
// broken build cannot hang); false when it never came.
bool pumpUntil(const std::function<bool()>& done, Probe* probe) {
    const double start = nowMs();
    while (!done()) {
        if (nowMs() - start > 120000) {
            return false;
        }
        if (probe != nullptr) {
            probe->post();
        }
        pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return true;
}

struct Timing {
    double drawn = 0, gap = 0;
};

// From the menu click on DXT5 to the first drawing of the compressed preview.
bool compressedPreview(K4QBTexMgrWindow* window, Probe* probe, Timing* timing) {
    K4QBTexMgrImagePanel* panel = window->getImagePanel();
    probe->reset();
    const double start = nowMs();
    command(window, IDM_VIEW_PREVIEW_DXT5);
    const double handled = nowMs() - start;
    K4QBImagePreview* preview = panel->getImagePreview();
    if (preview == nullptr || !pumpUntil([&] { return preview->getDrawCount() > 0; }, probe)) {
        return false;
    }
    timing->drawn = nowMs() - start;
    timing->gap = std::max(probe->longest(), handled);
    // Back to the original, drawn, for the next run.
    command(window, IDM_VIEW_PREVIEW_ORIGINAL);
    preview = panel->getImagePreview();
    return preview != nullptr && pumpUntil([&] { return preview->getDrawCount() > 0; }, nullptr);
}

// Redraws per second: `change` then waiting until the preview drew it.
double redrawRate(K4QBTexMgrWindow* window, int redraws, const std::function<void(int)>& change) {
    K4QBImagePreview* preview = window->getImagePanel()->getImagePreview();
    const double start = nowMs();
    for (int i = 0; i < redraws; ++i) {
        const uint32_t drawn = preview->getDrawCount();
        change(i);
        if (!pumpUntil([&] { return preview->getDrawCount() > drawn; }, nullptr)) {
            return 0;
        }
    }
    return redraws * 1000.0 / (nowMs() - start);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const int redraws = argc > 2 ? std::atoi(argv[2]) : 200;
    if (runs < 1 || redraws < 1) {
        std::fprintf(stderr, "usage: look_closer_bench [RUNS] [REDRAWS]\n");
        return 2;
    }
    char exePath[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    std::string folder = exePath;
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\look-closer-bench-tmp";
    const std::string textures = folder + "\\install\\data\\textures";
    const std::vector<k4codec::Rgba> pixels = picture(2048);
    std::vector<uint16_t> samples;
    for (const k4codec::Rgba& c : pixels) {
        samples.insert(samples.end(), {c.r, c.g, c.b, c.a});
    }
    FILE* settings = nullptr;
    if (!k4p::createFolderTree(textures.c_str()) ||
        !imgwrite::saveFile(textures + "\\big.png",
                            imgwrite::writePng(imgwrite::PngOptions(), 2048, 2048, samples)) ||
        (settings = k4p::openFile((folder + "\\k4-qb-texmgr.ini").c_str(), "wt")) == nullptr ||
        std::fputs("[file search]\nsource = Quellbury Content\n", settings) < 0 ||
        std::fclose(settings) != 0) {
        std::fprintf(stderr, "look_closer_bench: cannot write below %s\n", folder.c_str());
        return 1;
    }
    K4QBContentRegistry content;
    content.addSource(K4QBGameDataFolder::CreateFromPath((folder + "\\install").c_str()));
    try {
        k4bench::TexMgrWindow window(folder);
        window.initialize(&content, SW_SHOWNORMAL);
        pump();
        K4QBFileControl* list = window.getFSControls()->getFileList();
        int position = -1;
        for (int32_t i = 0; i < list->getEntryCount(); ++i) {
            position = std::string("big.png") == list->getEntryFileName(i) ? i : position;
        }
        SendMessageA(list->getWindow(), LB_SETSEL, TRUE, position);
        SendMessageA(window.getWindow(), WM_COMMAND, MAKEWPARAM(K4QB_ID_FILELIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list->getWindow()));
        K4QBImagePreview* shown = window.getImagePanel()->getImagePreview();
        if (shown == nullptr || !pumpUntil([&] { return shown->getDrawCount() > 0; }, nullptr)) {
            std::fprintf(stderr, "look_closer_bench: big.png was not drawn\n");
            return 1;
        }

        Probe probe;
        Timing fresh;
        std::vector<double> drawn, gaps;
        for (int run = 0; run <= runs; ++run) {
            Timing timing;
            if (!compressedPreview(&window, &probe, &timing)) {
                std::fprintf(stderr, "look_closer_bench: no compressed preview drawn\n");
                return 1;
            }
            if (run == 0) {
                fresh = timing;
            } else {
                drawn.push_back(timing.drawn);
                gaps.push_back(timing.gap);
            }
        }
        std::vector<double> anchor;
        for (int run = 0; run < runs; ++run) {
            k4view::CompressedPreview made;
            const double start = nowMs();
            k4view::previewCompressed(k4codec::kFmtDXT5, pixels.data(), 2048, 2048, false, &made);
            anchor.push_back(nowMs() - start);
        }
        const double best = *std::min_element(drawn.begin(), drawn.end());
        const double anchorBest = *std::min_element(anchor.begin(), anchor.end());
        std::printf("Preview As DXT5 of a 2048 x 2048 PNG, click to drawn picture (%d runs):\n",
                    runs);
        std::printf("  fresh process   %8.1f ms  longest window-thread gap %6.1f ms\n", fresh.drawn,
                    fresh.gap);
        std::printf("  warm            median %8.1f ms  best %8.1f ms  longest gap %6.1f ms\n",
                    median(drawn), best, *std::max_element(gaps.begin(), gaps.end()));
        std::printf("  anchor: the codec's DXT5 round trip + PSNR alone, best %8.1f ms; "
                    "warm best / anchor %.2fx\n",
                    anchorBest, best / anchorBest);

        HWND panel = window.getImagePanel()->getPanelWindow();
        RECT client;
        GetClientRect(panel, &client);
        const int cx = client.right / 2, cy = client.bottom / 2;
        const double fitted =
            redrawRate(&window, redraws, [&](int) { InvalidateRect(panel, nullptr, FALSE); });
        command(&window, IDM_VIEW_ZOOM_ACTUAL);
        SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
        const double panned = redrawRate(&window, redraws, [&](int i) {
            SendMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(cx + (i % 2) * 7, cy));
        });
        SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(cx, cy));
        command(&window, IDM_VIEW_ZOOM_IN);
        command(&window, IDM_VIEW_ZOOM_IN);
        const double zoomed = redrawRate(&window, redraws, [&](int i) {
            command(&window, i % 2 ? IDM_VIEW_ZOOM_IN : IDM_VIEW_ZOOM_OUT);
        });
        if (fitted == 0 || panned == 0 || zoomed == 0) {
            std::fprintf(stderr, "look_closer_bench: a redraw never came\n");
            return 1;
        }
        std::printf("Redraws of the 2048 x 2048 picture, %d each (per second):\n", redraws);
        std::printf("  fitted, panel uncovered (anchor)  %7.1f /s\n", fitted);
        std::printf("  1:1, dragged                      %7.1f /s  (%.2fx the anchor)\n", panned,
                    panned / fitted);
        std::printf("  2x / 4x, Zoom Out and In in turn  %7.1f /s  (%.2fx the anchor)\n", zoomed,
                    zoomed / fitted);
    } catch (const char* code) {
        std::fprintf(stderr, "look_closer_bench: %s\n", code);
        return 1;
    }
    return 0;
}
