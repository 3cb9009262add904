// The composition's device state, scene and quad (see k4qbdrawquad.h).
#include "export/k4qbdrawquad.h"

namespace {

// The pre-transformed vertex of the device's format XYZRHW | DIFFUSE | TEX1.
struct QuadVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 28, "quad vertex layout");

constexpr DWORD kQuadFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// Texture times white keeps the texel's colour; alpha comes from the texture
// alone (the stage's default).
constexpr D3DCOLOR kQuadDiffuse = 0x00FFFFFF;

} // namespace

K4QBCompositionState::K4QBCompositionState(IDirect3DDevice9* device)
    : device_(device), addressU_(D3DTADDRESS_WRAP), addressV_(D3DTADDRESS_WRAP) {
    device_->GetSamplerState(0, D3DSAMP_ADDRESSU, &addressU_);
    device_->GetSamplerState(0, D3DSAMP_ADDRESSV, &addressV_);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetFVF(kQuadFormat);
    // A stretched layer's edge texels must not blend with the opposite edge.
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

K4QBCompositionState::~K4QBCompositionState() {
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, addressU_);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, addressV_);
}

HRESULT k4qbDrawQuad(IDirect3DDevice9* device, IDirect3DBaseTexture9* texture, LONG left, LONG top,
                     LONG right, LONG bottom) {
    // Direct3D 9 puts pixel centres on whole coordinates: without the half
    // pixel each pixel would sample between two texels.
    const float x1 = static_cast<float>(left) - 0.5f, y1 = static_cast<float>(top) - 0.5f;
    const float x2 = static_cast<float>(right) - 0.5f, y2 = static_cast<float>(bottom) - 0.5f;
    const QuadVertex quad[4] = {
        {x1, y1, 0.0f, 1.0f, kQuadDiffuse, 0.0f, 0.0f},
        {x2, y1, 0.0f, 1.0f, kQuadDiffuse, 1.0f, 0.0f},
        {x2, y2, 0.0f, 1.0f, kQuadDiffuse, 1.0f, 1.0f},
        {x1, y2, 0.0f, 1.0f, kQuadDiffuse, 0.0f, 1.0f},
    };
    HRESULT hr = device->SetTexture(0, texture);
    if (SUCCEEDED(hr)) {
        hr = device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
    }
    // The device would otherwise keep the texture alive after the cache let it go.
    device->SetTexture(0, nullptr);
    return hr;
}
