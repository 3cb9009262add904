// The image panel's caption when the user looks closer: the panel's own
// "name (W by H)", then what the user asked to see: the stored format, level
// count and file size ("Show Texture Info"), the mip level shown when it is
// not the top one, that the device could not take the levels above it, and
// the format and PSNR of a compressed preview.
//
//   wall.dds (256 by 256) level 2 of 9: 64 by 64
//   bd_sunset_hills.dds (1024 by 256) DXT1, 11 levels, 128 KB
//   wall.png (256 by 256) DXT1: 38.4 dB RGB, alpha exact
#pragma once

#include "view/picture_compare.h"

#include <cstdint>
#include <string>

namespace k4view {

struct CaptionFacts {
    const char* name = "";
    uint32_t width = 0; // the picture's top level
    uint32_t height = 0;
    // Show Texture Info: the file's own pixel format (null: unknown), the
    // levels the file stores and its size in bytes.
    bool info = false;
    const char* storedFormat = nullptr;
    uint32_t fileLevels = 0;
    uint64_t fileBytes = 0;
    // The level shown (0 the top) of levelCount, and whether the level asked
    // for lies above what the device's texture holds.
    uint32_t level = 0;
    uint32_t levelCount = 1;
    bool levelLimited = false;
    // A compressed preview: the format's name ("DXT1"), null for the original.
    const char* compressedFormat = nullptr;
    PictureError error;
};

std::string previewCaption(const CaptionFacts& facts);

// "512 bytes", "128 KB" (rounded, at least 1), "3.5 MB".
std::string fileSizeText(uint64_t bytes);

// "38.4 dB" or "exact".
std::string psnrText(double psnr);

} // namespace k4view
