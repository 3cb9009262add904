// Running out of memory anywhere while building the registry (loading its
// archives): the error code K4CERR_MEM_OUTOFMEMORY and no leak. While
// extracting: an error code (a move into place that fails for want of memory
// is a failed write), no leak, no open stream, and no file or temporary file
// left half-written.
#include "content/pak_archive.h"
#include "content/pak_registry.h"

#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "tests/content/content_test_support.h"
#include "tests/support/alloc_failure.h"

#include <memory>

using k4ctest::bytes;

namespace {

// Two archives of 20 folders with shared and own files, records that are
// left out, pairs, every encoding.
std::string writeArchives(const std::string& folder) {
    std::string pakFolder = folder + "\\pak";
    EXPECT_TRUE(k4p::createFolder(pakFolder.c_str()));
    for (int a = 0; a < 2; ++a) {
        K4QBPakWriter w(4 + a);
        w.addFolder("", 1);
        for (int f = 0; f < 20; ++f) {
            std::string name = "data\\f" + std::to_string(f) + "\\";
            w.addFile(name, "shared.dds", bytes("shared " + std::to_string(a)));
            w.addFile(name, "own" + std::to_string(a) + ".dds", bytes("own"),
                      K4QBPakEncoding::Stored);
        }
        w.addFile("data\\", "wrapped.dds", k4qbPakSampleContent(3000, 1), K4QBPakEncoding::Wrapped);
        w.addFile("data\\", "chained.dds", k4qbPakSampleContent(2000, 2), K4QBPakEncoding::Chained);
        w.addFile("..\\", "escape.dds", bytes("left out"));
        w.addPair(1, 2);
        k4ctest::writePak(w, pakFolder + "\\p" + std::to_string(a) + ".pak", 1000 + a);
    }
    return pakFolder;
}

} // namespace

// Loading the archives included, traced or not.
TEST(ContentOutOfMemory, BuildingTheRegistry) {
    std::string folder = k4ctest::scratchFolder();
    std::string pakFolder = writeArchives(folder);
    std::string cache = folder + "\\cache";
    k4test::TestLog log(folder + "\\trace.txt");
    for (K4CDebugLogger* logger : {static_cast<K4CDebugLogger*>(nullptr), log.get()}) {
        long allocations = k4test::failEachAllocation([&] {
            std::unique_ptr<K4QBPakRegistry> registry(
                K4QBPakRegistry::CreateFromPath(pakFolder.c_str(), cache.c_str(), logger));
        });
        EXPECT_GT(allocations, 20);
    }
}

TEST(ContentOutOfMemory, ExtractingLeavesNoPartOfTheFile) {
    std::string folder = k4ctest::scratchFolder();
    std::string cache = folder + "\\cache";
    ASSERT_TRUE(k4p::createFolder(cache.c_str()));
    std::unique_ptr<K4QBPakRegistry> registry(
        K4QBPakRegistry::CreateFromPath(writeArchives(folder).c_str(), cache.c_str()));
    for (const char* name : {"wrapped.dds", "chained.dds"}) {
        std::string whole;
        K4CString out;
        long allocations = k4test::failEachAllocation(
            [&] { registry->getContent(&out, name, "data", false); },
            [&](long) {
                // Either the whole file or nothing, never a temporary one.
                std::vector<std::string> files = k4test::listTree(cache);
                std::string target = cache + "\\data\\" + name;
                if (whole.empty()) {
                    whole = k4test::readFile(target);
                }
                EXPECT_TRUE(files.empty() ||
                            (files.size() == 1 && k4test::readFile(target) == whole))
                    << files.size() << " " << (files.empty() ? "" : files[0]);
                for (int32_t a = 0; a < registry->getArchiveCount(); ++a) {
                    EXPECT_FALSE(registry->getArchive(a)->isStreamOpen());
                }
                k4test::removeTree(cache + "\\data");
            },
            nullptr);
        EXPECT_GT(allocations, 3) << name;
    }
}
