// Output types, size presets, pixel formats and Best Match (see output_tables.h).
#include "export/output_tables.h"

namespace k4export {

namespace {

struct TypeRow {
    const char* label;
    const char* gameFolder;
    const char* prefix;
    uint32_t levelCount;
    bool fileThumbnail;
    float thumbnailAspect;
};

constexpr TypeRow kTypes[kTypeCount] = {
    {"Static Overlays", "data\\textures\\overlays\\", "overlay_", 1, true, 16.0f / 9.0f},
    {"Animated Overlays", "data\\textures\\overlays\\", "overlay_", 1, false, 16.0f / 9.0f},
    {"Backdrops", "data\\textures\\backdrops\\", "bd_", 0, true, 4.0f},
    {"Textures", kTextureRoot, "", 0, false, 0.0f},
};

enum class SizeRule {
    Fixed,  // the preset's own width and height
    Source, // the source's size ("Nearest Power of 2": the loader already rounded it)
    Ratio,  // the longer side kept, the shorter from the whole-number ratio
};

struct SizeRow {
    const char* label;
    SizeRule rule;
    uint32_t width;
    uint32_t height;
};

constexpr SizeRow kOverlaySizes[] = {
    {"Online Quality (512x256)", SizeRule::Fixed, 512, 256},
    {"High Quality (1024x512)", SizeRule::Fixed, 1024, 512},
    {"Nearest Power of 2", SizeRule::Source, 0, 0},
};
constexpr SizeRow kBackdropSizes[] = {
    {"Standard (1024x256)", SizeRule::Fixed, 1024, 256},
    {"Nearest Power of 2", SizeRule::Source, 0, 0},
};
// The pixel count in the labels is not used: the ratio rule decides.
constexpr SizeRow kTextureSizes[] = {
    {"Nearest Power of 2", SizeRule::Source, 0, 0}, {"1024 pixels", SizeRule::Ratio, 0, 0},
    {"512 pixels", SizeRule::Ratio, 0, 0},          {"256 pixels", SizeRule::Ratio, 0, 0},
    {"128 pixels", SizeRule::Ratio, 0, 0},          {"64 pixels", SizeRule::Ratio, 0, 0},
    {"32 pixels", SizeRule::Ratio, 0, 0},
};

struct SizeList {
    const SizeRow* rows;
    int32_t count;
};

template <size_t N> constexpr SizeList listOf(const SizeRow (&rows)[N]) {
    return {rows, static_cast<int32_t>(N)};
}

constexpr SizeList kSizeLists[kTypeCount] = {listOf(kOverlaySizes), listOf(kOverlaySizes),
                                             listOf(kBackdropSizes), listOf(kTextureSizes)};

struct FormatRow {
    const char* label;
    Format format;
};

constexpr FormatRow kFormats[kFormatCount] = {
    {"DXT1 (on/off transparency)", k4codec::kFmtDXT1},
    {"DXT3 (basic transparency)", k4codec::kFmtDXT3},
    {"DXT5 (full transparency)", k4codec::kFmtDXT5},
    {"32-bit ARGB (full transparency)", k4codec::kFmtA8R8G8B8},
    {"24-bit RGB (no transparency)", k4codec::kFmtR8G8B8},
    {"16-bit ARGB (basic transparency)", k4codec::kFmtA4R4G4B4},
    {"16-bit ARGB (on/off transparency)", k4codec::kFmtA1R5G5B5},
    {"16-bit RGB (no transparency)", k4codec::kFmtR5G6B5},
    {"16-bit Grayscale (full transparency)", k4codec::kFmtA8L8},
    {"8-bit RGB (no transparency)", k4codec::kFmtR3G3B2},
    {"8-bit Grayscale (basic transparency)", k4codec::kFmtA4L4},
    {"8-bit Grayscale (no transparency)", k4codec::kFmtL8},
};

const TypeRow& typeRow(int32_t type) {
    return kTypes[checkedType(type)];
}

} // namespace

int32_t checkedType(int32_t type) {
    return type >= 0 && type < kTypeCount ? type : kTextures;
}

const char* typeLabel(int32_t type) {
    return typeRow(type).label;
}

const char* typeGameFolder(int32_t type) {
    return typeRow(type).gameFolder;
}

const char* typePrefix(int32_t type) {
    return typeRow(type).prefix;
}

uint32_t typeLevelCount(int32_t type) {
    return typeRow(type).levelCount;
}

bool typeHasFileThumbnail(int32_t type) {
    return typeRow(type).fileThumbnail;
}

float typeThumbnailAspect(int32_t type) {
    return typeRow(type).thumbnailAspect;
}

int32_t sizeCount(int32_t type) {
    return kSizeLists[checkedType(type)].count;
}

const char* sizeLabel(int32_t type, int32_t index) {
    const SizeList& list = kSizeLists[checkedType(type)];
    return index >= 0 && index < list.count ? list.rows[index].label : nullptr;
}

int32_t ownSizeIndex(int32_t type) {
    const SizeList& list = kSizeLists[checkedType(type)];
    int32_t index = 0;
    while (index + 1 < list.count && list.rows[index].rule != SizeRule::Source) {
        ++index;
    }
    return index;
}

const char* formatLabel(int32_t index) {
    return index >= 0 && index < kFormatCount ? kFormats[index].label : nullptr;
}

Format formatFromIndex(int32_t index) {
    return index >= 0 && index < kFormatCount ? kFormats[index].format : kBestMatch;
}

Format formatFromBatchIndex(int32_t listIndex) {
    return listIndex >= 1 ? formatFromIndex(listIndex - 1) : kBestMatch;
}

Format chooseFormat(Format chosen, const SourceDesc& source) {
    if (chosen != kBestMatch) {
        return chosen;
    }
    switch (source.format) {
    case k4codec::kFmtA8R8G8B8:
    case k4codec::kFmtA8R3G3B2:
    case k4codec::kFmtA8B8G8R8:
    case k4codec::kFmtA16B16G16R16:
    case k4codec::kFmtA8P8:
    case k4codec::kFmtA8L8:
    case k4codec::kFmtDXT4:
    case k4codec::kFmtDXT5:
        return k4codec::kFmtDXT5;
    case k4codec::kFmtA4R4G4B4:
    case k4codec::kFmtA2B10G10R10:
    case k4codec::kFmtA2R10G10B10:
    case k4codec::kFmtA4L4:
    case k4codec::kFmtDXT2:
    case k4codec::kFmtDXT3:
        return k4codec::kFmtDXT3;
    default:
        return k4codec::kFmtDXT1;
    }
}

OutputSize outputSize(int32_t type, int32_t sizeIndex, const SourceDesc& source) {
    const SizeList& list = kSizeLists[checkedType(type)];
    const SizeRow& row = list.rows[sizeIndex >= 0 && sizeIndex < list.count ? sizeIndex : 0];
    const uint32_t w = source.width;
    const uint32_t h = source.height;
    switch (row.rule) {
    case SizeRule::Fixed:
        return {row.width, row.height};
    case SizeRule::Source:
        return {w, h};
    case SizeRule::Ratio:
        break;
    }
    if (w == 0 || h == 0) {
        return {w, h}; // no ratio to take; the division would trap
    }
    if (w >= h) {
        return {w, w / (w / h)};
    }
    return {h / (h / w), h};
}

} // namespace k4export
