// K4QBImagePreview at the panel's view: drawing a frame zoomed, panned or at
// another mip level as one quad, the compressed preview the loader makes,
// the file's facts, and the caption that tells what is shown.
#include "texmgr/k4qbimagepreview.h"

#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "shell/k4qbquad.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "textures/k4qbtexturecache.h"
#include "view/caption.h"
#include "view/compressed_preview.h"
#include "view/view_rules.h"

#include <algorithm>
#include <vector>

namespace {

// The sampler for a picture drawn at the view, for one drawing: point
// sampling at 1:1 and above (texels as squares), smooth below; mip level
// `level` as the largest used (the smaller ones only below 1:1). Given back
// as the main window set it up: linear, no mip filter, level 0.
class LevelSampling {
public:
    LevelSampling(IDirect3DDevice9* device, DWORD level, bool sharp, bool mipmapped)
        : device_(device) {
        const DWORD filter = sharp ? DWORD{D3DTEXF_POINT} : DWORD{D3DTEXF_LINEAR};
        device_->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        device_->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
        device_->SetSamplerState(0, D3DSAMP_MIPFILTER, mipmapped ? filter : DWORD{D3DTEXF_NONE});
        device_->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, level);
    }
    ~LevelSampling() {
        device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        device_->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
    }
    LevelSampling(const LevelSampling&) = delete;
    LevelSampling& operator=(const LevelSampling&) = delete;

private:
    IDirect3DDevice9* device_;
};

// A managed A8R8G8B8 texture of one level holding the pixels.
HRESULT makeTexture(IDirect3DDevice9* device, const std::vector<k4codec::Rgba>& pixels,
                    uint32_t width, uint32_t height, IDirect3DTexture9** texture) {
    k4d3dx::ComRef<IDirect3DTexture9> made;
    HRESULT hr = device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                       made.out(), nullptr);
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(hr)) {
        hr = made->LockRect(0, &locked, nullptr, 0);
    }
    if (FAILED(hr)) {
        return hr;
    }
    for (uint32_t y = 0; y < height; ++y) {
        k4codec::packRow(k4codec::kFmtA8R8G8B8, &pixels[static_cast<size_t>(y) * width], width,
                         static_cast<uint8_t*>(locked.pBits) +
                             static_cast<size_t>(y) * locked.Pitch);
    }
    made->UnlockRect(0);
    *texture = made.detach();
    return S_OK;
}

} // namespace

uint32_t K4QBImagePreview::textureLevel(const K4QBPreviewFrame& frame, uint32_t level) {
    const uint32_t last = frame.textureLevels > 0 ? frame.textureLevels - 1 : 0;
    const uint32_t wanted = level > frame.levelsAbove ? level - frame.levelsAbove : 0;
    return wanted < last ? wanted : last;
}

int32_t K4QBImagePreview::getShownLevelCount() const {
    const int32_t loaded = loadedCount_.load();
    const int32_t current = currentFrame_.load();
    if (loaded == 0) {
        return 1;
    }
    const K4QBPreviewFrame& frame = frames_[current >= 0 && current < loaded ? current : 0];
    const uint32_t count = frame.levelsAbove + frame.textureLevels;
    return count > 0 ? static_cast<int32_t>(count) : 1;
}

void K4QBImagePreview::noteFacts(int32_t index, const k4codec::ImageInfo& info, uint64_t bytes) {
    K4QBPreviewFrame& frame = frames_[index];
    frame.facts = true;
    frame.fileWidth = info.width;
    frame.fileHeight = info.height;
    frame.storedFormat = k4codec::storedFormatName(info);
    frame.fileLevels = info.mipLevels;
    frame.fileBytes = bytes;
}

void K4QBImagePreview::readFacts(int32_t index, const char* path) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::readFacts(%d, %s) = %p", index, path, (void*)this);
    std::vector<uint8_t> bytes;
    k4codec::ImageInfo info;
    if (k4codec::readFileBytes(path, &bytes) == k4codec::kOk &&
        k4codec::succeeded(k4codec::readImageHeader(bytes.data(), bytes.size(), &info))) {
        noteFacts(index, info, bytes.size());
    }
    K4C_TRACE(logger_, "Exit K4QBImagePreview::readFacts = %p", (void*)this);
}

void K4QBImagePreview::compressFrame(int32_t index, const char* path,
                                     const k4d3dx::DecodedTexture* loaded) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::compressFrame(%d, %s) = %p", index, path,
              (void*)this);
    K4QBPreviewFrame& frame = frames_[index];
    const uint32_t asked = textureLevel(frame, loadView_.level);
    // The long part without the lock: the level as the texture holds it (as
    // the loader decoded it just now, or the file decoded again: reading a
    // managed texture back costs more under Wine, which downloads it from the
    // renderer), the codec's encoder and decoder, the error and the
    // difference.
    k4d3dx::DecodedTexture decoded;
    const k4codec::Image* image = &decoded.texture;
    HRESULT hr = S_OK;
    if (loaded != nullptr && loaded->texture.levels.size() > asked) {
        image = &loaded->texture;
    } else {
        k4d3dx::TextureTarget target;
        {
            K4QBD3DUse use(mainWindow_);
            target = cache_->getTextureTarget();
        }
        hr = k4d3dx::decodeTextureFile(target, path, &decoded);
        if (SUCCEEDED(hr) && decoded.texture.levels.size() <= asked) {
            hr = k4d3dx::completeTextureLevels(&decoded);
        }
    }
    const uint32_t width = std::max(1u, image->width >> asked);
    const uint32_t height = std::max(1u, image->height >> asked);
    std::vector<k4codec::Rgba> pixels;
    k4view::CompressedPreview made;
    if (SUCCEEDED(hr)) {
        hr = k4codec::decodeLevel(*image, asked, &pixels);
    }
    if (SUCCEEDED(hr)) {
        hr = k4view::previewCompressed(loadView_.previewAs, pixels.data(), width, height,
                                       loadView_.difference, &made);
    }
    if (SUCCEEDED(hr) && running_.load()) {
        K4QBD3DUse use(mainWindow_);
        hr = use.device() != nullptr
                 ? makeTexture(use.device(), made.pixels, width, height, &frame.compressed)
                 : D3DERR_DEVICELOST;
        frame.error = made.error;
    }
    frame.compressedResult = hr;
    K4C_TRACE(logger_, "Exit K4QBImagePreview::compressFrame = %p", (void*)this);
}

bool K4QBImagePreview::drawAtView(IDirect3DDevice9* device, const K4QBPreviewFrame& frame,
                                  IDirect3DTexture9* texture, const K4QBPanelView& view) {
    K4C_TRACE(logger_, "Enter K4QBImagePreview::drawAtView(%p) = %p", (const void*)&frame,
              (void*)this);
    // A compressed preview holds the level it was made of, alone.
    const uint32_t level =
        textureLevel(frame, frame.compressed != nullptr ? loadView_.level : view.level);
    // The level is drawn at the picture's size of that level.
    const k4view::Rect size =
        k4view::levelRect(frame.pictureWidth, frame.pictureHeight, frame.levelsAbove + level);
    const K4QBCanvasPlacement placement = panel_->placeOnCanvas(
        static_cast<int32_t>(size.width()), static_cast<int32_t>(size.height()));
    if (view.view.fit && level == 0 && frame.compressed == nullptr && frame.levelsAbove == 0) {
        K4C_TRACE(logger_, "Return 0 from K4QBImagePreview::drawAtView = %p", (void*)this);
        return false;
    }
    {
        const K4QBDrawnPart part(device, placement.partial ? &placement.source : nullptr,
                                 K4QB_PREVIEW_SURROUND);
        const RECT& at = placement.rect;
        const D3DRECT area = {at.left, at.top, at.right, at.bottom};
        device->Clear(1, &area, D3DCLEAR_TARGET, panel_->getBackground(), 1.0f, 0);
        if (SUCCEEDED(device->BeginScene())) {
            IDirect3DTexture9* shown = frame.compressed != nullptr ? frame.compressed : texture;
            LevelSampling sampling(device, frame.compressed != nullptr ? 0 : level, placement.sharp,
                                   shown->GetLevelCount() > 1);
            k4qbDrawQuad(device, shown, at.left, at.top, at.right, at.bottom);
            device->EndScene();
        }
    }
    mainWindow_->presentD3D(placement.partial ? &placement.source : nullptr);
    K4C_TRACE(logger_, "Return 1 from K4QBImagePreview::drawAtView = %p", (void*)this);
    return true;
}

void K4QBImagePreview::postFrameCaption(const K4QBPreviewFrame& frame, bool drawable) {
    std::string caption;
    if (drawable) {
        const K4QBPanelView view = panel_->getView();
        const uint32_t asked = frame.compressed != nullptr ? loadView_.level : view.level;
        k4view::CaptionFacts facts;
        facts.name = frame.name;
        // The picture's own top level, also when the device holds it lower.
        facts.width = frame.pictureWidth;
        facts.height = frame.pictureHeight;
        facts.info = view.info && frame.facts;
        facts.storedFormat = frame.storedFormat;
        facts.fileLevels = frame.fileLevels;
        facts.fileBytes = frame.fileBytes;
        facts.level = frame.levelsAbove + textureLevel(frame, asked);
        facts.levelCount = frame.levelsAbove + frame.textureLevels;
        facts.levelLimited = asked < frame.levelsAbove;
        if (frame.compressed != nullptr) {
            facts.compressedFormat = k4codec::formatName(loadView_.previewAs);
            facts.error = frame.error;
        }
        caption = k4view::previewCaption(facts);
        if (loadView_.previewAs != k4codec::kFmtUnknown && frame.compressed == nullptr) {
            caption += std::string(" ") + k4codec::formatName(loadView_.previewAs) + ": " +
                       k4codec::resultText(frame.compressedResult);
        }
    } else if (frame.refusedWidth != 0) {
        k4codec::ImageInfo refused;
        refused.width = frame.refusedWidth;
        refused.height = frame.refusedHeight;
        caption = std::string(frame.name) +
                  " (Unable to load image: " + k4codec::resultMessage(k4codec::kTooLarge, refused) +
                  ")";
    } else {
        caption = std::string(frame.name) + " (Unable to load image)";
    }
    panel_->postCaption(serial_, caption.c_str());
}
