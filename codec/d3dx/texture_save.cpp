// D3DXSaveTextureToFileA: every level of a 2D texture read back in its own
// format and written as one DDS file, beside the target first and then moved
// into place, so a failure leaves no file and keeps an older one. The twelve
// output formats go through the codec's DDS writer; the other formats the
// codec converts (X8R8G8B8 from image files, A8B8G8R8, L16 ...) get a legacy
// header of their own here: bit masks, or their D3DFORMAT number as FourCC
// where masks cannot describe them (DXT2, DXT4, A16B16G16R16).
#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"

#include "codec/codec.h"
#include "codec/dds_format.h"

#include <cstring>
#include <new>

namespace {

using k4codec::Format;
using k4d3dx::ComRef;
using k4d3dx::toHresult;

HRESULT writeOtherFormat(const k4codec::Image& image, std::vector<uint8_t>* bytes) {
    using namespace k4codec;
    const FormatInfo* info = findFormat(image.format);
    DdsHeader header;
    std::memset(&header, 0, sizeof header);
    header.size = sizeof header;
    header.flags = kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPixelFormat;
    header.width = image.width;
    header.height = image.height;
    header.caps = kDdsCapsTexture;
    const uint32_t levels = static_cast<uint32_t>(image.levels.size());
    if (levels > 1) {
        header.flags |= kDdsdMipMapCount;
        header.mipMapCount = levels;
        header.caps |= kDdsCapsComplex | kDdsCapsMipMap;
    }
    DdsPixelFormat& pf = header.pixelFormat;
    pf.size = sizeof pf;
    if (info->compressed || info->bits > 32) {
        pf.flags = kDdpfFourCC;
        pf.fourCC = image.format;
    } else {
        const FormatMasks& m = info->masks;
        pf.rgbBitCount = info->bits;
        pf.rMask = static_cast<uint32_t>(m.r);
        pf.gMask = static_cast<uint32_t>(m.g);
        pf.bMask = static_cast<uint32_t>(m.b);
        pf.aMask = static_cast<uint32_t>(m.a);
        if (m.r == 0 && m.g == 0 && m.b == 0) {
            pf.flags = kDdpfAlpha;
        } else {
            pf.flags =
                (m.luminance ? kDdpfLuminance : kDdpfRgb) | (m.a != 0 ? kDdpfAlphaPixels : 0);
        }
    }
    if (info->compressed) {
        header.flags |= kDdsdLinearSize;
        header.pitchOrLinearSize =
            static_cast<uint32_t>(formatLevelBytes(image.format, image.width, image.height));
    } else {
        header.flags |= kDdsdPitch;
        header.pitchOrLinearSize = static_cast<uint32_t>(formatRowPitch(image.format, image.width));
    }
    try {
        std::vector<uint8_t> out(4 + sizeof header);
        const uint32_t magic = kDdsMagic;
        std::memcpy(out.data(), &magic, 4);
        std::memcpy(out.data() + 4, &header, sizeof header);
        for (const std::vector<uint8_t>& level : image.levels) {
            out.insert(out.end(), level.begin(), level.end());
        }
        bytes->swap(out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace

extern "C" HRESULT WINAPI D3DXSaveTextureToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                                 LPDIRECT3DBASETEXTURE9 pSrcTexture,
                                                 CONST PALETTEENTRY* /*pSrcPalette*/) {
    if (pDestFile == nullptr || pSrcTexture == nullptr || DestFormat != D3DXIFF_DDS ||
        pSrcTexture->GetType() != D3DRTYPE_TEXTURE) {
        return D3DERR_INVALIDCALL;
    }
    IDirect3DTexture9* texture = static_cast<IDirect3DTexture9*>(pSrcTexture);
    D3DSURFACE_DESC desc;
    HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr)) {
        return hr;
    }
    if (!k4codec::isConvertible(desc.Format)) {
        return D3DERR_INVALIDCALL;
    }
    k4codec::Image image;
    image.width = desc.Width;
    image.height = desc.Height;
    image.format = desc.Format;
    try {
        image.levels.resize(texture->GetLevelCount());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    for (UINT level = 0; level < image.levels.size(); ++level) {
        D3DSURFACE_DESC levelDesc;
        ComRef<IDirect3DSurface9> surface;
        hr = texture->GetLevelDesc(level, &levelDesc);
        if (SUCCEEDED(hr)) {
            hr = texture->GetSurfaceLevel(level, surface.out());
        }
        if (SUCCEEDED(hr)) {
            hr = k4d3dx::readSurface(surface.get(), levelDesc, &image.levels[level]);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    std::vector<uint8_t> bytes;
    hr = k4codec::isOutputFormat(image.format) ? toHresult(k4codec::ddsWriteImage(image, &bytes))
                                               : writeOtherFormat(image, &bytes);
    if (FAILED(hr)) {
        return hr;
    }
    // A file that cannot be written is the caller's path at fault.
    const k4codec::HResult written = k4codec::writeFileAtomic(pDestFile, bytes);
    return written == k4codec::kOk ? S_OK : D3DERR_INVALIDCALL;
}
