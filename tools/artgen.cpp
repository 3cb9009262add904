// k4artgen: draws the program's artwork by code and writes it as resource
// files into a folder:
//   splash.bmp    the start-up picture, 384 x 216, 8 bits with a 256-colour
//                 palette (median-cut from the drawn picture)
//   app.ico       the program icon: a stack of three texture tiles
//   game.ico      the "game content" icon: a stone keep with a pennant
//   filename.ico  the file-name button icon: a page with a pencil
// Each icon holds 16, 32 and 48 pixel images, 32 bits with straight alpha
// and the AND mask that older readers expect.
//
// Plain C++17 and no libraries, because the Windows build runs it on the
// build machine before the cross compiler has produced anything. Shapes are
// filled with 4 x 4 supersampling; there are no fonts, so the title letters
// are 5 x 7 pixel shapes of our own.
//
// Usage: k4artgen OUTPUT_FOLDER
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// --- colours and the canvas ---

struct Colour {
    float r, g, b, a; // straight alpha, 0..1
};

Colour rgb(uint32_t hex, float a = 1.0f) {
    return {((hex >> 16) & 0xFF) / 255.0f, ((hex >> 8) & 0xFF) / 255.0f, (hex & 0xFF) / 255.0f, a};
}

Colour mix(Colour x, Colour y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

Colour shade(Colour c, float f) {
    return {std::min(1.0f, c.r * f), std::min(1.0f, c.g * f), std::min(1.0f, c.b * f), c.a};
}

// Small deterministic hash for per-brick colour variation.
float hash01(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Premultiplied colour per pixel, so that "over" composes in one step.
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, Colour{0, 0, 0, 0}) {}
    int width() const { return w_; }
    int height() const { return h_; }

    // Composes a straight-alpha colour over pixel (x, y) at the given coverage.
    void blend(int x, int y, Colour c, float coverage) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) {
            return;
        }
        const float a = c.a * coverage;
        Colour& d = px_[static_cast<size_t>(y) * w_ + x];
        d.r = c.r * a + d.r * (1 - a);
        d.g = c.g * a + d.g * (1 - a);
        d.b = c.b * a + d.b * (1 - a);
        d.a = a + d.a * (1 - a);
    }

    // Straight alpha, 8 bits per channel.
    std::array<uint8_t, 4> rgba8(int x, int y) const {
        const Colour& p = px_[static_cast<size_t>(y) * w_ + x];
        auto q = [](float v) {
            return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        };
        if (p.a <= 0.0f) {
            return {0, 0, 0, 0};
        }
        return {q(p.r / p.a), q(p.g / p.a), q(p.b / p.a), q(p.a)};
    }

private:
    int w_, h_;
    std::vector<Colour> px_;
};

using Inside = std::function<bool(float, float)>;
using Paint = std::function<Colour(float, float)>;

// Fills the points of [x0, x1) x [y0, y1) for which `inside` holds, sampling
// each pixel 4 x 4 times and averaging the paint over the samples inside.
void fill(Canvas& c, float x0, float y0, float x1, float y1, const Inside& inside,
          const Paint& paint) {
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int ix1 = std::min(c.width(), static_cast<int>(std::ceil(x1)));
    const int iy1 = std::min(c.height(), static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y < iy1; ++y) {
        for (int x = ix0; x < ix1; ++x) {
            Colour sum{0, 0, 0, 0};
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    const float fx = x + (sx + 0.5f) / 4.0f;
                    const float fy = y + (sy + 0.5f) / 4.0f;
                    if (inside(fx, fy)) {
                        const Colour p = paint(fx, fy);
                        sum.r += p.r * p.a;
                        sum.g += p.g * p.a;
                        sum.b += p.b * p.a;
                        sum.a += p.a;
                        ++hits;
                    }
                }
            }
            if (hits > 0 && sum.a > 0.0f) {
                const Colour avg{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / hits};
                c.blend(x, y, avg, hits / 16.0f);
            }
        }
    }
}

struct Pt {
    float x, y;
};

Inside polygon(std::vector<Pt> pts) {
    return [pts](float x, float y) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            if ((pts[i].y > y) != (pts[j].y > y) &&
                x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x) {
                in = !in;
            }
        }
        return in;
    };
}

void fillPolygon(Canvas& c, const std::vector<Pt>& pts, const Paint& paint) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (const Pt& p : pts) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    fill(c, x0, y0, x1, y1, polygon(pts), paint);
}

void fillPolygon(Canvas& c, const std::vector<Pt>& pts, Colour colour) {
    fillPolygon(c, pts, [colour](float, float) { return colour; });
}

void fillRect(Canvas& c, float x0, float y0, float x1, float y1, Colour colour) {
    fillPolygon(c, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, colour);
}

void fillCircle(Canvas& c, float cx, float cy, float r, Colour colour) {
    fill(
        c, cx - r, cy - r, cx + r, cy + r,
        [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; },
        [colour](float, float) { return colour; });
}

// --- the layered-texture emblem (program icon and splash) ---

// One tile of the stack: a rhombus seen from above with two side faces. The
// surface pattern works in the tile's own (a, b) coordinates, 0..1 along its
// edges, so it follows the perspective of the rhombus.
struct Tile {
    float cx, cy, hw, hh, depth;
};

enum class Surface { Gradient, Checker, Bricks };

Colour surfaceColour(Surface s, float a, float b, bool detailed) {
    switch (s) {
    case Surface::Gradient:
        return mix(rgb(0xF2B84B), rgb(0xD9652B), std::clamp((a + b) * 0.5f, 0.0f, 1.0f));
    case Surface::Checker: {
        const Colour base = rgb(0x2FA39A);
        if (!detailed) {
            return base;
        }
        const bool odd = (static_cast<int>(a * 4) + static_cast<int>(b * 4)) % 2 != 0;
        return odd ? shade(base, 0.78f) : shade(base, 1.12f);
    }
    case Surface::Bricks: {
        const Colour brick = rgb(0xB9543C);
        if (!detailed) {
            return brick;
        }
        const int row = std::clamp(static_cast<int>(b * 4), 0, 3);
        const float shift = (row % 2) ? 0.25f : 0.0f;
        const float ua = (a + shift) * 2.0f;
        const float fu = ua - std::floor(ua);
        const float fv = b * 4 - row;
        if (fu < 0.07f || fv < 0.12f) {
            return rgb(0xEADFC9); // mortar
        }
        const float v = hash01(static_cast<int>(std::floor(ua)), row);
        return shade(brick, 0.85f + 0.3f * v - 0.15f * fv);
    }
    }
    return rgb(0xFF00FF);
}

void drawTile(Canvas& c, const Tile& t, Surface s, bool detailed, float outline) {
    const Pt left{t.cx - t.hw, t.cy}, top{t.cx, t.cy - t.hh}, right{t.cx + t.hw, t.cy},
        bottom{t.cx, t.cy + t.hh};
    const float d = t.depth;
    const Colour ink = rgb(0x1C2230, 0.92f);
    // A dark rim first, slightly larger than the tile, keeps the layers apart
    // even at 16 pixels.
    fillPolygon(c,
                {{left.x - outline, left.y},
                 {top.x, top.y - outline},
                 {right.x + outline, right.y},
                 {right.x + outline, right.y + d},
                 {bottom.x, bottom.y + d + outline},
                 {left.x - outline, left.y + d}},
                ink);
    const Colour side = surfaceColour(s, 0.5f, 0.5f, false);
    fillPolygon(c, {left, bottom, {bottom.x, bottom.y + d}, {left.x, left.y + d}},
                shade(side, 0.62f));
    fillPolygon(c, {bottom, right, {right.x, right.y + d}, {bottom.x, bottom.y + d}},
                shade(side, 0.8f));
    fillPolygon(c, {left, top, right, bottom}, [=](float x, float y) {
        const float u = (x - t.cx) / t.hw;
        const float v = (y - t.cy) / t.hh;
        const float a = (u - v) * 0.5f + 0.5f;
        const float b = (u + v) * 0.5f + 0.5f;
        // Light from the back corner.
        return shade(surfaceColour(s, a, b, detailed), 1.08f - 0.16f * (v + 1) * 0.5f);
    });
}

// The emblem inside the square (x, y, size): an amber gradient at the
// bottom, a transparency checker in the middle and bricks on top.
void drawEmblem(Canvas& c, float x, float y, float size) {
    const bool detailed = size >= 30;
    const float outline = std::max(0.7f, size * 0.025f);
    const float hw = size * 0.46f, hh = size * 0.23f, depth = size * 0.07f;
    const float cx = x + size * 0.5f;
    drawTile(c, {cx, y + size * 0.67f, hw, hh, depth}, Surface::Gradient, detailed, outline);
    drawTile(c, {cx, y + size * 0.46f, hw, hh, depth}, Surface::Checker, detailed, outline);
    drawTile(c, {cx, y + size * 0.25f, hw, hh, depth}, Surface::Bricks, detailed, outline);
}

// --- the game-content icon: a stone keep ---

void drawKeep(Canvas& c, float size) {
    const bool detailed = size >= 30;
    const float s = size;
    const float o = std::max(0.7f, s * 0.03f);
    const Colour ink = rgb(0x1C2230, 0.92f);
    const Colour stone = rgb(0xA7ABAE);
    // Pennant first so the pole stands behind the battlements.
    fillRect(c, s * 0.485f, s * 0.02f, s * 0.535f, s * 0.24f, rgb(0x3A3027));
    fillPolygon(c, {{s * 0.535f, s * 0.03f}, {s * 0.80f, s * 0.085f}, {s * 0.535f, s * 0.14f}},
                rgb(0xD23C32));
    // Outline, then the body with its battlements.
    const std::vector<Pt> body = {
        {s * 0.20f, s * 0.20f}, {s * 0.34f, s * 0.20f}, {s * 0.34f, s * 0.28f},
        {s * 0.43f, s * 0.28f}, {s * 0.43f, s * 0.20f}, {s * 0.57f, s * 0.20f},
        {s * 0.57f, s * 0.28f}, {s * 0.66f, s * 0.28f}, {s * 0.66f, s * 0.20f},
        {s * 0.80f, s * 0.20f}, {s * 0.80f, s * 0.38f}, {s * 0.74f, s * 0.38f},
        {s * 0.74f, s * 0.97f}, {s * 0.26f, s * 0.97f}, {s * 0.26f, s * 0.38f},
        {s * 0.20f, s * 0.38f}};
    std::vector<Pt> rim;
    for (const Pt& p : body) {
        rim.push_back({p.x + (p.x < s * 0.5f ? -o : o), p.y + (p.y < s * 0.6f ? -o : o)});
    }
    fillPolygon(c, rim, ink);
    fillPolygon(c, body, [=](float x, float y) {
        Colour col = shade(stone, 1.12f - 0.3f * (x / s)); // lit from the left
        if (detailed) {
            const float rowH = s * 0.09f;
            const int row = static_cast<int>(y / rowH);
            const float bw = s * 0.16f;
            const float ux = x / bw + ((row % 2) ? 0.5f : 0.0f);
            const float fu = ux - std::floor(ux);
            const float fv = y / rowH - row;
            if (fu < 0.1f || fv < 0.12f) {
                return shade(col, 0.72f);
            }
            col = shade(col, 0.92f + 0.16f * hash01(static_cast<int>(std::floor(ux)), row));
        }
        return col;
    });
    // Arched door and a window slit.
    const Colour dark = rgb(0x2A2320);
    fillRect(c, s * 0.40f, s * 0.72f, s * 0.60f, s * 0.97f, dark);
    fillCircle(c, s * 0.5f, s * 0.72f, s * 0.10f, dark);
    fillRect(c, s * 0.465f, s * 0.44f, s * 0.535f, s * 0.57f, dark);
}

// --- the file-name button icon: a page and a pencil ---

void drawPageAndPencil(Canvas& c, float size) {
    const float s = size;
    const float o = std::max(0.7f, s * 0.03f);
    const Colour ink = rgb(0x1C2230, 0.92f);
    const float fold = s * 0.16f;
    const float px0 = s * 0.14f, px1 = s * 0.70f, py0 = s * 0.05f, py1 = s * 0.95f;
    fillPolygon(c,
                {{px0 - o, py0 - o},
                 {px1 - fold + o * 0.5f, py0 - o},
                 {px1 + o, py0 + fold - o * 0.5f},
                 {px1 + o, py1 + o},
                 {px0 - o, py1 + o}},
                ink);
    fillPolygon(c, {{px0, py0}, {px1 - fold, py0}, {px1, py0 + fold}, {px1, py1}, {px0, py1}},
                [=](float, float y) { return mix(rgb(0xFFFFFF), rgb(0xDCE3EA), (y - py0) / s); });
    fillPolygon(c, {{px1 - fold, py0}, {px1, py0 + fold}, {px1 - fold, py0 + fold}}, rgb(0xB8C2CC));
    const float line = std::max(1.0f, s * 0.06f);
    for (int i = 0; i < 4; ++i) {
        const float y = s * (0.34f + 0.15f * i);
        fillRect(c, px0 + s * 0.08f, y, px1 - s * (i == 3 ? 0.26f : 0.08f), y + line,
                 rgb(0x7A8794));
    }
    // The pencil lies from the lower left to the upper right.
    const float dx = 0.7071f, dy = -0.7071f; // along the pencil
    const float nx = -dy, ny = dx;           // across it
    const float w = s * 0.085f;
    auto at = [&](float along, float across) {
        return Pt{s * 0.42f + dx * along * s + nx * across,
                  s * 0.86f + dy * along * s + ny * across};
    };
    fillPolygon(
        c, {at(0.0f, 0), at(0.14f, -w - o), at(0.72f, -w - o), at(0.72f, w + o), at(0.14f, w + o)},
        ink);
    fillPolygon(c, {at(0.02f, 0), at(0.14f, -w), at(0.14f, w)}, rgb(0xE9C99A));
    fillPolygon(c, {at(0.02f, 0), at(0.06f, -w * 0.35f), at(0.06f, w * 0.35f)}, rgb(0x2B2B2B));
    fillPolygon(c, {at(0.14f, -w), at(0.58f, -w), at(0.58f, w), at(0.14f, w)},
                [&](float x, float y) {
                    // Rounded look: darker towards the far edge.
                    const float across = (x - s * 0.42f) * nx + (y - s * 0.86f) * ny;
                    return shade(rgb(0xF3C43A), 1.1f - 0.35f * (across / w + 1) * 0.5f);
                });
    fillPolygon(c, {at(0.58f, -w), at(0.70f, -w), at(0.70f, w), at(0.58f, w)}, rgb(0xE88A9A));
}

// --- the splash picture ---

// 5 x 7 pixel letters for the title, one string per row.
const char* glyph(char ch) {
    switch (ch) {
    case 'A':
        return ".###.#...##...#######...##...##...#";
    case 'B':
        return "####.#...##...#####.#...##...#####.";
    case 'E':
        return "######....#....####.#....#....#####";
    case 'G':
        return ".#####....#....#.####...##...#.####";
    case 'L':
        return "#....#....#....#....#....#....#####";
    case 'M':
        return "#...###.###.#.##.#.##...##...##...#";
    case 'N':
        return "#...###..##.#.##..###...##...##...#";
    case 'Q':
        return ".###.#...##...##...##.#.##..#..##.#";
    case 'R':
        return "####.#...##...#####.#.#..#..#.#...#";
    case 'T':
        return "#####..#....#....#....#....#....#..";
    case 'U':
        return "#...##...##...##...##...##...#.###.";
    case 'X':
        return "#...##...#.#.#...#...#.#.#...##...#";
    case 'Y':
        return "#...##...#.#.#...#....#....#....#..";
    default:
        return nullptr;
    }
}

void drawText(Canvas& c, const std::string& text, float x, float y, float scale, Colour colour) {
    for (char ch : text) {
        const char* g = glyph(ch);
        if (g != nullptr) {
            for (int i = 0; g[i] != '\0'; ++i) {
                if (g[i] == '#') {
                    const float gx = x + (i % 5) * scale, gy = y + (i / 5) * scale;
                    fillRect(c, gx, gy, gx + scale, gy + scale, colour);
                }
            }
        }
        x += 6 * scale;
    }
}

void drawTitle(Canvas& c, const std::string& text, float x, float y, float scale, Colour colour) {
    const float off = std::max(1.0f, scale * 0.5f);
    drawText(c, text, x + off, y + off, scale, rgb(0x141824, 0.75f));
    drawText(c, text, x, y, scale, colour);
}

Canvas drawSplash() {
    const int W = 384, H = 216;
    Canvas c(W, H);
    // Evening sky with a low sun.
    fill(
        c, 0, 0, W, H, [](float, float) { return true; },
        [](float, float y) {
            const float t = y / 150.0f;
            if (t < 0.55f) {
                return mix(rgb(0x17213D), rgb(0x46558A), t / 0.55f);
            }
            return mix(rgb(0x46558A), rgb(0xF0A766), std::min(1.0f, (t - 0.55f) / 0.45f));
        });
    for (int i = 6; i >= 1; --i) {
        fillCircle(c, 318, 132, 9.0f * i, rgb(0xFFD58A, 0.10f));
    }
    fillCircle(c, 318, 132, 16, rgb(0xFFE9B0));
    // Two ranges of hills.
    auto hills = [&](float base, float amp, float f1, float f2, Colour colour) {
        std::vector<Pt> pts;
        for (int x = 0; x <= W; x += 4) {
            const float fx = static_cast<float>(x);
            pts.push_back(
                {fx, base - amp * (std::sin(fx * f1) * 0.6f + std::sin(fx * f2 + 1.3f) * 0.4f)});
        }
        pts.push_back({static_cast<float>(W), static_cast<float>(H)});
        pts.push_back({0, static_cast<float>(H)});
        fillPolygon(c, pts, colour);
    };
    hills(140, 10, 0.021f, 0.053f, rgb(0x5E5886));
    hills(152, 7, 0.016f, 0.041f, rgb(0x33495A));
    // A brick wall along the bottom, capped with stone blocks.
    const float wallTop = 168;
    for (int i = 0; i * 28 < W + 28; ++i) {
        const float x0 = i * 28.0f - 6;
        const Colour cap = shade(rgb(0x9FA3A6), 0.85f + 0.25f * hash01(i, 99));
        fillRect(c, x0, wallTop - 9, x0 + 26, wallTop - 1, cap);
        fillRect(c, x0, wallTop - 9, x0 + 26, wallTop - 7, shade(cap, 1.15f));
    }
    fillRect(c, 0, wallTop - 1, W, H, rgb(0xD8CCB4)); // mortar
    for (int row = 0; wallTop + row * 12 < H; ++row) {
        const float y0 = wallTop + row * 12 + 1;
        const float shift = (row % 2) ? 13.0f : 0.0f;
        for (int col = -1; col * 26 < W; ++col) {
            const float x0 = col * 26.0f + shift + 1;
            const Colour base = shade(rgb(0xA4482F), 0.8f + 0.35f * hash01(col, row));
            fillRect(c, x0, y0, x0 + 24, y0 + 10, base);
            fillRect(c, x0, y0, x0 + 24, y0 + 2, shade(base, 1.2f));
            fillRect(c, x0, y0 + 8, x0 + 24, y0 + 10, shade(base, 0.75f));
        }
    }
    // Emblem on a soft shadow, title to its right.
    for (int i = 5; i >= 1; --i) {
        fill(
            c, 20, 150, 150, 180,
            [i](float x, float y) {
                const float dx = (x - 85) / (48.0f + 5 * i), dy = (y - 163) / (6.0f + i);
                return dx * dx + dy * dy <= 1;
            },
            [](float, float) { return rgb(0x000000, 0.09f); });
    }
    drawEmblem(c, 26, 34, 120);
    drawTitle(c, "QUELLBURY", 160, 46, 4, rgb(0xF6EED8));
    drawTitle(c, "TEXTURE MANAGER", 162, 88, 2, rgb(0xF2C14E));
    fillRect(c, 162, 110, 340, 111.5f, rgb(0xF2C14E, 0.7f));
    return c;
}

// --- palette (median cut over a 5-bit-per-channel histogram) ---

struct Box {
    std::vector<uint32_t> bins; // 15-bit colour keys
};

std::vector<std::array<uint8_t, 3>> medianCut(const Canvas& c, std::vector<uint32_t>* countsOut) {
    std::vector<uint32_t> counts(1u << 15, 0);
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const auto p = c.rgba8(x, y);
            ++counts[(p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3)];
        }
    }
    std::vector<Box> boxes(1);
    for (uint32_t k = 0; k < counts.size(); ++k) {
        if (counts[k] != 0) {
            boxes[0].bins.push_back(k);
        }
    }
    auto channel = [](uint32_t k, int ch) { return (k >> (10 - 5 * ch)) & 31; };
    while (boxes.size() < 256) {
        // Split the box whose widest channel, weighted by its pixels, is largest.
        int best = -1, bestCh = 0;
        double bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].bins.size() < 2) {
                continue;
            }
            uint64_t pixels = 0;
            for (uint32_t k : boxes[i].bins) {
                pixels += counts[k];
            }
            for (int ch = 0; ch < 3; ++ch) {
                uint32_t lo = 31, hi = 0;
                for (uint32_t k : boxes[i].bins) {
                    lo = std::min(lo, channel(k, ch));
                    hi = std::max(hi, channel(k, ch));
                }
                const double score = (hi - lo) * std::sqrt(static_cast<double>(pixels));
                if (score > bestScore) {
                    bestScore = score;
                    best = static_cast<int>(i);
                    bestCh = ch;
                }
            }
        }
        if (best < 0) {
            break;
        }
        std::vector<uint32_t>& bins = boxes[best].bins;
        std::sort(bins.begin(), bins.end(),
                  [&](uint32_t a, uint32_t b) { return channel(a, bestCh) < channel(b, bestCh); });
        uint64_t total = 0, run = 0;
        for (uint32_t k : bins) {
            total += counts[k];
        }
        size_t cut = 1;
        for (; cut < bins.size() - 1; ++cut) {
            run += counts[bins[cut - 1]];
            if (run * 2 >= total) {
                break;
            }
        }
        Box upper;
        upper.bins.assign(bins.begin() + static_cast<std::ptrdiff_t>(cut), bins.end());
        bins.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<std::array<uint8_t, 3>> palette;
    for (const Box& b : boxes) {
        double sum[3] = {0, 0, 0}, n = 0;
        for (uint32_t k : b.bins) {
            for (int ch = 0; ch < 3; ++ch) {
                sum[ch] += (channel(k, ch) * 255.0 / 31.0) * counts[k];
            }
            n += counts[k];
        }
        palette.push_back({static_cast<uint8_t>(std::lround(sum[0] / n)),
                           static_cast<uint8_t>(std::lround(sum[1] / n)),
                           static_cast<uint8_t>(std::lround(sum[2] / n))});
    }
    palette.resize(256, {0, 0, 0});
    if (countsOut != nullptr) {
        *countsOut = std::move(counts);
    }
    return palette;
}

// --- file writing ---

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// On-disk layouts, written field by field in little-endian order.
#pragma pack(push, 1)
struct BitmapFileHeader {
    uint16_t type;
    uint32_t size;
    uint16_t reserved1, reserved2;
    uint32_t offBits;
};
struct BitmapInfoHeader {
    uint32_t size;
    int32_t width, height;
    uint16_t planes, bitCount;
    uint32_t compression, sizeImage;
    int32_t xPelsPerMeter, yPelsPerMeter;
    uint32_t clrUsed, clrImportant;
};
struct IconDir {
    uint16_t reserved, type, count;
};
struct IconDirEntry {
    uint8_t width, height, colorCount, reserved;
    uint16_t planes, bitCount;
    uint32_t bytesInRes, imageOffset;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeader) == 14, "BITMAPFILEHEADER is 14 bytes");
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(IconDir) == 6, "ICONDIR is 6 bytes");
static_assert(sizeof(IconDirEntry) == 16, "ICONDIRENTRY is 16 bytes");

void put(Bytes& out, const BitmapFileHeader& h) {
    put16(out, h.type);
    put32(out, h.size);
    put16(out, h.reserved1);
    put16(out, h.reserved2);
    put32(out, h.offBits);
}

void put(Bytes& out, const BitmapInfoHeader& h) {
    put32(out, h.size);
    put32(out, static_cast<uint32_t>(h.width));
    put32(out, static_cast<uint32_t>(h.height));
    put16(out, h.planes);
    put16(out, h.bitCount);
    put32(out, h.compression);
    put32(out, h.sizeImage);
    put32(out, static_cast<uint32_t>(h.xPelsPerMeter));
    put32(out, static_cast<uint32_t>(h.yPelsPerMeter));
    put32(out, h.clrUsed);
    put32(out, h.clrImportant);
}

void put(Bytes& out, const IconDir& d) {
    put16(out, d.reserved);
    put16(out, d.type);
    put16(out, d.count);
}

void put(Bytes& out, const IconDirEntry& e) {
    out.push_back(e.width);
    out.push_back(e.height);
    out.push_back(e.colorCount);
    out.push_back(e.reserved);
    put16(out, e.planes);
    put16(out, e.bitCount);
    put32(out, e.bytesInRes);
    put32(out, e.imageOffset);
}

Bytes encodeBmp8(const Canvas& c) {
    const auto palette = medianCut(c, nullptr);
    const uint32_t w = static_cast<uint32_t>(c.width()), h = static_cast<uint32_t>(c.height());
    const uint32_t stride = (w + 3) & ~3u;
    const uint32_t offBits = 14 + 40 + 256 * 4;
    Bytes out;
    put(out, BitmapFileHeader{0x4D42, offBits + stride * h, 0, 0, offBits});
    put(out, BitmapInfoHeader{40, static_cast<int32_t>(w), static_cast<int32_t>(h), 1, 8, 0,
                              stride * h, 2835, 2835, 256, 0});
    for (const auto& p : palette) {
        out.push_back(p[2]);
        out.push_back(p[1]);
        out.push_back(p[0]);
        out.push_back(0);
    }
    // Nearest palette entry per colour, remembered per 24-bit colour seen.
    std::vector<int> memo(1u << 15, -1);
    auto nearest = [&](std::array<uint8_t, 4> p) {
        const uint32_t key = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3);
        if (memo[key] >= 0) {
            return memo[key];
        }
        int best = 0;
        int bestD = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const int dr = p[0] - palette[i][0], dg = p[1] - palette[i][1],
                      db = p[2] - palette[i][2];
            const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (d < bestD) {
                bestD = d;
                best = i;
            }
        }
        return memo[key] = best;
    };
    for (uint32_t row = 0; row < h; ++row) {
        const int y = static_cast<int>(h - 1 - row); // bottom-up
        for (uint32_t x = 0; x < stride; ++x) {
            out.push_back(x < w ? static_cast<uint8_t>(nearest(c.rgba8(static_cast<int>(x), y)))
                                : 0);
        }
    }
    return out;
}

// One icon image: BITMAPINFOHEADER with the doubled height, BGRA rows
// bottom-up, then the 1-bit AND mask (set where the pixel is transparent).
Bytes encodeIconImage(const Canvas& c) {
    const uint32_t n = static_cast<uint32_t>(c.width());
    const uint32_t maskStride = ((n + 31) / 32) * 4;
    Bytes out;
    put(out, BitmapInfoHeader{40, static_cast<int32_t>(n), static_cast<int32_t>(2 * n), 1, 32, 0,
                              n * n * 4 + maskStride * n, 0, 0, 0, 0});
    for (uint32_t row = 0; row < n; ++row) {
        for (uint32_t x = 0; x < n; ++x) {
            const auto p = c.rgba8(static_cast<int>(x), static_cast<int>(n - 1 - row));
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    }
    for (uint32_t row = 0; row < n; ++row) {
        Bytes line(maskStride, 0);
        for (uint32_t x = 0; x < n; ++x) {
            if (c.rgba8(static_cast<int>(x), static_cast<int>(n - 1 - row))[3] == 0) {
                line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

Bytes encodeIco(const std::vector<Canvas>& images) {
    std::vector<Bytes> data;
    for (const Canvas& c : images) {
        data.push_back(encodeIconImage(c));
    }
    Bytes out;
    put(out, IconDir{0, 1, static_cast<uint16_t>(images.size())});
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const uint8_t side = static_cast<uint8_t>(images[i].width() >= 256 ? 0 : images[i].width());
        put(out,
            IconDirEntry{side, side, 0, 0, 1, 32, static_cast<uint32_t>(data[i].size()), offset});
        offset += static_cast<uint32_t>(data[i].size());
    }
    for (const Bytes& d : data) {
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "k4artgen: cannot create %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "k4artgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::vector<Canvas> iconSizes(const std::function<void(Canvas&, float)>& draw,
                              std::initializer_list<int> sizes) {
    std::vector<Canvas> images;
    for (int n : sizes) {
        Canvas c(n, n);
        draw(c, static_cast<float>(n));
        images.push_back(std::move(c));
    }
    return images;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: k4artgen OUTPUT_FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') {
        dir += '/';
    }
    const auto emblem = [](Canvas& c, float n) { drawEmblem(c, 0, 0, n); };
    bool ok = writeFile(dir + "splash.bmp", encodeBmp8(drawSplash()));
    ok = writeFile(dir + "app.ico", encodeIco(iconSizes(emblem, {16, 32, 48}))) && ok;
    ok = writeFile(dir + "game.ico", encodeIco(iconSizes(drawKeep, {16, 32, 48}))) && ok;
    ok = writeFile(dir + "filename.ico", encodeIco(iconSizes(drawPageAndPencil, {16, 32}))) && ok;
    return ok ? 0 : 1;
}
