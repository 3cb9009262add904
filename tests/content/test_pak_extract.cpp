// Extracting entries: every encoding with its inflation count, folders made
// on the way, the cache rule (an existing file is never refreshed) and the
// stream control.
#include "content/pak_archive.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <memory>

using k4ctest::bytes;

namespace {

std::string text(const std::vector<uint8_t>& content) {
    return std::string(content.begin(), content.end());
}

using Fixture = k4ctest::PakFixture;

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
    // Stored content that is no tag, also where fewer than four bytes follow.
    w.addFile("a\\", "almost.dds", bytes("zcmQ and more"), K4QBPakEncoding::Stored);
    w.addFile("a\\", "empty.dds", bytes(""), K4QBPakEncoding::Compressed);
    w.addFile("a\\", "short.dds", bytes("zc"), K4QBPakEncoding::Stored);
    Fixture f(w);
    const struct {
        int32_t inflations;
        const char* path;
        std::string content;
    } expected[] = {{0, "data\\textures\\stored.dds", "plain bytes"},
                    {1, "data\\textures\\zlib.dds", text(big)},
                    {1, "data\\chained.dds", text(big)},
                    {2, "wrapped.dds", text(big)},
                    {2, "wrapped1.dds", "inner"},
                    {0, "a\\almost.dds", "zcmQ and more"},
                    {1, "a\\empty.dds", ""},
                    {0, "a\\short.dds", "zc"}};
    for (int32_t i = 0; i < 8; ++i) {
        std::string path;
        EXPECT_EQ(f.extract(i, &path), expected[i].inflations) << i;
        EXPECT_EQ(path, f.cache + "\\" + expected[i].path);
        EXPECT_EQ(k4test::readFile(path), expected[i].content) << i;
    }
    // The last header read is kept: the chained one's second, the wrapper's.
    EXPECT_EQ(f.archive->getEntry(2)->block.storedFlag, 0);
    EXPECT_EQ(f.archive->getEntry(3)->block.size, 100000);
    EXPECT_EQ(k4test::listTree(f.cache).size(), 8u);
}

TEST(ContentPakExtract, AnExtractedFileIsNeverRefreshed) {
    K4QBPakWriter w(5);
    w.addFile("data\\textures\\overlays\\", "brick.dds", bytes("from the archive"));
    Fixture f(w);
    std::string path;
    EXPECT_EQ(f.extract(0, &path), 1);
    EXPECT_EQ(path, f.cache + "\\data\\textures\\overlays\\brick.dds");
    k4test::writeFile(path, "edited in the cache");
    EXPECT_EQ(f.extract(0, &path, (f.cache + "\\").c_str()), 0); // the backslash not doubled
    EXPECT_EQ(path, f.cache + "\\data\\textures\\overlays\\brick.dds");
    EXPECT_EQ(k4test::readFile(path), "edited in the cache");
    // A missing root is not made: that is the caller's folder.
    EXPECT_THROWS_CODE(f.extract(0, &path, (f.folder + "\\nowhere").c_str()), K4CEXC_IO);
    EXPECT_FALSE(k4p::fileExists((f.folder + "\\nowhere").c_str()));
}

TEST(ContentPakExtract, KeepOpenBatchesExtractions) {
    K4QBPakWriter w(5);
    w.addFile("a\\", "1.dds", bytes("1"));
    w.addFile("a\\", "2.dds", bytes("2"));
    Fixture f(w);
    f.extract(0);
    EXPECT_FALSE(f.archive->isStreamOpen()); // released after use
    f.archive->keepOpen();
    f.extract(1);
    f.archive->releaseStream();
    EXPECT_TRUE(f.archive->isStreamOpen()); // kept: release leaves it
    f.archive->closeStream();
    EXPECT_FALSE(f.archive->isStreamOpen());
    f.archive->closeStream(); // closing a closed stream is harmless

    // Foreign entries are refused.
    std::unique_ptr<K4QBPakArchive> other(
        K4QBPakArchive::loadFromFile((f.folder + "\\x.pak").c_str()));
    K4CString out;
    EXPECT_THROWS_CODE(f.archive->extractEntry(other->getEntry(0), &out, f.cache.c_str()),
                       K4CERR_STR_ILLEGALARGUMENT);
    EXPECT_THROWS_CODE(f.archive->extractEntry(nullptr, &out, f.cache.c_str()),
                       K4CERR_STR_ILLEGALARGUMENT);
}
