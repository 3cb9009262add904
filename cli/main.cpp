// qbtex: the command-line face of the portable core (game content and image
// codec), for scripting, testing and inspecting files without the program.
#include "cli/cmd_check.h"
#include "cli/cmd_content.h"
#include "cli/cmd_convert.h"
#include "cli/cmd_image.h"
#include "cli/commands.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {

// Each command group adds its entries here.
const QbtexCommand kCommands[] = {
    {"help", "qbtex help", nullptr},
    {"info", "qbtex info FILE...", runImageInfo},
    {"to-png", "qbtex to-png INPUT OUTPUT.png [--level N]", runImageToPng},
    {"to-dds", "qbtex to-dds INPUT OUTPUT.dds --format NAME [--size WxH] [--mips full|none|N]",
     runImageToDds},
    {"pak", "qbtex pak list|folders|find|extract|info ...  (qbtex pak --help)", runPak},
    {"content", "qbtex content find|get|overrides INSTALLDIR ...  (qbtex content --help)",
     runContent},
    {"convert", "qbtex convert [OPTIONS] FILE...  (qbtex convert --help)", runConvert},
    {"check", "qbtex check FOLDER [--game INSTALL] [--fix] [--dry-run]  (qbtex check --help)",
     runCheck},
};

int usage(FILE* out) {
    std::fprintf(out, "usage:\n");
    for (const QbtexCommand& command : kCommands) {
        std::fprintf(out, "  %s\n", command.usage);
    }
    return out == stderr ? 2 : 0;
}

} // namespace

int main(int argc, char** argv) {
    k4p::keepFreedMemory(); // every command works through pictures of like sizes
    if (argc < 2) {
        return usage(stderr);
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        return usage(stdout);
    }
    for (const QbtexCommand& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) {
            return command.run ? command.run(argc - 2, argv + 2) : usage(stdout);
        }
    }
    std::fprintf(stderr, "qbtex: unknown command '%s'\n", argv[1]);
    return usage(stderr);
}
