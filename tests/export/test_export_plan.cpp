// The outputs of a batch export run: counts, the source of each frame, frame
// numbers, files and thumbnails in writing order, and the files asked about
// before they are replaced.
#include "export/export_plan.h"
#include "export/output_paths.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace k4export;

namespace {

// A run over files f0.png, f1.png ... written below `folder` of the file
// system, or of the game in `install` when that is given.
struct TestRun {
    K4QBFileList list;
    ExportRun run;
    TestRun(int32_t type, int files, const char* fileName, const char* folder,
            const char* install = nullptr) {
        for (int i = 0; i < files; ++i) {
            list.append(nullptr, ("f" + std::to_string(i) + ".png").c_str(), "in\\");
        }
        run.settings = {type, install != nullptr, folder, install, fileName, &list, 0, 100};
    }
    ExportPlan plan() const {
        ExportPlan plan;
        planExport(run, &plan);
        return plan;
    }
};

// "file:" or "thumb:", the source index and the path of every output.
std::vector<std::string> describe(const ExportPlan& plan) {
    std::vector<std::string> lines;
    for (const PlannedOutput& output : plan.outputs) {
        lines.push_back(std::string(output.thumbnail ? "thumb:" : "file:") +
                        std::to_string(output.source) + " " + output.path.getText());
    }
    return lines;
}

} // namespace

TEST(ExportPlan, AnimatedFrameCountsAndSources) {
    struct Row {
        int32_t sourceRate, targetRate;
        std::vector<int32_t> sources;
    } rows[] = {
        {10, 30, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4,
                  5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9}},
        {10, 5, {0, 2, 4, 6, 8}},
        {30, 10, {0, 3, 6, 9}}, // ceil(10 / 3) frames
        {0, 10, {}},            // no rate, no frames
    };
    for (const Row& row : rows) {
        TestRun t(kAnimatedOverlays, 10, "Fire", "out");
        t.run.sourceRate = row.sourceRate;
        t.run.targetRate = row.targetRate;
        t.run.thumbnailIndex = 7;
        const ExportPlan plan = t.plan();
        const int32_t count = static_cast<int32_t>(row.sources.size());
        EXPECT_EQ(outputCount(t.run), count);
        ASSERT_EQ(plan.outputCount, count);
        ASSERT_EQ(plan.outputs.size(), row.sources.size() + (count > 0 ? 1 : 0));
        for (int32_t k = 0; k < count; ++k) {
            EXPECT_EQ(plan.outputs[k].source, row.sources[k]) << row.targetRate << " frame " << k;
            EXPECT_FALSE(plan.outputs[k].thumbnail);
            EXPECT_EQ(plan.outputs[k].levelCount, 1u);
        }
        if (count > 0) {
            // One thumbnail at the end, of the chosen file, named after frame 0.
            const PlannedOutput& thumbnail = plan.outputs.back();
            EXPECT_TRUE(thumbnail.thumbnail);
            EXPECT_EQ(thumbnail.source, 7);
            EXPECT_STREQ(thumbnail.path.getText(), "out\\overlay_thumbnails\\overlay_fire_v00.dds");
            EXPECT_FLOAT_EQ(thumbnail.bandAspect, 16.0f / 9.0f);
        }
    }
}

TEST(ExportPlan, FrameNumbersWrapOnceAtMaxCount) {
    TestRun t(kAnimatedOverlays, 20, "Fire", "out");
    t.run.settings.start = 90;
    const ExportPlan plan = t.plan();
    ASSERT_EQ(plan.outputCount, 20);
    for (int32_t k = 0; k < 20; ++k) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "overlay_fire_v%02d.dds", (90 + k) % 100);
        EXPECT_STREQ(plan.outputs[k].name.getText(), expected) << k;
    }
    EXPECT_STREQ(plan.outputs.back().name.getText(), "overlay_fire_v90.dds");
    // No thumbnail when none is chosen.
    t.run.thumbnailIndex = -1;
    EXPECT_EQ(t.plan().outputs.size(), 20u);
}

TEST(ExportPlan, FilesAndThumbnailsOfEachType) {
    TestRun overlays(kStaticOverlays, 3, kBasedOnOriginal, "out");
    EXPECT_EQ(describe(overlays.plan()), (std::vector<std::string>{
                                             "file:0 out\\overlay_f0_v00.dds",
                                             "thumb:0 out\\overlay_thumbnails\\overlay_f0_v00.dds",
                                             "file:1 out\\overlay_f1_v00.dds",
                                             "thumb:1 out\\overlay_thumbnails\\overlay_f1_v00.dds",
                                             "file:2 out\\overlay_f2_v00.dds",
                                             "thumb:2 out\\overlay_thumbnails\\overlay_f2_v00.dds",
                                         }));
    TestRun backdrops(kBackdrops, 2, "City", "data\\textures\\backdrops\\", "C:\\Game");
    const ExportPlan plan = backdrops.plan();
    EXPECT_EQ(describe(plan),
              (std::vector<std::string>{
                  "file:0 C:\\Game\\data\\textures\\backdrops\\bd_city.dds",
                  "thumb:0 C:\\Game\\data\\textures\\thumbs\\backdrops\\th_bd_city.dds",
                  "file:1 C:\\Game\\data\\textures\\backdrops\\bd_city1.dds",
                  "thumb:1 C:\\Game\\data\\textures\\thumbs\\backdrops\\th_bd_city1.dds",
              }));
    EXPECT_EQ(plan.outputs[0].levelCount, 0u);
    EXPECT_FLOAT_EQ(plan.outputs[0].bandAspect, 1.0f);
    EXPECT_FLOAT_EQ(plan.outputs[1].bandAspect, 4.0f);
    TestRun textures(kTextures, 2, kBasedOnOriginal, "out\\");
    EXPECT_EQ(describe(textures.plan()),
              (std::vector<std::string>{"file:0 out\\f0.dds", "file:1 out\\f1.dds"}));
    // Without a place for them (an empty folder is the drive's root) the
    // outputs have no path.
    TestRun nowhere(kTextures, 1, kBasedOnOriginal, "");
    EXPECT_EQ(describe(nowhere.plan()), (std::vector<std::string>{"file:0 "}));
}

TEST(ExportPlan, NamesOfALongRunMatchOneByOne) {
    // Repeated bases are numbered apart; the one-pass names must agree with
    // makeFileName's for every index.
    K4QBFileList list;
    for (const char* name : {"a.png", "a.tga", "a0.png", "b.png", "b.png.png", "a.jpg"}) {
        list.append(nullptr, name, "");
    }
    for (int32_t type : {kStaticOverlays, kBackdrops, kTextures}) {
        ExportRun run;
        run.settings = {type, 0, "out", nullptr, kBasedOnOriginal, &list, 0, 100};
        ExportPlan plan;
        planExport(run, &plan);
        std::vector<std::string> seen;
        for (int32_t k = 0; k < plan.outputCount; ++k) {
            K4CString name;
            makeFileName(run.settings, k, 0, &name);
            const PlannedOutput& file = plan.outputs[typeHasFileThumbnail(type) ? 2 * k : k];
            EXPECT_STREQ(file.name.getText(), name.getText()) << type << " " << k;
            for (const std::string& earlier : seen) {
                EXPECT_NE(earlier, name.getText());
            }
            seen.push_back(name.getText());
        }
    }
}

TEST(ExportPlan, SizesFormatsAndExistingFiles) {
    const std::string folder = k4test::testFolder("export");
    TestRun t(kBackdrops, 2, kBasedOnOriginal, folder.c_str());
    t.run.format = k4codec::kFmtR5G6B5;
    const ExportPlan plan = t.plan();
    const SourceDesc source{300, 200, k4codec::kFmtA8R8G8B8};
    const OutputSize file = plannedSize(t.run, plan.outputs[0], source);
    const OutputSize thumbnail = plannedSize(t.run, plan.outputs[1], source);
    EXPECT_EQ(file.width * 10000 + file.height, 1024u * 10000 + 256);
    EXPECT_EQ(thumbnail.width * 10000 + thumbnail.height, 64u * 10000 + 64);
    EXPECT_EQ(plannedFormat(t.run, plan.outputs[0], source), k4codec::kFmtR5G6B5);
    EXPECT_EQ(plannedFormat(t.run, plan.outputs[1], source), k4codec::kFmtDXT5);
    // Only files are asked about; a thumbnail is replaced without asking.
    prepareOutputFolders(t.run.settings);
    std::vector<int32_t> existing;
    findExistingOutputs(plan, &existing);
    EXPECT_TRUE(existing.empty());
    k4test::writeFile(plan.outputs[1].path.getText(), "old thumbnail");
    k4test::writeFile(plan.outputs[2].path.getText(), "old file");
    findExistingOutputs(plan, &existing);
    EXPECT_EQ(existing, std::vector<int32_t>{2});
}
