// K4QBPresenter: Present, or a read-back copied with GDI where Present into a
// child window does not reach the screen.
#include "shell/k4qbpresenter.h"

#include <cstring>

K4QBPresenter::K4QBPresenter(K4QBPresentMode mode)
    : mode_(mode), target_(nullptr), hidden_(nullptr), scaled_(nullptr), copy_(nullptr) {}

K4QBPresenter::~K4QBPresenter() {
    release();
    if (hidden_ != nullptr) {
        DestroyWindow(hidden_);
    }
}

bool K4QBPresenter::isRunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

K4QBPresentMode K4QBPresenter::chooseMode() {
    char choice[16] = {0};
    DWORD length = GetEnvironmentVariableA("K4QB_PRESENT", choice, sizeof choice);
    if (length > 0 && length < sizeof choice) {
        if (_stricmp(choice, "direct") == 0) {
            return K4QBPresentMode::Direct;
        }
        if (_stricmp(choice, "gdi") == 0) {
            return K4QBPresentMode::ThroughGdi;
        }
    }
    return isRunningUnderWine() ? K4QBPresentMode::ThroughGdi : K4QBPresentMode::Direct;
}

void K4QBPresenter::adjust(D3DPRESENT_PARAMETERS* parameters) {
    target_ = parameters->hDeviceWindow;
    if (mode_ != K4QBPresentMode::ThroughGdi) {
        return;
    }
    if (hidden_ == nullptr) {
        // Never shown; the device only needs a window of its own.
        hidden_ = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    if (hidden_ != nullptr) {
        parameters->hDeviceWindow = hidden_;
    }
}

HRESULT K4QBPresenter::prepare(IDirect3DDevice9* device, UINT width, UINT height,
                               D3DFORMAT format) {
    if (scaled_ != nullptr) {
        D3DSURFACE_DESC desc;
        if (SUCCEEDED(scaled_->GetDesc(&desc)) && desc.Width == width && desc.Height == height &&
            desc.Format == format) {
            return D3D_OK;
        }
        release();
    }
    HRESULT result = device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE, 0,
                                                FALSE, &scaled_, nullptr);
    if (SUCCEEDED(result)) {
        result = device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM,
                                                     &copy_, nullptr);
    }
    if (FAILED(result)) {
        release();
    }
    return result;
}

HRESULT K4QBPresenter::present(IDirect3DDevice9* device, const RECT* source) {
    return copyOut(device, source, true);
}

HRESULT K4QBPresenter::rehearse(IDirect3DDevice9* device) {
    return mode_ == K4QBPresentMode::Direct ? D3D_OK : copyOut(device, nullptr, false);
}

HRESULT K4QBPresenter::copyOut(IDirect3DDevice9* device, const RECT* source, bool show) {
    if (mode_ == K4QBPresentMode::Direct) {
        // The documentation keeps source rectangles for copying swap chains;
        // where a runtime refuses one, the whole buffer is shown instead.
        HRESULT result = device->Present(source, nullptr, nullptr, nullptr);
        if (result == D3DERR_INVALIDCALL && source != nullptr) {
            result = device->Present(nullptr, nullptr, nullptr, nullptr);
        }
        return result;
    }
    RECT client;
    if (target_ == nullptr || !GetClientRect(target_, &client)) {
        return D3DERR_INVALIDCALL;
    }
    if (client.right <= 0 || client.bottom <= 0) {
        return D3D_OK; // nothing of the window is visible
    }
    IDirect3DSurface9* backBuffer = nullptr;
    HRESULT result = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    if (FAILED(result)) {
        return result;
    }
    D3DSURFACE_DESC desc;
    result = backBuffer->GetDesc(&desc);
    if (SUCCEEDED(result)) {
        result = prepare(device, (UINT)client.right, (UINT)client.bottom, desc.Format);
    }
    if (SUCCEEDED(result)) {
        // A part of the window's own size is copied as it is; anything else
        // is stretched smoothly, as Present does.
        const bool same = source != nullptr && source->right - source->left == client.right &&
                          source->bottom - source->top == client.bottom;
        result = device->StretchRect(backBuffer, source, scaled_, nullptr,
                                     same ? D3DTEXF_POINT : D3DTEXF_LINEAR);
    }
    backBuffer->Release();
    if (SUCCEEDED(result)) {
        result = device->GetRenderTargetData(scaled_, copy_);
    }
    HDC copyDc = nullptr;
    if (SUCCEEDED(result)) {
        result = copy_->GetDC(&copyDc);
    }
    if (SUCCEEDED(result)) {
        HDC window = show ? GetDC(target_) : nullptr;
        if (window != nullptr) {
            BitBlt(window, 0, 0, client.right, client.bottom, copyDc, 0, 0, SRCCOPY);
            ReleaseDC(target_, window);
            // Wine puts a window's pixels on the screen when its own thread
            // next goes idle; a worker's copy would wait for the next input.
            // Waking that thread (a post: it never waits) shows it now.
            if (GetWindowThreadProcessId(target_, nullptr) != GetCurrentThreadId()) {
                PostMessageA(target_, WM_NULL, 0, 0);
            }
        }
        copy_->ReleaseDC(copyDc);
    }
    return result;
}

void K4QBPresenter::release() {
    if (scaled_ != nullptr) {
        scaled_->Release();
        scaled_ = nullptr;
    }
    if (copy_ != nullptr) {
        copy_->Release();
        copy_ = nullptr;
    }
}
