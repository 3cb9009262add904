// DDS writer: all levels of an image in any format the codec converts (the
// twelve output formats, and the others a Direct3D texture may hold when it
// is saved: X8R8G8B8, A8B8G8R8, L16, DXT2 ...), with a legacy header as
// Direct3D's own tools write it: flags, pitch for uncompressed formats or
// linear size for DXT, mip count and caps when there are levels below the
// first; bit masks, or the FourCC where masks cannot describe the format
// (DXT1 to DXT5 by name, A16B16G16R16 by its D3DFORMAT number). Does not
// write DX10 headers, cube maps, volumes or palettes.
#include "codec/codec.h"
#include "codec/dds_format.h"
#include "codec/memory.h"

#include <cstring>

namespace k4codec {

namespace {

void describeFormat(Format format, DdsPixelFormat* pf) {
    std::memset(pf, 0, sizeof *pf);
    pf->size = sizeof(DdsPixelFormat);
    const FormatInfo* info = findFormat(format);
    if (info->compressed || info->bits > 32) {
        pf->flags = kDdpfFourCC;
        pf->fourCC = format;
        return;
    }
    const FormatMasks& m = info->masks;
    pf->rgbBitCount = info->bits;
    pf->rMask = static_cast<uint32_t>(m.r);
    pf->gMask = static_cast<uint32_t>(m.g);
    pf->bMask = static_cast<uint32_t>(m.b);
    pf->aMask = static_cast<uint32_t>(m.a);
    if (m.r == 0 && m.g == 0 && m.b == 0) {
        pf->flags = kDdpfAlpha;
    } else {
        pf->flags = (m.luminance ? kDdpfLuminance : kDdpfRgb) | (m.a != 0 ? kDdpfAlphaPixels : 0);
    }
}

} // namespace

HResult ddsWriteImage(const Image& image, std::vector<uint8_t>* bytes) {
    const uint32_t levels = static_cast<uint32_t>(image.levels.size());
    if (bytes == nullptr || !isConvertible(image.format) || image.width == 0 || image.height == 0 ||
        image.width > kMaxDimension || image.height > kMaxDimension || levels == 0 ||
        levels > fullMipCount(image.width, image.height)) {
        return kInvalidCall;
    }
    uint64_t total = 4 + sizeof(DdsHeader);
    for (uint32_t level = 0; level < levels; ++level) {
        const uint64_t expected = formatLevelBytes(image.format, levelSize(image.width, level),
                                                   levelSize(image.height, level));
        if (image.levels[level].size() != expected) {
            return kInvalidCall;
        }
        total += expected;
    }
    DdsHeader header;
    std::memset(&header, 0, sizeof header);
    header.size = sizeof(DdsHeader);
    header.flags = kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPixelFormat;
    header.width = image.width;
    header.height = image.height;
    if (isCompressed(image.format)) {
        header.flags |= kDdsdLinearSize;
        header.pitchOrLinearSize =
            static_cast<uint32_t>(formatLevelBytes(image.format, image.width, image.height));
    } else {
        header.flags |= kDdsdPitch;
        header.pitchOrLinearSize = static_cast<uint32_t>(formatRowPitch(image.format, image.width));
    }
    header.caps = kDdsCapsTexture;
    if (levels > 1) {
        header.flags |= kDdsdMipMapCount;
        header.mipMapCount = levels;
        header.caps |= kDdsCapsComplex | kDdsCapsMipMap;
    }
    describeFormat(image.format, &header.pixelFormat);
    std::vector<uint8_t> out;
    const HResult result = resizeBuffer(&out, static_cast<size_t>(total));
    if (result != kOk) {
        return result;
    }
    const uint32_t magic = kDdsMagic;
    std::memcpy(out.data(), &magic, 4);
    std::memcpy(out.data() + 4, &header, sizeof header);
    size_t offset = 4 + sizeof header;
    for (const std::vector<uint8_t>& level : image.levels) {
        std::memcpy(out.data() + offset, level.data(), level.size());
        offset += level.size();
    }
    bytes->swap(out);
    return kOk;
}

} // namespace k4codec
