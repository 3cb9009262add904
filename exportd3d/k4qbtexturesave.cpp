// The layered save and convertTexture: an off-screen drawing copied into the
// output format and written as DDS (see k4qbtexturesave.h).
#include "exportd3d/k4qbtexturesave.h"

#include "codec/compose.h"
#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"
#include "export/output_paths.h"
#include "exportd3d/k4qbdrawquad.h"
#include "exportd3d/k4qblayeredtexture.h"
#include "exportd3d/k4qblayerpreview.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qbappwindow.h"

#include <cmath>
#include <cstring>
#include <functional>

using k4d3dx::ComRef;

namespace {

constexpr const char* kOverlayPrefix = "overlay_";

// Render target 0 switched to a surface for a scope and given back after it.
class RenderTargetSwitch {
public:
    RenderTargetSwitch(IDirect3DDevice9* device, IDirect3DSurface9* target) : device_(device) {
        ok_ = SUCCEEDED(device_->GetRenderTarget(0, previous_.out())) &&
              SUCCEEDED(device_->SetRenderTarget(0, target));
    }
    ~RenderTargetSwitch() {
        if (previous_.get() != nullptr) {
            device_->SetRenderTarget(0, previous_.get());
        }
    }
    RenderTargetSwitch(const RenderTargetSwitch&) = delete;
    RenderTargetSwitch& operator=(const RenderTargetSwitch&) = delete;
    bool ok() const { return ok_; }

private:
    IDirect3DDevice9* device_;
    ComRef<IDirect3DSurface9> previous_;
    bool ok_ = false;
};

// Draws into a width x height A8R8G8B8 render target, copies the picture into
// a scratch texture of the output format with levelCount levels, fills the
// levels below 0 from it, then calls beforeWrite and writes the file.
HRESULT renderToFile(IDirect3DDevice9* device, uint32_t width, uint32_t height,
                     const std::function<void()>& draw, uint32_t levelCount, D3DFORMAT format,
                     const char* path, const std::function<void()>& beforeWrite) {
    ComRef<IDirect3DTexture9> target;
    ComRef<IDirect3DSurface9> targetLevel;
    HRESULT hr = device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                       D3DPOOL_DEFAULT, target.out(), nullptr);
    if (SUCCEEDED(hr)) {
        hr = target->GetSurfaceLevel(0, targetLevel.out());
    }
    if (FAILED(hr)) {
        return hr;
    }
    {
        RenderTargetSwitch targetSwitch(device, targetLevel.get());
        if (!targetSwitch.ok()) {
            return E_FAIL;
        }
        draw();
    }
    ComRef<IDirect3DTexture9> output;
    ComRef<IDirect3DSurface9> outputLevel;
    hr = device->CreateTexture(width, height, levelCount, 0, format, D3DPOOL_SCRATCH, output.out(),
                               nullptr);
    if (SUCCEEDED(hr)) {
        hr = output->GetSurfaceLevel(0, outputLevel.out());
    }
    if (SUCCEEDED(hr)) {
        hr = D3DXLoadSurfaceFromSurface(outputLevel.get(), nullptr, nullptr, targetLevel.get(),
                                        nullptr, nullptr, D3DX_DEFAULT, 0);
    }
    if (SUCCEEDED(hr) && output->GetLevelCount() > 1) {
        hr = D3DXFilterTexture(output.get(), nullptr, 0, D3DX_DEFAULT);
    }
    if (SUCCEEDED(hr)) {
        beforeWrite();
        hr = D3DXSaveTextureToFileA(path, D3DXIFF_DDS, output.get(), nullptr);
    }
    return hr;
}

} // namespace

bool saveLayeredTexture(K4QBLayerPreview* preview, const K4QBLayerSaveOptions& options) {
    K4CDebugLogger* logger = preview->getLogger();
    K4C_TRACE(logger, "Enter saveLayeredTexture(%p, %d, %s, %d, %s)", (void*)preview,
              options.folderSource, options.folder, options.formatIndex, options.fileName);
    K4QBBusyScope busy(preview->getAppWindow(), K4QB_BUSY_BACKGROUND);
    const D3DFORMAT format = static_cast<D3DFORMAT>(k4export::formatFromIndex(options.formatIndex));
    const char* name = options.fileName != nullptr ? options.fileName : "";
    const uint32_t levelCount = std::strncmp(name, kOverlayPrefix, 8) == 0 ? 1 : 0;
    // The layered texture is saved as a texture of the game: no fixed folder.
    k4export::ExportSettings settings;
    settings.type = k4export::kTextures;
    settings.folderSource = options.folderSource;
    settings.folder = options.folder;
    settings.installPath = options.installPath;
    settings.fileName = name;
    K4CString path;
    bool saved = false;
    if (format != k4export::kBestMatch && k4export::makeOutputPath(settings, name, &path)) {
        K4QBFileList layers;
        preview->getLayers()->copyTo(&layers);
        K4QBD3DUse use(preview->getAppWindow());
        if (use.device() != nullptr) {
            const RECT rect = layerRect(preview, layers, false);
            saved = rect.right > 0 && rect.bottom > 0 &&
                    S_OK == renderToFile(
                                use.device(), static_cast<uint32_t>(rect.right),
                                static_cast<uint32_t>(rect.bottom),
                                [&] { drawLayers(use.device(), preview, layers, rect, false); },
                                levelCount, format, path.getText(),
                                [&] { k4export::prepareOutputFolders(settings); });
        }
    }
    K4C_TRACE(logger, "Return %d from saveLayeredTexture", saved ? 1 : 0);
    return saved;
}

bool convertTexture(IDirect3DTexture9* source, uint32_t width, uint32_t height, float bandAspect,
                    uint32_t levelCount, D3DFORMAT format, const char* path, K4CDebugLogger* logger,
                    HRESULT* result) {
    K4C_TRACE(logger, "Enter convertTexture(%p, %u, %u, %f, %u, %d, %s)", (void*)source, width,
              height, (double)bandAspect, levelCount, (int)format, path);
    HRESULT hr = D3DERR_INVALIDCALL;
    ComRef<IDirect3DDevice9> device;
    if (source != nullptr && path != nullptr && width > 0 && height > 0 && bandAspect > 0.0f &&
        std::isfinite(bandAspect) && SUCCEEDED(source->GetDevice(device.out()))) {
        uint32_t top = 0, bottom = 0;
        k4codec::bandRows(height, bandAspect, &top, &bottom);
        const auto draw = [&] {
            K4QBCompositionState state(device.get());
            device->Clear(0, nullptr, D3DCLEAR_TARGET, K4QB_LAYER_CLEAR, 1.0f, 0);
            K4QBScene scene(device.get());
            if (scene.begun() && bottom > top) {
                k4qbDrawQuad(device.get(), source, 0, static_cast<LONG>(top),
                             static_cast<LONG>(width), static_cast<LONG>(bottom));
            }
        };
        hr = renderToFile(device.get(), width, height, draw, levelCount, format, path, [] {});
    }
    if (result != nullptr) {
        *result = hr;
    }
    K4C_TRACE(logger, "Return %d from convertTexture", hr == S_OK ? 1 : 0);
    return hr == S_OK;
}
