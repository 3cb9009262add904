// K4QBDrawingWarmUp: the drawing that pays the driver's one-time costs, and
// its thread.
#include "texmgr/k4qbdrawingwarmup.h"

#include "foundation/k4ctrace.h"
#include "shell/k4qbappwindow.h"
#include "shell/k4qberrorboundary.h"
#include "shell/k4qbpresenter.h"
#include "shell/k4qbquad.h"
#include "shell/k4qbthread.h"

namespace {

std::atomic<bool> claimed{false};

// A 2 x 2 texture of `format` drawn into one pixel from a dynamic vertex
// buffer, as the preview draws a picture larger than the panel, with
// blending on and off (the shaders differ by format and blending).
void drawFormat(IDirect3DDevice9* device, D3DFORMAT format, IDirect3DVertexBuffer9* quad) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(2, 2, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr))) {
        return;
    }
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (int y = 0; y < 2; ++y) {
            uint32_t* row =
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
            row[0] = row[1] = 0xFF333333;
        }
        texture->UnlockRect(0);
        device->SetTexture(0, texture);
        device->SetStreamSource(0, quad, 0, sizeof(K4QBQuadVertex));
        for (BOOL blend : {TRUE, FALSE}) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
            device->SetRenderState(D3DRS_SRCBLEND, blend ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
            device->SetRenderState(D3DRS_DESTBLEND, blend ? D3DBLEND_INVSRCALPHA : D3DBLEND_ZERO);
            device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
        }
        device->SetTexture(0, nullptr);
    }
    texture->Release();
}

} // namespace

K4QBDrawingWarmUp::K4QBDrawingWarmUp(K4QBAppWindow* window, K4CDebugLogger* logger)
    : window_(window), logger_(logger), thread_(nullptr), running_(false), done_(false) {}

K4QBDrawingWarmUp::~K4QBDrawingWarmUp() {
    stop();
}

bool K4QBDrawingWarmUp::claim() noexcept {
    return !claimed.exchange(true);
}

void K4QBDrawingWarmUp::start() noexcept {
    if (thread_ != nullptr || !claim()) {
        done_.store(true);
        return;
    }
    running_.store(true);
    thread_ = k4qbStartThread(threadMain, this);
    if (thread_ == nullptr) {
        running_.store(false);
        claimed.store(false); // the first preview pays it instead
        done_.store(true);
    }
}

void K4QBDrawingWarmUp::stop() noexcept {
    running_.store(false);
    k4qbEndThread(&thread_);
}

unsigned __stdcall K4QBDrawingWarmUp::threadMain(void* context) {
    K4QBDrawingWarmUp* warmUp = static_cast<K4QBDrawingWarmUp*>(context);
    k4qbRunWorker(warmUp->logger_, "K4QBDrawingWarmUp",
                  [warmUp] { draw(warmUp->window_, warmUp->running_, warmUp->logger_); });
    warmUp->done_.store(true);
    return 0;
}

void K4QBDrawingWarmUp::draw(K4QBAppWindow* window, const std::atomic<bool>& running,
                             K4CDebugLogger* logger) noexcept {
    K4C_TRACE_NOTHROW(logger, "Enter K4QBDrawingWarmUp::draw(%p)", (void*)window);
    K4QBD3DUse use(window);
    IDirect3DDevice9* device = use.device();
    IDirect3DVertexBuffer9* quad = nullptr;
    void* vertices = nullptr;
    if (device != nullptr && running.load() &&
        SUCCEEDED(device->CreateVertexBuffer(4 * sizeof(K4QBQuadVertex),
                                             D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, K4QB_QUAD_FVF,
                                             D3DPOOL_DEFAULT, &quad, nullptr)) &&
        SUCCEEDED(quad->Lock(0, 4 * sizeof(K4QBQuadVertex), &vertices, 0))) {
        k4qbFillQuad(static_cast<K4QBQuadVertex*>(vertices), 0, 0, 1, 1);
        quad->Unlock();
        if (SUCCEEDED(device->BeginScene())) {
            for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
                drawFormat(device, format, quad);
            }
            device->EndScene();
        }
        device->SetStreamSource(0, nullptr, 0, 0);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        window->getPresenter()->rehearse(device);
    }
    if (quad != nullptr) {
        quad->Release();
    }
    K4C_TRACE_NOTHROW(logger, "Exit K4QBDrawingWarmUp::draw(%p)", (void*)window);
}
