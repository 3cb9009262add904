// pakwrite: writes a pak archive from files on disk, or the fuzz seed corpus.
//
//   pakwrite [--version N] [--time SECONDS] [--nuls N] OUT.pak ENTRY...
//   pakwrite --seeds FOLDER
//   pakwrite --merge-seeds FOLDER
//
// An ENTRY is GAMEPATH=FILE (the game path's folder part becomes a folder of
// the archive, "/" meaning "\"), --folder NAME (a folder name without files),
// or one of --stored, --compressed, --chained, --wrapped, which set the
// encoding of the entries that follow (compressed at first).
#include "platform/platform.h"
#include "tools/pakwriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage(FILE* out) {
    std::fprintf(out, "usage: pakwrite [--version N] [--time SECONDS] [--nuls N] OUT.pak ENTRY...\n"
                      "       pakwrite --seeds FOLDER | --merge-seeds FOLDER\n"
                      "ENTRY: GAMEPATH=FILE | --folder NAME | --stored | --compressed | --chained |"
                      " --wrapped\n"
                      "  --version N    header version (5 or more: 52-byte header; below: 40)\n"
                      "  --time SECONDS modification time to give the written archive\n"
                      "  --nuls N       extra NUL bytes after each folder name\n"
                      "  --seeds FOLDER write the fuzz seed corpus into FOLDER\n"
                      "  --merge-seeds FOLDER  the same for the registry's merge\n");
    return out == stdout ? 0 : 2;
}

bool readFile(const char* path, std::vector<uint8_t>* bytes) {
    FILE* file = k4p::openFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        return usage(stdout);
    }
    const bool merge = argc == 3 && std::strcmp(argv[1], "--merge-seeds") == 0;
    if (merge || (argc == 3 && std::strcmp(argv[1], "--seeds") == 0)) {
        int count = merge ? k4qbWritePakMergeSeeds(argv[2]) : k4qbWritePakSeeds(argv[2]);
        if (count < 0) {
            std::fprintf(stderr, "pakwrite: cannot write seeds into %s\n", argv[2]);
            return 2;
        }
        std::printf("%d seeds written to %s\n", count, argv[2]);
        return 0;
    }
    int32_t version = 5;
    long long time = -1;
    int nuls = 0;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (std::strcmp(argv[i], "--version") == 0) {
            version = static_cast<int32_t>(std::strtol(argv[i + 1], nullptr, 10));
        } else if (std::strcmp(argv[i], "--time") == 0) {
            time = std::strtoll(argv[i + 1], nullptr, 10);
        } else if (std::strcmp(argv[i], "--nuls") == 0) {
            nuls = std::atoi(argv[i + 1]);
        } else {
            return usage(stderr);
        }
    }
    if (i >= argc) {
        return usage(stderr);
    }
    const char* out = argv[i++];
    K4QBPakWriter writer(version);
    K4QBPakEncoding encoding = K4QBPakEncoding::Compressed;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--stored") {
            encoding = K4QBPakEncoding::Stored;
        } else if (arg == "--compressed") {
            encoding = K4QBPakEncoding::Compressed;
        } else if (arg == "--chained") {
            encoding = K4QBPakEncoding::Chained;
        } else if (arg == "--wrapped") {
            encoding = K4QBPakEncoding::Wrapped;
        } else if (arg == "--folder" && i + 1 < argc) {
            writer.addFolder(argv[++i], nuls);
        } else {
            size_t eq = arg.find('=');
            if (eq == std::string::npos) {
                return usage(stderr);
            }
            std::string gamePath = arg.substr(0, eq);
            for (char& c : gamePath) {
                c = c == '/' ? '\\' : c;
            }
            size_t cut = gamePath.find_last_of('\\');
            std::string folder = cut == std::string::npos ? "" : gamePath.substr(0, cut + 1);
            std::string name = cut == std::string::npos ? gamePath : gamePath.substr(cut + 1);
            std::vector<uint8_t> content;
            if (!readFile(arg.c_str() + eq + 1, &content)) {
                std::fprintf(stderr, "pakwrite: cannot read %s\n", arg.c_str() + eq + 1);
                return 2;
            }
            writer.folder(folder, nuls);
            writer.addFile(folder, name, content, encoding);
        }
    }
    if (!writer.writeTo(out)) {
        std::fprintf(stderr, "pakwrite: cannot write %s\n", out);
        return 2;
    }
    if (time >= 0 && !k4p::setFileModifiedTime(out, time)) {
        std::fprintf(stderr, "pakwrite: cannot set the time of %s\n", out);
        return 2;
    }
    return 0;
}
