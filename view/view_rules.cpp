// Zoom, pan and level rules of the image panel (see view_rules.h).
#include "view/view_rules.h"

#include <cmath>

namespace k4view {

namespace {

int32_t clampStep(int32_t step) {
    return step < kMinZoomStep ? kMinZoomStep : step > kMaxZoomStep ? kMaxZoomStep : step;
}

// One side of placeAt: where the picture's left (top) edge lies.
int64_t placeSide(int64_t side, int32_t panel, double centre) {
    if (side <= panel) {
        return (panel >> 1) - (side >> 1);
    }
    int64_t start = std::llround(panel * 0.5 - centre * static_cast<double>(side));
    if (start > 0) {
        start = 0;
    }
    if (start < panel - side) {
        start = panel - side;
    }
    return start;
}

// The centre fraction that puts the side's edge at `start`.
double centreOf(int64_t start, int64_t side, int32_t panel) {
    return (panel * 0.5 - static_cast<double>(start)) / static_cast<double>(side);
}

} // namespace

double zoomFactor(int32_t step) {
    return std::ldexp(1.0, step);
}

int64_t zoomedSide(uint32_t side, int32_t step) {
    const int64_t zoomed =
        step >= 0 ? static_cast<int64_t>(side) << step : static_cast<int64_t>(side) >> -step;
    return zoomed > 0 ? zoomed : 1;
}

int32_t stepAbove(double scale) {
    int32_t step = kMinZoomStep;
    while (step < kMaxZoomStep && zoomFactor(step) <= scale) {
        ++step;
    }
    return step;
}

int32_t stepBelow(double scale) {
    int32_t step = kMaxZoomStep;
    while (step > kMinZoomStep && zoomFactor(step) >= scale) {
        --step;
    }
    return step;
}

Rect placeAt(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
             int32_t panelHeight) {
    const int32_t step = clampStep(view.step);
    const int64_t w = zoomedSide(width, step), h = zoomedSide(height, step);
    Rect rect;
    rect.left = placeSide(w, panelWidth, view.centreX);
    rect.top = placeSide(h, panelHeight, view.centreY);
    rect.right = rect.left + w;
    rect.bottom = rect.top + h;
    return rect;
}

View clampView(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
               int32_t panelHeight) {
    const Rect rect = placeAt(view, width, height, panelWidth, panelHeight);
    View clamped = view;
    clamped.step = clampStep(view.step);
    clamped.centreX = centreOf(rect.left, rect.width(), panelWidth);
    clamped.centreY = centreOf(rect.top, rect.height(), panelHeight);
    return clamped;
}

View zoomAround(const Rect& shown, int32_t step, uint32_t width, uint32_t height,
                int32_t panelWidth, int32_t panelHeight, int32_t x, int32_t y) {
    View view;
    view.fit = false;
    view.step = clampStep(step);
    // The picture point under (x, y) as fractions; a point beside the
    // picture counts as its nearest edge.
    auto fraction = [](int32_t at, int64_t start, int64_t side) {
        const double f = side > 0 ? (at - static_cast<double>(start)) / side : 0.5;
        return f < 0 ? 0.0 : f > 1 ? 1.0 : f;
    };
    const double fx = fraction(x, shown.left, shown.width());
    const double fy = fraction(y, shown.top, shown.height());
    const int64_t w = zoomedSide(width, view.step), h = zoomedSide(height, view.step);
    // The new edge puts that point back under (x, y).
    view.centreX = centreOf(std::llround(x - fx * static_cast<double>(w)), w, panelWidth);
    view.centreY = centreOf(std::llround(y - fy * static_cast<double>(h)), h, panelHeight);
    return clampView(view, width, height, panelWidth, panelHeight);
}

bool canPan(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
            int32_t panelHeight) {
    if (view.fit) {
        return false;
    }
    const int32_t step = clampStep(view.step);
    return zoomedSide(width, step) > panelWidth || zoomedSide(height, step) > panelHeight;
}

View panBy(const View& view, uint32_t width, uint32_t height, int32_t panelWidth,
           int32_t panelHeight, int32_t dx, int32_t dy) {
    const Rect rect = placeAt(view, width, height, panelWidth, panelHeight);
    View moved = view;
    moved.centreX = centreOf(rect.left + dx, rect.width(), panelWidth);
    moved.centreY = centreOf(rect.top + dy, rect.height(), panelHeight);
    return clampView(moved, width, height, panelWidth, panelHeight);
}

Rect levelRect(uint32_t width, uint32_t height, uint32_t level) {
    auto side = [level](uint32_t size) -> int64_t {
        const uint32_t value = level < 32 ? size >> level : 0;
        return value > 0 ? value : 1;
    };
    Rect rect;
    rect.right = side(width);
    rect.bottom = side(height);
    return rect;
}

uint32_t levelsAboveTexture(uint32_t pictureWidth, uint32_t pictureHeight, uint32_t textureWidth,
                            uint32_t textureHeight) {
    auto levels = [](uint32_t picture, uint32_t texture) {
        uint64_t rounded = 1;
        while (rounded < picture) {
            rounded <<= 1;
        }
        uint32_t count = 0;
        while (texture > 0 && (static_cast<uint64_t>(texture) << count) < rounded) {
            ++count;
        }
        return count;
    };
    const uint32_t across = levels(pictureWidth, textureWidth);
    const uint32_t down = levels(pictureHeight, textureHeight);
    return across > down ? across : down;
}

} // namespace k4view
