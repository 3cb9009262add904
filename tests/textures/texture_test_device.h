// A hidden window with a real Direct3D 9 device for the texture cache tests,
// and small fixture helpers.
#pragma once

#include "codec/d3dx/k4d3dx.h"
#include "tools/imgwrite.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace texturetest {

class TestDevice {
public:
    TestDevice() {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = "K4TextureCacheTestWindow";
        RegisterClassA(&wc);
        window_ = CreateWindowA(wc.lpszClassName, "texture cache tests", WS_OVERLAPPEDWINDOW, 0, 0,
                                64, 64, nullptr, nullptr, instance, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        if (window_ == nullptr || d3d_ == nullptr) {
            return;
        }
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.hDeviceWindow = window_;
        if (FAILED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_))) {
            device_ = nullptr;
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

private:
    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

// An opaque RGBA PNG of the given size.
inline void writePng(const std::string& path, uint32_t width, uint32_t height) {
    std::vector<uint16_t> samples(width * height * 4, 200);
    ASSERT_TRUE(imgwrite::saveFile(
        path, imgwrite::writePng(imgwrite::PngOptions(), width, height, samples)))
        << path;
}

} // namespace texturetest
