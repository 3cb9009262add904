// startup_bench_install: writes a game install of the size of a full one for
// bench/startup_bench.sh: 20 archives of 25,000 entries each (500,000 files)
// over 200 folders below data\textures\, every entry a small valid DDS so that
// whatever the program opens can be drawn, and an empty loose data folder.
// With --loose the same files are written as loose files instead, and no
// archive (bench/check_bench.sh checks them).
//
//   startup_bench_install OUTDIR [--loose]
#include "platform/platform.h"
#include "tools/pakwriter.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kArchives = 20;
constexpr int kEntries = 25000;
constexpr int kFolders = 200;

void putLe32(std::vector<uint8_t>* out, uint32_t v) {
    for (int k = 0; k < 4; ++k) {
        out->push_back(static_cast<uint8_t>(v >> (8 * k)));
    }
}

// A 4 x 4 DXT1 texture of one colour.
std::vector<uint8_t> tinyDds(uint16_t colour) {
    std::vector<uint8_t> out;
    putLe32(&out, 0x20534444); // "DDS "
    putLe32(&out, 124);
    putLe32(&out, 0x81007);
    putLe32(&out, 4);
    putLe32(&out, 4);
    putLe32(&out, 8);
    for (int i = 0; i < 13; ++i) {
        putLe32(&out, 0); // depth, mip count, reserved words
    }
    putLe32(&out, 32);
    putLe32(&out, 0x4);
    putLe32(&out, 0x31545844); // "DXT1"
    for (int i = 0; i < 5; ++i) {
        putLe32(&out, 0);
    }
    putLe32(&out, 0x1000);
    for (int i = 0; i < 4; ++i) {
        putLe32(&out, 0);
    }
    out.insert(out.end(),
               {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8), 0, 0, 0, 0});
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const bool loose = argc == 3 && std::string(argv[2]) == "--loose";
    if (argc != 2 && !loose) {
        std::fprintf(stderr, "usage: startup_bench_install OUTDIR [--loose]\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::string paks = root + "/data/pak";
    if (!k4p::createFolderTree(paks.c_str()) ||
        !k4p::createFolderTree((root + "/data/textures").c_str())) {
        std::fprintf(stderr, "startup_bench_install: cannot create %s\n", paks.c_str());
        return 1;
    }
    static const char* const kinds[] = {"wall",  "floor", "brick", "stone",
                                        "metal", "glass", "roof",  "cloth"};
    const std::vector<uint8_t> contents[] = {tinyDds(0xF800), tinyDds(0x07E0), tinyDds(0x001F),
                                             tinyDds(0x8410)};
    for (int a = 0; a < kArchives; ++a) {
        K4QBPakWriter w(5);
        w.addFolder("");
        w.addFolder("data\\");
        w.addFolder("data\\textures\\");
        for (int i = 0; i < kEntries; ++i) {
            char folder[40], name[32];
            std::snprintf(folder, sizeof folder, "data\\textures\\set%03d\\",
                          (a * kEntries + i) % kFolders);
            std::snprintf(name, sizeof name, "%s_%02d_%05d.dds", kinds[i % 8], a, i);
            if (loose) {
                // Plain writes: a fixture, nothing to keep whole on a crash.
                const std::string path = root + "\\" + folder + name;
                if (a == 0 && i < kFolders) {
                    k4p::createFolderTree((root + "\\" + folder).c_str());
                }
                FILE* file = k4p::openFile(path.c_str(), "wb");
                const std::vector<uint8_t>& bytes = contents[i % 4];
                if (file == nullptr ||
                    std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
                    std::fclose(file) != 0) {
                    std::fprintf(stderr, "startup_bench_install: cannot write %s\n", path.c_str());
                    return 1;
                }
                continue;
            }
            w.addFile(folder, name, contents[i % 4],
                      i % 2 == 0 ? K4QBPakEncoding::Stored : K4QBPakEncoding::Compressed);
        }
        if (loose) {
            continue;
        }
        char file[32];
        std::snprintf(file, sizeof file, "/archive%02d.pak", a);
        const std::string path = paks + file;
        if (!w.writeTo(path) || !k4p::setFileModifiedTime(path.c_str(), 1700000000 + a)) {
            std::fprintf(stderr, "startup_bench_install: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("startup_bench_install: %s: %d %s, %d files\n", root.c_str(), kArchives,
                loose ? "sets of loose files" : "archives", kArchives * kEntries);
    return 0;
}
