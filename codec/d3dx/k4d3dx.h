// The five D3DX 9 image operations the program uses, over Direct3D 9 device
// objects, implemented on the codec library (k4d3dx). Same names, arguments,
// defaults and result codes as d3dx9, so callers read like ordinary D3DX
// code; we do not use the system's d3dx9 DLLs.
//
// Supported:
// - files: DDS, BMP, TGA, PNG and JPEG (what the codec library reads);
// - textures and surfaces in the pixel formats the codec library converts
//   (formats.h), DXT1 to DXT5 included; 2D textures only;
// - saving as DDS only.
// Filters: D3DX_FILTER_BOX selects the box filter for scaling; every other
// valid filter (and D3DX_DEFAULT) scales with the codec's default filter
// (tent when shrinking, bilinear when enlarging). Mip levels are always made
// with the box filter. Dither, mirror and sRGB flags are accepted and
// ignored. Palettes are not used (no palettized device formats).
//
// Results: S_OK; D3DERR_INVALIDCALL for bad arguments; D3DXERR_INVALIDDATA
// for a file that cannot be read or decoded; E_OUTOFMEMORY when memory runs
// out; a device result (D3DERR_OUTOFVIDEOMEMORY ...) is passed through. A
// failing call leaves the caller's objects, out pointers and files as they
// were.
#pragma once

#include <windows.h>

#include <d3d9.h>

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (1 << 19)
#define D3DX_FILTER_DITHER_DIFFUSION (2 << 19)
#define D3DX_FILTER_SRGB_IN (1 << 21)
#define D3DX_FILTER_SRGB_OUT (2 << 21)
#define D3DX_FILTER_SRGB (3 << 21)

#define D3DXERR_INVALIDDATA ((HRESULT)(0x88760000 | 2905))

#ifdef __cplusplus
extern "C" {
#endif

// Width, Height, Depth, MipLevels (1 without mip levels), the file's own
// Format, ResourceType and ImageFileFormat. A null pSrcInfo only checks that
// the file can be read.
HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);

// A managed texture with the library defaults: each side rounded up to a
// power of two (within the device's limits), a complete mip chain (levels a
// DDS file holds are kept), usage 0, the file's format when the device can
// create it, otherwise the nearest format with the same channels.
HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture);

// The source rectangle (whole surface when null) scaled to the destination
// rectangle (whole surface when null) and converted to the destination's
// format. A non-zero ColorKey (A8R8G8B8) turns matching source pixels into
// transparent black. On DXT destinations a rectangle must lie on 4x4 blocks.
HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE9 pDestSurface,
                                          CONST PALETTEENTRY* pDestPalette, CONST RECT* pDestRect,
                                          LPDIRECT3DSURFACE9 pSrcSurface,
                                          CONST PALETTEENTRY* pSrcPalette, CONST RECT* pSrcRect,
                                          DWORD Filter, D3DCOLOR ColorKey);

// Rebuilds every level below SrcLevel (D3DX_DEFAULT: 0) from SrcLevel.
HRESULT WINAPI D3DXFilterTexture(LPDIRECT3DBASETEXTURE9 pBaseTexture, CONST PALETTEENTRY* pPalette,
                                 UINT SrcLevel, DWORD Filter);

// All levels in the texture's own format, as DDS (D3DXIFF_DDS only), written
// beside the target and moved into place.
HRESULT WINAPI D3DXSaveTextureToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      LPDIRECT3DBASETEXTURE9 pSrcTexture,
                                      CONST PALETTEENTRY* pSrcPalette);

#ifdef __cplusplus
}

#include "codec/image.h"

#include <vector>

namespace k4d3dx {

// D3DXCreateTextureFromFileA that also fills `info` (optional) with the
// file's description, whose `warning` names damage the reader worked around
// ("Corrupt JPEG data: ..."), empty when there was none. The texture loads
// all the same; a caller with a logger writes the warning to its log.
HRESULT createTextureFromFile(IDirect3DDevice9* device, const char* path,
                              IDirect3DTexture9** texture, k4codec::ImageInfo* info);

// The same load in steps, so that the decoding needs no device and can run
// while another thread uses it:
//   queryTextureTarget    (device)    what the device creates, asked once;
//   decodeTextureFile     (no device) the file read, decoded, sized and
//                                     converted: the top level, and every
//                                     level the file holds itself;
//   createDecodedTexture  (device)    the managed texture with the complete
//                                     chain, the levels decoded so far filled;
//   completeTextureLevels (no device) the levels below, from the file's image
//                                     (createDecodedTexture then makes the
//                                     complete texture).
// A picture beyond the codec's limits fails with k4codec::kTooLarge, its
// sides then in decoded->info. The pixels are those createTextureFromFile
// gives. createDecodedTexture
// fails with the device's result when it refuses the chosen format (a
// format it lists may still refuse a size); the caller then loads with
// createTextureFromFile, which tries the next one.
struct TextureTarget {
    D3DCAPS9 caps = {};
    std::vector<k4codec::Format> creatable; // the formats the device creates
};
// Its largest buffers go to the next decodeTextureFile when it is destroyed.
struct DecodedTexture {
    k4codec::Image source;  // the file's image, until the levels are complete
    k4codec::Image texture; // levels made so far, in the texture's size and format
    k4codec::ImageInfo info;
    uint32_t levels = 0; // of the complete chain
    bool complete() const { return texture.levels.size() >= levels; }

    DecodedTexture() = default;
    DecodedTexture(DecodedTexture&&) = default;
    DecodedTexture& operator=(DecodedTexture&&) = default;
    ~DecodedTexture();
};
HRESULT queryTextureTarget(IDirect3DDevice9* device, TextureTarget* target);
HRESULT decodeTextureFile(const TextureTarget& target, const char* path, DecodedTexture* decoded);
HRESULT createDecodedTexture(IDirect3DDevice9* device, const DecodedTexture& decoded,
                             IDirect3DTexture9** texture);
HRESULT completeTextureLevels(DecodedTexture* decoded);
// Fills a texture made by createDecodedTexture before (of the same size,
// format and level count) as createDecodedTexture fills a new one: the
// levels decoded so far, the others blank. D3DERR_INVALIDCALL when it does
// not match.
HRESULT refillDecodedTexture(IDirect3DTexture9* texture, const DecodedTexture& decoded);

// The first picture of a preview straight into its texture: a PNG that the
// texture holds as the file decodes (its own size, and the decoded format the
// first the device creates for it) is decoded into the texture's locked top
// level, with no picture of its own in between (fresh memory, and copying
// it, are the slow part of a first load):
//   planDirectTexture   (no device) the file read, its header checked: S_OK
//                                   when the way applies, S_FALSE when it
//                                   does not (decodeTextureFile then);
//   (device)            a managed texture of the plan's size, format and
//                       levels, its top level locked;
//   decodeDirectTexture (no device) the file decoded into the locked level;
//                                   `decoded` then describes the texture as
//                                   decodeTextureFile would, without pixels;
//   (device)            unlocked, shown;
//   readTopLevelRows    (device)    the top level read back in strips of
//                                   rows, for completeTextureLevels.
struct DirectTexture {
    std::vector<uint8_t> bytes; // the file
    size_t size = 0;
    k4codec::ImageInfo info;
    uint32_t width = 0, height = 0, levels = 0;
    k4codec::Format format = k4codec::kFmtUnknown;

    DirectTexture() = default;
    DirectTexture(const DirectTexture&) = delete;
    DirectTexture& operator=(const DirectTexture&) = delete;
    ~DirectTexture(); // the file's buffer goes to the next load
};
HRESULT planDirectTexture(const TextureTarget& target, const char* path, DirectTexture* plan);
HRESULT decodeDirectTexture(const DirectTexture& plan, const D3DLOCKED_RECT& locked,
                            DecodedTexture* decoded);
HRESULT readTopLevelRows(IDirect3DTexture9* texture, uint32_t first, uint32_t count,
                         DecodedTexture* decoded);
// The texture's levels from `first` on made blank, as in a new texture.
HRESULT blankTextureLevels(IDirect3DTexture9* texture, uint32_t first);

} // namespace k4d3dx
#endif
