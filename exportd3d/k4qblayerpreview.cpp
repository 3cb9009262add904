// The layered texture's rectangle and drawing, and the preview worker (see
// k4qblayerpreview.h).
#include "exportd3d/k4qblayerpreview.h"

#include "exportd3d/k4qbdrawquad.h"
#include "exportd3d/k4qblayeredtexture.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qbquad.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbthread.h"
#include "textures/k4qbtexturecache.h"

namespace {

// The layer's texture from the cache, or null when it cannot be had (the
// cache's error codes); anything else goes on.
IDirect3DTexture9* layerTexture(K4QBTextureCache* cache, const K4QBFileList& list, int32_t index) {
    try {
        return list.getSource(index) == nullptr
                   ? cache->getFromFolder(list.getName(index), list.getFolder(index))
                   : cache->getFromQuellbury(list.getName(index), list.getFolder(index));
    } catch (const char*) {
        return nullptr;
    }
}

} // namespace

K4QBCanvasPlacement K4QBLayerCanvas::placeOnCanvas(int32_t width, int32_t height) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(getCanvasWindow(), &client);
    K4QBCanvasPlacement placement = {};
    placement.rect = k4qbFitPreview(width, height, client.right - client.left + 1,
                                    client.bottom - client.top + 1, GetSystemMetrics(SM_CXSCREEN),
                                    GetSystemMetrics(SM_CYSCREEN))
                         .rect;
    return placement;
}

K4QBLayerPreview::K4QBLayerPreview(K4QBAppWindow* appWindow, K4QBLayerCanvas* canvas,
                                   K4QBLayeredTexture* layers, K4QBTextureCache* cache,
                                   K4CDebugLogger* logger)
    : appWindow_(appWindow), canvas_(canvas), layers_(layers), cache_(cache), thread_(nullptr),
      running_(true), dirty_(true), drawCount_(0), logger_(logger) {
    K4C_TRACE(logger_, "Enter and exit constructor K4QBLayerPreview(%p, %p, %p, %p) = %p",
              (void*)appWindow, (void*)canvas, (void*)layers, (void*)cache, (void*)this);
}

K4QBLayerPreview::~K4QBLayerPreview() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBLayerPreview = %p", (void*)this);
    stop();
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBLayerPreview = %p", (void*)this);
}

void K4QBLayerPreview::start() {
    K4C_TRACE(logger_, "Enter K4QBLayerPreview::start = %p", (void*)this);
    running_.store(true);
    thread_ = k4qbStartThread(threadMain, this);
    if (thread_ == nullptr) {
        running_.store(false);
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBLayerPreview::start", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBLayerPreview::start = %p", (void*)this);
}

void K4QBLayerPreview::stop() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBLayerPreview::stop = %p", (void*)this);
    running_.store(false);
    k4qbEndThread(&thread_); // the worker never waits for this thread
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBLayerPreview::stop = %p", (void*)this);
}

unsigned __stdcall K4QBLayerPreview::threadMain(void* context) {
    K4QBLayerPreview* preview = static_cast<K4QBLayerPreview*>(context);
    if (!k4qbRunWorker(preview->logger_, "K4QBLayerPreview::run", [preview] { preview->run(); })) {
        preview->running_.store(false);
    }
    return 0;
}

void K4QBLayerPreview::run() {
    K4C_TRACE(logger_, "Enter K4QBLayerPreview::run = %p", (void*)this);
    while (running_.load()) {
        if (dirty_.exchange(false)) {
            draw();
        }
        k4p::sleepMs(1);
    }
    K4C_TRACE(logger_, "Exit K4QBLayerPreview::run = %p", (void*)this);
}

void K4QBLayerPreview::draw() {
    K4C_TRACE(logger_, "Enter K4QBLayerPreview::draw = %p", (void*)this);
    // One reading of the list for the rectangle and the layers; the textures
    // load from the copy, so the window thread may change the list meanwhile.
    layers_->copyTo(&drawn_);
    K4QBD3DUse use(appWindow_);
    if (use.device() == nullptr) {
        dirty_.store(true); // drawn once the device is back
    } else {
        // The canvas places the texture (zoomed and panned, or fitted).
        const RECT size = layerRect(this, drawn_, false);
        K4QBCanvasPlacement placement = {};
        if (size.right > 0 && size.bottom > 0) {
            placement = canvas_->placeOnCanvas(size.right, size.bottom);
        }
        const RECT* shown = placement.partial ? &placement.source : nullptr;
        drawLayers(use.device(), this, drawn_, placement.rect, true, placement.sharp, shown);
        appWindow_->presentD3D(shown);
        drawCount_.fetch_add(1);
    }
    K4C_TRACE(logger_, "Exit K4QBLayerPreview::draw = %p", (void*)this);
}

RECT layerRect(K4QBLayerPreview* preview, const K4QBFileList& layers, bool forPreview) {
    K4C_TRACE(preview->getLogger(), "Enter layerRect(%p, %d)", (void*)preview, forPreview ? 1 : 0);
    RECT rect = {0, 0, 0, 0};
    for (int32_t i = 0; i < layers.getCount(); ++i) {
        IDirect3DTexture9* texture = layerTexture(preview->getCache(), layers, i);
        D3DSURFACE_DESC desc;
        if (texture != nullptr && SUCCEEDED(texture->GetLevelDesc(0, &desc))) {
            rect.right = static_cast<LONG>(desc.Width);
            rect.bottom = static_cast<LONG>(desc.Height);
            break;
        }
    }
    if (forPreview && rect.right > 0 && rect.bottom > 0) {
        rect = preview->getCanvas()->placeOnCanvas(rect.right, rect.bottom).rect;
    }
    K4C_TRACE(preview->getLogger(), "Return (%ld, %ld, %ld, %ld) from layerRect", rect.left,
              rect.top, rect.right, rect.bottom);
    return rect;
}

void drawLayers(IDirect3DDevice9* device, K4QBLayerPreview* preview, const K4QBFileList& layers,
                const RECT& rect, bool forPreview, bool sharp, const RECT* part) {
    K4C_TRACE(preview->getLogger(), "Enter drawLayers(%p, %p, %d)", (void*)device, (void*)preview,
              forPreview ? 1 : 0);
    K4QBCompositionState state(device);
    const bool empty = rect.right <= rect.left || rect.bottom <= rect.top;
    const K4QBDrawnPart drawnPart(device, forPreview ? part : nullptr,
                                  forPreview ? K4QB_LAYER_SURROUND : K4QB_LAYER_CLEAR);
    if (forPreview) {
        if (!empty) {
            const D3DRECT area = {rect.left, rect.top, rect.right, rect.bottom};
            device->Clear(1, &area, D3DCLEAR_TARGET, preview->getCanvas()->getCanvasBackground(),
                          1.0f, 0);
        }
    }
    int32_t drawn = 0;
    K4QBSharpSampling sampling(device, sharp);
    {
        K4QBScene scene(device);
        for (int32_t i = 0; scene.begun() && !empty && i < layers.getCount(); ++i) {
            IDirect3DTexture9* texture = layerTexture(preview->getCache(), layers, i);
            if (texture != nullptr && SUCCEEDED(k4qbDrawQuad(device, texture, rect.left, rect.top,
                                                             rect.right, rect.bottom))) {
                ++drawn;
            }
        }
    }
    K4C_TRACE(preview->getLogger(), "Exit drawLayers after %d layers", drawn);
}
