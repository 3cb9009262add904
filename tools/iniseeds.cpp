// k4iniseeds --out FOLDER: writes seed settings files for the INI fuzz target into
// FOLDER (made if missing): the documented examples, duplicates, odd lines,
// line-end variants, long lines and a file with a NUL byte.
#include "platform/platform.h"

#include <cstdio>
#include <string>

namespace {

struct Seed {
    const char* name;
    std::string bytes;
};

bool writeSeed(const std::string& folder, const Seed& seed) {
    std::string path = folder + "\\" + seed.name;
    FILE* file = k4p::openFile(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "k4iniseeds: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), file) == seed.bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "k4iniseeds: cannot write %s\n", path.c_str());
    }
    return ok;
}

// Makes the folder and any missing parents; existing ones are fine.
void createFolders(const std::string& folder) {
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/' || folder[i] == '\\') {
            k4p::createFolder(folder.substr(0, i).c_str());
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "--out") {
        std::fprintf(stderr, "usage: k4iniseeds --out FOLDER\n");
        return 2;
    }
    std::string folder = argv[2];
    createFolders(folder);
    const Seed seeds[] = {
        {"window.ini", "[Window]\r\nLeft = 10\r\nTOP=20\r\n"},
        {"program.ini", "[window]\n\tleft = 10\n\ttop = 20\n\twidth = 1024\n\theight = 768\n\n"
                        "[viewer]\n\tbackground = 0x808080\n\tframe rate = 010\n\n"
                        "[file search]\n\tsource = 1\n\tfolder = data\\textures\\\n\n"},
        {"values.ini", "a = b = c\nhex=0x1F\noct=010\njunk=12abc\nword=abc\nempty=\n"},
        {"duplicates.ini", "[A]\nk=1\nk=2\n[a]\nj=3\n[A]\n"},
        {"unnamed.ini", "first=1\n[]\nsecond=2\n[g]\n[]\nthird=3\n"},
        {"odd-lines.ini", "flag\n= x\n  =  \n;comment = 1\n#x=3\n[tail\n[ A b ]x]\n]\n[\n"},
        {"line-ends.ini", "a=1\rb=2\r\n\r\nc=3\n\n\rd=4"},
        {"blanks.ini", "\t \n   [  Spaced  ]   \n\t key \t=\t value \t\n \n"},
        {"long-line.ini",
         "[long]\nkey=" + std::string(3000, 'v') + "\n" + std::string(500, 'k') + "\n"},
        {"empty.ini", ""},
        {"nul-byte.ini", std::string("[a]\nk=1\0\n", 9)},
    };
    bool ok = true;
    for (const Seed& seed : seeds) {
        ok = writeSeed(folder, seed) && ok;
    }
    return ok ? 0 : 1;
}
