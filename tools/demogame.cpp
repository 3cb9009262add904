// k4demogame: writes a small demo install of the game into a folder, for
// trying the program (scripts/run) and for the README's screenshot:
//   data\pak\base.pak      version 5: most textures (compressed, stored,
//                          chained and wrapped entries)
//   data\pak\effects.pak   version 4: overlays (an eight-frame flame series)
//                          and backdrops
//   data\pak\patch01.pak   version 5, newer: a second door_oak.dds that wins
//                          over the one in base.pak
//   data\textures\...      loose files, some hiding archived ones
// Every input type appears: DDS (DXT1, DXT3, DXT5, A8R8G8B8, R5G6B5, A8L8,
// with full mip chains where the game would have them), BMP, TGA, PNG with
// alpha and JPEG. All pictures are drawn here by code; the output is the same
// on every run, down to the file times.
//
// Usage: k4demogame OUTDIR
#include "platform/platform.h"
#include "tools/imgwrite.h"
#include "tools/pakwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.14159265f;

// --- colours and images ---

struct Rgba {
    float r, g, b, a;
};

Rgba hex(uint32_t v, float a = 1.0f) {
    return {((v >> 16) & 0xFF) / 255.0f, ((v >> 8) & 0xFF) / 255.0f, (v & 0xFF) / 255.0f, a};
}
Rgba mix(Rgba x, Rgba y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}
Rgba scale(Rgba c, float f) {
    return {c.r * f, c.g * f, c.b * f, c.a};
}
Rgba withAlpha(Rgba c, float a) {
    return {c.r, c.g, c.b, a};
}
float clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}
float smooth(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
float frac(float v) {
    return v - std::floor(v);
}

struct Image {
    int w = 0, h = 0;
    std::vector<Rgba> px;
    Image(int width, int height, Rgba fill = {0, 0, 0, 0})
        : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}
    Rgba& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgba& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // Straight-alpha "over" at the given coverage.
    void blend(int x, int y, Rgba c, float coverage) {
        if (x < 0 || y < 0 || x >= w || y >= h || coverage <= 0) {
            return;
        }
        Rgba& d = at(x, y);
        const float a = clamp01(c.a * coverage);
        const float outA = a + d.a * (1 - a);
        if (outA <= 0) {
            return;
        }
        d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
        d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
        d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
        d.a = outA;
    }
};

// Fills every pixel of the box whose 4 x 4 samples fall inside the shape,
// weighted by how many do (anti-aliased edges).
void fillShape(Image& img, float x0, float y0, float x1, float y1, Rgba c,
               const std::function<bool(float, float)>& inside) {
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int ix1 = std::min(img.w - 1, static_cast<int>(std::ceil(x1)));
    const int iy1 = std::min(img.h - 1, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y) {
        for (int x = ix0; x <= ix1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4) ? 1 : 0;
                }
            }
            img.blend(x, y, c, hits / 16.0f);
        }
    }
}

void fillCircle(Image& img, float cx, float cy, float r, Rgba c) {
    fillShape(img, cx - r, cy - r, cx + r, cy + r, c,
              [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
}

void fillRect(Image& img, float x0, float y0, float x1, float y1, Rgba c) {
    fillShape(img, x0, y0, x1, y1, c,
              [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; });
}

bool inPolygon(const std::vector<std::pair<float, float>>& p, float x, float y) {
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].second > y) != (p[j].second > y) &&
            x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) +
                    p[i].first) {
            in = !in;
        }
    }
    return in;
}

void fillPolygon(Image& img, const std::vector<std::pair<float, float>>& p, Rgba c) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (const auto& [x, y] : p) {
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    fillShape(img, x0, y0, x1, y1, c, [&](float x, float y) { return inPolygon(p, x, y); });
}

// A thick line with round ends.
void strokeLine(Image& img, float ax, float ay, float bx, float by, float width, Rgba c) {
    const float r = width / 2;
    fillShape(img, std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r,
              std::max(ay, by) + r, c, [=](float x, float y) {
                  const float dx = bx - ax, dy = by - ay;
                  const float len2 = dx * dx + dy * dy;
                  const float t =
                      len2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0f, 1.0f) : 0;
                  const float ex = ax + t * dx - x, ey = ay + t * dy - y;
                  return ex * ex + ey * ey <= r * r;
              });
}

// --- deterministic noise (no library generators: their output may differ
// between standard libraries) ---

uint32_t hash3(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}
float hash01(int x, int y, uint32_t seed) {
    return (hash3(x, y, seed) & 0xFFFF) / 65535.0f;
}

// Value noise that repeats every `period` lattice cells, so textures tile.
float valueNoise(float x, float y, int period, uint32_t seed) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const float fx = x - xi, fy = y - yi;
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    auto corner = [&](int dx, int dy) { return hash01(wrap(xi + dx), wrap(yi + dy), seed); };
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
    const float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

// Fractal noise over u, v in [0, 1), tiling at the unit square; 0..1.
float fbm(float u, float v, int period, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(u * period, v * period, period, seed + o * 101);
        norm += amp;
        amp *= 0.5f;
        period *= 2;
    }
    return sum / norm;
}

// --- the pictures ---

Image bricks(int w, int h, Rgba brick, Rgba mortar, uint32_t seed) {
    Image img(w, h);
    const int rows = 8, cols = 4;
    const float bw = static_cast<float>(w) / cols, bh = static_cast<float>(h) / rows;
    const float m = w / 85.0f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int row = static_cast<int>(y / bh);
            const float sx = std::fmod(x + (row % 2) * bw / 2, static_cast<float>(w));
            const int col = static_cast<int>(sx / bw);
            const float lx = sx - col * bw, ly = y - row * bh;
            const float edge = std::min({lx, bw - lx, ly, bh - ly});
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float grain = fbm(u, v, 8, 5, seed);
            Rgba c;
            if (edge < m) {
                c = scale(mortar, 0.75f + 0.5f * grain);
            } else {
                const float tint = hash01(col, row, seed);
                c = mix(brick, scale(brick, 0.7f), tint);
                c = mix(c, hex(0x3a2a22), 0.25f * hash01(col + 7, row, seed + 1));
                c = scale(c, 0.7f + 0.6f * grain);
                // Speckles and a bevel lit from the top left.
                if (hash01(x, y, seed + 2) > 0.985f) {
                    c = scale(c, 0.6f);
                }
                if (edge < m + 2.5f) {
                    const bool lit = lx < 3 * m || ly < 3 * m;
                    c = scale(c, lit ? 1.18f : 0.78f);
                }
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    return img;
}

Image cobbles(int w, int h, uint32_t seed) {
    Image img(w, h);
    const int cells = 6;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w * cells,
                        v = static_cast<float>(y) / h * cells;
            float d1 = 1e9f, d2 = 1e9f;
            int best = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int cx = static_cast<int>(std::floor(u)) + dx;
                    const int cy = static_cast<int>(std::floor(v)) + dy;
                    const int wx = (cx + cells) % cells, wy = (cy + cells) % cells;
                    const float px = cx + 0.15f + 0.7f * hash01(wx, wy, seed);
                    const float py = cy + 0.15f + 0.7f * hash01(wx, wy, seed + 9);
                    const float d = std::hypot(u - px, v - py);
                    if (d < d1) {
                        d2 = d1, d1 = d, best = wy * cells + wx;
                    } else if (d < d2) {
                        d2 = d;
                    }
                }
            }
            const float noise =
                fbm(static_cast<float>(x) / w, static_cast<float>(y) / h, 16, 4, seed);
            const float gap = d2 - d1;
            Rgba stone = mix(hex(0x8a8478), hex(0x6b6157), hash01(best, 0, seed + 3));
            stone = scale(stone, (1.15f - 0.6f * d1) * (0.8f + 0.4f * noise));
            const Rgba dirt = scale(hex(0x3b3024), 0.7f + 0.5f * noise);
            img.at(x, y) = withAlpha(mix(dirt, stone, smooth(0.04f, 0.12f, gap)), 1);
        }
    }
    return img;
}

Image grass(int w, int h, uint32_t seed, bool flowers) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float n = fbm(static_cast<float>(x) / w, static_cast<float>(y) / h, 4, 6, seed);
            img.at(x, y) = withAlpha(mix(hex(0x1f4a16), hex(0x6f9a2c), n), 1);
        }
    }
    const int blades = w * h / 70;
    for (int i = 0; i < blades; ++i) {
        const float x = hash01(i, 1, seed) * w, y = hash01(i, 2, seed) * h;
        const float len = 4 + 7 * hash01(i, 3, seed), lean = (hash01(i, 4, seed) - 0.5f) * 6;
        const Rgba c = mix(hex(0x2d6a1c), hex(0xa8c850), hash01(i, 5, seed));
        // Drawn twice when near an edge so that the texture tiles.
        for (int oy = -1; oy <= 1; ++oy) {
            for (int ox = -1; ox <= 1; ++ox) {
                const float bx = x + ox * w, by = y + oy * h;
                if (bx > -12 && bx < w + 12 && by > -12 && by < h + 12) {
                    strokeLine(img, bx, by, bx + lean, by - len, 1.2f, withAlpha(c, 0.85f));
                }
            }
        }
    }
    if (flowers) {
        const Rgba petals[] = {hex(0xf5f0e0), hex(0xf2d23c), hex(0xd24a8a)};
        for (int i = 0; i < 28; ++i) {
            const float x = 8 + hash01(i, 7, seed) * (w - 16),
                        y = 8 + hash01(i, 8, seed) * (h - 16);
            const Rgba c = petals[hash3(i, 9, seed) % 3];
            for (int p = 0; p < 5; ++p) {
                const float a = p * 2 * kPi / 5;
                fillCircle(img, x + 2.6f * std::cos(a), y + 2.6f * std::sin(a), 1.9f, c);
            }
            fillCircle(img, x, y, 1.5f, hex(0xe8a020));
        }
    }
    return img;
}

Image dirt(int w, int h, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float n = fbm(u, v, 6, 6, seed);
            const float ruts =
                0.5f + 0.5f * std::sin(v * 2 * kPi * 3 + 4 * fbm(u, v, 4, 3, seed + 5));
            img.at(x, y) =
                withAlpha(scale(mix(hex(0x4a3320), hex(0x8c6a44), n), 0.85f + 0.2f * ruts), 1);
        }
    }
    for (int i = 0; i < 60; ++i) {
        const float x = 6 + hash01(i, 1, seed) * (w - 12), y = 6 + hash01(i, 2, seed) * (h - 12);
        const float r = 1.5f + 3 * hash01(i, 3, seed);
        fillCircle(img, x + 0.8f, y + 0.8f, r, hex(0x2a1c10, 0.6f));
        fillCircle(img, x, y, r, mix(hex(0x8d8478), hex(0xb8ad9a), hash01(i, 4, seed)));
        fillCircle(img, x - r / 3, y - r / 3, r / 3, hex(0xe0d8c8, 0.6f));
    }
    return img;
}

// Vertical boards with grain, seams and nails.
Image planks(int w, int h, Rgba light, Rgba dark, int boards, uint32_t seed, bool nails) {
    Image img(w, h);
    const float bw = static_cast<float>(w) / boards;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int board = static_cast<int>(x / bw);
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float warp = fbm(u, v + board * 0.37f, 4, 4, seed + board);
            const float grain = 0.5f + 0.5f * std::sin((u * boards * 9 + warp * 7) * 2 * kPi);
            Rgba c =
                mix(dark, light, 0.35f + 0.5f * grain * (0.7f + 0.3f * hash01(board, 0, seed)));
            c = scale(c, 0.8f + 0.35f * fbm(u, v, 16, 3, seed + 3));
            const float lx = x - board * bw;
            if (lx < 1.5f || lx > bw - 1.5f) {
                c = scale(c, 0.35f);
            } else if (lx < 3.5f) {
                c = scale(c, 1.15f);
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    if (nails) {
        for (int b = 0; b < boards; ++b) {
            for (float ny : {0.08f, 0.92f}) {
                const float cx = (b + 0.5f) * bw, cy = ny * h;
                fillCircle(img, cx + 0.8f, cy + 0.8f, w / 90.0f + 1, hex(0x1a120a, 0.7f));
                fillCircle(img, cx, cy, w / 90.0f + 1, hex(0x5a5a5e));
                fillCircle(img, cx - 0.6f, cy - 0.6f, w / 250.0f + 0.5f, hex(0xb0b0b8));
            }
        }
    }
    return img;
}

Image slateRoof(int w, int h, uint32_t seed) {
    Image img(w, h);
    const int rows = 8, cols = 6;
    const float tw = static_cast<float>(w) / cols, th = static_cast<float>(h) / rows;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int row = static_cast<int>(y / th);
            const float sx = std::fmod(x + (row % 2) * tw / 2, static_cast<float>(w));
            const int col = static_cast<int>(sx / tw);
            const float lx = sx - col * tw, ly = y - row * th;
            // Rounded lower corners of each tile, the row below showing through.
            const float cx = std::abs(lx - tw / 2) / (tw / 2);
            const float bottom = th - 5 * cx * cx * cx * cx;
            const float n = fbm(static_cast<float>(x) / w, static_cast<float>(y) / h, 8, 4, seed);
            Rgba c = mix(hex(0x3c4452), hex(0x59606e), hash01(col, row, seed));
            c = scale(c, 0.8f + 0.35f * n);
            if (ly > bottom || lx < 1.2f || lx > tw - 1.2f) {
                c = hex(0x181a20);
            } else {
                c = scale(c, 0.7f + 0.3f * smooth(0, th * 0.5f, ly)); // shadow of the row above
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    return img;
}

Image marble(int w, int h, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float turb = fbm(u, v, 2, 6, seed);
            const float vein = std::abs(std::sin((u + v * 0.5f + turb * 1.5f) * 2 * kPi));
            Rgba c = mix(hex(0x6e6a72), hex(0xefece6), smooth(0.0f, 0.35f, vein));
            c = mix(c, hex(0xd9cfc0), 0.3f * fbm(u, v, 2, 3, seed + 4));
            const float gx = std::fmod(static_cast<float>(x), w / 2.0f),
                        gy = std::fmod(static_cast<float>(y), h / 2.0f);
            if (gx < 1.5f || gy < 1.5f) {
                c = hex(0x8c8478);
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    return img;
}

Image water(int w, int h, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float n = fbm(u, v, 4, 5, seed);
            const float ridge = 1 - std::abs(fbm(u, v, 6, 3, seed + 7) - 0.5f) * 2;
            const float caustic = std::pow(ridge, 10.0f);
            Rgba c = mix(hex(0x0b3a5a), hex(0x2a7fa8), n);
            c = mix(c, hex(0xcdf2ff), caustic * 0.8f);
            img.at(x, y) = withAlpha(c, 0.62f + 0.3f * caustic);
        }
    }
    return img;
}

Image leadedWindow(int w, int h, uint32_t seed) {
    Image img(w, h);
    const Rgba tints[] = {hex(0xc8e0b0), hex(0xf0d890), hex(0xa8c8e8), hex(0xe8b0a0)};
    const float frame = w / 16.0f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w * 6, v = static_cast<float>(y) / h * 6;
            const float a = u + v, b = u - v;
            const float da = std::abs(frac(a) - 0.5f), db = std::abs(frac(b) - 0.5f);
            const int cell = static_cast<int>(std::floor(a)) * 31 + static_cast<int>(std::floor(b));
            Rgba c;
            if (x < frame || y < frame || x >= w - frame || y >= h - frame) {
                c = scale(hex(0x8a8070), 0.8f + 0.3f * fbm(x / float(w), y / float(h), 8, 4, seed));
                if (x < frame - 2 && y < frame - 2) {
                    c = scale(c, 1.1f);
                }
            } else if (da > 0.46f || db > 0.46f) {
                c = hex(0x2c2c30);
            } else {
                const Rgba t = tints[hash3(cell, 0, seed) % 4];
                const float n = fbm(x / float(w), y / float(h), 4, 3, seed + 1);
                c = withAlpha(scale(t, 0.85f + 0.3f * n), 0.35f + 0.25f * n);
            }
            img.at(x, y) = c;
        }
    }
    return img;
}

Image crate(int w, int h, uint32_t seed) {
    Image img = planks(w, h, hex(0xc89a5c), hex(0x7a5228), 5, seed, false);
    const float b = w / 10.0f;
    const Rgba frameWood = hex(0x9c6e38);
    fillRect(img, 0, 0, w, b, frameWood);
    fillRect(img, 0, h - b, w, h, frameWood);
    fillRect(img, 0, 0, b, h, frameWood);
    fillRect(img, w - b, 0, w, h, frameWood);
    strokeLine(img, b, h - b, w - b, b, b, scale(frameWood, 0.95f));
    for (float t : {0.0f, 1.0f}) { // edge shadows of the frame
        fillRect(img, b, t == 0 ? b : h - b - 2, w - b, t == 0 ? b + 2 : h - b,
                 hex(0x000000, 0.4f));
    }
    for (float cx : {b / 2, w - b / 2}) {
        for (float cy : {b / 2, h - b / 2}) {
            fillCircle(img, cx, cy, b / 4, hex(0x3a3a40));
            fillCircle(img, cx - 1, cy - 1, b / 10, hex(0xa0a0a8));
        }
    }
    return img;
}

Image barrelTop(int w, int h, uint32_t seed) {
    Image wood = planks(w, h, hex(0xb88a50), hex(0x6a4420), 6, seed, false);
    Image img(w, h);
    const float cx = w / 2.0f, cy = h / 2.0f, r = w * 0.47f;
    fillShape(img, 0, 0, w, h, {1, 1, 1, 1},
              [=](float x, float y) { return std::hypot(x - cx, y - cy) <= r; });
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
            Rgba c = wood.at(x, y);
            if (d > 0.86f) {
                const float band = std::sin((d - 0.86f) / 0.14f * kPi);
                c = scale(hex(0x4c4e54), 0.6f + 0.6f * band);
            } else if (d > 0.82f) {
                c = scale(c, 0.5f);
            }
            img.at(x, y) = withAlpha(c, img.at(x, y).a);
        }
    }
    fillCircle(img, cx + w * 0.18f, cy - h * 0.1f, w * 0.035f, hex(0x2a1a0c)); // bung hole
    return img;
}

Image shieldCrest(int w, int h) {
    Image img(w, h);
    const float cx = w / 2.0f;
    auto shield = [=](float inset) {
        return [=](float x, float y) {
            const float top = h * 0.06f + inset, mid = h * 0.5f;
            const float half = w * 0.42f - inset;
            if (y < top || std::abs(x - cx) > half) {
                return false;
            }
            if (y <= mid) {
                return true;
            }
            const float t = (y - mid) / (h * 0.94f - inset - mid); // 0..1 to the point
            return t <= 1 && std::abs(x - cx) <= half * std::sqrt(std::max(0.0f, 1 - t * t));
        };
    };
    fillShape(img, 0, 0, w, h, hex(0xc8ccd4), shield(0));
    fillShape(img, 0, 0, w, h, hex(0x7a808c), shield(w * 0.035f));
    const float inset = w * 0.06f;
    auto inner = shield(inset);
    fillShape(img, 0, 0, w, h, hex(0x9c1c24), inner);
    fillShape(img, 0, 0, w, h, hex(0xe0b030),
              [=](float x, float y) { return inner(x, y) && ((x < cx) != (y < h * 0.45f)); });
    std::vector<std::pair<float, float>> star;
    for (int i = 0; i < 10; ++i) {
        const float a = -kPi / 2 + i * kPi / 5, r = (i % 2 == 0 ? 0.2f : 0.085f) * w;
        star.push_back({cx + r * std::cos(a), h * 0.45f + r * std::sin(a)});
    }
    std::vector<std::pair<float, float>> shadow = star;
    for (auto& p : shadow) {
        p.first += 2, p.second += 2;
    }
    fillPolygon(img, shadow, hex(0x000000, 0.45f));
    fillPolygon(img, star, hex(0xf4f0e8));
    return img;
}

Image cloth(int w, int h, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float twill = ((x + y) % 6 < 3) ? 1.0f : 0.82f;
            const float fold =
                0.5f + 0.5f * std::sin((u * 3 + 0.4f * fbm(u, v, 2, 3, seed)) * 2 * kPi);
            Rgba c =
                mix(hex(0x142a5c), hex(0x3a62b0), fold * 0.8f + 0.2f * fbm(u, v, 32, 2, seed + 1));
            c = scale(c, twill);
            if (y % 64 < 4 && y % 64 > 0) {
                c = mix(c, hex(0xd8b040), 0.8f); // a woven gold stripe
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    return img;
}

float roundedRectDistance(float x, float y, float x0, float y0, float x1, float y1, float r) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float qx = std::abs(x - cx) - ((x1 - x0) / 2 - r),
                qy = std::abs(y - cy) - ((y1 - y0) / 2 - r);
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
           r;
}

Image goldButton(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float d = roundedRectDistance(x + 0.5f, y + 0.5f, 2, 2, w - 2, h - 2, h * 0.3f);
            const float t = static_cast<float>(y) / h;
            Rgba c = mix(hex(0xfff0a0), hex(0xa86c10), smooth(0.0f, 1.0f, t));
            if (d > -h * 0.12f) {
                c = mix(hex(0x6a4008), hex(0xffe080), 1 - t); // bevelled rim
            }
            if (t < 0.45f && d < -h * 0.16f) {
                c = mix(c, hex(0xffffff), 0.35f * (1 - t / 0.45f)); // gloss
            }
            img.at(x, y) = withAlpha(c, clamp01(0.5f - d));
        }
    }
    return img;
}

Image swordIcon(int s) {
    Image img(s, s);
    const float k = s / 64.0f;
    auto P = [k](float x, float y) { return std::make_pair(x * k, y * k); };
    fillPolygon(img, {P(30, 4), P(34, 4), P(36, 42), P(32, 46), P(28, 42)}, hex(0xd8dce4));
    fillPolygon(img, {P(32, 4), P(34, 4), P(36, 42), P(32, 46)}, hex(0x9098a8));
    fillRect(img, 18 * k, 42 * k, 46 * k, 47 * k, hex(0xb08a30));
    fillRect(img, 30 * k, 47 * k, 34 * k, 57 * k, hex(0x5a3418));
    for (int i = 0; i < 4; ++i) {
        strokeLine(img, 30 * k, (48.5f + i * 2.4f) * k, 34 * k, (49.5f + i * 2.4f) * k, 0.8f * k,
                   hex(0x2a180a));
    }
    fillCircle(img, 32 * k, 59 * k, 3.5f * k, hex(0xd0a840));
    fillCircle(img, 31 * k, 58 * k, 1.2f * k, hex(0xfff0c0));
    return img;
}

// A star-shaped glow; luminance and alpha (stored as A8L8).
Image spark(int s) {
    Image img(s, s);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            const float dx = (x + 0.5f) / s * 2 - 1, dy = (y + 0.5f) / s * 2 - 1;
            const float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
            const float rays = std::pow(std::abs(std::cos(2 * a)), 24.0f) * std::max(0.0f, 1 - r);
            const float glow = std::exp(-r * r * 18) + 0.6f * rays;
            const float l = clamp01(glow);
            img.at(x, y) = {l, l, l, l};
        }
    }
    return img;
}

// A 1-D fractal line for hill and wave silhouettes.
float ridge(float x, uint32_t seed, int period) {
    return fbm(x, 0.5f, period, 5, seed);
}

Image sunsetHills(int w, int h, uint32_t seed) {
    Image img(w, h);
    const float sunX = w * 0.68f, sunY = h * 0.62f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float t = static_cast<float>(y) / h;
            Rgba c = t < 0.45f ? mix(hex(0x2a2060), hex(0xc0507a), t / 0.45f)
                               : mix(hex(0xc0507a), hex(0xffb050), (t - 0.45f) / 0.55f);
            const float d = std::hypot(x - sunX, (y - sunY) * 1.4f);
            c = mix(c, hex(0xffe0a0), 0.6f * std::exp(-d / (h * 0.25f)));
            const float cloud =
                smooth(0.55f, 0.8f, fbm(x / float(w), y / float(h) * 4, 4, 5, seed));
            c = mix(c, hex(0xf08a70), cloud * 0.55f * (1 - t));
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    fillCircle(img, sunX, sunY, h * 0.1f, hex(0xfff4d0));
    const Rgba layers[] = {hex(0x8a5a8a), hex(0x5a3a6a), hex(0x2e2444), hex(0x141424)};
    for (int l = 0; l < 4; ++l) {
        const float base = h * (0.6f + 0.1f * l), amp = h * (0.35f - 0.05f * l);
        for (int x = 0; x < w; ++x) {
            const float top =
                base - amp * (ridge(static_cast<float>(x) / w, seed + 20 + l, 3 + l) - 0.3f);
            for (int y = std::max(0, static_cast<int>(top)); y < h; ++y) {
                const float cov = y == static_cast<int>(top) ? 1 - frac(top) : 1;
                img.blend(x, y, layers[l], cov);
            }
        }
    }
    // Trees on the nearest ridge.
    for (int i = 0; i < 26; ++i) {
        const float x = hash01(i, 0, seed) * w;
        const float base = h * 0.9f - h * 0.2f * (ridge(x / w, seed + 23, 6) - 0.3f);
        const float th = h * (0.07f + 0.06f * hash01(i, 1, seed));
        fillPolygon(img, {{x, base - th}, {x + th * 0.3f, base + 2}, {x - th * 0.3f, base + 2}},
                    hex(0x0c0c18));
    }
    return img;
}

Image nightCastle(int w, int h, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float t = static_cast<float>(y) / h;
            Rgba c = mix(hex(0x050818), hex(0x1c2c58), t);
            if (hash01(x, y, seed) > 0.9975f) {
                c = mix(c, hex(0xffffff), 0.4f + 0.6f * hash01(x, y, seed + 1));
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    const float mx = w * 0.18f, my = h * 0.26f, mr = h * 0.11f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float d = std::hypot(x - mx, y - my);
            img.blend(x, y, hex(0xa0b0e0), 0.35f * std::exp(-d / (mr * 1.2f)));
        }
    }
    fillCircle(img, mx, my, mr, hex(0xf0ecd8));
    fillCircle(img, mx - mr * 0.3f, my - mr * 0.2f, mr * 0.2f, hex(0xd0ccb8));
    fillCircle(img, mx + mr * 0.35f, my + mr * 0.3f, mr * 0.15f, hex(0xd8d4c0));
    // Hills, then the keep on the middle hill.
    for (int x = 0; x < w; ++x) {
        const float top = h * 0.82f - h * 0.12f * ridge(static_cast<float>(x) / w, seed + 5, 3);
        for (int y = static_cast<int>(top); y < h; ++y) {
            img.blend(x, y, hex(0x0a0e1a), 1);
        }
    }
    const Rgba stone = hex(0x262c44);
    const float cx = w * 0.58f, ground = h * 0.78f;
    fillRect(img, cx - 150, ground - 70, cx + 150, h, stone);
    for (int i = 0; i < 15; ++i) { // crenellations
        fillRect(img, cx - 150 + i * 20, ground - 80, cx - 140 + i * 20, ground - 69, stone);
    }
    const float towers[][3] = {{-170, 34, 105}, {170, 34, 105}, {-40, 44, 130}, {60, 30, 118}};
    for (const auto& tw : towers) {
        const float tx = cx + tw[0], half = tw[1] / 2, top = ground - tw[2];
        fillRect(img, tx - half, top, tx + half, h, stone);
        fillPolygon(img, {{tx - half - 6, top}, {tx, top - tw[1] * 1.3f}, {tx + half + 6, top}},
                    hex(0x1c1420));
        strokeLine(img, tx, top - tw[1] * 1.3f, tx, top - tw[1] * 1.3f - 14, 1.5f, stone);
        fillPolygon(img,
                    {{tx, top - tw[1] * 1.3f - 14},
                     {tx + 14, top - tw[1] * 1.3f - 10},
                     {tx, top - tw[1] * 1.3f - 6}},
                    hex(0xa02030));
        for (int k = 0; k < 3; ++k) {
            const float wy = top + 20 + k * 34;
            if (wy + 12 < ground && hash01(static_cast<int>(tw[0]), k, seed) > 0.3f) {
                fillRect(img, tx - 3, wy, tx + 3, wy + 11, hex(0xffc860));
            }
        }
    }
    fillShape(img, cx - 16, ground - 30, cx + 16, ground + 5, hex(0x060608), [=](float x, float y) {
        return y > ground - 18 ? std::abs(x - cx) < 15 : std::hypot(x - cx, y - (ground - 18)) < 15;
    });
    return img;
}

Image stormySea(int w, int h, uint32_t seed) {
    Image img(w, h);
    const float horizon = h * 0.55f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            Rgba c;
            if (y < horizon) {
                const float cl = fbm(u, v * 2, 4, 6, seed);
                c = mix(hex(0x30343c), hex(0x9aa0a8), smooth(0.3f, 0.75f, cl));
                c = mix(c, hex(0xe8e4d0), 0.5f * std::exp(-std::abs(y - horizon) / 12.0f));
            } else {
                const float depth = (y - horizon) / (h - horizon);
                const float waves = fbm(u * (1 + depth), v * 6, 8, 4, seed + 3);
                c = mix(hex(0x4a6670), hex(0x0e2230), depth);
                c = scale(c, 0.7f + 0.6f * waves);
                if (waves > 0.68f) {
                    c = mix(c, hex(0xe8eef0), smooth(0.68f, 0.8f, waves)); // white caps
                }
            }
            img.at(x, y) = withAlpha(c, 1);
        }
    }
    // A bolt of lightning.
    float lx = w * 0.3f, ly = 0;
    for (int i = 0; i < 9; ++i) {
        const float nx = lx + (hash01(i, 0, seed) - 0.5f) * 40, ny = ly + horizon / 9;
        strokeLine(img, lx, ly, nx, ny, 6, hex(0xb0c8ff, 0.3f));
        strokeLine(img, lx, ly, nx, ny, 2, hex(0xffffff));
        lx = nx, ly = ny;
    }
    return img;
}

Image forestMist(int w, int h, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.at(x, y) =
                withAlpha(mix(hex(0x9ab8b0), hex(0xdfe8d8), static_cast<float>(y) / h), 1);
        }
    }
    for (int l = 0; l < 4; ++l) {
        const Rgba c = mix(hex(0x88a49c), hex(0x10281c), l / 3.0f);
        const int trees = 30 + l * 8;
        for (int i = 0; i < trees; ++i) {
            const float x = (i + hash01(i, l, seed)) * w / trees;
            const float base = h * (0.7f + 0.1f * l),
                        th = h * (0.25f + 0.12f * l) * (0.7f + 0.5f * hash01(i, l + 9, seed));
            const float half = th * 0.22f;
            for (int tier = 0; tier < 3; ++tier) {
                const float tt = base - th + tier * th * 0.28f;
                fillPolygon(img,
                            {{x, tt},
                             {x + half * (0.6f + 0.3f * tier), tt + th * 0.45f},
                             {x - half * (0.6f + 0.3f * tier), tt + th * 0.45f}},
                            c);
            }
            fillRect(img, x - 1.5f, base - th * 0.2f, x + 1.5f, base, c);
        }
        fillRect(img, 0, h * (0.7f + 0.1f * l) - 1, w, h, c);
        // Mist between the layers.
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const float m =
                    fbm(static_cast<float>(x) / w, static_cast<float>(y) / h * 3, 4, 4, seed + l);
                img.blend(x, y, hex(0xe8efe8),
                          0.25f * smooth(0.4f, 0.8f, m) *
                              smooth(0.3f, 0.9f, static_cast<float>(y) / h));
            }
        }
    }
    return img;
}

// One frame of a looping camp fire: the noise scrolls up by a whole period
// over the series, so the last frame leads back into the first.
Image flameFrame(int w, int h, int frame, int frames, uint32_t seed) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
            const float shift = static_cast<float>(frame) / frames;
            const float n = fbm(u * 2, v + shift, 4, 5, seed);
            const float height = 1 - v; // 0 at the bottom
            const float width = 0.22f * (1 - height * 0.8f) + 0.03f;
            const float dx =
                std::abs(u - 0.5f + 0.05f * std::sin((v + shift) * 2 * kPi * 2)) / width;
            const float body = clamp01(1 - dx * dx) * clamp01(1.1f - height * 1.2f);
            const float heat = clamp01(body * (0.3f + 1.4f * n) * 1.45f);
            Rgba c = heat < 0.4f    ? mix(hex(0x600800), hex(0xe04010), heat / 0.4f)
                     : heat < 0.75f ? mix(hex(0xe04010), hex(0xffb020), (heat - 0.4f) / 0.35f)
                                    : mix(hex(0xffb020), hex(0xfff8d0), (heat - 0.75f) / 0.25f);
            img.at(x, y) = withAlpha(c, smooth(0.05f, 0.45f, heat));
        }
    }
    // Logs under the fire.
    strokeLine(img, w * 0.34f, h * 0.95f, w * 0.64f, h * 0.88f, h * 0.05f, hex(0x3a2414));
    strokeLine(img, w * 0.36f, h * 0.88f, w * 0.66f, h * 0.95f, h * 0.05f, hex(0x4a2e18));
    return img;
}

Image fog(int w, int h, uint32_t seed, Rgba tint) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float n = fbm(static_cast<float>(x) / w, static_cast<float>(y) / h, 4, 6, seed);
            img.at(x, y) = withAlpha(tint, smooth(0.35f, 0.8f, n) * 0.85f);
        }
    }
    return img;
}

Image runeCircle(int w, int h, uint32_t seed) {
    Image img(w, h);
    const float cx = w / 2.0f, cy = h / 2.0f, r = h * 0.4f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float d = std::abs(std::hypot(x - cx, y - cy) - r);
            img.blend(x, y, hex(0x40e0ff), std::exp(-d * d / 60) * 0.7f);
        }
    }
    fillShape(img, cx - r - 4, cy - r - 4, cx + r + 4, cy + r + 4, hex(0xc8f8ff),
              [=](float x, float y) {
                  const float d = std::hypot(x - cx, y - cy);
                  return std::abs(d - r) < 1.5f || std::abs(d - r * 0.8f) < 1.0f;
              });
    for (int i = 0; i < 12; ++i) { // a glyph of three strokes in each of twelve places
        const float a = i * 2 * kPi / 12, gx = cx + r * 0.9f * std::cos(a),
                    gy = cy + r * 0.9f * std::sin(a);
        for (int s = 0; s < 3; ++s) {
            const float a0 = hash01(i, s, seed) * 2 * kPi, a1 = hash01(i, s + 5, seed) * 2 * kPi;
            strokeLine(img, gx + 6 * std::cos(a0), gy + 6 * std::sin(a0), gx + 6 * std::cos(a1),
                       gy + 6 * std::sin(a1), 1.6f, hex(0xe0fcff));
        }
    }
    std::vector<std::pair<float, float>> star;
    for (int i = 0; i < 5; ++i) {
        const float a = -kPi / 2 + i * 4 * kPi / 5;
        star.push_back({cx + r * 0.78f * std::cos(a), cy + r * 0.78f * std::sin(a)});
    }
    for (int i = 0; i < 5; ++i) {
        strokeLine(img, star[i].first, star[i].second, star[(i + 1) % 5].first,
                   star[(i + 1) % 5].second, 1.5f, hex(0x90f0ff, 0.9f));
    }
    return img;
}

Image vignette(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float dx = (x + 0.5f) / w * 2 - 1, dy = (y + 0.5f) / h * 2 - 1;
            img.at(x, y) = {0.02f, 0.01f, 0.03f, smooth(0.55f, 1.35f, std::hypot(dx, dy))};
        }
    }
    return img;
}

// An arched oak door; `painted` is the older, faded green version.
Image door(int s, bool painted, uint32_t seed) {
    Image img = bricks(s, s, hex(0x8a7a68), hex(0x5a5248), seed + 50);
    Image wood = planks(s, s, painted ? hex(0x7a9a80) : hex(0xa8703a),
                        painted ? hex(0x3a5444) : hex(0x5a3416), 5, seed, true);
    const float x0 = s * 0.2f, x1 = s * 0.8f, top = s * 0.1f + (x1 - x0) / 2;
    auto inside = [=](float x, float y) {
        return (y >= top && x >= x0 && x < x1) || std::hypot(x - s / 2.0f, y - top) < (x1 - x0) / 2;
    };
    fillShape(img, x0 - 6, 0, x1 + 6, s, hex(0x3a3430), [=](float x, float y) {
        return (y >= top && x >= x0 - 5 && x < x1 + 5) ||
               std::hypot(x - s / 2.0f, y - top) < (x1 - x0) / 2 + 5;
    });
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            if (inside(x + 0.5f, y + 0.5f)) {
                img.at(x, y) = wood.at(x, y);
            }
        }
    }
    const Rgba iron = hex(0x26262a);
    for (float hy : {0.35f, 0.75f}) {
        fillRect(img, x0, s * hy, x1 - s * 0.1f, s * hy + s * 0.045f, iron);
        fillCircle(img, x1 - s * 0.1f, s * hy + s * 0.0225f, s * 0.03f, iron);
    }
    fillCircle(img, x1 - s * 0.09f, s * 0.56f, s * 0.035f, hex(0x8a6a28));
    fillCircle(img, x1 - s * 0.09f, s * 0.56f, s * 0.018f, iron);
    return img;
}

// --- encoders ---

uint8_t q8(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255));
}

Image halve(const Image& src) {
    Image dst(std::max(1, src.w / 2), std::max(1, src.h / 2));
    for (int y = 0; y < dst.h; ++y) {
        for (int x = 0; x < dst.w; ++x) {
            // Alpha-weighted box filter, so that transparent texels do not
            // darken the colour of the edges.
            float r = 0, g = 0, b = 0, a = 0;
            int n = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const Rgba& p =
                        src.at(std::min(src.w - 1, x * 2 + dx), std::min(src.h - 1, y * 2 + dy));
                    r += p.r * p.a, g += p.g * p.a, b += p.b * p.a, a += p.a;
                    ++n;
                }
            }
            dst.at(x, y) = a > 0 ? Rgba{r / a, g / a, b / a, a / n} : Rgba{0, 0, 0, 0};
        }
    }
    return dst;
}

uint16_t to565(float r, float g, float b) {
    return static_cast<uint16_t>((std::lround(clamp01(r) * 31) << 11) |
                                 (std::lround(clamp01(g) * 63) << 5) |
                                 std::lround(clamp01(b) * 31));
}
void from565(uint16_t c, float* out) {
    out[0] = ((c >> 11) & 31) / 31.0f, out[1] = ((c >> 5) & 63) / 63.0f, out[2] = (c & 31) / 31.0f;
}

// The colour half of a DXT block, always in four-colour mode: the end points
// are the extremes of the block's colours along their main axis.
void encodeColourBlock(const Rgba* block, std::vector<uint8_t>* out) {
    float mean[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        mean[0] += block[i].r / 16, mean[1] += block[i].g / 16, mean[2] += block[i].b / 16;
    }
    float cov[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        const float d[3] = {block[i].r - mean[0], block[i].g - mean[1], block[i].b - mean[2]};
        cov[0] += d[0] * d[0], cov[1] += d[0] * d[1], cov[2] += d[0] * d[2];
        cov[3] += d[1] * d[1], cov[4] += d[1] * d[2], cov[5] += d[2] * d[2];
    }
    float axis[3] = {1, 1, 1};
    for (int it = 0; it < 8; ++it) { // power iteration
        const float nx = cov[0] * axis[0] + cov[1] * axis[1] + cov[2] * axis[2];
        const float ny = cov[1] * axis[0] + cov[3] * axis[1] + cov[4] * axis[2];
        const float nz = cov[2] * axis[0] + cov[4] * axis[1] + cov[5] * axis[2];
        const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (len < 1e-12f) {
            break;
        }
        axis[0] = nx / len, axis[1] = ny / len, axis[2] = nz / len;
    }
    float lo = 1e9f, hi = -1e9f;
    int iLo = 0, iHi = 0;
    for (int i = 0; i < 16; ++i) {
        const float p = block[i].r * axis[0] + block[i].g * axis[1] + block[i].b * axis[2];
        if (p < lo) {
            lo = p, iLo = i;
        }
        if (p > hi) {
            hi = p, iHi = i;
        }
    }
    uint16_t c0 = to565(block[iHi].r, block[iHi].g, block[iHi].b);
    uint16_t c1 = to565(block[iLo].r, block[iLo].g, block[iLo].b);
    if (c0 < c1) {
        std::swap(c0, c1);
    }
    float pal[4][3];
    from565(c0, pal[0]);
    from565(c1, pal[1]);
    for (int k = 0; k < 3; ++k) {
        pal[2][k] = (2 * pal[0][k] + pal[1][k]) / 3;
        pal[3][k] = (pal[0][k] + 2 * pal[1][k]) / 3;
    }
    uint32_t indices = 0;
    if (c0 != c1) {
        for (int i = 0; i < 16; ++i) {
            int best = 0;
            float bestD = 1e9f;
            for (int k = 0; k < 4; ++k) {
                const float dr = block[i].r - pal[k][0], dg = block[i].g - pal[k][1],
                            db = block[i].b - pal[k][2];
                const float d = dr * dr + dg * dg + db * db;
                if (d < bestD) {
                    bestD = d, best = k;
                }
            }
            indices |= static_cast<uint32_t>(best) << (2 * i);
        }
    }
    for (uint32_t v : {static_cast<uint32_t>(c0), static_cast<uint32_t>(c1)}) {
        out->push_back(v & 0xFF), out->push_back(v >> 8);
    }
    for (int k = 0; k < 4; ++k) {
        out->push_back((indices >> (8 * k)) & 0xFF);
    }
}

void encodeAlpha5(const Rgba* block, std::vector<uint8_t>* out) {
    uint8_t a0 = 0, a1 = 255;
    for (int i = 0; i < 16; ++i) {
        a0 = std::max(a0, q8(block[i].a)), a1 = std::min(a1, q8(block[i].a));
    }
    out->push_back(a0), out->push_back(a1);
    uint64_t bits = 0;
    if (a0 != a1) {
        float pal[8] = {static_cast<float>(a0), static_cast<float>(a1)};
        for (int k = 1; k < 7; ++k) {
            pal[k + 1] = ((7 - k) * a0 + k * a1) / 7.0f;
        }
        for (int i = 0; i < 16; ++i) {
            int best = 0;
            float bestD = 1e9f;
            for (int k = 0; k < 8; ++k) {
                const float d = std::abs(q8(block[i].a) - pal[k]);
                if (d < bestD) {
                    bestD = d, best = k;
                }
            }
            bits |= static_cast<uint64_t>(best) << (3 * i);
        }
    }
    for (int k = 0; k < 6; ++k) {
        out->push_back((bits >> (8 * k)) & 0xFF);
    }
}

void encodeAlpha3(const Rgba* block, std::vector<uint8_t>* out) {
    for (int i = 0; i < 16; i += 2) {
        const int lo = std::lround(clamp01(block[i].a) * 15),
                  hi = std::lround(clamp01(block[i + 1].a) * 15);
        out->push_back(static_cast<uint8_t>(lo | (hi << 4)));
    }
}

enum class Format { DXT1, DXT3, DXT5, A8R8G8B8, X8R8G8B8, R5G6B5, A4R4G4B4, A8L8 };

void encodeLevel(const Image& img, Format f, std::vector<uint8_t>* out) {
    if (f == Format::DXT1 || f == Format::DXT3 || f == Format::DXT5) {
        for (int by = 0; by < img.h; by += 4) {
            for (int bx = 0; bx < img.w; bx += 4) {
                Rgba block[16];
                for (int i = 0; i < 16; ++i) {
                    block[i] =
                        img.at(std::min(img.w - 1, bx + i % 4), std::min(img.h - 1, by + i / 4));
                }
                if (f == Format::DXT3) {
                    encodeAlpha3(block, out);
                } else if (f == Format::DXT5) {
                    encodeAlpha5(block, out);
                }
                encodeColourBlock(block, out);
            }
        }
        return;
    }
    auto put = [out](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            out->push_back((v >> (8 * k)) & 0xFF);
        }
    };
    for (const Rgba& p : img.px) {
        switch (f) {
        case Format::A8R8G8B8:
            put(static_cast<uint32_t>(q8(p.a)) << 24 | q8(p.r) << 16 | q8(p.g) << 8 | q8(p.b), 4);
            break;
        case Format::X8R8G8B8:
            put(0xFF000000u | q8(p.r) << 16 | q8(p.g) << 8 | q8(p.b), 4);
            break;
        case Format::R5G6B5:
            put(to565(p.r, p.g, p.b), 2);
            break;
        case Format::A4R4G4B4:
            put(std::lround(clamp01(p.a) * 15) << 12 | std::lround(clamp01(p.r) * 15) << 8 |
                    std::lround(clamp01(p.g) * 15) << 4 | std::lround(clamp01(p.b) * 15),
                2);
            break;
        case Format::A8L8:
            put(q8(p.a) << 8 | q8(0.299f * p.r + 0.587f * p.g + 0.114f * p.b), 2);
            break;
        default:
            break;
        }
    }
}

// A DDS file with all mip levels down to 1 x 1 when `mips` is set.
imgwrite::Bytes dds(const Image& img, Format f, bool mips) {
    imgwrite::DdsOptions o;
    o.width = img.w, o.height = img.h;
    const bool compressed = f == Format::DXT1 || f == Format::DXT3 || f == Format::DXT5;
    switch (f) {
    case Format::DXT1:
        o.fourCC = imgwrite::fourCC("DXT1");
        break;
    case Format::DXT3:
        o.fourCC = imgwrite::fourCC("DXT3");
        break;
    case Format::DXT5:
        o.fourCC = imgwrite::fourCC("DXT5");
        break;
    case Format::A8R8G8B8:
        o.pfFlags = 0x41, o.bits = 32, o.masks[0] = 0xFF0000, o.masks[1] = 0xFF00,
        o.masks[2] = 0xFF, o.masks[3] = 0xFF000000;
        break;
    case Format::X8R8G8B8:
        o.pfFlags = 0x40, o.bits = 32, o.masks[0] = 0xFF0000, o.masks[1] = 0xFF00,
        o.masks[2] = 0xFF;
        break;
    case Format::R5G6B5:
        o.pfFlags = 0x40, o.bits = 16, o.masks[0] = 0xF800, o.masks[1] = 0x7E0, o.masks[2] = 0x1F;
        break;
    case Format::A4R4G4B4:
        o.pfFlags = 0x41, o.bits = 16, o.masks[0] = 0xF00, o.masks[1] = 0xF0, o.masks[2] = 0xF,
        o.masks[3] = 0xF000;
        break;
    case Format::A8L8:
        o.pfFlags = 0x20001, o.bits = 16, o.masks[0] = 0xFF, o.masks[3] = 0xFF00;
        break;
    }
    std::vector<uint8_t> data;
    Image level = img;
    uint32_t levels = 0;
    for (;;) {
        encodeLevel(level, f, &data);
        ++levels;
        if (!mips || (level.w == 1 && level.h == 1)) {
            break;
        }
        level = halve(level);
    }
    if (compressed) {
        o.flags |= 0x80000;
        o.pitchOrLinearSize = static_cast<uint32_t>(((img.w + 3) / 4) * ((img.h + 3) / 4) *
                                                    (f == Format::DXT1 ? 8 : 16));
    } else {
        o.flags |= 0x8;
        o.pitchOrLinearSize = static_cast<uint32_t>(img.w) * (o.bits / 8);
    }
    if (levels > 1) {
        o.flags |= 0x20000;
        o.mipCount = levels;
        o.caps |= 0x400008;
    }
    return imgwrite::writeDds(o, data);
}

imgwrite::Bytes png(const Image& img) {
    std::vector<uint16_t> s;
    for (const Rgba& p : img.px) {
        s.insert(s.end(), {q8(p.r), q8(p.g), q8(p.b), q8(p.a)});
    }
    return imgwrite::writePng(imgwrite::PngOptions{}, img.w, img.h, s);
}

imgwrite::Bytes jpeg(const Image& img) {
    std::vector<uint8_t> s;
    for (const Rgba& p : img.px) {
        s.insert(s.end(), {q8(p.r), q8(p.g), q8(p.b)});
    }
    imgwrite::JpegOptions o;
    o.quality = 92;
    return imgwrite::writeJpeg(o, img.w, img.h, s);
}

imgwrite::Bytes bmp(const Image& img) {
    std::vector<uint32_t> v;
    for (const Rgba& p : img.px) {
        v.push_back(static_cast<uint32_t>(q8(p.r)) << 16 | q8(p.g) << 8 | q8(p.b));
    }
    return imgwrite::writeBmp(imgwrite::BmpOptions{}, img.w, img.h, v);
}

imgwrite::Bytes tga(const Image& img, bool rle) {
    std::vector<uint32_t> v;
    for (const Rgba& p : img.px) {
        v.push_back(static_cast<uint32_t>(q8(p.a)) << 24 | q8(p.r) << 16 | q8(p.g) << 8 | q8(p.b));
    }
    imgwrite::TgaOptions o;
    o.imageType = rle ? 10 : 2, o.bits = 32, o.alphaBits = 8;
    return imgwrite::writeTga(o, img.w, img.h, v);
}

// A 64 x 64 thumbnail: the picture scaled into a centred band of the given
// aspect, black above and below.
Image thumbnail(const Image& src, int aspect) {
    Image t(64, 64, {0, 0, 0, 1});
    const int bandH = 64 / aspect, top = (64 - bandH) / 2;
    for (int y = 0; y < bandH; ++y) {
        for (int x = 0; x < 64; ++x) {
            Rgba sum{0, 0, 0, 0};
            const int x0 = x * src.w / 64, x1 = std::max(x0 + 1, (x + 1) * src.w / 64);
            const int y0 = y * src.h / bandH, y1 = std::max(y0 + 1, (y + 1) * src.h / bandH);
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const Rgba& p = src.at(sx, sy);
                    sum.r += p.r, sum.g += p.g, sum.b += p.b;
                }
            }
            const float n = static_cast<float>((x1 - x0) * (y1 - y0));
            t.at(x, top + y) = {sum.r / n, sum.g / n, sum.b / n, 1};
        }
    }
    return t;
}

// --- the install ---

// File times, fixed so that the output is the same on every run.
constexpr int64_t kBaseTime = 1709294400;  // 2024-03-01 12:00 UTC
constexpr int64_t kPatchTime = 1726401600; // 2024-09-15 12:00 UTC
constexpr int64_t kLooseTime = 1714564800; // 2024-05-01 12:00 UTC

struct Archive {
    std::string file;
    int32_t version;
    int64_t time;
    K4QBPakWriter writer;
};

class Install {
public:
    explicit Install(std::string root) : root_(std::move(root)) {}

    Archive& archive(const std::string& file, int32_t version, int64_t time) {
        auto it = archives_.find(file);
        if (it == archives_.end()) {
            it =
                archives_.emplace(file, Archive{file, version, time, K4QBPakWriter(version)}).first;
            // The upper folders are listed too, as the game's own archives do.
            it->second.writer.addFolder("");
            it->second.writer.addFolder("data\\");
            it->second.writer.addFolder("data\\textures\\", 2);
        }
        return it->second;
    }

    void packed(Archive& a, const std::string& folder, const std::string& name,
                const imgwrite::Bytes& bytes, K4QBPakEncoding encoding) {
        a.writer.addFile(folder, name, bytes, encoding);
        ++packedCount_;
    }

    bool loose(const std::string& folder, const std::string& name, const imgwrite::Bytes& bytes) {
        const std::string dir = root_ + "\\" + folder;
        const std::string path = dir + name;
        if (!k4p::createFolderTree(dir.c_str()) || bytes.empty() ||
            !imgwrite::saveFile(path, bytes) ||
            !k4p::setFileModifiedTime(path.c_str(), kLooseTime)) {
            std::fprintf(stderr, "k4demogame: cannot write %s\n", path.c_str());
            return false;
        }
        ++looseCount_;
        return true;
    }

    bool writeArchives() {
        // The pak writer opens its file with the C library: plain slashes.
        const std::string dir = root_ + "/data/pak/";
        if (!k4p::createFolderTree(dir.c_str())) {
            std::fprintf(stderr, "k4demogame: cannot create %s\n", dir.c_str());
            return false;
        }
        for (auto& [file, a] : archives_) {
            const std::string path = dir + file;
            if (!a.writer.writeTo(path) || !k4p::setFileModifiedTime(path.c_str(), a.time)) {
                std::fprintf(stderr, "k4demogame: cannot write %s\n", path.c_str());
                return false;
            }
        }
        return true;
    }

    int packedCount() const { return packedCount_; }
    int looseCount() const { return looseCount_; }
    size_t archiveCount() const { return archives_.size(); }

private:
    std::string root_;
    std::map<std::string, Archive> archives_;
    int packedCount_ = 0, looseCount_ = 0;
};

bool build(Install& install) {
    using E = K4QBPakEncoding;
    Archive& base = install.archive("base.pak", 5, kBaseTime);
    Archive& effects = install.archive("effects.pak", 4, kBaseTime);
    Archive& patch = install.archive("patch01.pak", 5, kPatchTime);
    const std::string tex = "data\\textures\\";
    // World textures sit in data\textures\ itself, where the game keeps them;
    // the sub-folders hold the other kinds.
    const std::string props = tex + "props\\", characters = tex + "characters\\", ui = tex + "ui\\",
                      fx = tex + "effects\\", overlays = tex + "overlays\\",
                      backdrops = tex + "backdrops\\";

    // Textures of the world, mostly DXT with full mip chains.
    const Image grassOld = grass(256, 256, 11, false);
    install.packed(base, tex, "grass_01.dds", dds(grassOld, Format::DXT1, true), E::Compressed);
    install.packed(base, tex, "dirt_road.dds", dds(dirt(256, 256, 12), Format::DXT1, true),
                   E::Compressed);
    install.packed(base, tex, "cobbles.dds", dds(cobbles(256, 256, 13), Format::X8R8G8B8, true),
                   E::Chained);
    install.packed(base, tex, "brick_red.dds",
                   dds(bricks(256, 256, hex(0xa8442c), hex(0xb8ae9c), 14), Format::DXT1, true),
                   E::Compressed);
    install.packed(base, tex, "brick_grey.dds",
                   dds(bricks(128, 128, hex(0x8a8a90), hex(0x4a4640), 15), Format::R5G6B5, true),
                   E::Stored);
    install.packed(
        base, tex, "plank_oak.dds",
        dds(planks(256, 256, hex(0xb8844c), hex(0x5c3a1c), 4, 16, true), Format::DXT1, true),
        E::Wrapped);
    install.packed(base, tex, "roof_slate.dds", dds(slateRoof(256, 256, 17), Format::DXT3, true),
                   E::Compressed);
    install.packed(base, tex, "window_leaded.dds",
                   dds(leadedWindow(128, 256, 18), Format::DXT5, true), E::Compressed);
    install.packed(base, tex, "door_oak.dds", dds(door(128, true, 19), Format::DXT1, true),
                   E::Compressed);
    install.packed(base, tex, "marble_floor.dds", dds(marble(256, 256, 20), Format::A8R8G8B8, true),
                   E::Wrapped);
    install.packed(base, tex, "water_pond.dds", dds(water(256, 256, 21), Format::DXT5, true),
                   E::Compressed);
    install.packed(base, props, "barrel_top.tga", tga(barrelTop(128, 128, 22), true),
                   E::Compressed);
    install.packed(base, props, "shield_crest.png", png(shieldCrest(128, 160)), E::Stored);
    install.packed(base, fx, "spark.dds", dds(spark(64), Format::A8L8, true), E::Compressed);
    install.packed(base, ui, "icon_sword.dds", dds(swordIcon(64), Format::A4R4G4B4, false),
                   E::Stored);

    // The patch replaces the faded door with a new one.
    install.packed(patch, tex, "door_oak.dds", dds(door(256, false, 19), Format::DXT1, true),
                   E::Compressed);
    install.packed(patch, props, "crate_old.dds", dds(crate(128, 128, 23), Format::DXT1, true),
                   E::Compressed);

    // Overlays and backdrops: no mips below overlays; backdrops with
    // thumbnails, as the game keeps them.
    for (int f = 0; f < 8; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "overlay_flame_%02d.dds", f);
        install.packed(effects, overlays, name,
                       dds(flameFrame(256, 256, f, 8, 24), Format::DXT5, false),
                       f % 2 == 0 ? E::Compressed : E::Wrapped);
    }
    install.packed(effects, overlays, "overlay_fog.dds",
                   dds(fog(512, 256, 25, hex(0xf0f0f0)), Format::A8R8G8B8, false), E::Compressed);
    install.packed(effects, overlays, "overlay_runes.png", png(runeCircle(512, 256, 26)),
                   E::Stored);
    const Image sunset = sunsetHills(1024, 256, 27);
    install.packed(effects, backdrops, "bd_sunset_hills.dds", dds(sunset, Format::DXT1, true),
                   E::Compressed);
    install.packed(effects, backdrops, "th_sunset_hills.dds",
                   dds(thumbnail(sunset, 4), Format::A8R8G8B8, false), E::Stored);
    const Image forest = forestMist(1024, 256, 28);
    install.packed(effects, backdrops, "bd_forest_mist.dds", dds(forest, Format::R5G6B5, true),
                   E::Wrapped);
    install.packed(effects, backdrops, "th_forest_mist.dds",
                   dds(thumbnail(forest, 4), Format::A8R8G8B8, false), E::Compressed);

    // Loose files: a greener grass and a bluish fog that hide the archived
    // ones, and files that exist only on disk, in every other input type.
    bool ok =
        install.loose(tex, "grass_01.dds", dds(grass(256, 256, 31, true), Format::DXT1, true)) &&
        install.loose(overlays, "overlay_fog.dds",
                      dds(fog(512, 256, 32, hex(0xc8dcff)), Format::A8R8G8B8, false)) &&
        install.loose(overlays, "overlay_vignette.tga", tga(vignette(512, 256), false)) &&
        install.loose(props, "crate.bmp", bmp(crate(128, 128, 33))) &&
        install.loose(characters, "cloak_blue.jpg", jpeg(cloth(256, 256, 34))) &&
        install.loose(ui, "button_gold.png", png(goldButton(192, 64))) &&
        install.loose(ui, "icon_sword.tga", tga(swordIcon(64), true));
    const Image night = nightCastle(1024, 256, 35);
    ok = ok && install.loose(backdrops, "bd_night_castle.jpg", jpeg(night)) &&
         install.loose(backdrops, "th_night_castle.dds",
                       dds(thumbnail(night, 4), Format::A8R8G8B8, false)) &&
         install.loose(backdrops, "bd_stormy_sea.bmp", bmp(stormySea(1024, 256, 36)));
    return ok && install.writeArchives();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: k4demogame OUTDIR\n");
        return 2;
    }
    Install install(argv[1]);
    if (!build(install)) {
        return 1;
    }
    std::printf("k4demogame: %s: %zu archives with %d files, %d loose files\n", argv[1],
                install.archiveCount(), install.packedCount(), install.looseCount());
    return 0;
}
