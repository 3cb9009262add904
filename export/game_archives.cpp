// The game's archives one by one and the loose files that hide archived
// entries (see game_archives.h).
#include "export/game_archives.h"
#include "export/texture_check.h"

#include "foundation/errors.h"
#include "foundation/k4cstring.h"

#include <algorithm>
#include <new>
#include <unordered_map>

namespace k4export {

namespace {

bool endsWithPak(const std::string& name) {
    return name.size() >= 4 && lowered(name.substr(name.size() - 4)) == ".pak";
}

struct Served {
    K4QBPakArchive* archive;
    K4QBPakEntry* entry;
};

} // namespace

std::vector<std::unique_ptr<K4QBPakArchive>> loadGameArchives(const std::string& install,
                                                              std::vector<std::string>* problems) {
    std::string link;
    const std::string folder = findFolder(install, "data\\pak\\", &link);
    std::vector<std::string> names;
    k4p::FolderListing listing;
    k4p::FindItem item;
    for (bool more = !folder.empty() && listing.open((install + "\\" + folder + "*.pak").c_str());
         more && listing.next(&item);) {
        if (!item.directory && !item.system && !item.temporary && !item.offline &&
            item.size < (uint64_t{1} << 32) && endsWithPak(item.name)) {
            names.push_back(item.name);
        }
    }
    // Name order without regard to case, then by the exact bytes: the
    // registry's load order, which decides ties between archives.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string x = lowered(a), y = lowered(b);
        return x != y ? x < y : a < b;
    });
    std::vector<std::unique_ptr<K4QBPakArchive>> archives;
    for (const std::string& name : names) {
        const std::string path = install + "\\" + folder + name;
        try {
            archives.emplace_back(K4QBPakArchive::loadFromFile(path.c_str()));
        } catch (const char* code) {
            problems->push_back(path + ": " + code);
        } catch (const std::bad_alloc&) {
            problems->push_back(path + ": " + K4CERR_MEM_OUTOFMEMORY);
        }
    }
    return archives;
}

bool findOverrides(const std::string& install, const char* cacheFolder, const ScanControl& control,
                   OverrideReport* report) {
    *report = OverrideReport();
    const std::vector<std::unique_ptr<K4QBPakArchive>> archives =
        loadGameArchives(install, &report->problems);
    std::unordered_map<std::string, Served> served;
    for (const std::unique_ptr<K4QBPakArchive>& archive : archives) {
        for (int32_t i = 0; i < archive->getFileCount(); ++i) {
            K4QBPakEntry* entry = archive->getEntry(i);
            const std::string path =
                lowered(archive->getFolderName(entry->folderIndex)) + entry->name;
            const auto found = served.emplace(path, Served{archive.get(), entry});
            if (!found.second && archive->getModificationTime() >
                                     found.first->second.archive->getModificationTime()) {
                found.first->second = Served{archive.get(), entry};
            }
        }
    }
    std::string link;
    const std::string data = findFolder(install, "data\\", &link);
    const bool done =
        data.empty() ||
        walkFolder(
            install, data, control,
            [&](const std::string& path, WalkEntry kind, const k4p::FindItem& item, const char*) {
                const auto found = served.find("data\\" + lowered(path.substr(data.size())));
                if (kind != WalkEntry::File || found == served.end()) {
                    return;
                }
                GameOverride entry;
                entry.path = path;
                entry.folder =
                    found->second.archive->getFolderName(found->second.entry->folderIndex);
                entry.name = found->second.entry->name;
                entry.archive = found->second.archive->getPath();
                entry.looseRead = readTextureHeader((install + "\\" + path).c_str(), item.size,
                                                    &entry.loose, &entry.looseProblem);
                report->overrides.push_back(entry);
            });
    std::sort(report->overrides.begin(), report->overrides.end(),
              [](const GameOverride& a, const GameOverride& b) {
                  return lowered(a.path) < lowered(b.path);
              });
    if (cacheFolder != nullptr) {
        k4p::createFolderTree(cacheFolder);
    }
    for (GameOverride& entry : report->overrides) {
        if (cacheFolder == nullptr || (control.stop != nullptr && control.stop->load())) {
            break;
        }
        const Served& source = served.at(lowered(entry.path));
        K4CString extracted;
        try {
            source.archive->extractEntry(source.entry, &extracted, cacheFolder);
            k4p::FileStatus status;
            k4p::getFileStatus(extracted.getText(), &status);
            entry.archivedRead = readTextureHeader(extracted.getText(), status.size,
                                                   &entry.archived, &entry.archivedProblem);
        } catch (const char* code) {
            entry.archivedProblem = std::string("cannot be extracted: ") + code;
        } catch (const std::bad_alloc&) {
            entry.archivedProblem = std::string("cannot be extracted: ") + K4CERR_MEM_OUTOFMEMORY;
        }
    }
    return done && (control.stop == nullptr || !control.stop->load());
}

} // namespace k4export
