// D3DXGetImageInfoFromFileA and D3DXCreateTextureFromFileA (with
// k4d3dx::createTextureFromFile, which also gives the reader's warning): the file is
// decoded by the codec library, sized and converted there, and copied level
// by level into a managed texture. The texture's format is the file's own
// when the device can create it, otherwise the first of a short list of
// formats with the same channels that it can (asked with CheckDeviceFormat
// for the device's adapter, device type and display mode). The same load in
// steps (k4d3dx::decodeTextureFile and the rest) decodes without the device,
// into buffers of earlier loads where it can: fresh memory is the slow part
// of loading a large picture (every page is faulted in and cleared), and a
// preview loads picture after picture of one size.
#include "codec/d3dx/k4d3dx.h"
#include "codec/d3dx/surface_io.h"

#include "codec/codec.h"
#include "codec/loader.h"

#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace {

using k4codec::Format;
using k4d3dx::ComRef;
using k4d3dx::toHresult;

// The file into `bytes` (its memory reused), its length into `size`. Files
// that cannot be opened, and empty ones, count as undecodable, as in d3dx9.
HRESULT readFile(LPCSTR path, std::vector<uint8_t>* bytes, size_t* size) {
    const k4codec::HResult result = k4codec::readFileInto(path, bytes, size);
    if (result == k4codec::kOk && *size == 0) {
        return D3DXERR_INVALIDDATA;
    }
    return result == k4codec::kFileNotFound ? D3DXERR_INVALIDDATA : toHresult(result);
}

struct DeviceLimits {
    IDirect3D9* d3d = nullptr;
    D3DDEVICE_CREATION_PARAMETERS creation = {};
    D3DFORMAT adapterFormat = D3DFMT_X8R8G8B8;
    D3DCAPS9 caps = {};
};

// The buffers of finished loads, kept for the next ones: at most four, each
// from 1 MiB (smaller ones are cheap to make), 64 MiB in all (a 4096 x 4096
// picture, or a 2048 x 2048 one with its file and the next picture's).
class SpareBuffers {
public:
    // The smallest spare that holds `bytes`, or an empty buffer.
    std::vector<uint8_t> take(size_t bytes) {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<uint8_t> taken;
        size_t best = kCount;
        for (size_t i = 0; i < kCount; ++i) {
            const size_t room = spares_[i].capacity();
            if (room >= bytes && room > 0 && (best == kCount || room < spares_[best].capacity())) {
                best = i;
            }
        }
        if (best < kCount) {
            taken.swap(spares_[best]);
        }
        return taken;
    }
    // Keeps the buffer in place of the smallest spare when it is larger, then
    // lets the smallest ones go while the spares hold more than the limit.
    void give(std::vector<uint8_t>* buffer) {
        if (buffer->capacity() < kMinBytes || buffer->capacity() > kMaxTotal) {
            return;
        }
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<uint8_t>* smallest = &spares_[0];
        for (std::vector<uint8_t>& spare : spares_) {
            if (spare.capacity() < smallest->capacity()) {
                smallest = &spare;
            }
        }
        if (smallest->capacity() < buffer->capacity()) {
            smallest->swap(*buffer);
        }
        for (;;) {
            size_t total = 0;
            std::vector<uint8_t>* least = nullptr;
            for (std::vector<uint8_t>& spare : spares_) {
                total += spare.capacity();
                if (spare.capacity() > 0 &&
                    (least == nullptr || spare.capacity() < least->capacity())) {
                    least = &spare;
                }
            }
            if (total <= kMaxTotal) {
                break;
            }
            std::vector<uint8_t>().swap(*least);
        }
    }

private:
    static constexpr size_t kCount = 4;
    static constexpr size_t kMinBytes = 1u << 20;
    static constexpr size_t kMaxTotal = 64u << 20;
    std::mutex mutex_;
    std::vector<uint8_t> spares_[kCount];
};

// Never destroyed: a loader thread still ending while the process exits
// gives its buffers back after static objects are gone.
SpareBuffers& spareBuffers() {
    static SpareBuffers* const spares = new SpareBuffers();
    return *spares;
}

// The file read into the buffer of an earlier load where one has the room;
// the caller gives the buffer back to the spares when done.
HRESULT readFileReusing(LPCSTR path, std::vector<uint8_t>* bytes, size_t* size) {
    k4p::FileStatus status;
    *bytes = spareBuffers().take(k4p::getFileStatus(path, &status) ? status.size : 0);
    return readFile(path, bytes, size);
}

bool deviceCanCreate(const DeviceLimits& limits, Format format) {
    return SUCCEEDED(limits.d3d->CheckDeviceFormat(
        limits.creation.AdapterOrdinal, limits.creation.DeviceType, limits.adapterFormat, 0,
        D3DRTYPE_TEXTURE, static_cast<D3DFORMAT>(format)));
}

// The default size: each side rounded up to a power of two, then within the
// device's maximum, and square when the device wants square textures.
void defaultSize(const D3DCAPS9& caps, uint32_t fileWidth, uint32_t fileHeight, uint32_t* width,
                 uint32_t* height) {
    uint32_t w = k4codec::roundUpToPowerOfTwo(fileWidth);
    uint32_t h = k4codec::roundUpToPowerOfTwo(fileHeight);
    const uint32_t maxW = caps.MaxTextureWidth ? caps.MaxTextureWidth : k4codec::kMaxDimension;
    const uint32_t maxH = caps.MaxTextureHeight ? caps.MaxTextureHeight : k4codec::kMaxDimension;
    while (w > maxW && w > 1) {
        w >>= 1;
    }
    while (h > maxH && h > 1) {
        h >>= 1;
    }
    if ((caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0) {
        w = h = w > h ? w : h;
    }
    *width = w;
    *height = h;
}

HRESULT fillTexture(IDirect3DTexture9* texture, const k4codec::Image& image) {
    for (uint32_t level = 0; level < image.levels.size(); ++level) {
        D3DLOCKED_RECT locked;
        const HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr)) {
            return hr;
        }
        k4d3dx::copyToLocked(locked, image.format, k4codec::levelSize(image.width, level),
                             k4codec::levelSize(image.height, level), image.levels[level].data());
        texture->UnlockRect(level);
    }
    return S_OK;
}

// The texture's levels from `first` on, blank as in a new texture.
HRESULT blankLevels(IDirect3DTexture9* texture, uint32_t first) {
    D3DSURFACE_DESC desc;
    HRESULT hr = texture->GetLevelDesc(0, &desc);
    const Format format = static_cast<Format>(desc.Format);
    for (uint32_t level = first; SUCCEEDED(hr) && level < texture->GetLevelCount(); ++level) {
        D3DLOCKED_RECT locked;
        hr = texture->LockRect(level, &locked, nullptr, 0);
        if (SUCCEEDED(hr)) {
            const size_t pitch = static_cast<size_t>(
                k4codec::formatRowPitch(format, k4codec::levelSize(desc.Width, level)));
            const uint32_t rows =
                k4codec::formatRowCount(format, k4codec::levelSize(desc.Height, level));
            uint8_t* bits = static_cast<uint8_t*>(locked.pBits);
            for (uint32_t y = 0; y < rows; ++y) {
                std::memset(bits + static_cast<ptrdiff_t>(y) * locked.Pitch, 0, pitch);
            }
            texture->UnlockRect(level);
        }
    }
    return hr;
}

bool outOfMemory(HRESULT hr) {
    return hr == E_OUTOFMEMORY || hr == D3DERR_OUTOFVIDEOMEMORY;
}

// The device's adapter, caps and display format, as CheckDeviceFormat wants
// them.
HRESULT queryLimits(IDirect3DDevice9* device, DeviceLimits* limits) {
    HRESULT hr = device->GetDirect3D(&limits->d3d);
    if (FAILED(hr)) {
        return hr;
    }
    D3DDISPLAYMODE mode;
    if (SUCCEEDED(device->GetDisplayMode(0, &mode))) {
        limits->adapterFormat = mode.Format;
    }
    hr = device->GetCreationParameters(&limits->creation);
    if (SUCCEEDED(hr)) {
        hr = device->GetDeviceCaps(&limits->caps);
    }
    if (FAILED(hr)) {
        limits->d3d->Release();
        limits->d3d = nullptr;
    }
    return hr;
}

uint32_t chainLevels(const D3DCAPS9& caps, uint32_t width, uint32_t height) {
    return (caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0 ? k4codec::fullMipCount(width, height)
                                                            : 1;
}

} // namespace

extern "C" HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo) {
    if (pSrcFile == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::vector<uint8_t> bytes;
    size_t size = 0;
    HRESULT hr = readFile(pSrcFile, &bytes, &size);
    if (FAILED(hr)) {
        return hr;
    }
    k4codec::ImageInfo info;
    hr = toHresult(k4codec::readImageHeader(bytes.data(), size, &info));
    if (FAILED(hr)) {
        return hr;
    }
    if (pSrcInfo != nullptr) {
        pSrcInfo->Width = info.width;
        pSrcInfo->Height = info.height;
        pSrcInfo->Depth = info.depth;
        pSrcInfo->MipLevels = info.mipLevels;
        pSrcInfo->Format = static_cast<D3DFORMAT>(info.format);
        pSrcInfo->ResourceType = static_cast<D3DRESOURCETYPE>(info.resourceType);
        pSrcInfo->ImageFileFormat = static_cast<D3DXIMAGE_FILEFORMAT>(info.fileType);
    }
    return S_OK;
}

extern "C" HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                                     LPDIRECT3DTEXTURE9* ppTexture) {
    return k4d3dx::createTextureFromFile(pDevice, pSrcFile, ppTexture, nullptr);
}

HRESULT k4d3dx::queryTextureTarget(IDirect3DDevice9* device, TextureTarget* target) {
    if (device == nullptr || target == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    DeviceLimits limits;
    HRESULT hr = queryLimits(device, &limits);
    if (FAILED(hr)) {
        return hr;
    }
    ComRef<IDirect3D9> d3d(limits.d3d);
    try {
        TextureTarget made;
        made.caps = limits.caps;
        for (Format format = 1; format < 256; ++format) {
            if (k4codec::isConvertible(format) && deviceCanCreate(limits, format)) {
                made.creatable.push_back(format);
            }
        }
        for (const char* fourCC : {"DXT1", "DXT2", "DXT3", "DXT4", "DXT5"}) {
            const Format format = static_cast<Format>(fourCC[0] | (fourCC[1] << 8) |
                                                      (fourCC[2] << 16) | (fourCC[3] << 24));
            if (k4codec::isConvertible(format) && deviceCanCreate(limits, format)) {
                made.creatable.push_back(format);
            }
        }
        *target = std::move(made);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT k4d3dx::decodeTextureFile(const TextureTarget& target, const char* path,
                                  DecodedTexture* decoded) {
    if (path == nullptr || decoded == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    try {
        std::vector<uint8_t> bytes;
        size_t size = 0;
        HRESULT hr = readFileReusing(path, &bytes, &size);
        if (FAILED(hr)) {
            spareBuffers().give(&bytes);
            return hr;
        }
        DecodedTexture made;
        k4codec::ImageInfo header;
        if (k4codec::readImageHeader(bytes.data(), size, &header) == k4codec::kOk &&
            header.fileType == k4codec::FileType::Png) {
            made.source.levels.resize(1);
            made.source.levels[0] =
                spareBuffers().take(static_cast<size_t>(header.width) * header.height * 4);
        }
        const k4codec::HResult read =
            k4codec::readImage(bytes.data(), size, &made.source, &made.info);
        spareBuffers().give(&bytes);
        if (read == k4codec::kTooLarge) {
            decoded->info = made.info; // its sides, for the caller's message
            return read;
        }
        hr = toHresult(read);
        if (FAILED(hr)) {
            return hr;
        }
        uint32_t width, height;
        defaultSize(target.caps, made.source.width, made.source.height, &width, &height);
        made.levels = chainLevels(target.caps, width, height);
        hr = D3DERR_NOTAVAILABLE;
        for (const Format format :
             k4codec::textureFormatCandidates(made.info.format, made.source.format)) {
            if (std::find(target.creatable.begin(), target.creatable.end(), format) ==
                target.creatable.end()) {
                continue;
            }
            const size_t held = made.source.levels.size();
            const uint32_t now = static_cast<uint32_t>(held < made.levels ? held : made.levels);
            if (width == made.source.width && height == made.source.height &&
                format == made.source.format) {
                // The file's levels are the texture's (no copy); the rest are
                // made from them as from the file.
                made.texture = std::move(made.source);
                made.texture.levels.resize(now);
                made.source = k4codec::Image();
            } else {
                hr = toHresult(
                    k4codec::resizeImage(made.source, width, height, now, format, &made.texture));
                if (FAILED(hr)) {
                    return hr;
                }
            }
            if (made.complete()) {
                made.source = k4codec::Image();
            }
            *decoded = std::move(made);
            return S_OK;
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT k4d3dx::createDecodedTexture(IDirect3DDevice9* device, const DecodedTexture& decoded,
                                     IDirect3DTexture9** texture) {
    if (device == nullptr || texture == nullptr || decoded.texture.levels.empty()) {
        return D3DERR_INVALIDCALL;
    }
    ComRef<IDirect3DTexture9> made;
    HRESULT hr = device->CreateTexture(
        decoded.texture.width, decoded.texture.height, decoded.levels, 0,
        static_cast<D3DFORMAT>(decoded.texture.format), D3DPOOL_MANAGED, made.out(), nullptr);
    if (SUCCEEDED(hr)) {
        hr = fillTexture(made.get(), decoded.texture);
    }
    if (SUCCEEDED(hr)) {
        *texture = made.detach();
    }
    return hr;
}

k4d3dx::DecodedTexture::~DecodedTexture() {
    for (k4codec::Image* image : {&source, &texture}) {
        if (!image->levels.empty()) {
            spareBuffers().give(&image->levels[0]);
        }
    }
}

HRESULT k4d3dx::refillDecodedTexture(IDirect3DTexture9* texture, const DecodedTexture& decoded) {
    D3DSURFACE_DESC desc;
    if (texture == nullptr || decoded.texture.levels.empty() ||
        texture->GetLevelCount() != decoded.levels || FAILED(texture->GetLevelDesc(0, &desc)) ||
        desc.Width != decoded.texture.width || desc.Height != decoded.texture.height ||
        desc.Format != static_cast<D3DFORMAT>(decoded.texture.format)) {
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = fillTexture(texture, decoded.texture);
    // The levels below, blank as in a new texture (they held another picture).
    if (SUCCEEDED(hr)) {
        hr = blankLevels(texture, static_cast<uint32_t>(decoded.texture.levels.size()));
    }
    return hr;
}

HRESULT k4d3dx::completeTextureLevels(DecodedTexture* decoded) {
    if (decoded == nullptr || decoded->texture.levels.empty()) {
        return D3DERR_INVALIDCALL;
    }
    if (decoded->complete()) {
        return S_OK;
    }
    if (decoded->source.levels.empty()) {
        // The texture's levels are the file's: the rest are added below them.
        return toHresult(k4codec::extendMipChain(&decoded->texture, decoded->levels));
    }
    k4codec::Image all;
    HRESULT hr = toHresult(k4codec::resizeImage(decoded->source, decoded->texture.width,
                                                decoded->texture.height, decoded->levels,
                                                decoded->texture.format, &all));
    if (SUCCEEDED(hr)) {
        decoded->texture = std::move(all);
        decoded->source = k4codec::Image();
    }
    return hr;
}

k4d3dx::DirectTexture::~DirectTexture() {
    spareBuffers().give(&bytes);
}

HRESULT k4d3dx::planDirectTexture(const TextureTarget& target, const char* path,
                                  DirectTexture* plan) {
    if (path == nullptr || plan == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    try {
        const HRESULT hr = readFileReusing(path, &plan->bytes, &plan->size);
        Format decoded = k4codec::kFmtUnknown;
        if (FAILED(hr) || k4codec::pngReadDecodedFormat(plan->bytes.data(), plan->size, &plan->info,
                                                        &decoded) != k4codec::kOk) {
            return S_FALSE; // the usual way tells what is wrong
        }
        defaultSize(target.caps, plan->info.width, plan->info.height, &plan->width, &plan->height);
        for (const Format format : k4codec::textureFormatCandidates(plan->info.format, decoded)) {
            if (std::find(target.creatable.begin(), target.creatable.end(), format) !=
                target.creatable.end()) {
                if (format != decoded || plan->width != plan->info.width ||
                    plan->height != plan->info.height) {
                    return S_FALSE;
                }
                plan->format = format;
                plan->levels = chainLevels(target.caps, plan->width, plan->height);
                return S_OK;
            }
        }
        return S_FALSE;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT k4d3dx::decodeDirectTexture(const DirectTexture& plan, const D3DLOCKED_RECT& locked,
                                    DecodedTexture* decoded) {
    if (decoded == nullptr || locked.pBits == nullptr || locked.Pitch <= 0 || plan.levels == 0) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = toHresult(
        k4codec::pngReadInto(plan.bytes.data(), plan.size, static_cast<uint8_t*>(locked.pBits),
                             static_cast<size_t>(locked.Pitch), plan.width, plan.height, nullptr));
    if (SUCCEEDED(hr)) {
        DecodedTexture made;
        made.info = plan.info;
        made.texture.width = plan.width;
        made.texture.height = plan.height;
        made.texture.format = plan.format;
        made.levels = plan.levels;
        *decoded = std::move(made);
    }
    return hr;
}

HRESULT k4d3dx::readTopLevelRows(IDirect3DTexture9* texture, uint32_t first, uint32_t count,
                                 DecodedTexture* decoded) {
    if (texture == nullptr || decoded == nullptr || decoded->texture.levels.size() > 1) {
        return D3DERR_INVALIDCALL;
    }
    k4codec::Image& top = decoded->texture;
    const size_t row = static_cast<size_t>(top.width) * 4;
    if (first >= top.height || k4codec::formatRowPitch(top.format, top.width) != row) {
        return D3DERR_INVALIDCALL;
    }
    count = std::min(count, top.height - first);
    try {
        if (top.levels.empty()) {
            top.levels.push_back(spareBuffers().take(row * top.height));
            top.levels[0].resize(row * top.height);
        }
    } catch (const std::bad_alloc&) {
        top.levels.clear();
        return E_OUTOFMEMORY;
    }
    const RECT rows = {0, static_cast<LONG>(first), static_cast<LONG>(top.width),
                       static_cast<LONG>(first + count)};
    D3DLOCKED_RECT locked;
    const HRESULT hr = texture->LockRect(0, &locked, &rows, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        return hr;
    }
    for (uint32_t y = 0; y < count; ++y) {
        std::memcpy(top.levels[0].data() + (first + y) * row,
                    static_cast<const uint8_t*>(locked.pBits) +
                        static_cast<ptrdiff_t>(y) * locked.Pitch,
                    row);
    }
    texture->UnlockRect(0);
    return S_OK;
}

HRESULT k4d3dx::blankTextureLevels(IDirect3DTexture9* texture, uint32_t first) {
    return texture != nullptr ? blankLevels(texture, first) : D3DERR_INVALIDCALL;
}

HRESULT k4d3dx::createTextureFromFile(IDirect3DDevice9* pDevice, const char* pSrcFile,
                                      IDirect3DTexture9** ppTexture, k4codec::ImageInfo* pInfo) {
    if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    DeviceLimits limits;
    HRESULT hr = queryLimits(pDevice, &limits);
    if (FAILED(hr)) {
        return hr;
    }
    ComRef<IDirect3D9> d3d(limits.d3d);

    std::vector<uint8_t> bytes;
    size_t size = 0;
    hr = readFile(pSrcFile, &bytes, &size);
    if (FAILED(hr)) {
        return hr;
    }
    k4codec::Image decoded;
    k4codec::ImageInfo info;
    hr = toHresult(k4codec::readImage(bytes.data(), size, &decoded, &info));
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<uint8_t>().swap(bytes);

    uint32_t width, height;
    defaultSize(limits.caps, decoded.width, decoded.height, &width, &height);
    const uint32_t levels = chainLevels(limits.caps, width, height);
    std::vector<Format> candidates;
    try {
        candidates = k4codec::textureFormatCandidates(info.format, decoded.format);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    hr = D3DERR_NOTAVAILABLE;
    for (const Format format : candidates) {
        if (!deviceCanCreate(limits, format)) {
            continue;
        }
        k4codec::Image image;
        hr = toHresult(k4codec::resizeImage(decoded, width, height, levels, format, &image));
        if (FAILED(hr)) {
            return hr;
        }
        ComRef<IDirect3DTexture9> texture;
        hr = pDevice->CreateTexture(width, height, levels, 0, static_cast<D3DFORMAT>(format),
                                    D3DPOOL_MANAGED, texture.out(), nullptr);
        if (SUCCEEDED(hr)) {
            hr = fillTexture(texture.get(), image);
            if (SUCCEEDED(hr)) {
                *ppTexture = texture.detach();
                if (pInfo != nullptr) {
                    *pInfo = info;
                }
            }
            return hr;
        }
        // A format the device lists may still refuse this size (DXT below
        // 4x4 on some devices): try the next one.
        if (outOfMemory(hr)) {
            return hr;
        }
    }
    return hr;
}
