// The textured quad and the preview fit (see k4qbquad.h).
#include "shell/k4qbquad.h"

namespace {

// Texture times white keeps the texel's colour; alpha comes from the texture
// alone (the stage's default).
constexpr D3DCOLOR kQuadDiffuse = 0x00FFFFFF;

} // namespace

void k4qbFillQuad(K4QBQuadVertex quad[4], LONG left, LONG top, LONG right, LONG bottom) {
    const float x1 = static_cast<float>(left) - 0.5f, y1 = static_cast<float>(top) - 0.5f;
    const float x2 = static_cast<float>(right) - 0.5f, y2 = static_cast<float>(bottom) - 0.5f;
    quad[0] = {x1, y1, 0.0f, 1.0f, kQuadDiffuse, 0.0f, 0.0f};
    quad[1] = {x2, y1, 0.0f, 1.0f, kQuadDiffuse, 1.0f, 0.0f};
    quad[2] = {x2, y2, 0.0f, 1.0f, kQuadDiffuse, 1.0f, 1.0f};
    quad[3] = {x1, y2, 0.0f, 1.0f, kQuadDiffuse, 0.0f, 1.0f};
}

HRESULT k4qbDrawQuad(IDirect3DDevice9* device, IDirect3DBaseTexture9* texture, LONG left, LONG top,
                     LONG right, LONG bottom) {
    K4QBQuadVertex quad[4];
    k4qbFillQuad(quad, left, top, right, bottom);
    HRESULT hr = device->SetTexture(0, texture);
    if (SUCCEEDED(hr)) {
        hr = device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(K4QBQuadVertex));
    }
    // The device would otherwise keep the texture alive after the cache let it go.
    device->SetTexture(0, nullptr);
    return hr;
}

K4QBDrawnPart::K4QBDrawnPart(IDirect3DDevice9* device, const RECT* part, D3DCOLOR surround)
    : device_(device), limited_(part != nullptr) {
    if (limited_) {
        const D3DRECT cleared = {part->left, part->top, part->right, part->bottom};
        device_->Clear(1, &cleared, D3DCLEAR_TARGET, surround, 1.0f, 0);
        device_->SetScissorRect(part);
        device_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    } else {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, surround, 1.0f, 0);
    }
}

K4QBDrawnPart::~K4QBDrawnPart() {
    if (limited_) {
        device_->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    }
}

K4QBPreviewFit k4qbFitPreview(int32_t width, int32_t height, int32_t cw, int32_t ch,
                              int32_t screenWidth, int32_t screenHeight) {
    int64_t w = width, h = height;
    if (w > cw) {
        h = h * cw / w;
        w = cw;
    }
    if (h > ch) {
        w = w * ch / h;
        h = ch;
    }
    const int32_t left = w < cw ? (cw >> 1) - static_cast<int32_t>(w >> 1) : 0;
    const int32_t top = h < ch ? (ch >> 1) - static_cast<int32_t>(h >> 1) : 0;
    const float sx = static_cast<float>(screenWidth) / static_cast<float>(cw);
    const float sy = static_cast<float>(screenHeight) / static_cast<float>(ch);
    K4QBPreviewFit fit;
    fit.width = static_cast<int32_t>(w);
    fit.height = static_cast<int32_t>(h);
    fit.rect.left = static_cast<LONG>(static_cast<float>(left) * sx);
    fit.rect.top = static_cast<LONG>(static_cast<float>(top) * sy);
    fit.rect.right = static_cast<LONG>(static_cast<float>(left + fit.width) * sx);
    fit.rect.bottom = static_cast<LONG>(static_cast<float>(top + fit.height) * sy);
    return fit;
}
