// The texture check's rules on headers made up in memory: the export's names
// and their limit, series with gaps, wraps and mixed frames, thumbnails and
// their owners, files that replace the game's, and fixes that are refused.
#include "codec/formats.h"
#include "export/texture_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace k4export;

namespace {

CheckedFile dds(const std::string& path, uint32_t width, uint32_t height, uint32_t levels,
                k4codec::Format format = k4codec::kFmtDXT5) {
    CheckedFile file;
    file.path = "data\\textures\\" + path;
    file.header.dds = true;
    file.header.width = width;
    file.header.height = height;
    file.header.levels = levels;
    file.header.format = file.header.loadedFormat = format;
    file.header.formatText = k4codec::formatName(format);
    return file;
}

CheckedFile overlay(const std::string& name, uint32_t width = 256, uint32_t height = 128) {
    return dds("overlays\\" + name, width, height, 1);
}

CheckedFile thumbnail(const std::string& path) {
    return dds(path, 64, 64, 1);
}

// "rule path" of every finding, in report order.
std::vector<std::string> found(const std::vector<CheckedFile>& files,
                               const GameNames* game = nullptr, CheckReport* out = nullptr) {
    CheckReport report;
    checkTextures(files, game, &report);
    std::vector<std::string> lines;
    for (const Finding& finding : report.findings) {
        lines.push_back(std::string(ruleName(finding.rule)) + " " +
                        finding.path.substr(std::string("data\\textures\\").size()));
    }
    if (out != nullptr) {
        *out = report;
    }
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(TextureCheck, FoldersAndTheExportsNames) {
    EXPECT_EQ(textureKind("Data\\Textures\\Overlays\\x.dds"), TextureKind::Overlay);
    EXPECT_EQ(textureKind("data\\textures\\overlays\\overlay_thumbnails\\x.dds"),
              TextureKind::OverlayThumbnail);
    EXPECT_EQ(textureKind("data\\textures\\thumbs\\backdrops\\th_x.dds"),
              TextureKind::BackdropThumbnail);
    EXPECT_EQ(textureKind("data\\textures\\thumbs\\x.dds"), TextureKind::Texture);
    EXPECT_EQ(textureKind("data\\other\\x.dds"), TextureKind::Outside);
    const struct {
        TextureKind kind;
        const char* name;
        const char* expected;
    } rows[] = {
        {TextureKind::Texture, "Wall Big.DDS", "wall_big.dds"},
        {TextureKind::Texture, "wall.png", "wall.dds"},
        {TextureKind::Overlay, "fire.dds", "overlay_fire_v00.dds"},
        {TextureKind::Overlay, "overlay_fire_v3.dds", "overlay_fire_v03.dds"},
        {TextureKind::Overlay, "Overlay_Fire_v112.dds", "overlay_fire_v112.dds"},
        {TextureKind::Overlay, "overlay_a_very_long_flame_name_v07.dds",
         "overlay_a_very_long_fla_v07.dds"}, // the middle is cut, the frame kept
        {TextureKind::Backdrop, "City.png", "bd_city.dds"},
        {TextureKind::BackdropThumbnail, "bd_city.dds", "th_bd_city.dds"},
        {TextureKind::BackdropThumbnail, "TH_BD_City.dds", "th_bd_city.dds"},
        {TextureKind::Texture, ".dds", ""},
        {TextureKind::Overlay, "x_v1234567890123456789012345.dds", ""}, // no room
    };
    for (const auto& row : rows) {
        EXPECT_EQ(exportName(row.kind, row.name), row.expected) << row.name;
    }
}

TEST(TextureCheck, NamesUpTo31CharactersPassAndLongerOnesAreCut) {
    const std::string name31 = std::string(27, 'a') + ".dds";
    const std::string name32 = std::string(28, 'b') + ".dds";
    CheckReport report;
    EXPECT_EQ(found({dds(name31, 64, 64, 7), dds(name32, 64, 64, 7)}, nullptr, &report),
              (Lines{"name " + name32}));
    EXPECT_EQ(report.findings[0].severity, Severity::Warning);
    EXPECT_NE(report.findings[0].detail.find("longer than 31 characters"), std::string::npos);
    ASSERT_EQ(report.fixes.size(), 1u);
    EXPECT_EQ(report.fixes[0].outputs[0].path, "data\\textures\\" + std::string(27, 'b') + ".dds");
}

TEST(TextureCheck, EachFileAgainstItsFolder) {
    CheckReport report;
    EXPECT_EQ(found({dds("stone.dds", 300, 200, 9, k4codec::kFmtDXT1),
                     dds("flat.dds", 64, 64, 1, k4codec::kFmtX8R8G8B8),
                     overlay("overlay_sky_v00.dds", 512, 256),
                     dds("overlays\\overlay_deep_v00.dds", 512, 256, 10),
                     thumbnail("overlays\\overlay_thumbnails\\overlay_sky_v00.dds"),
                     thumbnail("overlays\\overlay_thumbnails\\overlay_deep_v00.dds")},
                    nullptr, &report),
              (Lines{"format flat.dds", "levels flat.dds", "levels overlays\\overlay_deep_v00.dds",
                     "size stone.dds"}));
    // One action per file, with what the export writes: the size rounded up
    // as the loader does, Best Match for a format outside the twelve, one
    // level for overlays.
    ASSERT_EQ(report.fixes.size(), 3u);
    const FixOutput& stone = report.fixes[0].outputs[0];
    EXPECT_EQ(stone.width, 512u);
    EXPECT_EQ(stone.height, 256u);
    EXPECT_EQ(stone.levels, 10u);
    EXPECT_EQ(report.fixes[0].originals, (std::vector<std::string>{"data\\textures\\stone.dds"}));
    const FixOutput& flat = report.fixes[1].outputs[0];
    EXPECT_EQ(flat.format, k4codec::kFmtDXT1);
    EXPECT_EQ(flat.levels, 7u);
    EXPECT_EQ(report.fixes[2].outputs[0].levels, 1u);
}

TEST(TextureCheck, SeriesGapsWrapsAndMixedFrames) {
    const std::string thumbs = "overlays\\overlay_thumbnails\\";
    // 00, 01, 03: one gap, reported once at the first frame.
    CheckReport report;
    EXPECT_EQ(found({overlay("overlay_a_v00.dds"), overlay("overlay_a_v01.dds"),
                     overlay("overlay_a_v03.dds"), thumbnail(thumbs + "overlay_a_v00.dds")},
                    nullptr, &report),
              (Lines{"series-gap overlays\\overlay_a_v00.dds"}));
    EXPECT_NE(report.findings[0].detail.find("missing: 02"), std::string::npos);
    EXPECT_EQ(report.findings[0].fix, -1);
    // A run from Start 97 wraps to 00: whole, first frame 97.
    EXPECT_EQ(found({overlay("overlay_b_v97.dds"), overlay("overlay_b_v98.dds"),
                     overlay("overlay_b_v99.dds"), overlay("overlay_b_v00.dds"),
                     overlay("overlay_b_v01.dds"), thumbnail(thumbs + "overlay_b_v97.dds")}),
              Lines{});
    // The game's frames close a gap.
    const GameNames game{"data\\textures\\overlays\\overlay_a_v02.dds"};
    EXPECT_EQ(found({overlay("overlay_a_v00.dds"), overlay("overlay_a_v01.dds"),
                     overlay("overlay_a_v03.dds"), thumbnail(thumbs + "overlay_a_v00.dds")},
                    &game),
              Lines{});
    // A frame of another size or format is rewritten like the others.
    EXPECT_EQ(found({overlay("overlay_c_v00.dds"), overlay("overlay_c_v01.dds", 512, 256),
                     overlay("overlay_c_v02.dds"),
                     dds("overlays\\overlay_c_v03.dds", 256, 128, 1, k4codec::kFmtDXT1),
                     thumbnail(thumbs + "overlay_c_v00.dds")},
                    nullptr, &report),
              (Lines{"series overlays\\overlay_c_v01.dds", "series overlays\\overlay_c_v03.dds"}));
    ASSERT_EQ(report.fixes.size(), 2u);
    EXPECT_EQ(report.fixes[0].outputs[0].width, 256u);
    EXPECT_EQ(report.fixes[1].outputs[0].format, k4codec::kFmtDXT5);
}

TEST(TextureCheck, ThumbnailsBelongToTextures) {
    CheckReport report;
    EXPECT_EQ(found({dds("backdrops\\bd_sea.dds", 1024, 256, 11), overlay("overlay_glow_v00.dds"),
                     thumbnail("overlays\\overlay_thumbnails\\overlay_gone_v00.dds"),
                     dds("thumbs\\backdrops\\th_bd_sea.dds", 128, 64, 1)},
                    nullptr, &report),
              (Lines{"thumbnail overlays\\overlay_glow_v00.dds",
                     "orphan-thumbnail overlays\\overlay_thumbnails\\overlay_gone_v00.dds",
                     "size thumbs\\backdrops\\th_bd_sea.dds"}));
    ASSERT_EQ(report.fixes.size(), 2u);
    // The wrong one drawn again from its backdrop, the missing one from its
    // overlay.
    EXPECT_EQ(report.fixes[0].source, "data\\textures\\backdrops\\bd_sea.dds");
    EXPECT_EQ(report.fixes[0].originals,
              (std::vector<std::string>{"data\\textures\\thumbs\\backdrops\\th_bd_sea.dds"}));
    EXPECT_FLOAT_EQ(report.fixes[0].outputs[0].bandAspect, 4.0f);
    EXPECT_EQ(report.fixes[1].source, "data\\textures\\overlays\\overlay_glow_v00.dds");
    EXPECT_TRUE(report.fixes[1].originals.empty());
    EXPECT_EQ(report.fixes[1].outputs[0].path,
              "data\\textures\\overlays\\overlay_thumbnails\\overlay_glow_v00.dds");
    EXPECT_FLOAT_EQ(report.fixes[1].outputs[0].bandAspect, 16.0f / 9.0f);
    // Thumbnails and their textures in the game count.
    const GameNames game{"data\\textures\\overlays\\overlay_thumbnails\\overlay_glow_v00.dds",
                         "data\\textures\\overlays\\overlay_gone_v00.dds"};
    EXPECT_EQ(found({overlay("overlay_glow_v00.dds"),
                     thumbnail("overlays\\overlay_thumbnails\\overlay_gone_v00.dds")},
                    &game),
              Lines{});
    // A renamed texture gets its thumbnail under the new name; the old one
    // goes into the backup with it.
    EXPECT_EQ(found({overlay("Overlay_Glow_v00.dds"),
                     thumbnail("overlays\\overlay_thumbnails\\Overlay_Glow_v00.dds")},
                    nullptr, &report),
              (Lines{"name overlays\\Overlay_Glow_v00.dds",
                     "name overlays\\overlay_thumbnails\\Overlay_Glow_v00.dds"}));
    ASSERT_EQ(report.fixes.size(), 1u);
    EXPECT_EQ(report.fixes[0].outputs.size(), 2u);
    EXPECT_EQ(report.fixes[0].originals.size(), 2u);
    EXPECT_EQ(report.findings[1].fix, 0);
}

TEST(TextureCheck, GameTexturesKeepTheirNamesAndOutputsNeverTakeAnotherFilesPlace) {
    // A file in the place of the game's keeps the game's name, and needs no
    // thumbnail the game has none of.
    const GameNames game{"data\\textures\\overlays\\overlay_fog.dds"};
    EXPECT_EQ(found({overlay("overlay_fog.dds")}, &game), Lines{});
    EXPECT_EQ(found({overlay("overlay_fog.dds")}),
              (Lines{"name overlays\\overlay_fog.dds", "thumbnail overlays\\overlay_fog.dds"}));
    // wall.png would become wall.dds, which is there already.
    CheckReport report;
    EXPECT_EQ(found({dds("wall.dds", 64, 64, 7), dds("wall.png", 64, 64, 7)}, nullptr, &report),
              Lines{"name wall.png"});
    EXPECT_EQ(report.fixes.size(), 0u);
    EXPECT_EQ(report.findings[0].fix, -1);
    EXPECT_NE(report.findings[0].detail.find("cannot be fixed"), std::string::npos);
    // A list made elsewhere may hold a file below a folder no archive could
    // name: it is reported and never written beside.
    EXPECT_EQ(found({dds("odd\fname\\wall.dds", 64, 64, 1)}, nullptr, &report).size(), 1u);
    EXPECT_EQ(report.fixes.size(), 0u);
    EXPECT_EQ(report.findings[0].fix, -1);
    // Files that could not be read are reported and never fixed.
    CheckedFile link;
    link.path = "data\\textures\\elsewhere\\";
    link.state = FileState::Link;
    EXPECT_EQ(found({link}, nullptr, &report), Lines{"link elsewhere\\"});
    EXPECT_EQ(report.findings[0].severity, Severity::Warning);
    EXPECT_EQ(report.findings[0].fix, -1);
}
