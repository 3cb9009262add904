// A real Direct3D 9 device on a hidden window, for the Windows test
// executables that need one (the Direct3D bridge, the texture caches).
#pragma once

#include <windows.h>

#include <d3d9.h>

#include <cstdio>
#include <string>

namespace k4test {

class TestDevice {
public:
    TestDevice() {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = "K4D3dxTestWindow";
        RegisterClassA(&wc);
        // Never shown: the device renders off screen only.
        window_ = CreateWindowA(wc.lpszClassName, "d3dx tests", WS_OVERLAPPEDWINDOW, 0, 0, 256, 256,
                                nullptr, nullptr, instance, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        if (window_ == nullptr || d3d_ == nullptr) {
            failure_ = "no window or no Direct3D 9";
            return;
        }
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        pp.BackBufferWidth = 256;
        pp.BackBufferHeight = 256;
        pp.hDeviceWindow = window_;
        HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_);
        if (FAILED(hr)) {
            hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_);
        }
        if (FAILED(hr)) {
            device_ = nullptr;
            char text[96];
            std::snprintf(text, sizeof text, "no Direct3D 9 device could be created (0x%08lx)",
                          static_cast<unsigned long>(hr));
            failure_ = text;
        }
    }
    ~TestDevice() {
        if (device_ != nullptr) {
            device_->Release();
        }
        if (d3d_ != nullptr) {
            d3d_->Release();
        }
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
    }
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice9* get() const { return device_; }
    const std::string& failure() const { return failure_; }

    // Whether a managed texture of this format can be made.
    bool canCreate(uint32_t format) const {
        D3DDISPLAYMODE mode;
        device_->GetDisplayMode(0, &mode);
        return SUCCEEDED(d3d_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, 0,
                                                 D3DRTYPE_TEXTURE, static_cast<D3DFORMAT>(format)));
    }

private:
    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    std::string failure_;
};

} // namespace k4test
