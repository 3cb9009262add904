// K4QBImagePreview: frames, fitting, vertex buffers, the loader and the
// worker's drawing and animation.
#include "texmgr/k4qbimagepreview.h"

#include "codec/d3dx/k4d3dx.h"
#include "codec/loader.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbquad.h"
#include "shell/k4qbthread.h"
#include "texmgr/k4qbdrawingwarmup.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "textures/k4qbtexturecache.h"
#include "view/view_rules.h"

#include <cstring>
#include <new>

namespace {

std::atomic<uint32_t> nextSerial{1};

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
      frameCount_(0), worker_(nullptr), loader_(nullptr), running_(false), rebuild_(false),
      redraw_(false), currentFrame_(-1), loadedCount_(0), captionPending_(true), drawCount_(0),
      contentErrorPosted_(false), loadView_(panel->getView()), serial_(nextSerial.fetch_add(1)),
      logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBImagePreview(%d, %p, %p, %p) = %p", source,
              (void*)mainWindow, (void*)panel, (void*)cache, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBImagePreview = %p", (void*)this);
}

K4QBImagePreview::~K4QBImagePreview() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBImagePreview = %p", (void*)this);
    stop();
    // The compressed previews are the preview's own textures: released
    // inside a bracket when the device is there (a lost one is not used by
    // anybody until the window thread, this one, resets it).
    K4QBD3DUse use(mainWindow_);
    for (int32_t i = 0; i < frameCount_; ++i) {
        if (frames_[i].compressed != nullptr) {
            frames_[i].compressed->Release();
        }
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

IDirect3DTexture9* K4QBImagePreview::frameTexture(const K4QBPreviewFrame& frame) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::frameTexture(%s, %s) = %p", frame.name,
              frame.folder, (void*)this);
    IDirect3DTexture9* texture = nullptr;
    try {
        texture = source_ == 0 ? cache_->getFromFolder(frame.name, frame.folder)
                               : cache_->getFromQuellbury(frame.name, frame.folder);
    } catch (const char*) {
        texture = nullptr; // shown as dark grey
    }
    K4C_TRACE(logger_, "Return %p from K4QBImagePreview::frameTexture = %p", (void*)texture,
              (void*)this);
    return texture;
}

void K4QBImagePreview::setFrames(K4QBFileListBox* list) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::setFrames(%p) = %p", (void*)list, (void*)this);
    int32_t selected = 0;
    const int32_t* positions = list->getSelectedPositions(&selected);
    int32_t count = selected < K4QB_PREVIEW_MAX_FRAMES ? selected : K4QB_PREVIEW_MAX_FRAMES;
    if (panel_->getAnimationRate() == 0 && count > 1) {
        count = 1;
    }
    frames_ = new K4QBPreviewFrame[count > 0 ? count : 1];
    for (int32_t i = 0; i < count; ++i) {
        K4QBPreviewFrame& frame = frames_[i];
        frame = K4QBPreviewFrame();
        frame.name = copyText(list->getEntryFileName(positions[i]));
        frame.folder = copyText(list->getEntryFolder(positions[i]));
        frameCount_ = i + 1;
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::setFrames = %p", (void*)this);
}

bool K4QBImagePreview::placeFrame(int32_t index, IDirect3DTexture9* texture,
                                  IDirect3DDevice9* device) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::placeFrame(%d, %p) = %p", index, (void*)texture,
              (void*)this);
    K4QBPreviewFrame& frame = frames_[index];
    D3DSURFACE_DESC desc;
    bool atLimit = false;
    if (texture != nullptr && texture->GetLevelDesc(0, &desc) == D3D_OK) {
        frame.imageWidth = static_cast<int32_t>(desc.Width);
        frame.imageHeight = static_cast<int32_t>(desc.Height);
        frame.textureLevels = texture->GetLevelCount();
        const D3DCAPS9& caps = cache_->getTextureTarget().caps;
        atLimit = (caps.MaxTextureWidth != 0 && desc.Width >= caps.MaxTextureWidth) ||
                  (caps.MaxTextureHeight != 0 && desc.Height >= caps.MaxTextureHeight);
    }
    fitFrames(index + 1);
    createVertexBuffer(device, index);
    K4C_TRACE(logger_, "Return %d from K4QBImagePreview::placeFrame = %p", atLimit ? 1 : 0,
              (void*)this);
    return atLimit;
}

void K4QBImagePreview::noteContentError(int32_t index, const char* code) {
    if (!contentErrorPosted_) {
        contentErrorPosted_ = true;
        K4CString text;
        text.appendFormat("%s could not be extracted from the Quellbury content (%s).",
                          frames_[index].name, code);
        panel_->postContentError(serial_, text.getText());
    }
}

bool K4QBImagePreview::loadFrame(int32_t index) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::loadFrame(%d) = %p", index, (void*)this);
    const K4QBPreviewFrame& frame = frames_[index];
    K4CString path;
    k4d3dx::TextureTarget target;
    IDirect3DTexture9* texture = nullptr;
    bool atLimit = false;
    {
        K4QBD3DUse use(mainWindow_);
        if (use.device() == nullptr) {
            return false;
        }
        if (!running_.load()) {
            return true;
        }
        try {
            if (source_ == 0) {
                path.assign(K4CString(frame.folder, frame.name));
            } else {
                cache_->getQuellburyPath(frame.name, frame.folder, &path);
            }
            texture = cache_->findTexture(path.getText());
        } catch (const char* code) {
            // Anything but a load error of a game file came from the game
            // content (extraction).
            if (source_ != 0 && !k4cIsError(code, K4DXERR_RES_LOADERROR)) {
                noteContentError(index, code);
            }
            placeFrame(index, nullptr, use.device());
            publishFrame(index);
            return true;
        }
        if (texture != nullptr) {
            atLimit = placeFrame(index, texture, use.device());
        } else {
            target = cache_->getTextureTarget();
        }
    }

    // The long part, without the lock: reading and decoding the file, and
    // the mip levels, except for the first frame, which is shown first (and
    // where it can, decoded straight into its texture; not for a compressed
    // preview, which is made from the picture in memory).
    k4d3dx::DecodedTexture decoded;
    const bool decoding = texture == nullptr;
    const HRESULT direct = decoding && index == 0 && loadView_.previewAs == k4codec::kFmtUnknown
                               ? loadDirect(index, path.getText(), target, &decoded, &texture)
                               : S_FALSE;
    if (direct == D3DERR_DEVICELOST) {
        return false;
    }
    if (direct == E_ABORT) {
        return true;
    }
    if (decoding && direct == S_FALSE) {
        HRESULT result = k4d3dx::decodeTextureFile(target, path.getText(), &decoded);
        if (SUCCEEDED(result)) {
            k4p::FileStatus status;
            noteFacts(index, decoded.info,
                      k4p::getFileStatus(path.getText(), &status) ? status.size : 0);
        }
        if (SUCCEEDED(result) && index > 0) {
            result = k4d3dx::completeTextureLevels(&decoded);
        }
        K4QBD3DUse use(mainWindow_);
        if (use.device() == nullptr) {
            return false;
        }
        if (!running_.load()) {
            return true;
        }
        try {
            if (SUCCEEDED(result)) {
                texture = cache_->addDecodedTexture(path.getText(), decoded);
            } else if (result == k4codec::kTooLarge) {
                frames_[index].refusedWidth = decoded.info.width;
                frames_[index].refusedHeight = decoded.info.height;
            } else if (result != D3DXERR_INVALIDDATA) {
                // Out of memory and the like: the cache's own load evicts and
                // tries again.
                texture = cache_->getTexture(path.getText());
            }
        } catch (const char*) {
            texture = nullptr;
        }
        placeFrame(index, texture, use.device());
    } else if (!decoding && !frame.facts && (loadView_.info || atLimit)) {
        readFacts(index, path.getText());
    }
    K4QBPreviewFrame& placed = frames_[index];
    placed.pictureWidth = static_cast<uint32_t>(placed.imageWidth);
    placed.pictureHeight = static_cast<uint32_t>(placed.imageHeight);
    if (placed.facts && placed.imageWidth > 0) {
        placed.levelsAbove = k4view::levelsAboveTexture(placed.fileWidth, placed.fileHeight,
                                                        placed.pictureWidth, placed.pictureHeight);
        if (placed.levelsAbove > 0) {
            placed.pictureWidth = k4codec::roundUpToPowerOfTwo(placed.fileWidth);
            placed.pictureHeight = k4codec::roundUpToPowerOfTwo(placed.fileHeight);
        }
    }
    // A compressed preview shows the frame only once it is made, from the
    // level decoded here when it has it.
    if (loadView_.previewAs != k4codec::kFmtUnknown && texture != nullptr && running_.load()) {
        compressFrame(index, path.getText(), decoding ? &decoded : nullptr);
    }
    publishFrame(index);
    // The lower levels of a texture cached here, before anything else: also
    // when cancelled meanwhile, so that no texture stays incomplete.
    if (decoding && texture != nullptr && !decoded.complete() &&
        (decoded.texture.levels.size() > 0 || readTopLevel(path.getText(), texture, &decoded)) &&
        SUCCEEDED(k4d3dx::completeTextureLevels(&decoded))) {
        for (;;) {
            K4QBD3DUse use(mainWindow_);
            if (use.device() != nullptr) {
                cache_->completeDecodedTexture(path.getText(), texture, decoded);
                // Lower levels are drawn from now on (a level or a zoom
                // below 1:1): not a second later, at the next turn.
                redraw_.store(true);
                break;
            }
            if (!running_.load()) {
                break;
            }
            k4p::sleepMs(10);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::loadFrame = %p", (void*)this);
    return true;
}

HRESULT K4QBImagePreview::loadDirect(int32_t index, const char* path,
                                     const k4d3dx::TextureTarget& target,
                                     k4d3dx::DecodedTexture* decoded, IDirect3DTexture9** texture) {
    k4d3dx::DirectTexture plan;
    if (k4d3dx::planDirectTexture(target, path, &plan) != S_OK) {
        return S_FALSE;
    }
    IDirect3DTexture9* made = nullptr;
    D3DLOCKED_RECT locked = {};
    {
        K4QBD3DUse use(mainWindow_);
        if (use.device() == nullptr) {
            return D3DERR_DEVICELOST;
        }
        if (!running_.load()) {
            return E_ABORT;
        }
        made = cache_->beginDirectTexture(plan, &locked);
    }
    if (made == nullptr) {
        return S_FALSE;
    }
    const HRESULT result = k4d3dx::decodeDirectTexture(plan, locked, decoded);
    if (SUCCEEDED(result)) {
        k4p::FileStatus status;
        noteFacts(index, decoded->info, k4p::getFileStatus(path, &status) ? status.size : 0);
    }
    // The texture is ended with the device, however long that takes: it is
    // locked and nobody else holds it.
    for (;;) {
        K4QBD3DUse use(mainWindow_);
        if (use.device() != nullptr) {
            // A cancelled preview caches nothing: its texture would stay
            // without its lower levels.
            const bool cancelled = !running_.load();
            try {
                *texture = cache_->endDirectTexture(path, made, SUCCEEDED(result) && !cancelled,
                                                    decoded->info);
            } catch (const std::bad_alloc&) {
                *texture = nullptr; // shown as a picture that did not load
            }
            if (cancelled) {
                return E_ABORT;
            }
            // Anything but damage in the file takes the usual way, which
            // makes room in the cache and tries other formats.
            if (FAILED(result) && result != D3DXERR_INVALIDDATA) {
                return S_FALSE;
            }
            placeFrame(index, *texture, use.device());
            return S_OK;
        }
        if (!running_.load()) {
            return E_ABORT; // the device went with the window: nothing left to end
        }
        k4p::sleepMs(10);
    }
}

bool K4QBImagePreview::readTopLevel(const char* path, IDirect3DTexture9* texture,
                                    k4d3dx::DecodedTexture* decoded) {
    // In strips, so that the lock is held for a few milliseconds at a time.
    constexpr uint32_t kStrip = 256;
    for (uint32_t row = 0; row < decoded->texture.height;) {
        K4QBD3DUse use(mainWindow_);
        if (use.device() == nullptr) {
            if (!running_.load()) {
                return false;
            }
            k4p::sleepMs(10);
            continue;
        }
        // Evicted meanwhile: nothing to complete.
        if (!cache_->holds(path, texture) ||
            FAILED(k4d3dx::readTopLevelRows(texture, row, kStrip, decoded))) {
            return false;
        }
        row += kStrip;
    }
    return true;
}

void K4QBImagePreview::load() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::load = %p", (void*)this);
    int32_t index = 0;
    while (index < frameCount_ && running_.load()) {
        if (loadFrame(index)) {
            ++index;
        } else {
            k4p::sleepMs(10); // the device is lost: wait for it
        }
    }
    if (running_.load()) {
        panel_->postLoaded(serial_);
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::load = %p", (void*)this);
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

void K4QBImagePreview::fitFrames(int32_t count) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::fitFrames(%d) = %p", count, (void*)this);
    RECT client = {};
    GetClientRect(panel_->getPanelWindow(), &client);
    int32_t cw = client.right - client.left + 1;
    int32_t ch = client.bottom - client.top + 1;
    int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
    for (int32_t i = 0; i < count; ++i) {
        if (frames_[i].imageWidth != 0 && frames_[i].imageHeight != 0) {
            fitFrame(&frames_[i], cw, ch, screenWidth, screenHeight);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::fitFrames = %p", (void*)this);
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

void K4QBImagePreview::createVertexBuffer(IDirect3DDevice9* device, int32_t index) {
    K4QBPreviewFrame& frame = frames_[index];
    if (frame.imageWidth == 0 || frame.imageHeight == 0 || frame.vertexBuffer != nullptr) {
        return;
    }
    for (int32_t j = 0; j < index; ++j) {
        if (frames_[j].imageWidth == frame.imageWidth &&
            frames_[j].imageHeight == frame.imageHeight && frames_[j].vertexBuffer != nullptr) {
            frame.vertexBuffer = frames_[j].vertexBuffer;
            frame.vertexBuffer->AddRef();
            return;
        }
    }
    frame.vertexBuffer = makeVertexBuffer(device, frame);
}

void K4QBImagePreview::createVertexBuffers(IDirect3DDevice9* device) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::createVertexBuffers(%p) = %p", (void*)device,
              (void*)this);
    const int32_t loaded = loadedCount_.load();
    for (int32_t i = 0; i < loaded; ++i) {
        createVertexBuffer(device, i);
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
    loader_ = k4qbStartThread(loaderMain, this);
    worker_ = loader_ != nullptr ? k4qbStartThread(workerMain, this) : nullptr;
    if (worker_ == nullptr) {
        stop();
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBImagePreview::start", (void*)this);
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::start = %p", (void*)this);
}

void K4QBImagePreview::cancel() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBImagePreview::cancel = %p", (void*)this);
    running_.store(false);
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBImagePreview::cancel = %p", (void*)this);
}

bool K4QBImagePreview::hasEnded() const noexcept {
    for (HANDLE thread : {worker_, loader_}) {
        if (thread != nullptr && WaitForSingleObject(thread, 0) != WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

void K4QBImagePreview::stop() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBImagePreview::stop = %p", (void*)this);
    running_.store(false);
    k4qbEndThread(&worker_);
    k4qbEndThread(&loader_);
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBImagePreview::stop = %p", (void*)this);
}

unsigned __stdcall K4QBImagePreview::workerMain(void* context) {
    K4QBImagePreview* preview = static_cast<K4QBImagePreview*>(context);
    if (!k4qbRunWorker(preview->logger_, "K4QBImagePreview::run", [preview] { preview->run(); })) {
        preview->running_.store(false);
    }
    return 0;
}

unsigned __stdcall K4QBImagePreview::loaderMain(void* context) {
    K4QBImagePreview* preview = static_cast<K4QBImagePreview*>(context);
    if (!k4qbRunWorker(preview->logger_, "K4QBImagePreview::load",
                       [preview] { preview->load(); })) {
        preview->running_.store(false);
    }
    return 0;
}

void K4QBImagePreview::run() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::run = %p", (void*)this);
    uint32_t interval = 0;
    uint32_t last = k4p::tickCount();
    bool first = true;
    while (running_.load()) {
        if (rebuild_.load()) {
            rebuild();
        }
        // Nothing is drawn before frame 0 is loaded; then at once. Where the
        // driver's one-time costs are not paid yet, they are now, while the
        // loader decodes.
        if (frameCount_ > 0 && loadedCount_.load() == 0 && K4QBDrawingWarmUp::claim()) {
            K4QBDrawingWarmUp::draw(mainWindow_, running_, logger_);
        }
        if (frameCount_ == 0 || loadedCount_.load() > 0) {
            uint32_t now = k4p::tickCount();
            if (redraw_.exchange(false)) {
                draw(false);
            }
            if (first || now - last > interval) {
                draw(true);
                first = false;
                last = now;
                int32_t rate = panel_->getAnimationRate();
                interval = rate == 10 ? 100 : rate == 30 ? 33 : 1000;
            }
        }
        k4p::sleepMs(1);
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::run = %p", (void*)this);
}

void K4QBImagePreview::rebuild() {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::rebuild = %p", (void*)this);
    K4QBD3DUse use(mainWindow_);
    if (use.device() != nullptr && running_.load()) {
        const int32_t loaded = loadedCount_.load();
        releaseVertexBuffers();
        // A texture evicted meanwhile is loaded back; failures leave the frame
        // as it is.
        for (int32_t i = 0; i < loaded; ++i) {
            if (frames_[i].imageWidth != 0) {
                frameTexture(frames_[i]);
            }
        }
        fitFrames(loaded);
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
        if (device == nullptr || !running_.load()) {
            K4C_TRACE(logger_, "Exit K4QBImagePreview::draw = %p", (void*)this);
            return;
        }
        IDirect3DTexture9* texture = nullptr;
        if (frameCount_ > 0) {
            const int32_t loaded = loadedCount_.load();
            int32_t current = currentFrame_.load();
            if (advance && (current < 0 || panel_->getAnimationRate() > 0)) {
                // In order; at the last loaded frame it waits for the next.
                int32_t next = current + 1 < frameCount_ ? current + 1 : 0;
                if (next >= loaded || (next == 0 && loaded < frameCount_ && current >= 0)) {
                    next = current;
                }
                current = next;
                currentFrame_.store(current);
            }
            // Before the first drawing (a redraw asked that early) there is
            // no current frame yet.
            if (current >= 0) {
                frame = &frames_[current];
                // A file that failed is not tried again at every drawing.
                texture = frame->imageWidth != 0 ? frameTexture(*frame) : nullptr;
            }
        }
        if (panel_->getAlpha()) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        } else {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        }
        // Zoomed, panned, at another level or compressed: one quad at the
        // view. Otherwise the panel's own fitted drawing.
        if (texture != nullptr && drawAtView(device, *frame, texture, panel_->getView())) {
            drawable = true;
        } else {
            drawable = texture != nullptr && frame->vertexBuffer != nullptr;
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
        }
        drawCount_.fetch_add(1);
    }

    if (captionPending_.load() && running_.load() && frame != nullptr) {
        postFrameCaption(*frame, drawable);
        if (frameCount_ == 1) {
            captionPending_.store(false);
        }
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::draw = %p", (void*)this);
}
