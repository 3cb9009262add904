// Zoom steps and their limits, zooming around the pointer, panning within
// the picture, the rectangle of mip level n, and the levels a device's
// texture lacks at the top.
#include "view/view_rules.h"

#include <gtest/gtest.h>

using namespace k4view;

namespace {

View at(int32_t step, double cx = 0.5, double cy = 0.5) {
    View view;
    view.fit = false;
    view.step = step;
    view.centreX = cx;
    view.centreY = cy;
    return view;
}

TEST(ZoomSteps, PowersOfTwoFromOneSixteenthTo32) {
    // From a fitted picture at 0.37 the next steps are 1/2 and 1/4; from one
    // shown at its own size (the fit never enlarges) 2 and 1/2.
    EXPECT_EQ(stepAbove(0.37), -1);
    EXPECT_EQ(stepBelow(0.37), -2);
    EXPECT_EQ(stepAbove(1.0), 1);
    EXPECT_EQ(stepBelow(1.0), -1);
    // Stepping on from a step, and the ends that stay put.
    EXPECT_EQ(stepAbove(zoomFactor(4)), 5);
    EXPECT_EQ(stepAbove(zoomFactor(5)), 5);
    EXPECT_EQ(stepBelow(zoomFactor(-4)), -4);
    EXPECT_EQ(stepBelow(0.001), -4);
    EXPECT_EQ(stepAbove(1000.0), 5);
    // Sides: 2048 at 32 is 65536 wide; below 1:1 rounded down, never 0.
    EXPECT_EQ(zoomedSide(2048, 5), 65536);
    EXPECT_EQ(zoomedSide(100, -4), 6);
    EXPECT_EQ(zoomedSide(7, -4), 1);
}

TEST(ZoomPlacement, SmallPicturesCentredLargeOnesCoverThePanel) {
    // 64 x 64 at 1:1 in a 501 x 400 panel: centred as the fit centres.
    Rect r = placeAt(at(0), 64, 64, 501, 400);
    EXPECT_EQ(r.left, 250 - 32);
    EXPECT_EQ(r.top, 200 - 32);
    EXPECT_EQ(r.width(), 64);
    // At 8x (512) it is wider than the panel: centred on its middle, and the
    // texel edges fall on whole pixels (the left edge is a whole number and
    // each texel is 8 wide).
    r = placeAt(at(3), 64, 64, 501, 400);
    EXPECT_EQ(r.width(), 512);
    EXPECT_EQ(r.left, -6); // 250.5 - 256, rounded
    EXPECT_LE(r.left, 0);
    EXPECT_GE(r.right, 501);
    // A centre beyond the edge shows the edge, no gap.
    r = placeAt(at(3, 0.0, 1.0), 64, 64, 501, 400);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.bottom, 400);
    // One side larger, the other centred.
    r = placeAt(at(0), 1024, 16, 300, 300);
    EXPECT_EQ(r.top, 150 - 8);
    EXPECT_EQ(r.width(), 1024);
}

TEST(ZoomAroundPoint, ThePointUnderThePointerStays) {
    const int32_t pw = 640, ph = 480;
    // A 2048 x 2048 picture at 1:1, centred; the pointer at (100, 300).
    Rect shown = placeAt(at(0), 2048, 2048, pw, ph);
    const double u = 100 - shown.left, v = 300 - shown.top; // picture texel under it
    View in = zoomAround(shown, 2, 2048, 2048, pw, ph, 100, 300);
    EXPECT_FALSE(in.fit);
    EXPECT_EQ(in.step, 2);
    Rect zoomed = placeAt(in, 2048, 2048, pw, ph);
    EXPECT_NEAR((100 - zoomed.left) / 4.0, u, 0.5);
    EXPECT_NEAR((300 - zoomed.top) / 4.0, v, 0.5);
    // And back out again lands where it started.
    View out = zoomAround(zoomed, 0, 2048, 2048, pw, ph, 100, 300);
    Rect back = placeAt(out, 2048, 2048, pw, ph);
    EXPECT_NEAR(back.left, shown.left, 1);
    EXPECT_NEAR(back.top, shown.top, 1);
    // Near an edge the clamp wins over the pointer: zooming in at the panel's
    // top-left corner of a picture that starts there keeps the corner.
    Rect corner = placeAt(at(0, 0.0, 0.0), 2048, 2048, pw, ph);
    ASSERT_EQ(corner.left, 0);
    Rect cornerIn = placeAt(zoomAround(corner, 3, 2048, 2048, pw, ph, 0, 0), 2048, 2048, pw, ph);
    EXPECT_EQ(cornerIn.left, 0);
    EXPECT_EQ(cornerIn.top, 0);
    // From a fitted 64 x 64 (shown at its size) zooming out around a point
    // beside the picture keeps a picture smaller than the panel centred.
    Rect small = placeAt(zoomAround(placeAt(at(0), 64, 64, pw, ph), -1, 64, 64, pw, ph, 5, 5), 64,
                         64, pw, ph);
    EXPECT_EQ(small.left, 320 - 16);
    EXPECT_EQ(small.width(), 32);
}

TEST(Panning, MovesWithTheDragAndStopsAtTheEdges) {
    const int32_t pw = 400, ph = 300;
    View view = at(1); // 2048 x 2048 at 2x: 4096 pixels a side
    EXPECT_TRUE(canPan(view, 2048, 2048, pw, ph));
    Rect before = placeAt(view, 2048, 2048, pw, ph);
    View moved = panBy(view, 2048, 2048, pw, ph, 37, -12);
    Rect after = placeAt(moved, 2048, 2048, pw, ph);
    EXPECT_EQ(after.left, before.left + 37);
    EXPECT_EQ(after.top, before.top - 12);
    // Many small drags add up exactly (no drift from the fractions).
    for (int i = 0; i < 100; ++i) {
        moved = panBy(moved, 2048, 2048, pw, ph, 1, 1);
    }
    EXPECT_EQ(placeAt(moved, 2048, 2048, pw, ph).left, after.left + 100);
    // Far beyond the edges: the picture's corner stops at the panel's.
    Rect stop = placeAt(panBy(moved, 2048, 2048, pw, ph, 100000, -100000), 2048, 2048, pw, ph);
    EXPECT_EQ(stop.left, 0);
    EXPECT_EQ(stop.bottom, ph);
    // The clamped view starts the next drag from the edge, not from beyond.
    View clamped = panBy(moved, 2048, 2048, pw, ph, 100000, 0);
    EXPECT_EQ(placeAt(panBy(clamped, 2048, 2048, pw, ph, -10, 0), 2048, 2048, pw, ph).left, -10);
    // Nothing to pan: fitted, or smaller than the panel.
    View fitted;
    EXPECT_FALSE(canPan(fitted, 2048, 2048, pw, ph));
    EXPECT_FALSE(canPan(at(-3), 2048, 2048, pw, ph)); // 256 x 256
    Rect still = placeAt(panBy(at(-3), 2048, 2048, pw, ph, 50, 50), 2048, 2048, pw, ph);
    EXPECT_EQ(still.left, 200 - 128);
}

TEST(MipLevels, LevelRectanglesAndLevelsTheDeviceLacks) {
    Rect r = levelRect(256, 256, 2);
    EXPECT_EQ(r.width(), 64);
    EXPECT_EQ(r.height(), 64);
    r = levelRect(1024, 256, 9); // 2 x 1 (a side never goes below 1)
    EXPECT_EQ(r.width(), 2);
    EXPECT_EQ(r.height(), 1);
    EXPECT_EQ(levelRect(1024, 256, 40).width(), 1);
    // A 16384 picture whose texture was halved to 4096: two levels above.
    EXPECT_EQ(levelsAboveTexture(16384, 16384, 4096, 4096), 2u);
    // A 1000 x 300 PNG rounds up to 1024 x 512: all there.
    EXPECT_EQ(levelsAboveTexture(1000, 300, 1024, 512), 0u);
    // Only one side limited counts.
    EXPECT_EQ(levelsAboveTexture(12000, 64, 8192, 64), 1u);
}

} // namespace
