// Output sizes, the format lists and Best Match.
#include "export/output_tables.h"

#include <gtest/gtest.h>

using namespace k4export;
using namespace k4codec;

TEST(ExportTables, OutputSizeByTypeAndPreset) {
    // The first entries (selected on a type change), presets, the ratio rule
    // (300 / (300 / 200) = 300 / 1), a source with no ratio to take, no
    // selection (the first entry) and an unknown type (a texture).
    struct Row {
        int32_t type, index;
        uint32_t sourceWidth, sourceHeight, width, height;
    } rows[] = {{kStaticOverlays, 0, 64, 64, 512, 256},   {kBackdrops, 0, 64, 64, 1024, 256},
                {kTextures, 0, 300, 200, 300, 200},       {kAnimatedOverlays, 1, 64, 64, 1024, 512},
                {kStaticOverlays, 2, 256, 128, 256, 128}, {kTextures, 1, 512, 128, 512, 128},
                {kTextures, 3, 300, 200, 300, 300},       {kTextures, 2, 200, 300, 300, 300},
                {kTextures, 4, 1000, 300, 1000, 333},     {kTextures, 5, 0, 64, 0, 64},
                {kStaticOverlays, -1, 8, 8, 512, 256},    {9, 3, 300, 200, 300, 300}};
    for (const Row& row : rows) {
        const OutputSize size =
            outputSize(row.type, row.index, {row.sourceWidth, row.sourceHeight});
        EXPECT_EQ(size.width, row.width) << row.type << "/" << row.index;
        EXPECT_EQ(size.height, row.height) << row.type << "/" << row.index;
    }
}

TEST(ExportTables, FormatListsAndBestMatch) {
    struct Pick {
        int32_t listIndex;
        Format format;
    } picks[] = {{0, kBestMatch}, {1, kFmtDXT1},    {4, kFmtA8R8G8B8},
                 {12, kFmtL8},    {13, kBestMatch}, {-1, kBestMatch}};
    for (const Pick& pick : picks) {
        EXPECT_EQ(formatFromBatchIndex(pick.listIndex), pick.format) << pick.listIndex;
    }
    struct Choice {
        Format chosen, source, result;
    } choices[] = {
        {kBestMatch, kFmtA8R8G8B8, kFmtDXT5}, {kBestMatch, kFmtA1R5G5B5, kFmtDXT1},
        {kBestMatch, kFmtA4R4G4B4, kFmtDXT3}, {kBestMatch, kFmtR8G8B8, kFmtDXT1},
        {kBestMatch, kFmtDXT4, kFmtDXT5},     {kBestMatch, kFmtA4L4, kFmtDXT3},
        {kBestMatch, kFmtA8, kFmtDXT1},       {kFmtR5G6B5, kFmtA8R8G8B8, kFmtR5G6B5},
    };
    for (const Choice& choice : choices) {
        EXPECT_EQ(chooseFormat(choice.chosen, {16, 16, choice.source}), choice.result)
            << choice.chosen << " from " << choice.source;
    }
}
