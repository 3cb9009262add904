// The check's fixture mod (see faultmod.h).
#include "tools/faultmod.h"

#include "platform/platform.h"
#include "tools/imgwrite.h"

#include <cstdint>
#include <vector>

namespace faultmod {

namespace {

enum class Kind { Dxt1, Dxt5, Argb };

uint32_t levelBytes(Kind kind, uint32_t width, uint32_t height) {
    if (kind == Kind::Argb) {
        return width * height * 4;
    }
    const uint32_t blocks = ((width + 3) / 4) * ((height + 3) / 4);
    return blocks * (kind == Kind::Dxt1 ? 8 : 16);
}

uint32_t fullChain(uint32_t width, uint32_t height) {
    uint32_t levels = 1;
    for (uint32_t side = width > height ? width : height; side > 1; side >>= 1) {
        ++levels;
    }
    return levels;
}

// Blocks of two colours that change across the picture, so that a preview
// shows something; `seed` tells files apart.
imgwrite::Bytes dds(Kind kind, uint32_t width, uint32_t height, uint32_t levels, uint32_t seed) {
    imgwrite::DdsOptions o;
    o.width = width;
    o.height = height;
    imgwrite::Bytes data;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t bytes = levelBytes(kind, width >> level ? width >> level : 1,
                                          height >> level ? height >> level : 1);
        for (uint32_t i = 0; i < bytes; ++i) {
            const uint32_t unit = kind == Kind::Argb ? 4 : (kind == Kind::Dxt1 ? 8 : 16);
            const uint32_t at = i % unit, block = i / unit;
            uint8_t value = static_cast<uint8_t>(block * 7 + seed * 53);
            if (kind == Kind::Argb) {
                value = at == 3 ? 255 : static_cast<uint8_t>(value + at * 80);
            } else if (kind == Kind::Dxt5 && at < 8) {
                value = at < 2 ? 255 : 0; // opaque alpha block
            } else if (at >= unit - 4) {
                value = static_cast<uint8_t>(0x1b * (block % 5)); // indices
            }
            data.push_back(value);
        }
    }
    if (kind == Kind::Argb) {
        o.pfFlags = 0x41; // RGB | ALPHAPIXELS
        o.bits = 32;
        o.masks[0] = 0x00ff0000;
        o.masks[1] = 0x0000ff00;
        o.masks[2] = 0x000000ff;
        o.masks[3] = 0xff000000;
        o.flags |= 0x8;
        o.pitchOrLinearSize = width * 4;
    } else {
        o.fourCC = imgwrite::fourCC(kind == Kind::Dxt1 ? "DXT1" : "DXT5");
        o.flags |= 0x80000;
        o.pitchOrLinearSize = levelBytes(kind, width, height);
    }
    if (levels > 1) {
        o.flags |= 0x20000;
        o.mipCount = levels;
        o.caps |= 0x400008;
    }
    return imgwrite::writeDds(o, data);
}

imgwrite::Bytes png(uint32_t width, uint32_t height) {
    std::vector<uint16_t> samples;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            samples.insert(samples.end(),
                           {static_cast<uint16_t>(x * 2 & 255), static_cast<uint16_t>(y * 2 & 255),
                            160, static_cast<uint16_t>(x < 8 ? 128 : 255)});
        }
    }
    return imgwrite::writePng(imgwrite::PngOptions{}, width, height, samples);
}

// One file of a mod: what writeMod writes and what seedText describes.
struct Planned {
    std::string path; // below the texture root
    Kind kind;
    uint32_t width, height, levels, seed;
    bool png = false;
    bool truncated = false;
};

std::vector<Planned> plan(Variant variant) {
    const bool faults = variant != Variant::Clean;
    const bool every = variant == Variant::EveryRule;
    std::vector<Planned> files;
    auto texture = [&](const std::string& path, Kind kind, uint32_t width, uint32_t height,
                       bool chain, uint32_t seed) {
        files.push_back({path, kind, width, height, chain ? fullChain(width, height) : 1, seed});
    };
    auto thumbnail = [&](const std::string& path, uint32_t seed) {
        texture(path, Kind::Dxt5, 64, 64, false, seed);
    };
    texture("stone.dds", Kind::Dxt1, faults ? 300 : 256, faults ? 200 : 128, true, 1);
    texture(faults ? "Brick.dds" : "brick.dds", Kind::Dxt1, 64, 64, true, 2);
    texture(faults ? "wall.png" : "wall.dds", Kind::Argb, 128, 128, true, 3);
    files.back().png = faults;
    texture("backdrops\\bd_city.dds", Kind::Dxt1, 1024, 256, !faults, 4);
    thumbnail("thumbs\\backdrops\\th_bd_city.dds", 4);
    texture("overlays\\overlay_glow_v00.dds", Kind::Dxt5, 512, 256, false, 5);
    if (!faults) {
        thumbnail("overlays\\overlay_thumbnails\\overlay_glow_v00.dds", 5);
    }
    for (uint32_t frame = 0; frame < 3; ++frame) {
        const bool odd = faults && frame == 1;
        texture("overlays\\overlay_spark_v0" + std::to_string(frame) + ".dds", Kind::Dxt5,
                odd ? 512 : 256, odd ? 256 : 128, false, 6 + frame);
        const uint32_t smoke = every && frame == 2 ? 3 : frame;
        texture("overlays\\overlay_smoke_v0" + std::to_string(smoke) + ".dds", Kind::Dxt5, 256, 128,
                false, 9 + frame);
    }
    thumbnail("overlays\\overlay_thumbnails\\overlay_spark_v00.dds", 6);
    thumbnail("overlays\\overlay_thumbnails\\overlay_smoke_v00.dds", 9);
    if (every) {
        texture("broken.dds", Kind::Dxt1, 64, 64, false, 12);
        files.back().truncated = true;
        thumbnail("overlays\\overlay_thumbnails\\overlay_gone_v00.dds", 13);
    }
    return files;
}

} // namespace

bool writeMod(const std::string& folder, Variant variant) {
    const std::string root = folder + "\\data\\textures\\";
    bool ok = true;
    for (const char* sub : {"backdrops", "overlays\\overlay_thumbnails", "thumbs\\backdrops"}) {
        ok = k4p::createFolderTree((root + sub).c_str()) && ok;
    }
    for (const Planned& file : plan(variant)) {
        imgwrite::Bytes bytes =
            file.png ? png(file.width, file.height)
                     : dds(file.kind, file.width, file.height, file.levels, file.seed);
        if (file.truncated) {
            bytes.resize(bytes.size() / 2);
        }
        ok = !bytes.empty() && imgwrite::saveFile(root + file.path, bytes) && ok;
    }
    return ok;
}

std::string seedText(Variant variant) {
    static const char* const kFormats[] = {"DXT1", "DXT5", "A8R8G8B8"};
    std::string text;
    for (const Planned& file : plan(variant)) {
        text += "data\\textures\\" + file.path + "\t" + std::to_string(file.width) + "\t" +
                std::to_string(file.height) + "\t" + std::to_string(file.levels) + "\t" +
                (file.png ? "PNG" : kFormats[static_cast<int>(file.kind)]) + "\t" +
                (file.truncated ? "unreadable" : "read") + "\n";
    }
    return text;
}

} // namespace faultmod
