// Extracting entries: every encoding with its inflation count, folders made
// on the way, the cache rule (an existing file is never refreshed) and the
// stream control.
#include "content/pak_archive.h"

#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "tests/content/content_test_support.h"

#include <memory>

using k4ctest::bytes;

namespace {

struct Fixture {
    std::string folder;
    std::string cache;
    std::unique_ptr<K4QBPakArchive> archive;

    explicit Fixture(const K4QBPakWriter& w) {
        folder = k4ctest::scratchFolder();
        cache = folder + "\\cache";
        EXPECT_TRUE(k4p::createFolder(cache.c_str()));
        k4ctest::writePak(w, folder + "\\x.pak");
        archive.reset(K4QBPakArchive::loadFromFile((folder + "\\x.pak").c_str()));
    }

    // Extracts entry `index`; returns the inflation count and the path.
    int32_t extract(int32_t index, std::string* path = nullptr) {
        K4CString out;
        int32_t count = archive->extractEntry(archive->getEntry(index), &out, cache.c_str());
        if (path != nullptr) {
            *path = out.getText();
        }
        return count;
    }
};

} // namespace

TEST(ContentPakExtract, EveryEncodingWithItsInflationCount) {
    std::vector<uint8_t> big = k4qbPakSampleContent(100000, 9);
    K4QBPakWriter w(5);
    w.addFolder("", 0); // an empty name is found only first: later NULs are padding
    w.addFile("data\\textures\\", "stored.dds", bytes("plain bytes"), K4QBPakEncoding::Stored);
    w.addFile("data\\textures\\", "zlib.dds", big, K4QBPakEncoding::Compressed);
    w.addFile("data\\", "chained.dds", big, K4QBPakEncoding::Chained);
    w.addFile("", "wrapped.dds", big, K4QBPakEncoding::Wrapped);
    // The wrapper's stored flag is not consulted: its stream is always inflated.
    w.addFile("", "wrapped1.dds", bytes("inner"), K4QBPakEncoding::Wrapped).wrapperStoredFlag = 1;
    Fixture f(w);
    std::string path;
    EXPECT_EQ(f.extract(0, &path), 0);
    EXPECT_EQ(path, f.cache + "\\data\\textures\\stored.dds");
    EXPECT_EQ(k4ctest::readFile(path), "plain bytes");
    EXPECT_EQ(f.extract(1, &path), 1);
    EXPECT_EQ(k4ctest::readFile(path), k4ctest::text(big));
    EXPECT_EQ(f.extract(2, &path), 1);
    EXPECT_EQ(path, f.cache + "\\data\\chained.dds");
    EXPECT_EQ(k4ctest::readFile(path), k4ctest::text(big));
    // The second header replaced the first: it is the one kept.
    EXPECT_EQ(f.archive->getEntry(2)->block.storedFlag, 0);
    EXPECT_EQ(f.archive->getEntry(2)->block.size, 100000);
    EXPECT_EQ(f.extract(3, &path), 2);
    EXPECT_EQ(path, f.cache + "\\wrapped.dds");
    EXPECT_EQ(k4ctest::readFile(path), k4ctest::text(big));
    EXPECT_EQ(f.archive->getEntry(3)->block.size, 100000); // the wrapper's header
    EXPECT_EQ(f.extract(4, &path), 2);
    EXPECT_EQ(k4ctest::readFile(path), "inner");
    EXPECT_EQ(
        k4ctest::listTree(f.cache),
        (std::vector<std::string>{"data\\chained.dds", "data\\textures\\stored.dds",
                                  "data\\textures\\zlib.dds", "wrapped.dds", "wrapped1.dds"}));
}

TEST(ContentPakExtract, StoredContentThatIsNoTagIsReadWhole) {
    K4QBPakWriter w(4);
    w.addFile("a\\", "almost.dds", bytes("zcmQ and more"), K4QBPakEncoding::Stored);
    w.addFile("a\\", "empty.dds", bytes(""), K4QBPakEncoding::Stored);
    w.addFile("a\\", "zempty.dds", bytes(""), K4QBPakEncoding::Compressed);
    // Last in the file: fewer than four bytes follow its header.
    w.addFile("a\\", "short.dds", bytes("zc"), K4QBPakEncoding::Stored);
    Fixture f(w);
    std::string path;
    EXPECT_EQ(f.extract(0, &path), 0);
    EXPECT_EQ(k4ctest::readFile(path), "zcmQ and more");
    EXPECT_EQ(f.extract(1, &path), 0);
    EXPECT_EQ(k4ctest::readFile(path), "");
    EXPECT_EQ(f.extract(2, &path), 1);
    EXPECT_EQ(k4ctest::readFile(path), "");
    EXPECT_EQ(f.extract(3, &path), 0);
    EXPECT_EQ(k4ctest::readFile(path), "zc");
}

TEST(ContentPakExtract, AnExtractedFileIsNeverRefreshed) {
    K4QBPakWriter w(5);
    w.addFile("data\\textures\\", "brick.dds", bytes("from the archive"));
    Fixture f(w);
    std::string path;
    EXPECT_EQ(f.extract(0, &path), 1);
    k4ctest::writeFile(path, "edited in the cache");
    EXPECT_EQ(f.extract(0, &path), 0);
    EXPECT_EQ(k4ctest::readFile(path), "edited in the cache");
}

TEST(ContentPakExtract, MakesTheFoldersBelowTheRootOnly) {
    K4QBPakWriter w(5);
    w.addFile("data\\textures\\overlays\\", "o.dds", bytes("o"));
    Fixture f(w);
    std::string path;
    f.extract(0, &path);
    EXPECT_EQ(path, f.cache + "\\data\\textures\\overlays\\o.dds");
    EXPECT_EQ(k4ctest::readFile(path), "o");
    // A root given with its backslash is not doubled.
    K4CString out;
    k4ctest::removeTree(f.cache + "\\data");
    f.archive->extractEntry(f.archive->getEntry(0), &out, (f.cache + "\\").c_str());
    EXPECT_EQ(std::string(out.getText()), path);
    // A missing root is not made: that is the caller's folder.
    EXPECT_THROWS_CODE(
        f.archive->extractEntry(f.archive->getEntry(0), &out, (f.folder + "\\nowhere").c_str()),
        K4CEXC_IO);
    EXPECT_EQ(k4ctest::listTree(f.folder + "\\nowhere").size(), 0u);
}

TEST(ContentPakExtract, KeepOpenBatchesExtractions) {
    K4QBPakWriter w(5);
    w.addFile("a\\", "1.dds", bytes("1"));
    w.addFile("a\\", "2.dds", bytes("2"));
    Fixture f(w);
    f.extract(0);
    EXPECT_FALSE(f.archive->isStreamOpen()); // released after use
    f.archive->keepOpen();
    EXPECT_TRUE(f.archive->isStreamOpen());
    f.extract(1);
    EXPECT_TRUE(f.archive->isStreamOpen());
    f.archive->releaseStream();
    EXPECT_TRUE(f.archive->isStreamOpen()); // kept: release leaves it
    f.archive->closeStream();
    EXPECT_FALSE(f.archive->isStreamOpen());
    f.archive->closeStream(); // closing a closed stream is harmless
    f.archive->openStream();
    f.archive->releaseStream();
    EXPECT_FALSE(f.archive->isStreamOpen());
}

TEST(ContentPakExtract, RefusesForeignEntries) {
    K4QBPakWriter w(5);
    w.addFile("a\\", "1.dds", bytes("1"));
    Fixture f(w);
    std::unique_ptr<K4QBPakArchive> other(
        K4QBPakArchive::loadFromFile((f.folder + "\\x.pak").c_str()));
    K4CString out;
    EXPECT_THROWS_CODE(f.archive->extractEntry(other->getEntry(0), &out, f.cache.c_str()),
                       K4CERR_STR_ILLEGALARGUMENT);
    EXPECT_THROWS_CODE(f.archive->extractEntry(nullptr, &out, f.cache.c_str()),
                       K4CERR_STR_ILLEGALARGUMENT);
}

TEST(ContentPakExtract, TracesExtraction) {
    K4QBPakWriter w(5);
    w.addFile("data\\", "a.dds", bytes("a"));
    Fixture f(w);
    k4ctest::TraceLog log(f.folder + "\\trace.txt");
    f.archive->setLogger(log.get());
    f.extract(0);
    f.extract(0);
    f.archive->setLogger(nullptr);
    EXPECT_TRUE(log.hasLine("Enter K4QBPakArchive::extractEntry("));
    EXPECT_TRUE(log.hasLine("Return 1 (" + f.cache +
                            "\\data\\a.dds) from "
                            "K4QBPakArchive::extractEntry = "));
    EXPECT_TRUE(log.hasLine("Return 0 (" + f.cache +
                            "\\data\\a.dds) from "
                            "K4QBPakArchive::extractEntry = "));
}
