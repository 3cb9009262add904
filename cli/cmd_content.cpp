// qbtex content: the content registry as the program builds it (the loose
// data folder of the install folder first, then the archives of its
// data\pak), and the helpers the content commands share.
#include "cli/cmd_content.h"

#include "content/content_registry.h"
#include "content/file_list.h"
#include "content/game_data_folder.h"
#include "content/pak_registry.h"
#include "export/game_archives.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace qbtex {

int printHelp(const char* help, FILE* out) {
    std::fputs(help, out);
    return out == stdout ? kExitOk : kExitUsage;
}

bool startCommand(int argc, char** argv, const char* help, ContentArgs* args, int* status) {
    if (!parseContentArgs(argc, argv, args)) {
        *status = printHelp(help, stderr);
        return false;
    }
    if (args->help) {
        *status = printHelp(help, stdout);
        return false;
    }
    return true;
}

bool parseContentArgs(int argc, char** argv, ContentArgs* args) {
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            args->help = true;
        } else if (arg == "--recursive") {
            args->recursive = true;
        } else if (arg == "--folder" || arg == "--to" || arg == "--cache") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "qbtex: %s needs a value\n", arg.c_str());
                return false;
            }
            (arg == "--folder" ? args->folder : args->to) = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            std::fprintf(stderr, "qbtex: unknown option %s\n", arg.c_str());
            return false;
        } else if (args->count < static_cast<int>(sizeof args->positional / sizeof(std::string))) {
            args->positional[args->count++] = arg;
        } else {
            std::fprintf(stderr, "qbtex: too many arguments\n");
            return false;
        }
    }
    return true;
}

std::string gamePath(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = c == '/' ? '\\' : c;
    }
    return out;
}

void splitGamePath(const std::string& path, std::string* folder, std::string* name) {
    std::string game = gamePath(path);
    size_t cut = game.find_last_of('\\');
    *folder = cut == std::string::npos ? "" : game.substr(0, cut + 1);
    *name = cut == std::string::npos ? game : game.substr(cut + 1);
}

std::string nativePath(const char* path) {
    std::string out = path != nullptr ? path : "";
#ifndef _WIN32
    for (char& c : out) {
        c = c == '\\' ? '/' : c;
    }
#endif
    return out;
}

int reportError(const char* code, const std::string& detail) {
    const char* message = k4cErrorMessage(code);
    std::fprintf(stderr, "qbtex: %s: %s%s%s\n", code, detail.c_str(), message ? ": " : "",
                 message ? message : "");
    return kExitFailed;
}

void printFileList(const K4QBFileList& list, bool withSource) {
    for (int32_t i = 0; i < list.getCount(); ++i) {
        if (withSource) {
            K4QBGameFiles* source = list.getSource(i);
            bool loose = source != nullptr && source->getSourceType() == K4QB_SOURCE_DATAFOLDER;
            std::printf("%s\t", loose ? "loose" : "pak");
        }
        std::printf("%s%s\n", list.getFolder(i), list.getName(i));
    }
}

} // namespace qbtex

namespace {

const char kContentHelp[] =
    "usage:\n"
    "  qbtex content find INSTALLDIR PATTERN [--folder FOLDER] [--recursive]\n"
    "  qbtex content get INSTALLDIR --cache CACHEDIR GAMEPATH...\n"
    "  qbtex content overrides INSTALLDIR [--cache CACHEDIR]\n"
    "\n"
    "The game content as the program sees it: loose files below INSTALLDIR\n"
    "first, then the pak archives of INSTALLDIR's data\\pak folder.\n"
    "\n"
    "  find   prints each file whose name matches PATTERN (\"*\" and \"?\") in\n"
    "         FOLDER as 'loose' or 'pak', a tab and its game path, sorted by\n"
    "         file name, then folder. A loose file listed under the same\n"
    "         spelling hides the archived one.\n"
    "  get    prints the path on disk of each GAMEPATH: the loose file, or the\n"
    "         copy extracted into CACHEDIR (made when missing).\n"
    "  overrides  prints each loose file below data\\ that hides an archived\n"
    "         entry, tab-separated: its game path, the archive served for it,\n"
    "         the loose file's WIDTHxHEIGHT and format, the archived entry's\n"
    "         (\"-\" for what is no image). An archive that cannot be read is\n"
    "         reported and the others are still listed. The entries are\n"
    "         extracted into CACHEDIR, or without it into a temporary folder\n"
    "         removed afterwards.\n"
    "\n"
    "  --folder FOLDER  game folder to search, e.g. data\\textures (default: the\n"
    "                   install folder itself); \"/\" means \"\\\"\n"
    "  --recursive      also search every folder below FOLDER\n"
    "  --cache CACHEDIR folder that receives extracted files\n"
    "  --help           this text\n"
    "\n"
    "Exit status: 0 done, 1 something was not found or could not be read, 2 usage\n"
    "error.\n";

std::string describe(bool read, const k4export::TextureHeader& header) {
    return read ? std::to_string(header.width) + "x" + std::to_string(header.height) + "\t" +
                      header.formatText
                : "-\t-";
}

// Removes a folder made for extraction with what it holds (links removed,
// never followed).
void removeTree(const std::string& folder) {
    k4p::FolderListing listing;
    k4p::FindItem item;
    for (bool more = listing.open((folder + "\\*").c_str()); more && listing.next(&item);) {
        const std::string path = folder + "\\" + item.name;
        if (std::strcmp(item.name, ".") == 0 || std::strcmp(item.name, "..") == 0) {
            continue;
        }
        item.directory && !item.link ? removeTree(path) : (void)k4p::removeFile(path.c_str());
    }
    listing.close();
    k4p::removeFolder(folder.c_str());
}

// A new empty folder in the system's temporary folder; empty when none can
// be made.
std::string makeTemporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    base = base != nullptr ? base : std::getenv("TEMP");
    base = base != nullptr ? base : ".";
    for (int n = 0; n < 100; ++n) {
        const std::string folder = std::string(base) + "\\qbtex-overrides-" +
                                   std::to_string(k4p::tickCount64()) + "-" + std::to_string(n);
        if (k4p::createFolder(folder.c_str())) {
            return folder;
        }
    }
    return std::string();
}

int listOverrides(const std::string& install, const std::string& cache) {
    const std::string folder = cache.empty() ? makeTemporaryFolder() : cache;
    if (folder.empty() || !k4p::createFolderTree(folder.c_str())) {
        return qbtex::reportError(K4CEXC_IO, "no folder to extract into");
    }
    k4export::OverrideReport report;
    try {
        k4export::findOverrides(install, folder.c_str(), k4export::ScanControl(), &report);
    } catch (const std::bad_alloc&) {
        report.problems.push_back(std::string("overrides: ") + K4CERR_MEM_OUTOFMEMORY);
    }
    if (cache.empty()) {
        removeTree(folder);
    }
    for (const k4export::GameOverride& entry : report.overrides) {
        std::printf("%s\t%s\t%s\t%s\n", entry.path.c_str(),
                    qbtex::nativePath(entry.archive.c_str()).c_str(),
                    describe(entry.looseRead, entry.loose).c_str(),
                    describe(entry.archivedRead, entry.archived).c_str());
    }
    std::fflush(stdout);
    for (const std::string& problem : report.problems) {
        qbtex::reportError(K4CEXC_IO, qbtex::nativePath(problem.c_str()));
    }
    return report.problems.empty() ? qbtex::kExitOk : qbtex::kExitFailed;
}

} // namespace

int runContent(int argc, char** argv) {
    qbtex::ContentArgs args;
    int status = qbtex::kExitOk;
    if (!qbtex::startCommand(argc, argv, kContentHelp, &args, &status)) {
        return status;
    }
    const std::string verb = args.count > 0 ? args.positional[0] : "";
    const bool find = verb == "find" && args.count == 3;
    const bool get = verb == "get" && args.count >= 3 && !args.to.empty();
    const bool overrides = verb == "overrides" && args.count == 2;
    if (!find && !get && !overrides) {
        return qbtex::printHelp(kContentHelp, stderr);
    }
    const std::string install = args.positional[1];
    if (overrides) {
        return listOverrides(qbtex::gamePath(install), args.to);
    }
    std::string cache = args.to;
    if (get) {
        k4p::createFolderTree(cache.c_str());
    }
    try {
        K4QBContentRegistry registry;
        registry.addSource(K4QBGameDataFolder::CreateFromPath(install.c_str()));
        K4CString pakFolder(install.c_str());
        pakFolder.appendPath("data\\pak", false);
        registry.addSource(K4QBPakRegistry::CreateFromPath(pakFolder.getText(), cache.c_str()));
        if (find) {
            K4QBFileList list;
            registry.findContent(&list, args.positional[2].c_str(),
                                 qbtex::gamePath(args.folder).c_str(), args.recursive);
            qbtex::printFileList(list, true);
            return list.getCount() > 0 ? qbtex::kExitOk : qbtex::kExitFailed;
        }
        int status = qbtex::kExitOk;
        K4CString out;
        for (int i = 2; i < args.count; ++i) {
            std::string folder;
            std::string name;
            qbtex::splitGamePath(args.positional[i], &folder, &name);
            try {
                if (registry.getContent(&out, name.c_str(), folder.c_str(), false)) {
                    std::printf("%s\n", qbtex::nativePath(out.getText()).c_str());
                } else {
                    std::fprintf(stderr, "qbtex: not found: %s\n", args.positional[i].c_str());
                    status = status == qbtex::kExitOk ? qbtex::kExitFailed : status;
                }
            } catch (const char* code) {
                status = qbtex::reportError(code, args.positional[i]);
            }
        }
        return status;
    } catch (const char* code) {
        return qbtex::reportError(code, qbtex::nativePath(install.c_str()));
    }
}
