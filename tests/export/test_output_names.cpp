// Output file names of every type, from typed names and from source files.
#include "export/output_names.h"
#include "foundation/errors.h"
#include "tests/support/checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace k4export;

namespace {

// A run over `count` short file names, the last ones replaced by the
// space-separated names of `last` when given.
struct TestRun {
    K4QBFileList list;
    ExportSettings settings;
    TestRun(int32_t type, const char* fileName, int count, const char* last = nullptr,
            int32_t start = 0, int32_t maxCount = 100) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back("f" + std::to_string(i));
        }
        std::istringstream replaced(last != nullptr ? last : "");
        std::vector<std::string> tail{std::istream_iterator<std::string>(replaced), {}};
        std::copy(tail.begin(), tail.end(), names.end() - tail.size());
        for (const std::string& name : names) {
            list.append(nullptr, name.c_str(), "");
        }
        settings = {type, 0, nullptr, nullptr, fileName, &list, start, maxCount};
    }
};

const char* const kOriginal = kBasedOnOriginal;

} // namespace

TEST(ExportNames, NamesByType) {
    struct Row {
        int32_t type;
        const char* fileName;
        int count;
        const char* last;
        int32_t start, maxCount, source, frame;
        const char* expected;
    } rows[] = {
        {kStaticOverlays, "Sky Blue", 1, nullptr, 0, 100, 0, 0, "overlay_sky_blue_v00.dds"},
        {kStaticOverlays, "overlay_sky_v00", 1, nullptr, 0, 100, 0, 0, "overlay_sky_v00_v00.dds"},
        {kStaticOverlays, "overlay_sky_v5", 1, nullptr, 0, 100, 0, 0, "overlay_sky_v00.dds"},
        // The prefix is compared with case; a long base is cut and numbered.
        {kStaticOverlays, kOriginal, 3, "Overlay_Sunset_Over_The_Hills.png", 0, 100, 2, 0,
         "overlay_overlay_sunset2_v00.dds"},
        {kAnimatedOverlays, "Fire", 5, nullptr, 0, 100, 0, 4, "overlay_fire_v04.dds"},
        {kAnimatedOverlays, "Fire", 5, nullptr, 98, 100, 0, 2, "overlay_fire_v00.dds"},
        {kAnimatedOverlays, kOriginal, 1, "overlay_Flame01.png", 0, 100, 0, 0,
         "overlay_flame01_v00.dds"},
        {kAnimatedOverlays, kOriginal, 1, "A_Very_Long_Flame_Name.png", 0, 100, 0, 0,
         "overlay_a_very_long_fla_v00.dds"}, // cut, never numbered
        {kBackdrops, "bd_city", 1, nullptr, 0, 100, 0, 0, "bd_city.dds"},
        {kBackdrops, kOriginal, 1, "Mountain_Range_At_Dawn.jpg", 0, 100, 0, 0,
         "bd_mountain_range_at_da0.dds"},
        {kTextures, "Wall.DDS", 1, nullptr, 0, 100, 0, 0, "wall_dds.dds"},
        {kTextures, kOriginal, 3, "abcdefghijklmnopqrstuvwxyz0123.png", 0, 100, 2, 0,
         "abcdefghijklmnopqrstuvwxyz2.dds"},
        // A run never writes two outputs to one file.
        {kStaticOverlays, "Sky", 3, nullptr, 0, 100, 2, 0, "overlay_sky2_v00.dds"},
        {kTextures, kOriginal, 3, "f0.png f01.png", 0, 100, 2, 0, "f012.dds"},
        {kAnimatedOverlays, "Fire", 5, nullptr, 90, 100, 0, 100, "overlay_fire_v190.dds"},
        {kAnimatedOverlays, "Fire", 5, nullptr, 150, 100, 0, 120, "overlay_fire_v170.dds"},
        {kAnimatedOverlays, "Fire", 5, nullptr, INT_MAX, 100, 0, 5, "overlay_fire_v2147483552.dds"},
        {kTextures, "CON", 1, nullptr, 0, 100, 0, 0, "con_.dds"}, // not the console device
        // Only the exact marker means "based on the original".
        {kTextures, "(Based on original) ", 1, nullptr, 0, 100, 0, 0, "_based_on_original__.dds"},
    };
    for (const Row& row : rows) {
        TestRun run(row.type, row.fileName, row.count, row.last, row.start, row.maxCount);
        K4CString name;
        makeFileName(run.settings, row.source, row.frame, &name);
        EXPECT_STREQ(name.getText(), row.expected);
    }
}

TEST(ExportNames, DigitWidthAndBadIndex) {
    struct Row {
        int32_t type, files, maxCount, digits;
    } rows[] = {{kStaticOverlays, 9, 100, 1},      {kStaticOverlays, 10, 100, 2},
                {kBackdrops, 0, 100, 1},           {kAnimatedOverlays, 1, 100, 2},
                {kAnimatedOverlays, 1, 1000, 3},   {kAnimatedOverlays, 150, 100, 3},
                {kAnimatedOverlays, 1, INT_MIN, 2}};
    for (const Row& row : rows) {
        TestRun run(row.type, "x", row.files, nullptr, 0, row.maxCount);
        EXPECT_EQ(digitWidth(run.settings), row.digits) << row.type << "/" << row.files;
    }
    TestRun run(kTextures, kOriginal, 3);
    K4CString name;
    EXPECT_THROWS_CODE(makeFileName(run.settings, 3, 0, &name), K4CEXC_INDEXOUTOFBOUNDS);
    run.settings.files = nullptr;
    EXPECT_THROWS_CODE(makeFileName(run.settings, 0, 0, &name), K4CEXC_INDEXOUTOFBOUNDS);
}
