// K4QBImagePreview: frames, fitting, vertex buffers, the worker's drawing and
// animation.
#include "texmgr/k4qbimagepreview.h"

#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbquad.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "textures/k4qbtexturecache.h"

#include <process.h>

#include <cstring>

namespace {

char* copyText(const char* text) {
    size_t length = text != nullptr ? std::strlen(text) : 0;
    char* copy = new char[length + 1];
    if (length > 0) {
        std::memcpy(copy, text, length);
    }
    copy[length] = 0;
    return copy;
}

} // namespace

K4QBImagePreview::K4QBImagePreview(int32_t source, K4QBTexMgrWindow* mainWindow,
                                   K4QBTexMgrImagePanel* panel, K4QBTextureCache* cache,
                                   K4CDebugLogger* logger)
    : source_(source), mainWindow_(mainWindow), panel_(panel), cache_(cache), frames_(nullptr),
      frameCount_(0), thread_(nullptr), running_(false), rebuild_(false), redraw_(false),
      currentFrame_(0), captionPending_(true), drawCount_(0), contentError_(nullptr),
      contentErrorFrame_(-1), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBImagePreview(%d, %p, %p, %p) = %p", source,
              (void*)mainWindow, (void*)panel, (void*)cache, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBImagePreview = %p", (void*)this);
}

K4QBImagePreview::~K4QBImagePreview() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBImagePreview = %p", (void*)this);
    stop();
    for (int32_t i = 0; i < frameCount_; ++i) {
        if (frames_[i].vertexBuffer != nullptr) {
            frames_[i].vertexBuffer->Release();
        }
        delete[] frames_[i].name;
        delete[] frames_[i].folder;
    }
    delete[] frames_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBImagePreview = %p", (void*)this);
}

const K4QBPreviewFrame* K4QBImagePreview::getFrame(int32_t index) const {
    if (index < 0 || index >= frameCount_) {
        k4cTraceThrow(logger_, K4CEXC_INDEXOUTOFBOUNDS, "K4QBImagePreview::getFrame",
                      (const void*)this);
    }
    K4C_TRACE(logger_, "Enter and return %p from K4QBImagePreview::getFrame = %p",
              (const void*)&frames_[index], (const void*)this);
    return &frames_[index];
}

IDirect3DTexture9* K4QBImagePreview::frameTexture(const K4QBPreviewFrame& frame,
                                                  const char** contentError) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::frameTexture(%s, %s) = %p", frame.name,
              frame.folder, (void*)this);
    IDirect3DTexture9* texture = nullptr;
    try {
        texture = source_ == 0 ? cache_->getFromFolder(frame.name, frame.folder)
                               : cache_->getFromQuellbury(frame.name, frame.folder);
    } catch (const char* code) {
        // A file that cannot be loaded is shown as dark grey. Anything but a
        // load error of a game file came from the game content (extraction).
        texture = nullptr;
        if (contentError != nullptr && source_ != 0 && !k4cIsError(code, K4DXERR_RES_LOADERROR)) {
            *contentError = code;
        }
    }
    K4C_TRACE(logger_, "Return %p from K4QBImagePreview::frameTexture = %p", (void*)texture,
              (void*)this);
    return texture;
}

void K4QBImagePreview::loadFrames(K4QBFileListBox* list, IDirect3DDevice9* device) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::loadFrames(%p, %p) = %p", (void*)list,
              (void*)device, (void*)this);
    mainWindow_->setAppBusy(K4QB_BUSY_BACKGROUND);
    int32_t selected = 0;
    const int32_t* positions = list->getSelectedPositions(&selected);
    int32_t count = selected < K4QB_PREVIEW_MAX_FRAMES ? selected : K4QB_PREVIEW_MAX_FRAMES;
    if (panel_->getAnimationRate() == 0 && count > 1) {
        count = 1;
    }
    frames_ = new K4QBPreviewFrame[count > 0 ? count : 1];
    for (int32_t i = 0; i < count; ++i) {
        K4QBPreviewFrame& frame = frames_[i];
        std::memset(&frame, 0, sizeof frame);
        frame.name = copyText(list->getEntryFileName(positions[i]));
        frame.folder = copyText(list->getEntryFolder(positions[i]));
        frameCount_ = i + 1;
        const char* contentError = nullptr;
        IDirect3DTexture9* texture = frameTexture(frame, &contentError);
        if (contentError != nullptr && contentError_ == nullptr) {
            contentError_ = contentError;
            contentErrorFrame_ = i;
        }
        D3DSURFACE_DESC desc;
        if (texture != nullptr && texture->GetLevelDesc(0, &desc) == D3D_OK) {
            frame.imageWidth = static_cast<int32_t>(desc.Width);
            frame.imageHeight = static_cast<int32_t>(desc.Height);
        }
    }
    fitAll();
    createVertexBuffers(device);
    mainWindow_->setAppBusy(K4QB_BUSY_IDLE);
    // The first drawing advances to frame 0 when animating.
    currentFrame_.store(count - 1);
    K4C_TRACE(logger_, "Exit K4QBImagePreview::loadFrames = %p", (void*)this);
}

void K4QBImagePreview::fitFrame(K4QBPreviewFrame* frame, int32_t cw, int32_t ch,
                                int32_t screenWidth, int32_t screenHeight) {
    const K4QBPreviewFit fit =
        k4qbFitPreview(frame->imageWidth, frame->imageHeight, cw, ch, screenWidth, screenHeight);
    frame->displayWidth = fit.width;
    frame->displayHeight = fit.height;
    frame->x1 = fit.rect.left;
    frame->y1 = fit.rect.top;
    frame->x2 = fit.rect.right;
    frame->y2 = fit.rect.bottom;
}

void K4QBImagePreview::fitAll() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::fitAll = %p", (void*)this);
    RECT client = {};
    GetClientRect(panel_->getPanelWindow(), &client);
    int32_t cw = client.right - client.left + 1;
    int32_t ch = client.bottom - client.top + 1;
    int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
    for (int32_t i = 0; i < frameCount_; ++i) {
        if (frames_[i].imageWidth != 0 && frames_[i].imageHeight != 0) {
            fitFrame(&frames_[i], cw, ch, screenWidth, screenHeight);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::fitAll = %p", (void*)this);
}

IDirect3DVertexBuffer9* K4QBImagePreview::makeVertexBuffer(IDirect3DDevice9* device,
                                                           const K4QBPreviewFrame& frame) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::makeVertexBuffer(%p, %p) = %p", (void*)device,
              (const void*)&frame, (void*)this);
    IDirect3DVertexBuffer9* buffer = nullptr;
    if (FAILED(device->CreateVertexBuffer(4 * sizeof(K4QBQuadVertex),
                                          D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, K4QB_QUAD_FVF,
                                          D3DPOOL_DEFAULT, &buffer, nullptr))) {
        return nullptr;
    }
    K4QBQuadVertex quad[4];
    k4qbFillQuad(quad, frame.x1, frame.y1, frame.x2, frame.y2);
    void* data = nullptr;
    if (FAILED(buffer->Lock(0, sizeof quad, &data, 0))) {
        buffer->Release();
        return nullptr;
    }
    std::memcpy(data, quad, sizeof quad);
    buffer->Unlock();
    K4C_TRACE(logger_, "Return %p from K4QBImagePreview::makeVertexBuffer = %p", (void*)buffer,
              (void*)this);
    return buffer;
}

void K4QBImagePreview::createVertexBuffers(IDirect3DDevice9* device) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::createVertexBuffers(%p) = %p", (void*)device,
              (void*)this);
    for (int32_t i = 0; i < frameCount_; ++i) {
        K4QBPreviewFrame& frame = frames_[i];
        if (frame.imageWidth == 0 || frame.imageHeight == 0 || frame.vertexBuffer != nullptr) {
            continue;
        }
        for (int32_t j = 0; j < i; ++j) {
            if (frames_[j].imageWidth == frame.imageWidth &&
                frames_[j].imageHeight == frame.imageHeight && frames_[j].vertexBuffer != nullptr) {
                frame.vertexBuffer = frames_[j].vertexBuffer;
                frame.vertexBuffer->AddRef();
                break;
            }
        }
        if (frame.vertexBuffer == nullptr) {
            frame.vertexBuffer = makeVertexBuffer(device, frame);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::createVertexBuffers = %p", (void*)this);
}

void K4QBImagePreview::releaseVertexBuffers() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::releaseVertexBuffers = %p", (void*)this);
    for (int32_t i = 0; i < frameCount_; ++i) {
        if (frames_[i].vertexBuffer != nullptr) {
            frames_[i].vertexBuffer->Release();
            frames_[i].vertexBuffer = nullptr;
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::releaseVertexBuffers = %p", (void*)this);
}

void K4QBImagePreview::start() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::start = %p", (void*)this);
    running_.store(true);
    uintptr_t handle = _beginthreadex(nullptr, 0, threadMain, this, 0, nullptr);
    if (handle == 0) {
        running_.store(false);
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBImagePreview::start", (void*)this);
    }
    thread_ = reinterpret_cast<HANDLE>(handle);
    K4C_TRACE(logger_, "Exit K4QBImagePreview::start = %p", (void*)this);
}

void K4QBImagePreview::stop() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBImagePreview::stop = %p", (void*)this);
    running_.store(false);
    if (thread_ != nullptr) {
        // The worker never waits for this thread, so waiting here is safe.
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBImagePreview::stop = %p", (void*)this);
}

unsigned __stdcall K4QBImagePreview::threadMain(void* context) {
    K4QBImagePreview* preview = static_cast<K4QBImagePreview*>(context);
    if (!k4qbRunWorker(preview->logger_, "K4QBImagePreview::run", [preview] { preview->run(); })) {
        preview->running_.store(false);
    }
    return 0;
}

void K4QBImagePreview::run() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::run = %p", (void*)this);
    uint32_t interval = 0;
    uint32_t last = k4p::tickCount();
    while (running_.load()) {
        if (rebuild_.load()) {
            rebuild();
        }
        uint32_t now = k4p::tickCount();
        if (redraw_.exchange(false)) {
            draw(false);
        }
        if (now - last > interval) {
            draw(true);
            last = now;
            int32_t rate = panel_->getAnimationRate();
            interval = rate == 10 ? 100 : rate == 30 ? 33 : 1000;
        }
        k4p::sleepMs(1);
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::run = %p", (void*)this);
}

void K4QBImagePreview::rebuild() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::rebuild = %p", (void*)this);
    K4QBD3DUse use(mainWindow_);
    if (use.device() != nullptr) {
        releaseVertexBuffers();
        // A texture evicted meanwhile is loaded back; failures leave the frame
        // as it is.
        for (int32_t i = 0; i < frameCount_; ++i) {
            frameTexture(frames_[i], nullptr);
        }
        fitAll();
        createVertexBuffers(use.device());
        rebuild_.store(false);
    }
    // Without the device the flag stays set until it is back.
    K4C_TRACE(logger_, "Exit K4QBImagePreview::rebuild = %p", (void*)this);
}

void K4QBImagePreview::draw(bool advance) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::draw = %p", (void*)this);
    const K4QBPreviewFrame* frame = nullptr;
    bool drawable = false;
    {
        K4QBD3DUse use(mainWindow_);
        IDirect3DDevice9* device = use.device();
        if (device == nullptr) {
            K4C_TRACE(logger_, "Exit K4QBImagePreview::draw = %p", (void*)this);
            return;
        }
        IDirect3DTexture9* texture = nullptr;
        if (frameCount_ > 0) {
            int32_t current = currentFrame_.load();
            if (advance && panel_->getAnimationRate() > 0) {
                current = current + 1 < frameCount_ ? current + 1 : 0;
                currentFrame_.store(current);
            }
            frame = &frames_[current];
            texture = frameTexture(*frame, nullptr);
        }
        drawable = texture != nullptr && frame->vertexBuffer != nullptr;

        if (panel_->getAlpha()) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        } else {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET, K4QB_PREVIEW_SURROUND, 1.0f, 0);
        if (drawable) {
            D3DRECT area = {frame->x1, frame->y1, frame->x2, frame->y2};
            device->Clear(1, &area, D3DCLEAR_TARGET, panel_->getBackground(), 1.0f, 0);
        }
        if (SUCCEEDED(device->BeginScene())) {
            if (drawable) {
                device->SetTexture(0, texture);
                device->SetStreamSource(0, frame->vertexBuffer, 0, sizeof(K4QBQuadVertex));
                device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
            }
            device->EndScene();
        }
        mainWindow_->presentD3D();
        drawCount_.fetch_add(1);
    }

    if (captionPending_.load() && running_.load() && frame != nullptr) {
        K4CString caption;
        if (drawable) {
            caption.appendFormat("%s (%d by %d)", frame->name, frame->imageWidth,
                                 frame->imageHeight);
        } else {
            caption.appendFormat("%s (Unable to load image)", frame->name);
        }
        panel_->postCaption(caption.getText());
        if (frameCount_ == 1) {
            captionPending_.store(false);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::draw = %p", (void*)this);
}
