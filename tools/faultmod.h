// A mod folder for the texture check: the same textures written cleanly (a
// mod that checks clean) or with faults planted, one file per rule, for
// tests, the demo run and the seeds of the check's fuzz target.
//
// The clean mod, below data\textures\: stone.dds (256x128 DXT1, full chain),
// brick.dds (64x64 DXT1), wall.dds (128x128 A8R8G8B8), backdrops\bd_city.dds
// (1024x256 DXT1 with its thumbnail), overlays\overlay_glow_v00.dds (512x256
// DXT5 with its thumbnail), and the series overlays\overlay_spark_v00 to v02
// and overlays\overlay_smoke_v00 to v02 (256x128 DXT5, each with the
// thumbnail of its first frame).
//
// Fixable faults, one per rule: wall.png in place of wall.dds (format),
// stone.dds at 300x200 (size), bd_city.dds with one level (levels),
// overlay_spark_v01.dds at 512x256 (series), Brick.dds for brick.dds (name),
// no thumbnail for overlay_glow_v00.dds (thumbnail). Every rule adds the
// faults no fix mends: a truncated broken.dds (unreadable), the smoke series
// without v02 but with v03 (series-gap), a thumbnail overlay_gone_v00.dds of
// no overlay (orphan-thumbnail). Links and invalid names depend on the file
// system; tests make those themselves.
//
// Pictures are patterned blocks, the same on every run. Shares no code with
// the codec (imgwrite writes the files).
#pragma once

#include <string>

namespace faultmod {

enum class Variant { Clean, Fixable, EveryRule };

// Writes the mod below `folder` (made when missing); false when a file
// cannot be written.
bool writeMod(const std::string& folder, Variant variant);

// The mod's files as the check's fuzz target reads its input: one line per
// file, tab-separated: the path below the mod, width, height, mip levels,
// the format's name ("PNG" for a PNG file) and "read" or "unreadable".
std::string seedText(Variant variant);

} // namespace faultmod
