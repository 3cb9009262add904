// Replays a fuzz target's corpus outside libFuzzer: every file named on the
// command line, or found directly inside a folder named there, is fed once to
// LLVMFuzzerTestOneInput. Used by the normal test run as a regression test.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool replayFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int files = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            std::fprintf(stderr, "missing %s\n", argv[i]);
            ok = false;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            ok = replayFile(argv[i]) && ok;
            ++files;
            continue;
        }
        DIR* dir = opendir(argv[i]);
        while (struct dirent* entry = dir ? readdir(dir) : nullptr) {
            std::string path = std::string(argv[i]) + "/" + entry->d_name;
            if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                ok = replayFile(path) && ok;
                ++files;
            }
        }
        if (dir) {
            closedir(dir);
        }
    }
    std::printf("replayed %d inputs\n", files);
    return ok && files > 0 ? 0 : 1;
}
