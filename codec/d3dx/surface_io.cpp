// Surface reading and writing for the D3DX operations. A default-pool
// surface cannot always be locked: render targets are read back with
// GetRenderTargetData, other default-pool surfaces are first copied into a
// temporary render target with StretchRect, and writes into the default pool
// go through UpdateSurface.
#include "codec/d3dx/surface_io.h"

#include "codec/formats.h"

#include <cstring>
#include <new>

namespace k4d3dx {

using k4codec::Format;

bool validFilter(DWORD filter) {
    if (filter == D3DX_DEFAULT) {
        return true;
    }
    const DWORD known = 0xff | D3DX_FILTER_MIRROR | D3DX_FILTER_DITHER |
                        D3DX_FILTER_DITHER_DIFFUSION | D3DX_FILTER_SRGB;
    const DWORD kind = filter & 0xff;
    return (filter & ~known) == 0 && kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX;
}

void copyToLocked(const D3DLOCKED_RECT& locked, Format format, uint32_t width, uint32_t height,
                  const uint8_t* src) {
    const size_t pitch = static_cast<size_t>(k4codec::formatRowPitch(format, width));
    const uint32_t rows = k4codec::formatRowCount(format, height);
    uint8_t* dst = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < rows; ++y) {
        std::memcpy(dst + static_cast<ptrdiff_t>(y) * locked.Pitch, src + y * pitch, pitch);
    }
}

void copyFromLocked(const D3DLOCKED_RECT& locked, Format format, uint32_t width, uint32_t height,
                    uint8_t* dst) {
    const size_t pitch = static_cast<size_t>(k4codec::formatRowPitch(format, width));
    const uint32_t rows = k4codec::formatRowCount(format, height);
    const uint8_t* src = static_cast<const uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < rows; ++y) {
        std::memcpy(dst + y * pitch, src + static_cast<ptrdiff_t>(y) * locked.Pitch, pitch);
    }
}

namespace {

HRESULT lockAndRead(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc,
                    std::vector<uint8_t>* bytes) {
    D3DLOCKED_RECT locked;
    const HRESULT hr = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        return hr;
    }
    copyFromLocked(locked, desc.Format, desc.Width, desc.Height, bytes->data());
    surface->UnlockRect();
    return S_OK;
}

// A render target (or a copy of the surface in one) read back through a
// system-memory surface of the same size and format.
HRESULT readThroughRenderTarget(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc,
                                std::vector<uint8_t>* bytes) {
    ComRef<IDirect3DDevice9> device;
    HRESULT hr = surface->GetDevice(device.out());
    if (FAILED(hr)) {
        return hr;
    }
    IDirect3DSurface9* source = surface;
    ComRef<IDirect3DSurface9> copy;
    // GetRenderTargetData takes only plain render targets: anything else is
    // first stretched into one.
    if ((desc.Usage & D3DUSAGE_RENDERTARGET) == 0 || desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
        hr = device->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE,
                                        0, FALSE, copy.out(), nullptr);
        if (SUCCEEDED(hr)) {
            hr = device->StretchRect(surface, nullptr, copy.get(), nullptr, D3DTEXF_NONE);
        }
        if (FAILED(hr)) {
            return hr;
        }
        source = copy.get();
    }
    ComRef<IDirect3DSurface9> system;
    hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                             D3DPOOL_SYSTEMMEM, system.out(), nullptr);
    if (SUCCEEDED(hr)) {
        hr = device->GetRenderTargetData(source, system.get());
    }
    if (SUCCEEDED(hr)) {
        hr = lockAndRead(system.get(), desc, bytes);
    }
    return hr;
}

} // namespace

HRESULT readSurface(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc,
                    std::vector<uint8_t>* bytes) {
    if (!k4codec::isConvertible(desc.Format)) {
        return D3DERR_INVALIDCALL;
    }
    try {
        bytes->assign(
            static_cast<size_t>(k4codec::formatLevelBytes(desc.Format, desc.Width, desc.Height)),
            0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (desc.Pool != D3DPOOL_DEFAULT) {
        return lockAndRead(surface, desc, bytes);
    }
    if ((desc.Usage & D3DUSAGE_RENDERTARGET) != 0) {
        return readThroughRenderTarget(surface, desc, bytes);
    }
    // Dynamic textures and lockable off-screen surfaces lock directly;
    // the rest can only be copied by the device.
    HRESULT hr = lockAndRead(surface, desc, bytes);
    if (FAILED(hr)) {
        const HRESULT copied = readThroughRenderTarget(surface, desc, bytes);
        hr = SUCCEEDED(copied) || copied == D3DERR_OUTOFVIDEOMEMORY || copied == E_OUTOFMEMORY
                 ? copied
                 : D3DERR_INVALIDCALL;
    }
    return hr;
}

HRESULT writeSurface(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc, const RECT* rect,
                     const std::vector<uint8_t>& bytes) {
    const uint32_t width = rect ? static_cast<uint32_t>(rect->right - rect->left) : desc.Width;
    const uint32_t height = rect ? static_cast<uint32_t>(rect->bottom - rect->top) : desc.Height;
    D3DLOCKED_RECT locked;
    HRESULT hr = D3DERR_INVALIDCALL;
    if (desc.Pool != D3DPOOL_DEFAULT || (desc.Usage & D3DUSAGE_DYNAMIC) != 0) {
        hr = surface->LockRect(&locked, rect, 0);
        if (SUCCEEDED(hr)) {
            copyToLocked(locked, desc.Format, width, height, bytes.data());
            surface->UnlockRect();
        }
        if (desc.Pool != D3DPOOL_DEFAULT) {
            return hr;
        }
    }
    if (FAILED(hr)) {
        // Default pool: fill a system-memory surface and let the device copy it.
        ComRef<IDirect3DDevice9> device;
        hr = surface->GetDevice(device.out());
        ComRef<IDirect3DSurface9> system;
        if (SUCCEEDED(hr)) {
            hr = device->CreateOffscreenPlainSurface(width, height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                     system.out(), nullptr);
        }
        if (SUCCEEDED(hr)) {
            hr = system->LockRect(&locked, nullptr, 0);
        }
        if (SUCCEEDED(hr)) {
            copyToLocked(locked, desc.Format, width, height, bytes.data());
            system->UnlockRect();
            POINT at = {rect ? rect->left : 0, rect ? rect->top : 0};
            hr = device->UpdateSurface(system.get(), nullptr, surface, &at);
        }
    }
    return hr;
}

} // namespace k4d3dx
