// The textured quad that every picture on the program's Direct3D device is
// drawn with (the image preview, the layered texture, convertTexture), and
// where a picture fits on the preview panel.
//
// The quad is pre-transformed (XYZRHW | DIFFUSE | TEX1, 28 bytes a vertex),
// white and opaque in its vertex colour so that each texel keeps its own
// colour and alpha, and shifted by half a pixel: Direct3D 9 puts pixel
// centres on whole coordinates, so without the shift a picture drawn at its
// own size would sample half a texel off. Edges clamp only where the device's
// sampler clamps (the main window sets that up).
#pragma once

#include <windows.h>

#include <d3d9.h>

#include <cstdint>

struct K4QBQuadVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(K4QBQuadVertex) == 28, "quad vertex layout");

inline constexpr DWORD K4QB_QUAD_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The four vertices, in fan order, that stretch a texture over the pixels
// [left, right) x [top, bottom) of the render target.
void k4qbFillQuad(K4QBQuadVertex quad[4], LONG left, LONG top, LONG right, LONG bottom);

// Draws the texture over those pixels from memory (no vertex buffer). Leaves
// no texture bound. Inside a scene, with the quad's vertex format set.
HRESULT k4qbDrawQuad(IDirect3DDevice9* device, IDirect3DBaseTexture9* texture, LONG left, LONG top,
                     LONG right, LONG bottom);

// Limits drawing to `part` of the render target for a scope (nothing when
// null), and clears that part with `surround`: a zoomed picture shows only
// the part of the back buffer its window shows, and a software renderer
// draws every pixel it is asked to, shown or not.
class K4QBDrawnPart {
public:
    K4QBDrawnPart(IDirect3DDevice9* device, const RECT* part, D3DCOLOR surround);
    ~K4QBDrawnPart();
    K4QBDrawnPart(const K4QBDrawnPart&) = delete;
    K4QBDrawnPart& operator=(const K4QBDrawnPart&) = delete;

private:
    IDirect3DDevice9* device_;
    bool limited_;
};

// A picture of width x height fitted into a cw x ch panel: shrunk only, kept
// in proportion (whole numbers, truncating), centred. `width` and `height` are
// the fitted size in panel pixels; `rect` is the fitted place in the
// coordinates of a screenWidth x screenHeight back buffer, which the panel
// shows stretched.
struct K4QBPreviewFit {
    int32_t width;
    int32_t height;
    RECT rect;
};
K4QBPreviewFit k4qbFitPreview(int32_t width, int32_t height, int32_t cw, int32_t ch,
                              int32_t screenWidth, int32_t screenHeight);
