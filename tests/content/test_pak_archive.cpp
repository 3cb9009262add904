// Loading pak archive directories: both header versions, the names block,
// file records and the words that are kept without being interpreted.
#include "content/pak_archive.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <cstring>
#include <memory>

using k4ctest::bytes;

namespace {

std::unique_ptr<K4QBPakArchive> load(const std::string& path) {
    return std::unique_ptr<K4QBPakArchive>(K4QBPakArchive::loadFromFile(path.c_str()));
}

} // namespace

TEST(ContentPakArchive, ReadsBothHeaderVersionsAndKeepsEveryWord) {
    std::string folder = k4ctest::scratchFolder();
    for (int32_t version : {4, 5, 7}) {
        K4QBPakWriter w(version);
        w.headerWord1 = 11;
        w.extension[2] = 55;
        w.addFile("data\\", "one.dds", bytes("1"), K4QBPakEncoding::Stored);
        K4QBPakWriterEntry& e = w.addFile("data\\", "two.dds", bytes("22"));
        e.wordA = 1;
        e.wordB = -2;
        e.wordE = 4;
        e.folderWordExtraBits = 0x80010001u; // bit 0 and high bits are not part of the offset
        w.addPair(-9, 10);
        std::string path = folder + "\\v" + std::to_string(version) + ".pak";
        k4ctest::writePak(w, path);
        auto archive = load(path);
        const K4QBPakHeader& h = archive->getHeader();
        EXPECT_EQ(h.version, version);
        EXPECT_EQ(h.headerWord1, 11);
        EXPECT_EQ(h.extension[2], version < 5 ? 0 : 55); // no extension below 5
        ASSERT_EQ(archive->getFileCount(), 2);
        const K4QBPakEntry* entry = archive->getEntry(1);
        EXPECT_STREQ(entry->name, "two.dds");
        EXPECT_EQ(entry->wordB, -2);
        EXPECT_EQ(entry->wordE, 4);
        EXPECT_EQ(static_cast<uint32_t>(entry->folderWord), 0x80010001u);
        EXPECT_STREQ(archive->getFolderName(entry->folderIndex), "data\\");
        EXPECT_EQ(entry->block.size, 0); // not read until extraction
        EXPECT_EQ(archive->getPair(0)[0], -9);
        EXPECT_EQ(archive->getModificationTime(), 1500000000);
        EXPECT_FALSE(archive->isStreamOpen());
        EXPECT_THROWS_CODE(archive->getPair(1), K4CEXC_INDEXOUTOFBOUNDS);
        EXPECT_THROWS_CODE(archive->getEntry(2), K4CEXC_INDEXOUTOFBOUNDS);
        EXPECT_THROWS_CODE(archive->getFolderName(-1), K4CEXC_INDEXOUTOFBOUNDS);
    }
}

TEST(ContentPakArchive, FindsFolderNamesBehindSeveralNuls) {
    std::string folder = k4ctest::scratchFolder();
    K4QBPakWriter w(5);
    w.addFolder("a\\", 2); // a, backslash, NUL, NUL, NUL
    w.addFolder("b\\", 0);
    w.addFolder("c\\d\\", 5);
    w.addFile("b\\", "in-b.dds", bytes("b"));
    w.addFile("c\\d\\", "in-d.dds", bytes("d"));
    w.addFile("a\\", "in-a.dds", bytes("a"));
    k4ctest::writePak(w, folder + "\\x.pak");
    auto archive = load(folder + "\\x.pak");
    ASSERT_EQ(archive->getFolderCount(), 3);
    EXPECT_STREQ(archive->getNameAt(5), "b\\");
    EXPECT_STREQ(archive->getNameAt(8), "c\\d\\");
    EXPECT_EQ(archive->getNameAt(9999), nullptr);
    EXPECT_EQ(archive->getEntry(0)->folderOffset, 5);
    EXPECT_EQ(archive->getEntry(0)->folderIndex, 1);
    EXPECT_EQ(archive->getEntry(1)->folderIndex, 2);
    EXPECT_EQ(archive->getEntry(2)->folderIndex, 0);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(archive->getFolderFileCount(i), 1);
    }
}

TEST(ContentPakArchive, NamesAreCutAt31AndLowered) {
    std::string folder = k4ctest::scratchFolder();
    K4QBPakWriter w(5);
    w.addFile("", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456", bytes("x")); // 33 bytes, field holds 32
    for (size_t length = 1; length <= 31; ++length) {
        w.addFile("t\\", std::string(length - 1, 'n') + "Q", bytes("y"));
    }
    k4ctest::writePak(w, folder + "\\x.pak");
    auto archive = load(folder + "\\x.pak");
    ASSERT_EQ(archive->getFileCount(), 32);
    EXPECT_STREQ(archive->getEntry(0)->name, "abcdefghijklmnopqrstuvwxyz01234");
    for (size_t length = 1; length <= 31; ++length) {
        const K4QBPakEntry* e = archive->getEntry(static_cast<int32_t>(length));
        EXPECT_EQ(std::strlen(e->name), length);
        // Cleared behind the name, so whole fields compare like strcmp.
        for (size_t i = length; i < K4QB_PAK_NAME_SIZE; ++i) {
            EXPECT_EQ(e->name[i], 0);
        }
    }
}

TEST(ContentPakArchive, LoadsEmptyArchivesAndRefusesWhatIsNone) {
    std::string folder = k4ctest::scratchFolder();
    k4ctest::writePak(K4QBPakWriter(4), folder + "\\empty.pak");
    auto archive = load(folder + "\\empty.pak");
    EXPECT_EQ(archive->getFileCount(), 0);
    EXPECT_EQ(archive->getFolderCount(), 0);
    EXPECT_THROWS_CODE(load(folder + "\\missing.pak"), K4CEXC_IO);
    EXPECT_THROWS_CODE(load(folder), K4CEXC_IO); // a folder is no archive
    EXPECT_THROWS_CODE(K4QBPakArchive::loadFromStream(nullptr, "x.pak"), K4CEXC_IO);
}
