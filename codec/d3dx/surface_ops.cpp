// D3DXLoadSurfaceFromSurface and D3DXFilterTexture. Pixels go through the
// codec library as 8-bit RGBA: read in the source format, cut to the source
// rectangle, colour-keyed, scaled, encoded in the destination format (DXT
// included) and only then written, so a failure leaves the destination as
// it was.
#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"

#include "codec/convert.h"
#include "codec/mips.h"
#include "codec/scale.h"

#include <new>

namespace {

using k4codec::Format;
using k4codec::Rgba;
using k4d3dx::ComRef;
using k4d3dx::toHresult;

bool validRect(const RECT& rect, const D3DSURFACE_DESC& desc) {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           static_cast<UINT>(rect.right) <= desc.Width &&
           static_cast<UINT>(rect.bottom) <= desc.Height;
}

// DXT surfaces are written in whole blocks: a rectangle must start on a
// block and end on one or at the surface's edge.
bool onBlocks(const RECT& rect, const D3DSURFACE_DESC& desc) {
    if (!k4codec::isCompressed(desc.Format)) {
        return true;
    }
    return rect.left % 4 == 0 && rect.top % 4 == 0 &&
           (rect.right % 4 == 0 || static_cast<UINT>(rect.right) == desc.Width) &&
           (rect.bottom % 4 == 0 || static_cast<UINT>(rect.bottom) == desc.Height);
}

HRESULT decodeSurface(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc,
                      std::vector<Rgba>* pixels) {
    k4codec::Image image;
    image.width = desc.Width;
    image.height = desc.Height;
    image.format = desc.Format;
    try {
        image.levels.resize(1);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = k4d3dx::readSurface(surface, desc, &image.levels[0]);
    return FAILED(hr) ? hr : toHresult(k4codec::decodeLevel(image, 0, pixels));
}

// The part of `pixels` (width wide) inside `rect`, with colour-keyed pixels
// made transparent black.
HRESULT cutAndKey(const std::vector<Rgba>& pixels, uint32_t width, const RECT& rect,
                  D3DCOLOR colorKey, std::vector<Rgba>* out) {
    const uint32_t w = static_cast<uint32_t>(rect.right - rect.left);
    const uint32_t h = static_cast<uint32_t>(rect.bottom - rect.top);
    try {
        out->resize(static_cast<size_t>(w) * h);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const Rgba key = {static_cast<uint8_t>(colorKey >> 16), static_cast<uint8_t>(colorKey >> 8),
                      static_cast<uint8_t>(colorKey), static_cast<uint8_t>(colorKey >> 24)};
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            Rgba p = pixels[static_cast<size_t>(rect.top + y) * width + rect.left + x];
            if (colorKey != 0 && p == key) {
                p = Rgba{0, 0, 0, 0};
            }
            (*out)[static_cast<size_t>(y) * w + x] = p;
        }
    }
    return S_OK;
}

} // namespace

extern "C" HRESULT WINAPI D3DXLoadSurfaceFromSurface(
    LPDIRECT3DSURFACE9 pDestSurface, CONST PALETTEENTRY* /*pDestPalette*/, CONST RECT* pDestRect,
    LPDIRECT3DSURFACE9 pSrcSurface, CONST PALETTEENTRY* /*pSrcPalette*/, CONST RECT* pSrcRect,
    DWORD Filter, D3DCOLOR ColorKey) {
    if (pDestSurface == nullptr || pSrcSurface == nullptr || !k4d3dx::validFilter(Filter)) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC dst, src;
    HRESULT hr = pDestSurface->GetDesc(&dst);
    if (SUCCEEDED(hr)) {
        hr = pSrcSurface->GetDesc(&src);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const RECT wholeSrc = {0, 0, static_cast<LONG>(src.Width), static_cast<LONG>(src.Height)};
    const RECT wholeDst = {0, 0, static_cast<LONG>(dst.Width), static_cast<LONG>(dst.Height)};
    const RECT srcRect = pSrcRect ? *pSrcRect : wholeSrc;
    const RECT dstRect = pDestRect ? *pDestRect : wholeDst;
    if (!k4codec::isConvertible(dst.Format) || !k4codec::isConvertible(src.Format) ||
        !validRect(srcRect, src) || !validRect(dstRect, dst) || !onBlocks(dstRect, dst)) {
        return D3DERR_INVALIDCALL;
    }

    std::vector<Rgba> pixels, cut;
    hr = decodeSurface(pSrcSurface, src, &pixels);
    if (SUCCEEDED(hr)) {
        hr = cutAndKey(pixels, src.Width, srcRect, ColorKey, &cut);
    }
    if (FAILED(hr)) {
        return hr;
    }
    const uint32_t cutW = static_cast<uint32_t>(srcRect.right - srcRect.left);
    const uint32_t cutH = static_cast<uint32_t>(srcRect.bottom - srcRect.top);
    const uint32_t outW = static_cast<uint32_t>(dstRect.right - dstRect.left);
    const uint32_t outH = static_cast<uint32_t>(dstRect.bottom - dstRect.top);
    if (cutW != outW || cutH != outH) {
        try {
            pixels.resize(static_cast<size_t>(outW) * outH);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        const k4codec::ScaleFilter filter =
            (Filter & 0xff) == D3DX_FILTER_BOX && Filter != D3DX_DEFAULT
                ? k4codec::ScaleFilter::Box
                : k4codec::ScaleFilter::Default;
        hr = toHresult(
            k4codec::scalePixels(cut.data(), cutW, cutH, pixels.data(), outW, outH, filter));
        if (FAILED(hr)) {
            return hr;
        }
        cut.swap(pixels);
    }
    std::vector<uint8_t> bytes;
    hr = toHresult(k4codec::encodeLevel(cut.data(), outW, outH, dst.Format, &bytes));
    if (FAILED(hr)) {
        return hr;
    }
    return k4d3dx::writeSurface(pDestSurface, dst, pDestRect ? &dstRect : nullptr, bytes);
}

extern "C" HRESULT WINAPI D3DXFilterTexture(LPDIRECT3DBASETEXTURE9 pBaseTexture,
                                            CONST PALETTEENTRY* /*pPalette*/, UINT SrcLevel,
                                            DWORD Filter) {
    if (pBaseTexture == nullptr || !k4d3dx::validFilter(Filter) ||
        pBaseTexture->GetType() != D3DRTYPE_TEXTURE) {
        return D3DERR_INVALIDCALL;
    }
    IDirect3DTexture9* texture = static_cast<IDirect3DTexture9*>(pBaseTexture);
    const UINT first = SrcLevel == D3DX_DEFAULT ? 0 : SrcLevel;
    const UINT count = texture->GetLevelCount();
    if (first >= count) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc;
    HRESULT hr = texture->GetLevelDesc(first, &desc);
    if (FAILED(hr)) {
        return hr;
    }
    if (!k4codec::isConvertible(desc.Format)) {
        return D3DERR_INVALIDCALL;
    }
    if (first + 1 == count) {
        return S_OK;
    }
    // The levels from SrcLevel down as an image of their own, rebuilt by
    // the codec and written back below SrcLevel.
    k4codec::Image image;
    image.width = desc.Width;
    image.height = desc.Height;
    image.format = desc.Format;
    try {
        image.levels.resize(count - first);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ComRef<IDirect3DSurface9> top;
    hr = texture->GetSurfaceLevel(first, top.out());
    if (SUCCEEDED(hr)) {
        hr = k4d3dx::readSurface(top.get(), desc, &image.levels[0]);
    }
    if (FAILED(hr)) {
        return hr;
    }
    for (uint32_t i = 1; i < image.levels.size(); ++i) {
        try {
            image.levels[i].resize(static_cast<size_t>(
                k4codec::formatLevelBytes(desc.Format, k4codec::levelSize(desc.Width, i),
                                          k4codec::levelSize(desc.Height, i))));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    hr = toHresult(k4codec::rebuildMips(&image));
    for (UINT level = first + 1; SUCCEEDED(hr) && level < count; ++level) {
        D3DSURFACE_DESC levelDesc;
        ComRef<IDirect3DSurface9> surface;
        hr = texture->GetLevelDesc(level, &levelDesc);
        if (SUCCEEDED(hr)) {
            hr = texture->GetSurfaceLevel(level, surface.out());
        }
        if (SUCCEEDED(hr)) {
            hr = k4d3dx::writeSurface(surface.get(), levelDesc, nullptr,
                                      image.levels[level - first]);
        }
    }
    return hr;
}
