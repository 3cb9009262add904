// K4QBPresenter: puts the device's back buffer on the window it was drawn for.
//
// Directly, that is the device's own Present into its device window. Wine
// (checked with 8.0) never shows Direct3D output in a child window: its copy
// of a child window's GL drawable goes to no X drawable, so the preview stays
// empty although every pixel is drawn right. Through GDI, the device is bound
// to a hidden top-level window instead; each present stretches the back buffer
// into a render target of the target window's client size with a linear
// filter (what Present does), reads that back and copies it onto the window.
//
// Threads: adjust and the destructor run on the window thread; present and
// release run inside a Direct3D bracket, which serialises them.
#pragma once

#include <windows.h>

#include <d3d9.h>

enum class K4QBPresentMode { Direct, ThroughGdi };

class K4QBPresenter {
public:
    explicit K4QBPresenter(K4QBPresentMode mode);
    ~K4QBPresenter();
    K4QBPresenter(const K4QBPresenter&) = delete;
    K4QBPresenter& operator=(const K4QBPresenter&) = delete;

    // The environment variable "K4QB_PRESENT" decides when it says "direct"
    // or "gdi"; otherwise through GDI under Wine, directly elsewhere.
    static K4QBPresentMode chooseMode();
    static bool isRunningUnderWine();

    K4QBPresentMode getMode() const { return mode_; }
    // Takes freshly gathered parameters: remembers their device window as the
    // target and, through GDI, puts the hidden window in its place.
    void adjust(D3DPRESENT_PARAMETERS* parameters);
    // The window the picture is meant for.
    HWND getTarget() const { return target_; }
    // The hidden window the device is bound to through GDI, else null.
    HWND getHiddenWindow() const { return hidden_; }

    // Shows the back buffer on the target: the whole buffer (or `source` of
    // it) over the whole client area. Returns the failing call's result.
    HRESULT present(IDirect3DDevice9* device, const RECT* source = nullptr);
    // Everything present does but the copy onto the window: pays the first
    // copy's one-time costs (the surfaces of the window's size, the driver's
    // shaders) without showing anything. Nothing in Direct mode.
    HRESULT rehearse(IDirect3DDevice9* device);
    // Frees the device objects; before a reset and before the device goes.
    void release();

private:
    HRESULT copyOut(IDirect3DDevice9* device, const RECT* source, bool show);
    HRESULT prepare(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format);

    K4QBPresentMode mode_;
    HWND target_;
    HWND hidden_;
    IDirect3DSurface9* scaled_; // render target of the target's size
    IDirect3DSurface9* copy_;   // its system-memory copy, whose DC GDI reads
};
