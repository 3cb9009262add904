// qbtex pak: the pak archives of a folder, loaded and merged as the program
// does (newest archive wins duplicates), and single archives inspected.
#include "cli/cmd_content.h"

#include "content/file_list.h"
#include "content/pak_archive.h"
#include "content/pak_registry.h"
#include "foundation/k4cstring.h"
#include "platform/platform.h"

#include <cstdio>
#include <memory>

namespace {

const char kPakHelp[] =
    "usage:\n"
    "  qbtex pak list PAKDIR\n"
    "  qbtex pak folders PAKDIR [FOLDER]\n"
    "  qbtex pak find PAKDIR PATTERN [--folder FOLDER] [--recursive]\n"
    "  qbtex pak extract PAKDIR --to CACHEDIR GAMEPATH...\n"
    "  qbtex pak info PAKFILE...\n"
    "\n"
    "PAKDIR is a folder of *.pak files, loaded together as the game does: a\n"
    "file in several archives is taken from the most recently modified one.\n"
    "\n"
    "  list     every file as its game path (folder, then name), folders in\n"
    "           sorted order and files sorted within each folder\n"
    "  folders  the immediate sub-folders of FOLDER, exact text (default: the\n"
    "           empty name, the top of the tree), in sorted order\n"
    "  find     files whose name matches PATTERN (\"*\" and \"?\") in FOLDER,\n"
    "           sorted by file name, then folder\n"
    "  extract  extracts each GAMEPATH into CACHEDIR (made when missing) under\n"
    "           its folder and name, and prints the path of the file on disk\n"
    "  info     version, file and folder counts of each archive, and the\n"
    "           records left out as unsafe or unreferenced, with the reason\n"
    "\n"
    "  --folder FOLDER  game folder to search, e.g. data\\textures (default: the\n"
    "                   top); \"/\" means \"\\\"\n"
    "  --recursive      also search every folder below FOLDER\n"
    "  --to CACHEDIR    folder that receives extracted files\n"
    "  --help           this text\n"
    "\n"
    "Exit status: 0 done, 1 something was not found or could not be read, 2 usage\n"
    "error.\n";

int list(K4QBPakRegistry* registry) {
    for (int32_t f = 0; f < registry->getFolderCount(); ++f) {
        const K4QBPakFolder* folder = registry->getFolder(f);
        for (int32_t e = 0; e < folder->fileCount; ++e) {
            std::printf("%s%s\n", folder->name, folder->entries[e]->name);
        }
    }
    return qbtex::kExitOk;
}

int folders(K4QBPakRegistry* registry, const std::string& folder) {
    const int32_t count = registry->getSubFolderCount(folder.c_str());
    for (int32_t i = 0; i < count; ++i) {
        std::printf("%s\n", registry->getSubFolder(folder.c_str(), i));
    }
    return qbtex::kExitOk;
}

int find(K4QBPakRegistry* registry, const qbtex::ContentArgs& args) {
    K4QBFileList found;
    registry->findContent(&found, args.positional[2].c_str(), qbtex::gamePath(args.folder).c_str(),
                          args.recursive);
    qbtex::printFileList(found, false);
    return found.getCount() > 0 ? qbtex::kExitOk : qbtex::kExitFailed;
}

int extract(K4QBPakRegistry* registry, const qbtex::ContentArgs& args) {
    int status = qbtex::kExitOk;
    K4CString out;
    for (int i = 2; i < args.count; ++i) {
        std::string folder;
        std::string name;
        qbtex::splitGamePath(args.positional[i], &folder, &name);
        try {
            if (registry->getContent(&out, name.c_str(), folder.c_str(), false)) {
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
}

int info(const qbtex::ContentArgs& args) {
    int status = qbtex::kExitOk;
    for (int i = 1; i < args.count; ++i) {
        std::unique_ptr<K4QBPakArchive> archive;
        try {
            archive.reset(K4QBPakArchive::loadFromFile(args.positional[i].c_str()));
        } catch (const char* code) {
            status = qbtex::reportError(code, args.positional[i]);
            continue;
        }
        const K4QBPakHeader& header = archive->getHeader();
        std::printf("%s\n", qbtex::nativePath(archive->getPath()).c_str());
        std::printf("  version %d, %d files (%d records), %d folders, %d pairs\n", header.version,
                    archive->getFileCount(), header.fileCount, header.folderCount,
                    header.pairCount);
        for (int32_t f = 0; f < archive->getFolderCount(); ++f) {
            if (const char* reason = archive->getFolderRefusal(f)) {
                std::printf("  unsafe folder \"%s\": %s\n", archive->getFolderName(f), reason);
            }
        }
        for (int32_t s = 0; s < archive->getSkippedCount(); ++s) {
            const K4QBPakSkipped& skipped = archive->getSkipped(s);
            std::printf("  left out record %d, folder offset %d, name \"%s\": %s\n", skipped.record,
                        skipped.folderOffset, skipped.name, skipped.reason);
        }
    }
    return status;
}

} // namespace

int runPak(int argc, char** argv) {
    qbtex::ContentArgs args;
    int status = qbtex::kExitOk;
    if (!qbtex::startCommand(argc, argv, kPakHelp, &args, &status)) {
        return status;
    }
    const std::string verb = args.count > 0 ? args.positional[0] : "";
    if (verb == "info" && args.count >= 2) {
        return info(args);
    }
    const bool known = (verb == "list" && args.count == 2) ||
                       (verb == "folders" && (args.count == 2 || args.count == 3)) ||
                       (verb == "find" && args.count == 3) ||
                       (verb == "extract" && args.count >= 3 && !args.to.empty());
    if (!known) {
        return qbtex::printHelp(kPakHelp, stderr);
    }
    const std::string& pakFolder = args.positional[1];
    if (verb == "extract") {
        k4p::createFolderTree(args.to.c_str());
    }
    try {
        std::unique_ptr<K4QBPakRegistry> registry(
            K4QBPakRegistry::CreateFromPath(pakFolder.c_str(), args.to.c_str()));
        if (verb == "list") {
            return list(registry.get());
        }
        if (verb == "folders") {
            return folders(registry.get(),
                           args.count == 3 ? qbtex::gamePath(args.positional[2]) : "");
        }
        if (verb == "find") {
            return find(registry.get(), args);
        }
        return extract(registry.get(), args);
    } catch (const char* code) {
        return qbtex::reportError(code, qbtex::nativePath(pakFolder.c_str()));
    }
}
