// What every composition on the device shares: the blend, vertex format and
// sampling state it draws with, and its scene; the textured quad itself is
// the shell's (shell/k4qbquad.h). Used by the layered texture's drawing and
// by convertTexture, with the device held.
#pragma once

#include "shell/k4qbquad.h"

#include <windows.h>

#include <d3d9.h>

// Sets the composition's state for a scope: alpha blending with the source's
// alpha for colour and alpha alike, the pre-transformed textured vertex
// format, and clamped texture addressing (whatever the device was set to),
// which is given back as it was.
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

// Point sampling for a scope when `sharp` (an enlarged picture shows its
// texels as squares); the filters are given back as they were. Nothing when
// not sharp.
class K4QBSharpSampling {
public:
    K4QBSharpSampling(IDirect3DDevice9* device, bool sharp);
    ~K4QBSharpSampling();
    K4QBSharpSampling(const K4QBSharpSampling&) = delete;
    K4QBSharpSampling& operator=(const K4QBSharpSampling&) = delete;

private:
    IDirect3DDevice9* device_;
    bool sharp_;
    DWORD minFilter_;
    DWORD magFilter_;
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
