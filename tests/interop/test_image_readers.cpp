// Our readers read what other readers read: bmpsuite against its reference
// pictures, Pillow's BMP, TGA, PNG and JPEG test images (among them TGA files
// of every mode, both origins, raw and RLE) against Pillow's reading, and what
// ImageMagick writes now against its own reading (as 8-bit RGBA PNG files).
// Skipped only when Pillow's images (scripts/setup) or a producer is missing.
#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/png_writer.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace k4codec;

namespace {

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<Rgba> pixels;
    std::string warning;
};

HResult readPicture(const std::string& path, Picture* picture) {
    std::vector<uint8_t> bytes;
    Image image;
    ImageInfo info;
    HResult result = readFileBytes(path.c_str(), &bytes);
    if (result == kOk) {
        result = readImage(bytes.data(), bytes.size(), &image, &info);
    }
    if (result == kOk) {
        result = decodeLevel(image, 0, &picture->pixels);
        picture->width = image.width;
        picture->height = image.height;
        picture->warning = info.warning;
    }
    return result;
}

// The largest channel difference; 256 for pictures of different sizes. The
// colour of pixels clear in both counts unless `clearColour` is false.
int difference(const Picture& a, const Picture& b, bool clearColour = true) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
        return 256;
    }
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const Rgba p = a.pixels[i], q = b.pixels[i];
        worst = std::max(worst, std::abs(p.a - q.a));
        if (clearColour || p.a != 0 || q.a != 0) {
            worst =
                std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
        }
    }
    return worst;
}

bool hasExtension(const std::string& path, const std::set<std::string>& extensions) {
    return extensions.count(std::filesystem::path(path).extension().string()) > 0;
}

// Paths of the files in `folder` with one of the extensions, sorted.
std::vector<std::string> filesIn(const std::string& folder,
                                 const std::set<std::string>& extensions) {
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && hasExtension(entry.path().string(), extensions)) {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string shellQuoted(const std::string& text) {
    return "'" + text + "'";
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string scratch() {
    std::string folder = k4test::testFolder("interop");
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

bool pillowAvailable() {
    return run(K4_PYTHON " -c 'import PIL' 2>/dev/null");
}

// Pillow's reading of each file; an empty picture where Pillow reads none.
std::vector<Picture> pillowReadings(const std::string& folder,
                                    const std::vector<std::string>& files) {
    std::string command = K4_PYTHON " " K4_PILLOW_HELPER " read " + shellQuoted(folder);
    for (const std::string& file : files) {
        command += " " + shellQuoted(file);
    }
    EXPECT_TRUE(run(command + " 2>/dev/null"));
    std::vector<Picture> readings(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string path = folder + "/" + std::to_string(i) + ".png";
        if (k4p::fileExists(path.c_str())) {
            EXPECT_EQ(readPicture(path, &readings[i]), kOk) << path;
        }
    }
    return readings;
}

// The picture ImageMagick starts from: an odd size, every channel varying,
// alpha from nearly clear to opaque.
std::string writeSource(const std::string& folder) {
    const uint32_t width = 77, height = 31;
    std::vector<Rgba> pixels;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            pixels.push_back(Rgba{uint8_t(x * 255 / (width - 1)), uint8_t(y * 255 / (height - 1)),
                                  uint8_t((x * 7 + y * 13) & 0xff), uint8_t(20 + (x + y) * 2)});
        }
    }
    std::vector<uint8_t> png;
    EXPECT_EQ(pngWriteRgba(pixels.data(), width, height, &png), kOk);
    const std::string path = folder + "/source.png";
    EXPECT_EQ(writeFileAtomic(path.c_str(), png), kOk);
    return path;
}

const std::string kImages = K4_PILLOW_IMAGES;

#define K4_NEED(condition, what)                                                                   \
    if (!(condition))                                                                              \
    GTEST_SKIP() << what

std::string name(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

} // namespace

// Good files, and the questionable ones we read (bit fields of every width,
// alpha, RLE skips, odd offsets), match the suite's reference pictures; the
// bad and the other questionable ones give invalid data.
TEST(BmpSuite, FilesReadAsTheSuiteShowsThemOrInvalidData) {
    const std::string bmp = kImages + "/bmp";
    const std::string page = k4test::readFile(bmp + "/html/bmpsuite.html");
    K4_NEED(page != "<missing>", "no bmpsuite in " << kImages << " (scripts/setup fetches it)");
    EXPECT_EQ(filesIn(bmp + "/g", {".bmp"}).size(), 23u);
    EXPECT_EQ(filesIn(bmp + "/q", {".bmp"}).size() + filesIn(bmp + "/b", {".bmp"}).size(), 35u);
    size_t questionable = 0;
    for (const char* set : {"g", "q", "b"}) {
        for (const std::string& file : filesIn(bmp + "/" + set, {".bmp"})) {
            SCOPED_TRACE(file);
            Picture ours;
            const HResult result = readPicture(file, &ours);
            EXPECT_EQ(ours.pixels.size(), size_t(ours.width) * ours.height);
            if (*set != 'g' && result != kOk) {
                // reallybig.bmp claims 3000000 x 2000000 pixels.
                EXPECT_EQ(result, name(file) == "reallybig.bmp" ? kTooLarge : kInvalidData);
                continue;
            }
            ASSERT_EQ(result, kOk);
            // The suite's page shows one or more pictures for each file; the
            // reference is the first of the file's size (the others show
            // other readings, such as RLE skips opaque). Its palette colours
            // are within one step of the files', and it shows clear pixels black.
            size_t at = page.find(std::string(">") + set + "/" + name(file) + "</td>");
            if (at == std::string::npos && *set != 'g') {
                continue; // added by Pillow, not on the suite's page
            }
            ASSERT_NE(at, std::string::npos);
            const size_t rowEnd = page.find("</tr>", at);
            int found = 256;
            for (at = page.find("src=\"", at); at < rowEnd && found == 256;
                 at = page.find("src=\"", at + 1)) {
                const std::string source = page.substr(at + 5, page.find('"', at + 5) - at - 5);
                Picture reference;
                if (hasExtension(source, {".png"}) &&
                    readPicture(bmp + "/html/" + source, &reference) == kOk) {
                    found = difference(ours, reference, false);
                }
            }
            if (*set == 'g' || found < 256) {
                EXPECT_LE(found, 1);
                questionable += *set != 'g';
            }
        }
    }
    EXPECT_GE(questionable, 14u);
}

// Pillow refuses some files (truncated ones, a decompression bomb) and
// clips 32-bit integer pictures; everything else it reads, we read alike.
TEST(PillowImages, WhatPillowReadsWeReadAlike) {
    std::vector<std::string> files = filesIn(kImages, {".bmp", ".tga", ".png", ".jpg"});
    K4_NEED(!files.empty(), "no Pillow test images in " << kImages << " (scripts/setup)");
    K4_NEED(pillowAvailable(), "Pillow is not available");
    const std::vector<std::string> tga = filesIn(kImages + "/tga/common", {".tga"});
    files.insert(files.end(), tga.begin(), tga.end());
    const std::vector<Picture> pillow = pillowReadings(scratch(), files);
    size_t compared = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        Picture ours;
        const HResult result = readPicture(files[i], &ours);
        EXPECT_TRUE(result == kOk || result == kInvalidData || result == kTooLarge)
            << files[i] << ": " << result;
        if (!pillow[i].pixels.empty()) {
            EXPECT_EQ(result, kOk) << files[i];
            EXPECT_EQ(difference(ours, pillow[i]), 0) << files[i];
            ++compared;
        }
    }
    EXPECT_GE(compared, 300u);
    // Damage that libjpeg reads past comes with its warning.
    for (const char* name : {"junk_jpeg_header.jpg", "truncated_app14.jpg", "hopper_bad_exif.jpg",
                             "photoshop-200dpi-broken.jpg"}) {
        Picture ours;
        ASSERT_EQ(readPicture(kImages + "/" + name, &ours), kOk) << name;
        EXPECT_NE(ours.warning.find("Corrupt JPEG data: "), std::string::npos) << name;
    }
}

TEST(Producers, WhatImageMagickWritesWeReadAsItDoes) {
    const std::string convert = K4_CONVERT;
    K4_NEED(!convert.empty(), "ImageMagick's convert is not installed");
    K4_NEED(pillowAvailable(), "Pillow is not available");
    const std::string folder = scratch();
    const std::string source = writeSource(folder);
    const struct {
        const char* options;
        const char* output; // with ImageMagick's format prefix
        int tolerance;
    } cases[] = {
        {"-type Palette -colors 200", "BMP3:im_pal8_rle.bmp", 0}, // odd width in RLE8
        {"-type Palette -colors 12", "BMP3:im_pal4.bmp", 0},
        {"-monochrome", "BMP3:im_pal1.bmp", 0},
        {"-define bmp:subtype=RGB565", "BMP:im_565.bmp", 0},
        {"-define bmp:subtype=RGB555", "BMP:im_555.bmp", 0},
        {"-alpha off -type TrueColor", "BMP3:im_24.bmp", 0},
        {"", "BMP:im_32.bmp", 0},
        {"-compress RLE", "im_rle.tga", 0},
        {"-compress None", "im_plain.tga", 0},
        {"-alpha off -compress RLE", "im_24_rle.tga", 0},
        {"-type Palette -colors 60", "im_pal.tga", 0},
        {"-type Grayscale -alpha off", "im_grey.tga", 0},
        {"", "PNG8:im_pal.png", 0},
        {"-type Grayscale -alpha off", "im_grey.png", 0},
        {"-type Grayscale -alpha off -depth 2 -transparent black", "PNG:im_grey2_trns.png", 0},
        {"-type Grayscale -alpha off -depth 4 -interlace PNG", "PNG:im_grey4_il.png", 0},
        {"-type Grayscale -alpha off -depth 16", "PNG:im_grey16.png", 1},
        {"-type GrayscaleAlpha -depth 16", "PNG:im_la16.png", 1},
        {"-type Palette -colors 3 -define png:bit-depth=2", "PNG:im_pal2.png", 0},
        {"-type Palette -colors 13 -interlace PNG", "PNG:im_pal4_il.png", 0},
        {"-depth 16", "PNG64:im_16.png", 1},
        {"-alpha off -depth 16 -transparent black", "PNG48:im_16_trns.png", 1},
        {"-interlace PNG", "im_interlaced.png", 0},
        {"-alpha off -quality 90", "im.jpg", 1},
        {"-alpha off -colorspace Gray", "im_grey.jpg", 1},
        {"-alpha off -interlace JPEG", "im_progressive.jpg", 1},
        {"-alpha off -colorspace CMYK", "im_cmyk.jpg", 1},
    };
    std::vector<std::string> files;
    for (const auto& c : cases) {
        const std::string output = c.output;
        const size_t colon = output.find(':');
        files.push_back(folder + "/" + output.substr(colon + 1));
        ASSERT_TRUE(run(convert + " " + shellQuoted(source) + " " + c.options + " " +
                        shellQuoted(output.substr(0, colon + 1) + files.back())));
        // "-alpha set" makes a picture without alpha opaque; without it
        // ImageMagick 6.9 sometimes fills PNG32's alpha from uninitialised
        // memory (a black pixel of a palette BMP came back clear).
        ASSERT_TRUE(run(convert + " " + shellQuoted(files.back()) + " -alpha set -depth 8 " +
                        shellQuoted("PNG32:" + files.back() + ".ref.png")));
    }
    // ImageMagick 6.9 stores TGA rows top first under a header that says
    // bottom first, and reads them back the same way; Pillow reads them as
    // the header says, and so do we.
    const std::vector<Picture> pillow = pillowReadings(folder, files);
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        Picture ours, theirs;
        ASSERT_EQ(readPicture(files[i], &ours), kOk);
        if (hasExtension(files[i], {".tga"})) {
            theirs = pillow[i];
        } else {
            ASSERT_EQ(readPicture(files[i] + ".ref.png", &theirs), kOk);
        }
        EXPECT_LE(difference(ours, theirs), cases[i].tolerance);
    }
    const std::string rle = k4test::readFile(folder + "/im_pal8_rle.bmp");
    EXPECT_EQ(rle[30], 1) << "ImageMagick no longer writes this BMP with RLE8";
}

// Every DDS file among Pillow's test images that Pillow reads, we read alike;
// the ones it refuses (unimplemented_*) we read or refuse as invalid data.
// Where Pillow rounds differently we allow one step: it truncates DXT's and
// BC4/BC5's interpolated values where Direct3D rounds the exact value, and
// truncates BC6H's floats to 8 bits (and leaves out the +32 of BC6H's
// interpolation). Signed BC5 it maps onto 64..191 ((s + 255) / 2, Pillow
// 9.4) where -1..1 belongs on 0..255: we undo its mapping (2p - 255 is the
// signed value) and allow the three steps its halving and truncation lose.
TEST(PillowImages, WhatPillowReadsOfDdsWeReadAlike) {
    const std::vector<std::string> files = filesIn(kImages, {".dds"});
    K4_NEED(!files.empty(), "no Pillow test images in " << kImages << " (scripts/setup)");
    K4_NEED(pillowAvailable(), "Pillow is not available");
    const std::vector<Picture> pillow = pillowReadings(scratch(), files);
    size_t compared = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        Picture ours;
        const HResult result = readPicture(files[i], &ours);
        if (pillow[i].pixels.empty()) {
            EXPECT_TRUE(result == kOk || result == kInvalidData) << result;
            continue;
        }
        ASSERT_EQ(result, kOk);
        std::vector<uint8_t> bytes;
        ImageInfo info;
        ASSERT_EQ(readFileBytes(files[i].c_str(), &bytes), kOk);
        ASSERT_EQ(readImageHeader(bytes.data(), bytes.size(), &info), kOk);
        const std::string format = storedFormatName(info);
        Picture theirs = pillow[i];
        int tolerance = 0;
        if (format == "BC5S" || format == "BC5_SNORM") {
            for (Rgba& p : theirs.pixels) {
                for (uint8_t* c : {&p.r, &p.g}) {
                    const double value = (2.0 * *c - 128.0) * 255.0 / 254.0;
                    *c = static_cast<uint8_t>(std::clamp(std::lround(value), 0l, 255l));
                }
            }
            tolerance = 3;
        } else if (format.rfind("BC", 0) == 0 || format.rfind("DXT", 0) == 0 ||
                   format.rfind("ATI", 0) == 0) {
            tolerance = format.rfind("BC7", 0) == 0 ? 0 : 1;
        }
        EXPECT_LE(difference(ours, theirs), tolerance) << format;
        ++compared;
    }
    EXPECT_GE(compared, 19u);
}

// BC4 and BC5 files that nvcompress writes now from real pictures (Pillow's
// hopper.png, whole and an odd-sized piece of it) read as nvdecompress reads
// them: BC4 exactly, BC5 within one step (NVTT 2.0 truncates BC5's
// interpolated values).
TEST(Producers, WhatNvcompressWritesAsBc4AndBc5WeReadAsNvdecompressDoes) {
    const std::string nvcompress = K4_NVCOMPRESS, nvdecompress = K4_NVDECOMPRESS;
    K4_NEED(!nvcompress.empty() && !nvdecompress.empty(), "nvcompress is not installed");
    Picture hopper;
    K4_NEED(readPicture(kImages + "/hopper.png", &hopper) == kOk,
            "no Pillow test images in " << kImages << " (scripts/setup)");
    const std::string folder = scratch();
    std::vector<Rgba> piece;
    const uint32_t width = 77, height = 53;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            piece.push_back(hopper.pixels[(y + 30) * hopper.width + x + 20]);
        }
    }
    std::vector<uint8_t> png;
    ASSERT_EQ(pngWriteRgba(piece.data(), width, height, &png), kOk);
    ASSERT_EQ(writeFileAtomic((folder + "/piece.png").c_str(), png), kOk);
    for (const std::string& source : {kImages + "/hopper.png", folder + "/piece.png"}) {
        for (const char* format : {"bc4", "bc5"}) {
            SCOPED_TRACE(source + " " + format);
            const std::string dds = folder + "/nv_" + format + "_" + name(source) + ".dds";
            ASSERT_TRUE(run(nvcompress + " -" + format + " " + shellQuoted(source) + " " +
                            shellQuoted(dds) + " >/dev/null 2>&1"));
            ASSERT_TRUE(run(nvdecompress + " " + shellQuoted(dds) + " >/dev/null 2>&1"));
            Picture ours, theirs;
            ASSERT_EQ(readPicture(dds, &ours), kOk);
            ASSERT_EQ(readPicture(dds.substr(0, dds.size() - 4) + ".tga", &theirs), kOk);
            EXPECT_LE(difference(ours, theirs), std::string(format) == "bc4" ? 0 : 1);
        }
    }
}
