// k4imgseeds FORMAT FOLDER: writes the seed files of one image format (dds,
// bmp, tga, png, jpeg) into FOLDER, creating it.
#include "platform/platform.h"
#include "tools/imgwrite.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: k4imgseeds dds|bmp|tga|png|jpeg FOLDER\n");
        return 2;
    }
    const std::vector<imgwrite::SeedFile> seeds = imgwrite::seedFiles(argv[1]);
    if (seeds.empty()) {
        std::fprintf(stderr, "k4imgseeds: unknown format '%s'\n", argv[1]);
        return 2;
    }
    // Create the folder and any missing parents.
    const std::string folder = argv[2];
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/' || folder[i] == '\\') {
            k4p::createFolder(folder.substr(0, i).c_str());
        }
    }
    for (const imgwrite::SeedFile& seed : seeds) {
        const std::string path = std::string(argv[2]) + "/" + seed.name;
        if (seed.bytes.empty() || !imgwrite::saveFile(path, seed.bytes)) {
            std::fprintf(stderr, "k4imgseeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
