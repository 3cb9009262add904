// The outputs of a batch export run: frame counts, the source of each frame
// and frame numbers. Files, thumbnails and their paths per type are checked
// through qbtex convert (tests/cli).
#include "export/export_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace k4export;

namespace {

// An animated overlay "Fire" over `files` source files, written to "out".
struct AnimatedRun {
    K4QBFileList list;
    ExportRun run;
    ExportPlan plan;
    AnimatedRun(int files, int32_t sourceRate, int32_t targetRate, int32_t start) {
        for (int i = 0; i < files; ++i) {
            list.append(nullptr, ("f" + std::to_string(i) + ".png").c_str(), "");
        }
        run.settings = {kAnimatedOverlays, 0, "out", nullptr, "Fire", &list, start, 100};
        run.sourceRate = sourceRate;
        run.targetRate = targetRate;
        run.thumbnailIndex = 7;
        planExport(run, &plan);
    }
};

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
        const AnimatedRun t(10, row.sourceRate, row.targetRate, 0);
        const size_t count = row.sources.size();
        ASSERT_EQ(t.plan.outputCount, static_cast<int32_t>(count));
        // The frames, then one thumbnail of the chosen file, named after frame 0.
        ASSERT_EQ(t.plan.outputs.size(), count + (count > 0 ? 1 : 0));
        for (size_t k = 0; k < count; ++k) {
            EXPECT_EQ(t.plan.outputs[k].source, row.sources[k]) << row.targetRate << " " << k;
            EXPECT_FALSE(t.plan.outputs[k].thumbnail);
        }
        if (count > 0) {
            EXPECT_TRUE(t.plan.outputs.back().thumbnail);
            EXPECT_EQ(t.plan.outputs.back().source, 7);
            EXPECT_STREQ(t.plan.outputs.back().path.getText(),
                         "out\\overlay_thumbnails\\overlay_fire_v00.dds");
        }
    }
}

TEST(ExportPlan, FrameNumbersWrapOnceAtMaxCount) {
    const AnimatedRun t(20, 10, 10, 90);
    ASSERT_EQ(t.plan.outputCount, 20);
    for (int32_t k = 0; k < 20; ++k) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "overlay_fire_v%02d.dds", (90 + k) % 100);
        EXPECT_STREQ(t.plan.outputs[k].name.getText(), expected) << k;
    }
}
