// k4faultmod: writes the texture check's fixture mod (faultmod.h) for the
// demo run and for trying the check by hand, or the seeds of the check's
// fuzz target.
//
//   k4faultmod FOLDER [clean|fixable|every]     (default: fixable)
//   k4faultmod --seeds FOLDER
#include "platform/platform.h"
#include "tools/faultmod.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int writeSeeds(const std::string& folder) {
    k4p::createFolderTree(folder.c_str());
    const struct {
        const char* name;
        faultmod::Variant variant;
    } seeds[] = {{"clean", faultmod::Variant::Clean},
                 {"fixable", faultmod::Variant::Fixable},
                 {"every", faultmod::Variant::EveryRule}};
    for (const auto& seed : seeds) {
        const std::string text = faultmod::seedText(seed.variant);
        if (!k4p::writeFileAtomic((folder + "\\" + seed.name).c_str(), text.data(), text.size())) {
            std::fprintf(stderr, "k4faultmod: cannot write the seeds into %s\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--seeds") == 0) {
        return writeSeeds(argv[2]);
    }
    const char* variant = argc > 2 ? argv[2] : "fixable";
    const bool known = std::strcmp(variant, "clean") == 0 || std::strcmp(variant, "fixable") == 0 ||
                       std::strcmp(variant, "every") == 0;
    if (argc < 2 || argc > 3 || !known) {
        std::fprintf(stderr, "usage: k4faultmod FOLDER [clean|fixable|every]\n"
                             "       k4faultmod --seeds FOLDER\n");
        return 2;
    }
    const faultmod::Variant which = variant[0] == 'c'   ? faultmod::Variant::Clean
                                    : variant[0] == 'f' ? faultmod::Variant::Fixable
                                                        : faultmod::Variant::EveryRule;
    if (!faultmod::writeMod(argv[1], which)) {
        std::fprintf(stderr, "k4faultmod: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("k4faultmod: %s: the %s mod\n", argv[1], variant);
    return 0;
}
