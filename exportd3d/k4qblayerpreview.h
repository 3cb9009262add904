// The layered texture drawn with the program's Direct3D device: where the
// layers go (layerRect), the drawing itself (drawLayers), and the preview
// worker (K4QBLayerPreview) that redraws the layered texture in the image
// panel whenever something marks it dirty.
//
// Drawing: every layer, bottom first, is stretched over the whole rectangle
// and blended with its alpha over what lies below (colour and alpha alike:
// over the transparent black of an off-screen target a texel of alpha 0.5
// leaves alpha 0.25). The quad is shifted by half a pixel so that texel
// centres fall on pixel centres and edges clamp: a layer drawn at its own
// size comes out unchanged, as in the codec's software drawing. A layer whose
// texture cannot be had (a deleted file, content not found) is left out; the
// texture's size is that of the first layer that loads.
//
// Threads, as for every worker (texmgr/k4qbimagepreview.h): the worker runs
// through k4qbRunWorker and stops in order on any error; it touches the
// device only inside a K4QBD3DUse bracket and reads the layers only through
// a K4QBLayerReader; it never waits for the window thread (the picture goes
// out through the application window's presenter, which copies it onto the
// canvas with GDI under Wine); its flags are atomic. The window thread
// starts, marks and stops it, and never stops it while holding a bracket.
#pragma once

#include "content/file_list.h"

#include <windows.h>

#include <d3d9.h>

#include <atomic>
#include <cstdint>

class K4CDebugLogger;
class K4QBAppWindow;
class K4QBLayeredTexture;
class K4QBTextureCache;

inline constexpr D3DCOLOR K4QB_LAYER_SURROUND = 0xFF333333;
inline constexpr D3DCOLOR K4QB_LAYER_CLEAR = 0x00000000;

// Where a picture lies on the canvas: its rectangle in back-buffer pixels,
// whether its texels are drawn sharp (point sampling, when enlarged), and the
// part of the back buffer to show (all of it, stretched over the window, when
// `partial` is false).
struct K4QBCanvasPlacement {
    RECT rect;
    bool sharp;
    bool partial;
    RECT source;
};

// Where the preview is shown: the image panel's window, its background
// colour, and where a picture goes on it. Called from the worker, so all
// must be safe from any thread.
class K4QBLayerCanvas {
public:
    virtual HWND getCanvasWindow() = 0;
    virtual D3DCOLOR getCanvasBackground() = 0;
    // A width x height picture (both above 0); by default fitted into the
    // window's client area (k4qbFitPreview), smooth, the whole buffer shown.
    virtual K4QBCanvasPlacement placeOnCanvas(int32_t width, int32_t height);

protected:
    ~K4QBLayerCanvas() = default;
};

class K4QBLayerPreview {
public:
    // Nothing is owned. Running and dirty start true; the worker starts with
    // start().
    K4QBLayerPreview(K4QBAppWindow* appWindow, K4QBLayerCanvas* canvas, K4QBLayeredTexture* layers,
                     K4QBTextureCache* cache, K4CDebugLogger* logger = nullptr);
    // Stops the worker, waiting for it.
    ~K4QBLayerPreview();
    K4QBLayerPreview(const K4QBLayerPreview&) = delete;
    K4QBLayerPreview& operator=(const K4QBLayerPreview&) = delete;

    // Throws "K4QBERR_APP_INITERROR" when the thread cannot be started.
    void start();
    // Clears running and waits for the worker to end.
    void stop() noexcept;
    // Redraw at the next turn of the worker. The flag is cleared before a
    // drawing starts, so a change made during one is drawn again after it.
    void setDirty() { dirty_.store(true); }

    bool isRunning() const { return running_.load(); }
    bool isDirty() const { return dirty_.load(); }
    // Completed drawings; lets callers wait for the next one.
    uint32_t getDrawCount() const { return drawCount_.load(); }

    K4QBAppWindow* getAppWindow() const { return appWindow_; }
    K4QBLayerCanvas* getCanvas() const { return canvas_; }
    K4QBLayeredTexture* getLayers() const { return layers_; }
    K4QBTextureCache* getCache() const { return cache_; }
    K4CDebugLogger* getLogger() const { return logger_; }

private:
    static unsigned __stdcall threadMain(void* preview);
    void run();
    void draw();

    K4QBAppWindow* appWindow_;
    K4QBLayerCanvas* canvas_;
    K4QBLayeredTexture* layers_;
    K4QBTextureCache* cache_;
    HANDLE thread_;
    std::atomic<bool> running_;
    std::atomic<bool> dirty_;
    std::atomic<uint32_t> drawCount_;
    K4QBFileList drawn_; // the worker's copy of the layers it draws
    K4CDebugLogger* logger_;
};

// With the device held, over `layers` (a copy of the preview's layer list,
// K4QBLayeredTexture::copyTo). Not for the preview: (0, 0, w, h), the
// layered texture's size (all zero without a layer that loads). For the
// preview: where the canvas places that size (placeOnCanvas), in back-buffer
// coordinates (the back buffer has the screen's size).
RECT layerRect(K4QBLayerPreview* preview, const K4QBFileList& layers, bool forPreview);

// With the device held: draws every layer of `layers` into the device's
// render target 0 over the rectangle, with point sampling when `sharp`. For
// the preview the target is first cleared to dark grey and the rectangle to
// the canvas background (only `part` of it drawn when given: the part the
// window shows); otherwise to transparent black. Presenting is the caller's:
// the preview worker presents through the application window's presenter,
// the off-screen savers not at all.
void drawLayers(IDirect3DDevice9* device, K4QBLayerPreview* preview, const K4QBFileList& layers,
                const RECT& rect, bool forPreview, bool sharp = false, const RECT* part = nullptr);
