// The fixed tables of every texture the program writes: the four output
// types with their game folders, prefixes, mip levels and thumbnails, the
// size presets of each type, the twelve pixel formats offered with the
// Direct3D format each stands for, the Best Match rule and the output size.
//
// Formats are plain D3DFORMAT numbers (codec/formats.h), so these rules build
// and are tested without Direct3D; the Windows callers pass a texture's
// level 0 description in a SourceDesc. The layered save, the output options,
// the convert window, the batch export and qbtex take these tables from here
// and keep no copy. No state: any thread.
#pragma once

#include "codec/formats.h"

#include <cstdint>

namespace k4export {

// A D3DFORMAT value; 0 (D3DFMT_UNKNOWN) stands for Best Match.
using Format = k4codec::Format;
inline constexpr Format kBestMatch = k4codec::kFmtUnknown;

// Output types, in the order the type list shows them (not sorted). A type
// outside 0 to 3 is taken as kTextures by every function here: the type
// without prefix, thumbnail or fixed folder.
enum OutputType : int32_t {
    kStaticOverlays = 0,
    kAnimatedOverlays = 1,
    kBackdrops = 2,
    kTextures = 3,
};
inline constexpr int32_t kTypeCount = 4;

// The texture root of the game, the same literal for all types.
inline constexpr const char* kTextureRoot = "data\\textures\\";

// Thumbnails: 64 by 64, DXT5, one level, the source drawn over a band of the
// type's aspect across the full width.
inline constexpr uint32_t kThumbnailSize = 64;
inline constexpr Format kThumbnailFormat = k4codec::kFmtDXT5;

int32_t checkedType(int32_t type);
// "Static Overlays", "Animated Overlays", "Backdrops", "Textures".
const char* typeLabel(int32_t type);
// The game folder relative to the install folder, with a final backslash.
const char* typeGameFolder(int32_t type);
// "overlay_", "overlay_", "bd_", "".
const char* typePrefix(int32_t type);
// Mip levels the batch export writes: 1 for overlays, 0 (the full chain) for
// backdrops and textures.
uint32_t typeLevelCount(int32_t type);
// Whether each exported file gets a thumbnail of its own (static overlays and
// backdrops); an animated overlay run writes one thumbnail at its end.
bool typeHasFileThumbnail(int32_t type);
// The thumbnail band aspect: 16/9 for overlays, 4 for backdrops, 0 for
// textures (no thumbnail).
float typeThumbnailAspect(int32_t type);

// Size presets of a type. The first is selected whenever the type changes.
int32_t sizeCount(int32_t type);
// Null for an index outside the type's list.
const char* sizeLabel(int32_t type, int32_t index);
// The preset that keeps the source's own size ("Nearest Power of 2").
int32_t ownSizeIndex(int32_t type);

// Pixel formats offered to the user, in list order.
inline constexpr int32_t kFormatCount = 12;
// Null for an index outside 0 to 11.
const char* formatLabel(int32_t index);
// The Direct3D format of table index 0 to 11 (the layered save's list);
// any other index gives kBestMatch.
Format formatFromIndex(int32_t index);
// The batch options' list shows this first and then the twelve labels.
inline constexpr const char* kBestMatchLabel = "Best Match (DXT Compressed)";
// Its list index 1 to 12 gives formatFromIndex(index - 1); anything else,
// Best Match included, gives kBestMatch.
Format formatFromBatchIndex(int32_t listIndex);

// Level 0 of a source texture as the texture cache loaded it.
struct SourceDesc {
    uint32_t width = 0;
    uint32_t height = 0;
    Format format = k4codec::kFmtUnknown;
};

// The chosen format, or for kBestMatch DXT5, DXT3 or DXT1 by the alpha the
// source format carries (full, basic, or on/off and none).
Format chooseFormat(Format chosen, const SourceDesc& source);

struct OutputSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The output size of a size preset. An index outside the type's list (such as
// the -1 of an empty selection) counts as its first entry. The texture
// presets "1024 pixels" to "32 pixels" keep the longer side and make the
// shorter one the longer divided by the whole-number ratio of the two; a
// source with a zero side keeps its size.
OutputSize outputSize(int32_t type, int32_t sizeIndex, const SourceDesc& source);

} // namespace k4export
