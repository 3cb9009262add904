// pak_bench: figures for the pak reader and registry at the size of a full
// install, measured in one run.
//
//   pak_bench [WORKFOLDER]
//
// The registry's first build is measured as users meet it at start-up: in
// fresh processes (this program run again with --first-build), each
// reporting its wall clock, user and system CPU time and minor page faults.
// The first build inside this process, after writing the fixtures, and the
// best of five builds after it are printed beside them.
//
// Builds 20 archives of 25,000 entries each over 200 folders, 10% of each
// archive's entries repeating a file of the archive before it, then prints:
// the registry build time and entries per second, resident bytes per entry,
// getContent lookups per second for files already in the cache, findContent
// of "*brick*" over a folder of 25,000 files, and the extraction of a 16 MiB
// compressed entry against zlib's uncompress plus a write of the same bytes;
// and listing the 10,000 sub-folders of one folder the way the folder
// drop-down browses them (getSubFolderCount, then getSubFolder by index).
#include "content/file_list.h"
#include "content/pak_archive.h"
#include "content/pak_registry.h"
#include "foundation/k4cstring.h"
#include "platform/platform.h"
#include "tools/pakwriter.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kArchives = 20;
constexpr int kEntries = 25000;
constexpr int kFolders = 200;
constexpr int kDuplicates = kEntries / 10;
constexpr int kBigFolder = 25000;
constexpr size_t kBigEntry = 16u << 20;
constexpr int kSubFolders = 10000;

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

long residentBytes() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (f != nullptr) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

std::string folderName(int f) {
    char name[64];
    std::snprintf(name, sizeof name, "data\\textures\\set%03d\\", f);
    return name;
}

std::string fileName(int archive, int index) {
    static const char* const kinds[] = {"wall", "floor", "brick", "stone", "metal", "glass"};
    char name[32];
    std::snprintf(name, sizeof name, "%s_%02d_%05d.dds", kinds[index % 6], archive, index);
    return name;
}

void writeArchives(const std::string& pakFolder) {
    const std::vector<uint8_t> content = k4qbPakSampleContent(24, 1);
    for (int a = 0; a < kArchives; ++a) {
        K4QBPakWriter w(5);
        w.addFolder("", 0);
        for (int f = 0; f < kFolders; ++f) {
            w.addFolder(folderName(f));
        }
        for (int i = 0; i < kEntries; ++i) {
            // The first tenth repeats files the archive before holds as its own.
            bool duplicate = a > 0 && i < kDuplicates;
            int source = duplicate ? i + kDuplicates : i;
            w.addFile(folderName(source % kFolders), fileName(duplicate ? a - 1 : a, source),
                      content, K4QBPakEncoding::Stored);
        }
        char name[32];
        std::snprintf(name, sizeof name, "/archive%02d.pak", a);
        std::string path = pakFolder + name;
        w.writeTo(path);
        k4p::setFileModifiedTime(path.c_str(), 1600000000 + a);
    }
}

void writeBigFolder(const std::string& pakFolder) {
    const std::vector<uint8_t> content = k4qbPakSampleContent(8, 2);
    K4QBPakWriter w(5);
    for (int i = 0; i < kBigFolder; ++i) {
        w.addFile("data\\textures\\walls\\", fileName(i % 7, i), content, K4QBPakEncoding::Stored);
    }
    w.writeTo(pakFolder + "/walls.pak");
}

// 10,000 folders below data\textures\, each with a file and a folder of its
// own below it, so that the tree holds 20,000 folders under one parent.
void writeWideTree(const std::string& pakFolder) {
    const std::vector<uint8_t> content = k4qbPakSampleContent(8, 4);
    K4QBPakWriter w(5);
    w.addFolder("data\\textures\\", 0);
    for (int i = 0; i < kSubFolders; ++i) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "data\\textures\\set%05d\\", i);
        w.addFile(folder, "a.dds", content, K4QBPakEncoding::Stored);
        w.addFile(std::string(folder) + "mips\\", "b.dds", content, K4QBPakEncoding::Stored);
    }
    w.writeTo(pakFolder + "/tree.pak");
}

std::vector<uint8_t> writeBigEntry(const std::string& pakFolder) {
    std::vector<uint8_t> content = k4qbPakSampleContent(kBigEntry, 3);
    K4QBPakWriter w(5);
    w.addFile("data\\textures\\", "huge.dds", content, K4QBPakEncoding::Compressed);
    w.writeTo(pakFolder + "/huge.pak");
    return content;
}

void removeTree(const std::string& folder) {
    k4p::FolderListing listing;
    if (listing.open((folder + "/*").c_str())) {
        k4p::FindItem item;
        while (listing.next(&item)) {
            std::string name = item.name;
            if (name == "." || name == "..") {
                continue;
            }
            if (item.directory) {
                removeTree(folder + "/" + name);
            } else {
                k4p::removeFile((folder + "/" + name).c_str());
            }
        }
    }
    listing.close();
    k4p::removeFolder(folder.c_str());
}

void makeFolder(const std::string& path) {
    k4p::createFolder(path.c_str());
}

double cpuSeconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// One build in this (fresh) process: "wall user sys faults files" on stdout.
int firstBuild(const char* paks, const char* cache) {
    rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    const Clock::time_point start = Clock::now();
    std::unique_ptr<K4QBPakRegistry> registry(K4QBPakRegistry::CreateFromPath(paks, cache));
    const double wall = seconds(start);
    getrusage(RUSAGE_SELF, &after);
    std::printf("%.6f %.6f %.6f %ld %d\n", wall,
                cpuSeconds(after.ru_utime) - cpuSeconds(before.ru_utime),
                cpuSeconds(after.ru_stime) - cpuSeconds(before.ru_stime),
                after.ru_minflt - before.ru_minflt, registry->getFileCount());
    return 0;
}

struct FreshBuild {
    double wall = 0, user = 0, system = 0;
    long faults = 0;
};

// Runs this program again with --first-build; false when that fails.
bool freshBuild(const std::string& paks, const std::string& cache, FreshBuild* out) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    int pipes[2];
    if (length <= 0 || pipe(pipes) != 0) {
        return false;
    }
    self[length] = 0;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipes[1], 1);
        close(pipes[0]);
        execl(self, self, "--first-build", paks.c_str(), cache.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipes[1]);
    char line[256] = {};
    const ssize_t got = child > 0 ? read(pipes[0], line, sizeof line - 1) : -1;
    close(pipes[0]);
    int status = 0;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    int files = 0;
    return got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(line, "%lf %lf %lf %ld %d", &out->wall, &out->user, &out->system,
                       &out->faults, &files) == 5;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--first-build") == 0) {
        return firstBuild(argv[2], argv[3]);
    }
    const std::string work = argc > 1 ? argv[1] : "/tmp/k4-pak-bench";
    removeTree(work);
    makeFolder(work);
    const std::string paks = work + "/paks";
    const std::string walls = work + "/walls";
    const std::string huge = work + "/huge";
    const std::string cache = work + "/cache";
    const std::string wide = work + "/wide";
    for (const std::string& f : {paks, walls, huge, cache, wide}) {
        makeFolder(f);
    }
    std::printf("writing fixtures into %s ...\n", work.c_str());
    writeArchives(paks);
    writeBigFolder(walls);
    writeWideTree(wide);
    std::vector<uint8_t> hugeContent = writeBigEntry(huge);

    // Registry build: the first build, then the best of five.
    const int total = kArchives * kEntries;
    double first = 0;
    double best = 1e9;
    long rssBefore = residentBytes();
    long rssPerEntry = 0;
    int distinct = 0;
    for (int run = 0; run < 6; ++run) {
        Clock::time_point start = Clock::now();
        std::unique_ptr<K4QBPakRegistry> registry(
            K4QBPakRegistry::CreateFromPath(paks.c_str(), cache.c_str()));
        double took = seconds(start);
        distinct = registry->getFileCount();
        if (run == 0) {
            first = took;
            rssPerEntry = (residentBytes() - rssBefore) / distinct;
        } else {
            best = std::min(best, took);
        }
    }
    std::printf("\nregistry build: %d archives, %d entries, %d distinct files, %d folders\n",
                kArchives, total, distinct, kFolders + 1);
    constexpr int kFresh = 5;
    std::vector<FreshBuild> fresh;
    for (int run = 0; run < kFresh; ++run) {
        FreshBuild b;
        if (freshBuild(paks, cache, &b)) {
            fresh.push_back(b);
        }
    }
    for (size_t run = 0; run < fresh.size(); ++run) {
        const FreshBuild& b = fresh[run];
        std::printf("  %s %zu%s%8.1f ms   %6.2f M entries/s   (user %.1f ms, system %.1f ms, "
                    "%ld minor faults)\n",
                    run == 0 ? "fresh process" : "             ", run + 1,
                    run == 0 ? " (first)  " : "          ", b.wall * 1000, total / b.wall / 1e6,
                    b.user * 1000, b.system * 1000, b.faults);
    }
    std::printf("  first build in this process %7.1f ms   %6.2f M entries/s   (after writing the "
                "fixtures)\n",
                first * 1000, total / first / 1e6);
    std::printf("  best of the next 5         %8.1f ms   %6.2f M entries/s   (target >= 5)\n",
                best * 1000, total / best / 1e6);
    std::printf("  resident bytes per file    %8ld                         (target <= 128)\n",
                rssPerEntry);

    // Exact lookups of files already extracted.
    std::unique_ptr<K4QBPakRegistry> registry(
        K4QBPakRegistry::CreateFromPath(paks.c_str(), cache.c_str()));
    std::vector<std::pair<std::string, std::string>> keys;
    for (int i = 0; i < 2000; ++i) {
        const K4QBPakFolder* folder = registry->getFolder(1 + i % kFolders);
        const K4QBPakEntry* entry = folder->entries[(i * 7919) % folder->fileCount];
        keys.push_back({entry->name, folder->name});
    }
    K4CString out;
    for (const auto& key : keys) {
        registry->getContent(&out, key.first.c_str(), key.second.c_str(), false);
    }
    const int lookups = 200000;
    Clock::time_point start = Clock::now();
    int found = 0;
    for (int i = 0; i < lookups; ++i) {
        const auto& key = keys[static_cast<size_t>(i) % keys.size()];
        found += registry->getContent(&out, key.first.c_str(), key.second.c_str(), false) ? 1 : 0;
    }
    double lookupTime = seconds(start);
    std::printf("\ngetContent of cached files: %d lookups (%d found) in %.1f ms: %.0f lookups/s\n",
                lookups, found, lookupTime * 1000, lookups / lookupTime);

    // Pattern search over one big folder.
    std::unique_ptr<K4QBPakRegistry> wallRegistry(
        K4QBPakRegistry::CreateFromPath(walls.c_str(), cache.c_str()));
    double searchBest = 1e9;
    int matches = 0;
    for (int run = 0; run < 20; ++run) {
        K4QBFileList list;
        start = Clock::now();
        matches = wallRegistry->findContent(&list, "*brick*", "data\\textures\\walls", false);
        searchBest = std::min(searchBest, seconds(start));
    }
    std::printf("\nfindContent *brick* over %d files: %d matches, %.2f ms (best of 20)\n",
                kBigFolder, matches, searchBest * 1000);

    // Browsing: every sub-folder of a folder with 10,000 of them, by index,
    // as the folder drop-down lists them; the first listing, then the best
    // of 5.
    std::unique_ptr<K4QBPakRegistry> wideRegistry(
        K4QBPakRegistry::CreateFromPath(wide.c_str(), cache.c_str()));
    double browseFirst = 0;
    double browseBest = 1e9;
    size_t nameBytes = 0;
    for (int run = 0; run < 6; ++run) {
        start = Clock::now();
        const int32_t count = wideRegistry->getSubFolderCount("data\\textures\\");
        for (int32_t i = 0; i < count; ++i) {
            nameBytes += std::strlen(wideRegistry->getSubFolder("data\\textures\\", i));
        }
        const double took = seconds(start);
        if (run == 0) {
            browseFirst = took;
        } else {
            browseBest = std::min(browseBest, took);
        }
    }
    std::printf("\ngetSubFolder over %d sub-folders (%zu name bytes): first %.2f ms, best of 5 "
                "%.2f ms\n",
                kSubFolders, nameBytes / 6, browseFirst * 1000, browseBest * 1000);

    // Extraction of a 16 MiB compressed entry against inflate plus write.
    std::unique_ptr<K4QBPakArchive> archive(
        K4QBPakArchive::loadFromFile((huge + "/huge.pak").c_str()));
    std::vector<uint8_t> packed(compressBound(static_cast<uLong>(hugeContent.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &packedSize, hugeContent.data(),
              static_cast<uLong>(hugeContent.size()), 6);
    std::vector<uint8_t> plain(hugeContent.size());
    double extractBest = 1e9;
    double baselineBest = 1e9;
    const std::string target = cache + "/data/textures/huge.dds";
    const std::string baselineTarget = cache + "/baseline.dds";
    for (int run = 0; run < 7; ++run) {
        k4p::removeFile(target.c_str());
        start = Clock::now();
        archive->extractEntry(archive->getEntry(0), &out, cache.c_str());
        extractBest = std::min(extractBest, seconds(start));

        k4p::removeFile(baselineTarget.c_str());
        start = Clock::now();
        uLongf plainSize = static_cast<uLongf>(plain.size());
        uncompress(plain.data(), &plainSize, packed.data(), packedSize);
        FILE* file = std::fopen(baselineTarget.c_str(), "wb");
        std::fwrite(plain.data(), 1, plainSize, file);
        std::fclose(file);
        baselineBest = std::min(baselineBest, seconds(start));
    }
    std::printf("\nextracting a 16 MiB entry (%lu bytes packed), best of 7:\n",
                static_cast<unsigned long>(packedSize));
    std::printf("  extractEntry               %8.1f ms\n", extractBest * 1000);
    std::printf("  uncompress + write         %8.1f ms\n", baselineBest * 1000);
    std::printf("  ratio                      %8.2f                         (target <= 1.25)\n",
                extractBest / baselineBest);
    if (std::getenv("K4_PAK_BENCH_KEEP") == nullptr) {
        removeTree(work);
    }
    return 0;
}
