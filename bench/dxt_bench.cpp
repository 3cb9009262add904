// dxt_bench: quality and speed of our DXT1, DXT3 and DXT5 encoders against
// the public front (icbc at levels 1, 4, 5 and 8, rgbcx at levels 5 and 10),
// libsquish's ClusterFit and stb_dxt HIGHQUAL, per image class, measured in
// one run on the same 4x4 blocks on one thread; then our PNG and JPEG
// readers against plain libpng and libjpeg decoding of the same files, and
// whole images and mip chains on one thread and on all cores.
//
//   dxt_bench [IMAGE_DIR [--whole | --quick]]
//     IMAGE_DIR: default build/bench-images, see fetch_images.sh
//     --whole: only the whole images and mip chains
//     --quick: only ours and icbc levels 4 and 5, DXT1 colour and DXT5
//
// IMAGE_DIR holds PNG tiles, classed by their names' prefixes: photographs
// (photo-), sprites and tiles (sprite-, layer-, sheet-), flat-shaded game art
// (flat-), user-interface art (ui-) and cartoon art (cartoon-); IMAGE_DIR/jpeg
// holds the JPEG files. Every encoder's blocks are decoded by our decoder
// (the rounding rules of dxt.h). icbc and rgbcx are there when the build
// found their folder (bench/CMakeLists.txt); icbc's DXT5 is its colour block
// with rgbcx's alpha block (dxt_anchors.h). Speeds are thread CPU time, the
// best of several rounds that take every class and encoder in turn, and are
// given as ratios to icbc level 4 in the same run.
#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/dxt.h"
#include "codec/mips.h"
#include "codec/parallel.h"
#ifdef K4_DXT_ANCHORS
#include "bench/dxt_anchors.h"
#endif

#include <cstdio> // before jpeglib.h, which needs FILE
#include <dirent.h>
#include <jpeglib.h>
#include <png.h>
#include <squish.h>
#include <stb/stb_dxt.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

using namespace k4codec;

namespace {

// CPU time of this thread: the figures are per thread and do not change
// when other programs share the machine.
double threadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Repeats `work` until at least `minimum` seconds have passed; seconds per call.
template <typename Work> double timePerCall(double minimum, Work work) {
    int calls = 0;
    const double start = threadSeconds();
    double elapsed = 0;
    do {
        work();
        ++calls;
        elapsed = threadSeconds() - start;
    } while (elapsed < minimum);
    return elapsed / calls;
}

struct Tile {
    std::string name;
    std::vector<uint8_t> file;
    uint32_t width = 0, height = 0;
    std::vector<Rgba> pixels;
    bool alpha = false;
};

std::vector<std::string> listFiles(const std::string& dir, const char* suffix) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d)) {
            const std::string name = entry->d_name;
            const size_t n = std::strlen(suffix);
            if (name.size() > n && name.compare(name.size() - n, n, suffix) == 0) {
                names.push_back(name);
            }
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool loadTile(const std::string& dir, const std::string& name, Tile* tile) {
    tile->name = name;
    Image image;
    std::vector<Rgba> pixels;
    if (readFileBytes((dir + "/" + name).c_str(), &tile->file) != kOk ||
        readImage(tile->file.data(), tile->file.size(), &image, nullptr) != kOk ||
        decodeLevel(image, 0, &tile->pixels) != kOk) {
        std::fprintf(stderr, "dxt_bench: cannot read %s/%s\n", dir.c_str(), name.c_str());
        return false;
    }
    tile->width = image.width;
    tile->height = image.height;
    tile->alpha = std::any_of(tile->pixels.begin(), tile->pixels.end(),
                              [](const Rgba& p) { return p.a != 255; });
    return true;
}

// --- DXT encoders ---

// All blocks of a set of tiles, 16 RGBA texels each, edges repeated; `alpha`
// tells per block whether its tile has any alpha below 255.
struct BlockSet {
    std::vector<Rgba> texels;
    std::vector<bool> alpha;
    size_t tiles = 0;
    size_t count() const { return texels.size() / 16; }
};

void appendBlocks(const Tile& tile, BlockSet* set) {
    ++set->tiles;
    for (uint32_t by = 0; by < tile.height; by += 4) {
        for (uint32_t bx = 0; bx < tile.width; bx += 4) {
            for (uint32_t y = 0; y < 4; ++y) {
                const uint32_t sy = std::min(by + y, tile.height - 1);
                for (uint32_t x = 0; x < 4; ++x) {
                    const uint32_t sx = std::min(bx + x, tile.width - 1);
                    set->texels.push_back(tile.pixels[static_cast<size_t>(sy) * tile.width + sx]);
                }
            }
            set->alpha.push_back(tile.alpha);
        }
    }
}

// Image classes, by the file name's prefix (fetch_images.sh).
constexpr int kClasses = 5;
const char* const kClassNames[kClasses] = {"photos", "sprites", "flat", "UI", "cartoon"};

int classOf(const std::string& name) {
    if (name.compare(0, 6, "photo-") == 0) {
        return 0;
    }
    if (name.compare(0, 5, "flat-") == 0) {
        return 2;
    }
    if (name.compare(0, 3, "ui-") == 0) {
        return 3;
    }
    if (name.compare(0, 8, "cartoon-") == 0) {
        return 4;
    }
    return 1; // sprite-, layer-, sheet-
}

// What is measured: DXT1 colour alone (alpha taken as 255, which is all the
// public encoders' BC1 knows), DXT5 colour and alpha, and the modes that
// only some encoders have: DXT1 with its cut-out alpha, and DXT3.
enum Mode { kDxt1Colour, kDxt5, kDxt1CutOut, kDxt3, kModes };
const char* const kModeNames[kModes] = {
    "DXT1 colour (every texel opaque)", "DXT5 (colour and alpha)",
    "DXT1 with cut-out alpha (texels below 128 transparent)", "DXT3"};
const Format kModeFormats[kModes] = {kFmtDXT1, kFmtDXT5, kFmtDXT1, kFmtDXT3};

using EncodeFn = void (*)(Format format, const Rgba* in, uint8_t* out);

void encodeOurs(Format format, const Rgba* in, uint8_t* out) {
    dxtEncodeBlock(format, in, out);
}

int squishFormat(Format format) {
    return format == kFmtDXT1 ? squish::kDxt1 : format == kFmtDXT3 ? squish::kDxt3 : squish::kDxt5;
}

template <int Fit> void encodeSquish(Format format, const Rgba* in, uint8_t* out) {
    squish::Compress(reinterpret_cast<const squish::u8*>(in), out, squishFormat(format) | Fit);
}

template <int Mode> void encodeStb(Format format, const Rgba* in, uint8_t* out) {
    stb_compress_dxt_block(out, reinterpret_cast<const unsigned char*>(in),
                           format == kFmtDXT5 ? 1 : 0, Mode);
}

#ifdef K4_DXT_ANCHORS
template <int Level> void encodeIcbc(Format format, const Rgba* in, uint8_t* out) {
    if (format == kFmtDXT1) {
        dxtanchors::icbcDxt1(Level, in, out);
    } else {
        dxtanchors::icbcDxt5(Level, in, out);
    }
}

template <int Level> void encodeRgbcx(Format format, const Rgba* in, uint8_t* out) {
    if (format == kFmtDXT1) {
        dxtanchors::rgbcxDxt1(Level, in, out);
    } else {
        dxtanchors::rgbcxDxt5(Level, in, out);
    }
}
#endif

struct Encoder {
    const char* name;
    EncodeFn encode;
    unsigned modes; // one bit per Mode it has
    bool quick;     // measured by --quick
};

constexpr unsigned kColourModes = 1u << kDxt1Colour | 1u << kDxt5;
constexpr unsigned kAllModes = (1u << kModes) - 1;

// The anchor that speeds are given against, and the one whose quality ours
// is to reach at that speed (icbc's levels 4 and 5, the public front).
const char* const kSpeedAnchor = "icbc 4";
const char* const kQualityAnchor = "icbc 5";

// libsquish 1.15 weighs R, G and B alike unless given a metric, so its
// ClusterFit optimises the RGB PSNR measured here; so do icbc (given even
// weights) and rgbcx. stb_dxt writes four-colour blocks only.
const Encoder kEncoders[] = {
    {"ours", encodeOurs, kAllModes, true},
#ifdef K4_DXT_ANCHORS
    {"icbc 1", encodeIcbc<1>, kColourModes, false},
    {"icbc 4", encodeIcbc<4>, kColourModes, true},
    {"icbc 5", encodeIcbc<5>, kColourModes, true},
    {"icbc 8", encodeIcbc<8>, kColourModes, false},
    {"rgbcx 5", encodeRgbcx<5>, kColourModes, false},
    {"rgbcx 10", encodeRgbcx<10>, kColourModes, false},
#endif
    {"squish ClusterFit", encodeSquish<squish::kColourClusterFit>, kAllModes, false},
    {"stb_dxt HIGHQUAL", encodeStb<STB_DXT_HIGHQUAL>, kColourModes, false},
};
constexpr size_t kEncoderCount = sizeof kEncoders / sizeof kEncoders[0];

// Squared errors and the texels they cover.
struct ErrorSum {
    double rgb = 0, alpha = 0;
    size_t rgbCount = 0, alphaCount = 0;
    void add(const ErrorSum& o) {
        rgb += o.rgb, alpha += o.alpha, rgbCount += o.rgbCount, alphaCount += o.alphaCount;
    }
    static double psnr(double sum, size_t count) {
        if (count == 0) {
            return NAN;
        }
        const double mse = sum / static_cast<double>(count);
        return mse == 0 ? 99.99 : 10.0 * std::log10(255.0 * 255.0 / mse);
    }
    double rgbPsnr() const { return psnr(rgb, rgbCount * 3); }
    double alphaPsnr() const { return psnr(alpha, alphaCount); }
};

// Every encoder's blocks are decoded by ours. Alpha errors count only blocks
// of tiles with alpha; DXT1's RGB errors only texels with alpha >= 128 (the
// others are transparent black by design).
ErrorSum measure(Format format, const BlockSet& set, const std::vector<uint8_t>& blocks) {
    const size_t bytes = format == kFmtDXT1 ? 8 : 16;
    ErrorSum sum;
    Rgba out[16];
    for (size_t b = 0; b < set.count(); ++b) {
        const Rgba* in = &set.texels[b * 16];
        dxtDecodeBlock(format, &blocks[b * bytes], out);
        for (int i = 0; i < 16; ++i) {
            if (set.alpha[b]) {
                const int da = in[i].a - out[i].a;
                sum.alpha += da * da;
                ++sum.alphaCount;
            }
            if (format == kFmtDXT1 && in[i].a < 128) {
                continue;
            }
            const int dr = in[i].r - out[i].r, dg = in[i].g - out[i].g, db = in[i].b - out[i].b;
            sum.rgb += dr * dr + dg * dg + db * db;
            ++sum.rgbCount;
        }
    }
    return sum;
}

// One encoder on one class: its error and its best time for the class.
struct Figure {
    ErrorSum error;
    double seconds = 1e30;
    size_t texels = 0;
    double speed() const { return static_cast<double>(texels) / seconds / 1e6; }
};

struct ModeRun {
    std::vector<const Encoder*> encoders;
    std::vector<std::array<Figure, kClasses>> figures; // per encoder
    const Figure* find(const char* name, int c) const {
        for (size_t e = 0; e < encoders.size(); ++e) {
            if (std::strcmp(encoders[e]->name, name) == 0) {
                return &figures[e][c];
            }
        }
        return nullptr;
    }
};

// Rounds of every class and encoder in turn, each encoder's best time kept:
// what the other programs on the machine take from one round the next
// round gives back, and no encoder meets a quieter machine than the others.
ModeRun runMode(Mode mode, const BlockSet (&sets)[kClasses], int rounds, bool quick) {
    const Format format = kModeFormats[mode];
    const size_t bytes = format == kFmtDXT1 ? 8 : 16;
    ModeRun run;
    for (const Encoder& encoder : kEncoders) {
        if ((encoder.modes >> mode & 1) && (encoder.quick || !quick)) {
            run.encoders.push_back(&encoder);
        }
    }
    run.figures.resize(run.encoders.size());
    std::vector<uint8_t> blocks;
    for (int round = 0; round < rounds; ++round) {
        for (int c = 0; c < kClasses; ++c) {
            const BlockSet& set = sets[c];
            blocks.resize(set.count() * bytes);
            for (size_t e = 0; e < run.encoders.size(); ++e) {
                const EncodeFn encode = run.encoders[e]->encode;
                Figure& figure = run.figures[e][c];
                figure.seconds =
                    std::min(figure.seconds, timePerCall(0.1, [&] {
                                 for (size_t b = 0; b < set.count(); ++b) {
                                     encode(format, &set.texels[b * 16], &blocks[b * bytes]);
                                 }
                             }));
                figure.texels = set.texels.size();
                if (round == 0) {
                    figure.error = measure(format, set, blocks);
                }
            }
        }
    }
    return run;
}

void printMode(Mode mode, const ModeRun& run) {
    const bool alpha = kModeFormats[mode] != kFmtDXT1 || mode == kDxt1CutOut;
    std::printf("%s\n%-8s %-18s %7s %8s %8s %9s\n", kModeNames[mode], "class", "encoder", "RGB dB",
                alpha ? "alpha dB" : "", "Mpix/s", run.find(kSpeedAnchor, 0) ? "vs icbc 4" : "");
    for (int c = 0; c <= kClasses; ++c) { // the last row: every class together
        const Figure* anchor = c < kClasses ? run.find(kSpeedAnchor, c) : nullptr;
        for (size_t e = 0; e < run.encoders.size(); ++e) {
            Figure f;
            if (c < kClasses) {
                f = run.figures[e][c];
            } else {
                f.seconds = 0;
                for (const Figure& g : run.figures[e]) {
                    f.error.add(g.error), f.seconds += g.seconds, f.texels += g.texels;
                }
            }
            std::printf("%-8s %-18s %7.2f", c < kClasses ? kClassNames[c] : "all",
                        run.encoders[e]->name, f.error.rgbPsnr());
            if (alpha && f.error.alphaCount > 0) {
                std::printf(" %8.2f", f.error.alphaPsnr());
            } else {
                std::printf(" %8s", alpha ? "-" : "");
            }
            std::printf(" %8.2f", f.speed());
            if (anchor) {
                std::printf(" %8.2fx", anchor->seconds / f.seconds);
            }
            std::printf("\n");
        }
    }
    std::printf("\n");
}

// Ours against the front, per class: RGB PSNR (and DXT5's alpha PSNR) at
// least icbc level 5's, at a speed at least icbc level 4's.
void printTargets(const ModeRun (&runs)[2]) {
    if (!runs[0].find(kQualityAnchor, 0) || !runs[0].find(kSpeedAnchor, 0)) {
        return;
    }
    std::printf("Targets per class: PSNR >= %s, speed >= %s (dB above, speed ratio)\n",
                kQualityAnchor, kSpeedAnchor);
    for (int m = 0; m < 2; ++m) {
        const ModeRun& run = runs[m];
        std::printf("  %-5s", formatName(kModeFormats[m]));
        for (int c = 0; c < kClasses; ++c) {
            const Figure& ours = *run.find("ours", c);
            const Figure& quality = *run.find(kQualityAnchor, c);
            const double rgb = ours.error.rgbPsnr() - quality.error.rgbPsnr();
            const double alpha =
                ours.error.alphaCount == 0 ? 0 : ours.error.alphaPsnr() - quality.error.alphaPsnr();
            const double speed = run.find(kSpeedAnchor, c)->seconds / ours.seconds;
            const bool met = rgb >= 0 && alpha >= 0 && speed >= 1;
            std::printf("  %s %+.2f", kClassNames[c], rgb);
            if (ours.error.alphaCount > 0 && kModeFormats[m] == kFmtDXT5) {
                std::printf("/%+.2f", alpha);
            }
            std::printf(" %.2fx (%s)", speed, met ? "met" : "NOT met");
        }
        std::printf("\n");
    }
    std::printf("\n");
}

void printDxtTables(const BlockSet (&sets)[kClasses], bool quick) {
    double texels = 0;
    std::printf("DXT encoders, one thread:");
    for (int c = 0; c < kClasses; ++c) {
        std::printf(" %zu %s tiles%s", sets[c].tiles, kClassNames[c], c + 1 < kClasses ? "," : "");
        texels += static_cast<double>(sets[c].texels.size());
    }
    const int rounds = quick ? 5 : 3;
    std::printf(" (%.2f Mpixels)\nPSNR in dB (RGB: MSE over R, G, B; alpha: tiles with alpha), "
                "every encoder's blocks decoded by ours; speed in Mpixels/s of thread CPU time, "
                "best of %d rounds, and as a ratio to %s on the same class in this run\n\n",
                texels / 1e6, rounds, kSpeedAnchor);
    BlockSet opaque[kClasses];
    for (int c = 0; c < kClasses; ++c) {
        opaque[c] = sets[c];
        for (Rgba& texel : opaque[c].texels) {
            texel.a = 255;
        }
        opaque[c].alpha.assign(opaque[c].alpha.size(), false);
    }
    const ModeRun front[2] = {runMode(kDxt1Colour, opaque, rounds, quick),
                              runMode(kDxt5, sets, rounds, quick)};
    printMode(kDxt1Colour, front[0]);
    printMode(kDxt5, front[1]);
    printTargets(front);
    if (!quick) {
        printMode(kDxt1CutOut, runMode(kDxt1CutOut, sets, 1, false));
        printMode(kDxt3, runMode(kDxt3, sets, 1, false));
    }
}

// --- Plain library decoding, for the reader overhead ---

void pngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

struct MemoryReader {
    const uint8_t* data;
    size_t size, pos;
};

void pngRead(png_structp png, png_bytep out, size_t count) {
    MemoryReader* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > r->size - r->pos) {
        png_error(png, "truncated");
    }
    std::memcpy(out, r->data + r->pos, count);
    r->pos += count;
}

// libpng alone, to the same 8-bit BGRA pixels; a null result on error.
bool plainPngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>* pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader = {file.data(), file.size(), 0};
    std::vector<png_bytep> rows;
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, pngRead);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        const uint32_t width = png_get_image_width(png, info);
        const uint32_t height = png_get_image_height(png, info);
        pixels->resize(static_cast<size_t>(width) * height * 4);
        rows.resize(height);
        for (uint32_t y = 0; y < height; ++y) {
            rows[y] = pixels->data() + static_cast<size_t>(y) * width * 4;
        }
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void jpegError(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

bool plainJpegDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>* pixels) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    pixels->resize(static_cast<size_t>(cinfo.output_width) * cinfo.output_height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row =
            pixels->data() + static_cast<size_t>(cinfo.output_scanline) * cinfo.output_width * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Alternates ours and the plain decoder per file and keeps each one's best
// time, so both see the same cache and clock conditions.
void printDecodeRow(const char* label, const std::vector<Tile>& files, bool png) {
    double ours = 0, plain = 0, pixels = 0;
    for (const Tile& tile : files) {
        double bestOurs = 1e30, bestPlain = 1e30;
        for (int round = 0; round < 7; ++round) {
            Image image;
            double start = threadSeconds();
            const HResult result =
                png ? pngReadImage(tile.file.data(), tile.file.size(), &image, nullptr)
                    : jpegReadImage(tile.file.data(), tile.file.size(), &image, nullptr);
            bestOurs = std::min(bestOurs, threadSeconds() - start);
            std::vector<uint8_t> raw;
            start = threadSeconds();
            const bool ok =
                png ? plainPngDecode(tile.file, &raw) : plainJpegDecode(tile.file, &raw);
            bestPlain = std::min(bestPlain, threadSeconds() - start);
            if (result != kOk || !ok || raw != image.levels[0]) {
                std::printf("%s: %s decodes differently\n", label, tile.name.c_str());
            }
        }
        ours += bestOurs;
        plain += bestPlain;
        pixels += static_cast<double>(tile.width) * tile.height;
    }
    std::printf("%-5s %3zu files %7.2f Mpix %9.1f ms %9.1f ms %9.1f %9.1f %+8.1f%%\n", label,
                files.size(), pixels / 1e6, ours * 1e3, plain * 1e3, pixels / ours / 1e6,
                pixels / plain / 1e6, (ours / plain - 1) * 100);
}

// Wall-clock seconds per call, repeated for at least `minimum` seconds: the
// all-cores figures (thread CPU time would hide the helpers' work).
template <typename Work> double wallPerCall(double minimum, Work work) {
    int calls = 0;
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0;
    do {
        work();
        ++calls;
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (elapsed < minimum);
    return elapsed / calls;
}

// Whole tiles through dxtEncodeImage and full mip chains, on one thread
// (thread CPU time) and on every core (wall clock); the bytes must match.
void printWholeImages(const std::vector<Tile>& tiles) {
    const unsigned cores = std::thread::hardware_concurrency();
    double pixels = 0;
    for (const Tile& t : tiles) {
        pixels += static_cast<double>(t.width) * t.height;
    }
    std::printf("\nWhole images in Mpix/s of level 0: one thread (thread CPU time, then wall "
                "clock) and all %u cores (wall clock), with the all-cores speed-up\n",
                cores);
    for (Format format : {kFmtDXT1, kFmtDXT5}) {
        std::vector<std::vector<uint8_t>> one(tiles.size()), all(tiles.size());
        const auto encodeAll = [&](std::vector<std::vector<uint8_t>>* out) {
            for (size_t i = 0; i < tiles.size(); ++i) {
                const Tile& t = tiles[i];
                (*out)[i].resize(formatLevelBytes(format, t.width, t.height));
                dxtEncodeImage(format, t.pixels.data(), t.width, t.height, (*out)[i].data());
            }
        };
        setCodecThreads(1);
        const double cpu = timePerCall(1.0, [&] { encodeAll(&one); });
        const double single = wallPerCall(1.0, [&] { encodeAll(&one); });
        setCodecThreads(0);
        const double parallel = wallPerCall(1.0, [&] { encodeAll(&all); });
        std::printf("%-9s dxtEncodeImage  %8.2f %8.2f %8.2f  x%.2f%s\n", formatName(format),
                    pixels / cpu / 1e6, pixels / single / 1e6, pixels / parallel / 1e6,
                    single / parallel, one == all ? "" : "  BYTES DIFFER");
    }
    for (Format format : {kFmtA8R8G8B8, kFmtDXT1, kFmtDXT5}) {
        std::vector<Image> images(tiles.size());
        for (size_t i = 0; i < tiles.size(); ++i) {
            const Tile& t = tiles[i];
            allocateImage(&images[i], t.width, t.height, format, fullMipCount(t.width, t.height));
            encodeLevel(t.pixels.data(), t.width, t.height, format, &images[i].levels[0]);
        }
        const auto rebuildAll = [&] {
            for (Image& image : images) {
                rebuildMips(&image);
            }
        };
        setCodecThreads(1);
        const double cpu = timePerCall(1.0, rebuildAll);
        const double single = wallPerCall(1.0, rebuildAll);
        std::vector<Image> first = images;
        setCodecThreads(0);
        const double parallel = wallPerCall(1.0, rebuildAll);
        bool same = true;
        for (size_t i = 0; i < images.size(); ++i) {
            same = same && images[i].levels == first[i].levels;
        }
        std::printf("%-9s full mip chain  %8.2f %8.2f %8.2f  x%.2f%s\n", formatName(format),
                    pixels / cpu / 1e6, pixels / single / 1e6, pixels / parallel / 1e6,
                    single / parallel, same ? "" : "  BYTES DIFFER");
    }
    std::printf("(mip chains: box filter from level 0; DXT chains include decoding level 0 and "
                "encoding every level below it)\n");
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "build/bench-images";
    std::vector<Tile> tiles, jpegs;
    for (const std::string& name : listFiles(dir, ".png")) {
        tiles.emplace_back();
        if (!loadTile(dir, name, &tiles.back())) {
            return 1;
        }
    }
    for (const std::string& name : listFiles(dir + "/jpeg", ".jpg")) {
        jpegs.emplace_back();
        if (!loadTile(dir + "/jpeg", name, &jpegs.back())) {
            return 1;
        }
    }
    if (tiles.empty()) {
        std::fprintf(stderr, "dxt_bench: no PNG files in %s (run bench/fetch_images.sh)\n",
                     dir.c_str());
        return 1;
    }
    const bool quick = argc > 2 && std::strcmp(argv[2], "--quick") == 0;
    if (argc > 2 && std::strcmp(argv[2], "--whole") == 0) {
        printWholeImages(tiles);
        return 0;
    }
    BlockSet sets[kClasses];
    for (const Tile& tile : tiles) {
        appendBlocks(tile, &sets[classOf(tile.name)]);
    }
#ifdef K4_DXT_ANCHORS
    dxtanchors::init();
#endif
    printDxtTables(sets, quick);
    if (quick) {
        return 0;
    }

    std::printf("Decoding (best of 7 per file; ours = codec API, plain = the library alone)\n");
    std::printf("%-5s %9s %12s %12s %12s %9s %9s %9s\n", "", "", "", "ours", "plain", "ours",
                "plain", "overhead");
    std::printf("%-5s %9s %12s %12s %12s %9s %9s %9s\n", "", "", "", "", "", "Mpix/s", "Mpix/s",
                "");
    printDecodeRow("PNG", tiles, true);
    if (!jpegs.empty()) {
        printDecodeRow("JPEG", jpegs, false);
    }
    printWholeImages(tiles);
    return 0;
}
