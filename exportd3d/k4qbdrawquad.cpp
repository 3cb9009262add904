// The composition's device state (see k4qbdrawquad.h).
#include "exportd3d/k4qbdrawquad.h"

K4QBCompositionState::K4QBCompositionState(IDirect3DDevice9* device)
    : device_(device), addressU_(D3DTADDRESS_WRAP), addressV_(D3DTADDRESS_WRAP) {
    device_->GetSamplerState(0, D3DSAMP_ADDRESSU, &addressU_);
    device_->GetSamplerState(0, D3DSAMP_ADDRESSV, &addressV_);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetFVF(K4QB_QUAD_FVF);
    // A stretched layer's edge texels must not blend with the opposite edge.
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

K4QBCompositionState::~K4QBCompositionState() {
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, addressU_);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, addressV_);
}

K4QBSharpSampling::K4QBSharpSampling(IDirect3DDevice9* device, bool sharp)
    : device_(device), sharp_(sharp), minFilter_(D3DTEXF_LINEAR), magFilter_(D3DTEXF_LINEAR) {
    if (sharp_) {
        device_->GetSamplerState(0, D3DSAMP_MINFILTER, &minFilter_);
        device_->GetSamplerState(0, D3DSAMP_MAGFILTER, &magFilter_);
        device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    }
}

K4QBSharpSampling::~K4QBSharpSampling() {
    if (sharp_) {
        device_->SetSamplerState(0, D3DSAMP_MINFILTER, minFilter_);
        device_->SetSamplerState(0, D3DSAMP_MAGFILTER, magFilter_);
    }
}
