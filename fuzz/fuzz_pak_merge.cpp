// Fuzz target: the pak registry's merge of several archives. The input is cut
// into two or three archives (a.pak, b.pak, c.pak, loaded in that order, with
// modification times taken from the input and often equal), a registry is
// built over them and every file it indexes is asked for. Besides crashes,
// leaks and reads outside the buffers it checks what the merge promises,
// against its own account of the archives' directories:
// - every folder's files are sorted by name, each name once, and together
//   they are exactly the files the archives list (folders and names refused
//   by an archive never appear);
// - each name's copy is the newest archive's, on equal times the one loaded
//   first, and within one archive the first record of that name;
// - getContent extracts exactly what that archive's entry extracts (the same
//   bytes, or the same error code), no temporary file survives, and nothing
//   is written outside the cache folder.
//
// Input: byte 0 chooses two or three archives, byte 1 their times (two bits
// each), then for every archive but the last a 32-bit little-endian length;
// the last takes the rest. The archives lie in /dev/shm where there is one.
#include "content/pak_archive.h"
#include "content/pak_registry.h"

#include "foundation/k4cstring.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace {

std::string scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = k4p::fileExists("/dev/shm")   ? "/dev/shm"
                       : tmp != nullptr && *tmp != 0 ? tmp
                                                     : "/tmp";
    return base + "/k4-fuzz-pak-merge-" + std::to_string(static_cast<long>(getpid()));
}

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// The content extracted for an entry, or the code its extraction threw.
std::string outcome(const std::function<std::string()>& extract) {
    try {
        return extract();
    } catch (const char* code) {
        return std::string("error ") + code;
    }
}

std::string contentOf(const K4CString& path) {
    std::string bytes;
    if (FILE* file = k4p::openFile(path.getText(), "rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;) {
            bytes += static_cast<char>(c);
        }
        std::fclose(file);
    }
    return bytes;
}

bool hasUpperCase(const char* text) {
    for (; *text != 0; ++text) {
        if (*text >= 'A' && *text <= 'Z') {
            return true;
        }
    }
    return false;
}

// The copy a folder and name must resolve to.
struct Winner {
    int32_t archive;
    K4QBPakEntry* entry;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = scratch();
    static const std::string paks = folder + "/pak", cache = folder + "/cache",
                             direct = folder + "/direct";
    if (size < 2) {
        return 0;
    }
    const int count = 2 + (data[0] & 1);
    const uint8_t times = data[1];
    size_t at = 2;
    std::filesystem::create_directories(paks);
    for (int i = 0; i < count; ++i) {
        size_t length = size - at;
        if (i + 1 < count) {
            uint32_t stated = 0;
            for (int b = 0; b < 4; ++b) {
                stated |= static_cast<uint32_t>(at + b < size ? data[at + b] : 0) << (8 * b);
            }
            at = at + 4 < size ? at + 4 : size;
            length = stated < size - at ? stated : size - at;
        }
        const std::string path = paks + "/" + static_cast<char>('a' + i) + ".pak";
        check(k4p::writeFileAtomic(path.c_str(), data + at, length));
        check(k4p::setFileModifiedTime(path.c_str(), 1500000000 + ((times >> (2 * i)) & 3)));
        at += length;
    }
    std::unique_ptr<K4QBPakRegistry> registry;
    try {
        registry.reset(K4QBPakRegistry::CreateFromPath(paks.c_str(), cache.c_str()));
    } catch (const char*) {
        std::filesystem::remove_all(folder);
        return 0;
    }
    check(registry->getArchiveCount() == count);

    // The merge as the archives' directories say it must come out.
    std::map<std::pair<std::string, std::string>, Winner> expected;
    for (int32_t a = 0; a < count; ++a) {
        K4QBPakArchive* archive = registry->getArchive(a);
        for (int32_t e = 0; e < archive->getFileCount(); ++e) {
            K4QBPakEntry* entry = archive->getEntry(e);
            auto key = std::make_pair(std::string(archive->getFolderName(entry->folderIndex)),
                                      std::string(entry->name));
            auto found = expected.find(key);
            if (found == expected.end()) {
                expected.emplace(key, Winner{a, entry});
            } else if (archive->getModificationTime() >
                       registry->getArchive(found->second.archive)->getModificationTime()) {
                found->second = Winner{a, entry};
            }
        }
    }
    size_t indexed = 0;
    for (int32_t i = 0; i < registry->getFolderCount(); ++i) {
        const K4QBPakFolder* f = registry->getFolder(i);
        check(i == 0 || std::strcmp(registry->getFolder(i - 1)->name, f->name) < 0);
        for (int32_t e = 0; e < f->fileCount; ++e) {
            K4QBPakEntry* entry = f->entries[e];
            check(e == 0 || std::strcmp(f->entries[e - 1]->name, entry->name) < 0);
            auto found = expected.find(std::make_pair(std::string(f->name), entry->name));
            check(found != expected.end() && found->second.entry == entry);
            ++indexed;
        }
    }
    check(indexed == expected.size() &&
          static_cast<size_t>(registry->getFileCount()) == expected.size());

    // Served as its archive extracts it. getContent lowers the folder it is
    // given, so folders stored with capitals cannot be asked for by name.
    k4p::createFolder(cache.c_str());
    k4p::createFolder(direct.c_str());
    std::set<std::string> extracted;
    for (const auto& item : expected) {
        const std::string& folderName = item.first.first;
        const std::string& name = item.first.second;
        K4QBPakEntry* entry = item.second.entry;
        if (hasUpperCase(folderName.c_str())) {
            continue;
        }
        K4CString served, own;
        const std::string viaRegistry = outcome([&] {
            check(registry->getContent(&served, name.c_str(), folderName.c_str(), false));
            extracted.insert(served.getText());
            return contentOf(served);
        });
        const std::string viaArchive = outcome([&] {
            entry->archive->extractEntry(entry, &own, direct.c_str());
            extracted.insert(own.getText());
            return contentOf(own);
        });
        check(viaRegistry == viaArchive);
    }
    registry.reset();

    // Beside the archives, the scratch folder holds exactly the files
    // reported as extracted.
    std::set<std::string> found;
    std::error_code error;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (!item.is_directory()) {
            found.insert(item.path().string());
        }
    }
    std::set<std::string> expectedFiles;
    for (int i = 0; i < count; ++i) {
        expectedFiles.insert(paks + "/" + static_cast<char>('a' + i) + ".pak");
    }
    for (std::string path : extracted) {
        for (char& c : path) {
            c = c == '\\' ? '/' : c;
        }
        expectedFiles.insert(path);
    }
    std::filesystem::remove_all(folder, error);
    check(found == expectedFiles);
    return 0;
}
