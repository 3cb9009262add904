// What every composition on the device shares: the blend, vertex format and
// sampling state it draws with, its scene, and the textured quad. Used by the
// layered texture's drawing and by convertTexture, with the device held.
#pragma once

#include <windows.h>

#include <d3d9.h>

// Sets the composition's state for a scope: alpha blending with the source's
// alpha for colour and alpha alike, the pre-transformed textured vertex
// format, and clamped texture addressing, which is given back as it was
// (the image preview draws with the device's default wrapping).
class K4QBCompositionState {
public:
    explicit K4QBCompositionState(IDirect3DDevice9* device);
    ~K4QBCompositionState();
    K4QBCompositionState(const K4QBCompositionState&) = delete;
    K4QBCompositionState& operator=(const K4QBCompositionState&) = delete;

private:
    IDirect3DDevice9* device_;
    DWORD addressU_;
    DWORD addressV_;
};

// BeginScene for a scope; EndScene however the scope is left.
class K4QBScene {
public:
    explicit K4QBScene(IDirect3DDevice9* device)
        : device_(device), begun_(SUCCEEDED(device->BeginScene())) {}
    ~K4QBScene() {
        if (begun_) {
            device_->EndScene();
        }
    }
    K4QBScene(const K4QBScene&) = delete;
    K4QBScene& operator=(const K4QBScene&) = delete;
    bool begun() const { return begun_; }

private:
    IDirect3DDevice9* device_;
    bool begun_;
};

// Draws the texture stretched over the pixels [left, right) x [top, bottom)
// of the render target, texel centres on pixel centres. Leaves no texture
// bound. Inside a scene.
HRESULT k4qbDrawQuad(IDirect3DDevice9* device, IDirect3DBaseTexture9* texture, LONG left, LONG top,
                     LONG right, LONG bottom);
