// What loading an image file as a texture does to the decoded picture: the
// sizes, level counts and formats the texture may take, and the resize that
// gives it them. The defaults are those of D3DXCreateTextureFromFile: each
// side rounded up to a power of two, a complete mip chain, and the decoded
// format of the file. Levels that a DDS file holds are kept as they are when
// the size does not change (each is scaled from its own level when it does);
// the levels below them are made with the box filter of mips.h.
#pragma once

#include "codec/image.h"

#include <cstdint>
#include <vector>

namespace k4codec {

uint32_t roundUpToPowerOfTwo(uint32_t value);

// The formats a texture loaded from a file may take, best first: the file's
// own format (`file`, as ImageInfo gives it) when the codec converts it, then
// formats with the same channels, ending in A8R8G8B8, which every device has.
// `decoded` is the format the file decodes into (for a palette, and for a
// format the codec only decodes, such as BC7 or R16F, it tells whether there
// is alpha). The first entry is the format a device that creates every
// format holds the texture in. Throws std::bad_alloc.
std::vector<Format> textureFormatCandidates(Format file, Format decoded);

// Changes the size, level count and format of a decoded image the same way:
// kept levels are copied (or scaled each from its own), the rest built.
HResult resizeImage(const Image& src, uint32_t width, uint32_t height, uint32_t mipLevels,
                    Format format, Image* dst);

// Adds the levels below those `image` holds, down to `mipLevels`, each the
// box filter of the one above: the levels resizeImage builds for the same
// size and format, without copying the levels held. Leaves `image` as it
// was on failure.
HResult extendMipChain(Image* image, uint32_t mipLevels);

} // namespace k4codec
