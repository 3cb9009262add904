// Where the image panel puts a picture when the user looks closer: zoom
// steps, zooming around a point, panning, and the mip level shown. Pure
// arithmetic in panel pixels, without a window or a device, so that both
// previews (the selected files and the layered texture) place pictures alike.
//
// Zoom is a power of two from 1/16 (step -4) to 32 (step 5), or "fit":
// the picture shrunk into the panel, never enlarged (the panel's placement
// from the start, which the image panel computes itself). At a step the
// picture's top-left corner lies on a whole panel pixel, so at 1:1 every
// texel lands on one pixel and above it each texel covers a square of whole
// pixels.
//
// Limits: sides up to 2^31 pixels after zooming (64-bit rectangles).
#pragma once

#include <cstdint>

namespace k4view {

inline constexpr int32_t kMinZoomStep = -4; // 1/16
inline constexpr int32_t kMaxZoomStep = 5;  // 32

struct Rect {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    int64_t width() const { return right - left; }
    int64_t height() const { return bottom - top; }
};

// What the user chose. The centre is the picture point shown at the panel's
// centre, as fractions of the picture's sides, so that it survives a change
// of level or of frame size; placeAt clamps it.
struct View {
    bool fit = true;
    int32_t step = 0;
    double centreX = 0.5;
    double centreY = 0.5;
};

// 2^step as a factor.
double zoomFactor(int32_t step);
// A side at a step: side * 2^step, at least 1 (below 1:1 rounded down).
int64_t zoomedSide(uint32_t side, int32_t step);

// The step one above or below a picture shown at `scale` (the fit's, or
// 2^step): the smallest power of two above it, the largest below it, kept
// within the limits.
int32_t stepAbove(double scale);
int32_t stepBelow(double scale);

// Where a width x height picture lies at the view's step in a panel of
// panelWidth x panelHeight pixels: a side smaller than the panel is centred
// (rounded down, as the fit centres); a larger one covers the panel, shifted
// as far as the centre asks but never leaving a gap at either edge.
Rect placeAt(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
             int32_t panelHeight);

// The view with its centre clamped to what placeAt shows (the fractions of
// the rectangle placeAt gives), so that a later pan starts from there.
View clampView(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
               int32_t panelHeight);

// Changes to `step`, keeping the picture point under (x, y) (panel pixels)
// where it is. `shown` is where the picture lies now (any mode).
View zoomAround(const Rect& shown, int32_t step, uint32_t width, uint32_t height,
                int32_t panelWidth, int32_t panelHeight, int32_t x, int32_t y);

// True when the picture at the view's step is larger than the panel on a side.
bool canPan(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
            int32_t panelHeight);

// The view after dragging the picture by (dx, dy) panel pixels, clamped.
View panBy(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
           int32_t panelHeight, int32_t dx, int32_t dy);

// The size of mip level `level` of a width x height picture (each side
// halved per level, at least 1), as the rectangle (0, 0, w, h).
Rect levelRect(uint32_t width, uint32_t height, uint32_t level);

// Levels the device's texture lacks at the top: a picture whose sides,
// rounded up to powers of two, are larger than its texture's top level
// (which the loader halved until the device took it) starts that many levels
// down. 0 when the texture holds the picture's own top level.
uint32_t levelsAboveTexture(uint32_t pictureWidth, uint32_t pictureHeight, uint32_t textureWidth,
                            uint32_t textureHeight);

} // namespace k4view
