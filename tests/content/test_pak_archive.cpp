// Loading pak archive directories: both header versions, file records and
// the words that are kept without being interpreted. Folder names behind
// several NULs: the qbtex content test's archive written with --nuls.
#include "content/pak_archive.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <cstring>

using k4ctest::bytes;

TEST(ContentPakArchive, ReadsBothHeaderVersionsAndKeepsEveryWord) {
    k4ctest::PakFixture f{K4QBPakWriter(4)};
    for (int32_t version : {4, 5, 7}) {
        K4QBPakWriter w(version);
        w.headerWord1 = 11;
        w.extension[2] = 55;
        w.addFile("data\\", "one.dds", bytes("1"), K4QBPakEncoding::Stored);
        K4QBPakWriterEntry& e = w.addFile("data\\", "two.dds", bytes("22"));
        e.wordB = -2;
        e.folderWordExtraBits = 0x80010001u; // bit 0 and high bits are not part of the offset
        w.addPair(-9, 10);
        K4QBPakArchive* archive = f.load(w);
        const K4QBPakHeader& h = archive->getHeader();
        EXPECT_EQ(h.version, version);
        EXPECT_EQ(h.headerWord1, 11);
        EXPECT_EQ(h.extension[2], version < 5 ? 0 : 55); // no extension below 5
        ASSERT_EQ(archive->getFileCount(), 2);
        const K4QBPakEntry* entry = archive->getEntry(1);
        EXPECT_STREQ(entry->name, "two.dds");
        EXPECT_EQ(entry->wordB, -2);
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

TEST(ContentPakArchive, NamesAreCutAt31AndLowered) {
    K4QBPakWriter w(5);
    w.addFile("", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456", bytes("x")); // 33 bytes, field holds 32
    for (size_t length = 1; length <= 31; ++length) {
        w.addFile("t\\", std::string(length - 1, 'n') + "Q", bytes("y"));
    }
    k4ctest::PakFixture f(w);
    K4QBPakArchive* archive = f.archive.get();
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
    k4ctest::PakFixture f{K4QBPakWriter(4)};
    EXPECT_EQ(f.archive->getFileCount(), 0);
    EXPECT_EQ(f.archive->getFolderCount(), 0);
    for (const std::string& path : {f.folder + "\\missing.pak", f.cache}) { // a folder is none
        EXPECT_THROWS_CODE(delete K4QBPakArchive::loadFromFile(path.c_str()), K4CEXC_IO) << path;
    }
    EXPECT_THROWS_CODE(K4QBPakArchive::loadFromStream(nullptr, "x.pak"), K4CEXC_IO);
}
