// qbtex image commands over the codec library:
//   info FILE...                      one line per file
//   to-png INPUT OUTPUT [--level N]   one level as 8-bit RGBA PNG
//   to-dds INPUT OUTPUT --format NAME [--size WxH] [--mips full|none|N]
// Exit status as for every qbtex command: 0 done, 1 something asked for was
// not found or could not be read, decoded or written, 2 a usage error or an
// impossible request, each with a "qbtex: ..." line on standard error.
#include "cli/cmd_image.h"
#include "codec/codec.h"
#include "codec/convert.h"
#include "codec/loader.h"
#include "codec/png_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace k4codec;

int fail(const char* file, HResult result, const ImageInfo& info = ImageInfo()) {
    std::fprintf(stderr, "qbtex: %s: %s\n", file, resultMessage(result, info).c_str());
    return 1;
}

int usageError(const char* message) {
    std::fprintf(stderr, "qbtex: %s\n", message);
    return 2;
}

// True when --help stands among the arguments; prints the command's help.
bool printedHelp(int argc, char** argv, const char* text) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(text, stdout);
            return true;
        }
    }
    return false;
}

const char kInfoHelp[] =
    "usage: qbtex info FILE...\n"
    "\n"
    "One line per file: FILE: WIDTHxHEIGHT, N levels, FORMAT, where FORMAT is\n"
    "the file's own pixel format as Direct3D names it (DXT5, A8R8G8B8, L8, ATI2,\n"
    "R16F, ...; a DDS file with the DX10 header by its DXGI name, BC7_UNORM_SRGB).\n"
    "Reads DDS, BMP, TGA, PNG and JPEG files, recognised by their content.\n"
    "\n"
    "Exit status: 0 done, 1 a file was not found or cannot be read, 2 usage error.\n";

const char kToPngHelp[] =
    "usage: qbtex to-png INPUT OUTPUT.png [--level N]\n"
    "\n"
    "Writes one level of INPUT, at its own size, as an 8-bit RGBA PNG.\n"
    "\n"
    "  --level N  the mip level to write (default 0, the full-size image)\n"
    "\n"
    "Exit status: 0 done, 1 INPUT or its level was not found or could not be\n"
    "read, or OUTPUT not written; 2 usage error.\n";

const char kToDdsHelp[] =
    "usage: qbtex to-dds INPUT OUTPUT.dds --format NAME [--size WxH] [--mips full|none|N]\n"
    "\n"
    "Converts INPUT into a DDS file, written through a temporary file so that\n"
    "an existing OUTPUT is replaced only by a complete one.\n"
    "\n"
    "  --format NAME  dxt1, dxt3, dxt5, a8r8g8b8, r8g8b8, a4r4g4b4, a1r5g5b5,\n"
    "                 r5g6b5, a8l8, r3g3b2, a4l4 or l8\n"
    "  --size WxH     output size, 1 to 16384 a side (default: the image's own)\n"
    "  --mips M       full (default: the whole chain down to 1x1), none, or a\n"
    "                 level count\n"
    "\n"
    "Exit status: 0 done, 1 INPUT was not found or could not be read, or OUTPUT\n"
    "not written; 2 usage error.\n";

// A whole decimal number in [min, max].
bool parseNumber(const char* text, uint32_t min, uint32_t max, uint32_t* value) {
    if (text == nullptr || *text < '0' || *text > '9') {
        return false;
    }
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (*end != '\0' || parsed < min || parsed > max) {
        return false;
    }
    *value = static_cast<uint32_t>(parsed);
    return true;
}

bool parseSize(const char* text, uint32_t* width, uint32_t* height) {
    const char* x = text ? std::strchr(text, 'x') : nullptr;
    if (x == nullptr) {
        return false;
    }
    const std::string w(text, x);
    return parseNumber(w.c_str(), 1, kMaxDimension, width) &&
           parseNumber(x + 1, 1, kMaxDimension, height);
}

// Damage the reader worked around is reported, and the file used.
HResult readFile(const char* path, Image* image, ImageInfo* info) {
    std::vector<uint8_t> bytes;
    HResult result = readFileBytes(path, &bytes);
    if (result == kOk) {
        result = readImage(bytes.data(), bytes.size(), image, info);
    }
    if (result == kOk && info->warning[0] != '\0') {
        std::fprintf(stderr, "qbtex: %s: warning: %s\n", path, info->warning);
    }
    return result;
}

} // namespace

int runImageInfo(int argc, char** argv) {
    if (printedHelp(argc, argv, kInfoHelp)) {
        return 0;
    }
    if (argc < 1) {
        return usageError("info needs at least one file");
    }
    int status = 0;
    for (int i = 0; i < argc; ++i) {
        std::vector<uint8_t> bytes;
        ImageInfo info;
        HResult result = readFileBytes(argv[i], &bytes);
        if (result == kOk) {
            result = readImageHeader(bytes.data(), bytes.size(), &info);
        }
        if (result != kOk) {
            status = fail(argv[i], result, info);
            continue;
        }
        const char* name = storedFormatName(info);
        std::printf("%s: %ux%u, %u levels, %s\n", argv[i], info.width, info.height, info.mipLevels,
                    name ? name : "UNKNOWN");
    }
    return status;
}

int runImageToPng(int argc, char** argv) {
    if (printedHelp(argc, argv, kToPngHelp)) {
        return 0;
    }
    uint32_t level = 0;
    if (argc == 4 && std::strcmp(argv[2], "--level") == 0) {
        if (!parseNumber(argv[3], 0, 31, &level)) {
            return usageError("--level needs a number from 0 to 31");
        }
    } else if (argc != 2) {
        return usageError("to-png needs INPUT OUTPUT.png [--level N]");
    }
    Image image;
    ImageInfo info;
    HResult result = readFile(argv[0], &image, &info);
    if (result != kOk) {
        return fail(argv[0], result, info);
    }
    if (level >= image.levels.size()) {
        std::fprintf(stderr, "qbtex: %s: has no level %u (%zu levels)\n", argv[0], level,
                     image.levels.size());
        return 1;
    }
    std::vector<Rgba> pixels;
    std::vector<uint8_t> png;
    result = decodeLevel(image, level, &pixels);
    if (result == kOk) {
        result = pngWriteRgba(pixels.data(), levelSize(image.width, level),
                              levelSize(image.height, level), &png);
    }
    if (result != kOk) {
        return fail(argv[0], result);
    }
    result = writeFileAtomic(argv[1], png);
    return result == kOk ? 0 : fail(argv[1], result);
}

int runImageToDds(int argc, char** argv) {
    if (printedHelp(argc, argv, kToDdsHelp)) {
        return 0;
    }
    if (argc < 2) {
        return usageError("to-dds needs INPUT OUTPUT.dds --format NAME");
    }
    Format format = kFmtUnknown;
    uint32_t width = 0, height = 0, mips = 0;
    bool noMips = false;
    for (int i = 2; i < argc; i += 2) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value == nullptr) {
            return usageError("option without a value");
        }
        if (std::strcmp(argv[i], "--format") == 0) {
            format = formatFromName(value);
            if (!isOutputFormat(format)) {
                return usageError("--format must be one of dxt1, dxt3, dxt5, a8r8g8b8, r8g8b8, "
                                  "a4r4g4b4, a1r5g5b5, r5g6b5, a8l8, r3g3b2, a4l4, l8");
            }
        } else if (std::strcmp(argv[i], "--size") == 0) {
            if (!parseSize(value, &width, &height)) {
                return usageError("--size must be WxH, each from 1 to 16384");
            }
        } else if (std::strcmp(argv[i], "--mips") == 0) {
            if (std::strcmp(value, "full") == 0) {
                mips = 0, noMips = false;
            } else if (std::strcmp(value, "none") == 0) {
                noMips = true;
            } else if (!parseNumber(value, 1, 15, &mips)) {
                return usageError("--mips must be full, none or a count from 1 to 15");
            }
        } else {
            return usageError("unknown option for to-dds");
        }
    }
    if (format == kFmtUnknown) {
        return usageError("to-dds needs --format NAME");
    }
    Image image;
    ImageInfo info;
    HResult result = readFile(argv[0], &image, &info);
    if (result != kOk) {
        return fail(argv[0], result, info);
    }
    width = width ? width : image.width;
    height = height ? height : image.height;
    const uint32_t full = fullMipCount(width, height);
    const uint32_t levels = noMips ? 1 : mips ? mips : full;
    if (levels > full) {
        std::fprintf(stderr, "qbtex: %s: %ux%u has at most %u levels\n", argv[1], width, height,
                     full);
        return 2;
    }
    Image output;
    std::vector<uint8_t> dds;
    result = resizeImage(image, width, height, levels, format, &output);
    if (result == kOk) {
        result = ddsWriteImage(output, &dds);
    }
    if (result != kOk) {
        return fail(argv[0], result);
    }
    result = writeFileAtomic(argv[1], dds);
    return result == kOk ? 0 : fail(argv[1], result);
}
