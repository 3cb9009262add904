// The file list: order and duplicates, text blocks and their boundaries,
// texts too long for a block, clearing and reordering.
#include "content/file_list.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <cstring>

namespace {

K4QBGameFiles* const kSourceA = reinterpret_cast<K4QBGameFiles*>(0x10);
K4QBGameFiles* const kSourceB = reinterpret_cast<K4QBGameFiles*>(0x20);

std::string entries(const K4QBFileList& list) {
    std::string out;
    for (int32_t i = 0; i < list.getCount(); ++i) {
        out += (i > 0 ? " " : "") + std::string(list.getName(i)) + "@" + list.getFolder(i);
    }
    return out;
}

} // namespace

TEST(ContentFileList, KeepsEntriesSortedAndOnce) {
    K4QBFileList list;
    EXPECT_EQ(list.addInOrder(kSourceA, "readme.dds", "b\\", false), 0);
    EXPECT_EQ(list.addInOrder(kSourceB, "readme.dds", "a\\", false), 0);
    EXPECT_EQ(list.addInOrder(kSourceB, "alpha.dds", "z\\", false), 0);
    EXPECT_EQ(list.addInOrder(kSourceB, "readme.dds", "b\\", false), 2); // already there
    EXPECT_EQ(list.getSource(2), kSourceA);                              // the first add is kept
    EXPECT_EQ(list.addInOrder(kSourceA, "Readme.dds", "b\\", false), 0); // byte order: "R" < "a"
    EXPECT_EQ(entries(list), "Readme.dds@b\\ alpha.dds@z\\ readme.dds@a\\ readme.dds@b\\");
    EXPECT_EQ(list.addInOrder(nullptr, nullptr, nullptr, false), 0);
    EXPECT_STREQ(list.getName(0), "");
    EXPECT_THROWS_CODE(list.getName(5), K4CEXC_INDEXOUTOFBOUNDS);
    EXPECT_THROWS_CODE(list.getFolder(-1), K4CEXC_INDEXOUTOFBOUNDS);
    EXPECT_THROWS_CODE(list.getSource(5), K4CEXC_INDEXOUTOFBOUNDS);
}

TEST(ContentFileList, KeptTextsAreReferencedAndCopiesAreNot) {
    char name[] = "kept.dds";
    char folder[] = "f\\";
    K4QBFileList list;
    list.addInOrder(kSourceA, name, folder, true);
    list.addInOrder(kSourceA, "copied.dds", folder, false);
    EXPECT_EQ(list.getName(1), name);
    EXPECT_EQ(list.getFolder(1), folder);
    EXPECT_NE(list.getFolder(0), folder);
    EXPECT_EQ(list.getBlockUsed(), static_cast<int32_t>(std::strlen("copied.dds") + 2 + 2));
}

TEST(ContentFileList, StartsANewBlockAtTheBoundary) {
    // Fill the first block so that 384 bytes are left.
    K4QBFileList list;
    std::string filler(7998, 'f'); // 7998 + 0 + 2 bytes per entry
    list.append(nullptr, filler.c_str(), "");
    list.append(nullptr, filler.c_str(), "");
    EXPECT_EQ(list.getBlockUsed(), 16000);
    // 383 bytes with the NULs fit: the block would still have one byte spare.
    list.append(nullptr, std::string(300, 'n').c_str(), std::string(81, 'd').c_str());
    EXPECT_EQ(list.getBlockCount(), 1);
    EXPECT_EQ(list.getBlockUsed(), 16383);

    K4QBFileList other;
    other.append(nullptr, filler.c_str(), "");
    other.append(nullptr, filler.c_str(), "");
    // 384 bytes would fill it to the last byte: a new block.
    other.append(nullptr, std::string(300, 'n').c_str(), std::string(82, 'd').c_str());
    EXPECT_EQ(other.getBlockCount(), 2);
    EXPECT_EQ(other.getBlockUsed(), 384);
    EXPECT_EQ(std::strlen(other.getFolder(2)), 82u);
}

TEST(ContentFileList, TextsTooLongForABlockGetTheirOwnStorage) {
    K4QBFileList list;
    std::string huge(20000, 'h');
    std::string exact(16381, 'e'); // with its two NULs one byte short of a block
    list.addInOrder(kSourceA, "small.dds", "f\\", false);
    list.addInOrder(kSourceA, huge.c_str(), "f\\", false);
    list.addInOrder(kSourceA, "x", huge.c_str(), false);
    EXPECT_EQ(list.getBlockCount(), 1);
    list.addInOrder(kSourceA, exact.c_str(), "", false);
    EXPECT_EQ(list.getBlockCount(), 2);
    EXPECT_EQ(list.getBlockUsed(), 16383);
    EXPECT_EQ(list.getName(0), exact);
    EXPECT_EQ(list.getName(1), huge);
    EXPECT_STREQ(list.getName(2), "small.dds");
    EXPECT_EQ(list.getFolder(3), huge);
    list.clear();
    EXPECT_EQ(list.getCount(), 0);
    list.addInOrder(kSourceA, huge.c_str(), huge.c_str(), false);
    EXPECT_EQ(list.getName(0), huge);
}

TEST(ContentFileList, ClearKeepsOneEmptyBlock) {
    K4QBFileList list;
    std::string name(1000, 'n');
    for (int i = 0; i < 70; ++i) {
        list.append(kSourceA, name.c_str(), std::to_string(i).c_str());
    }
    EXPECT_EQ(list.getBlockCount(), 5);
    list.clear();
    EXPECT_EQ(list.getBlockCount(), 1);
    EXPECT_EQ(list.getBlockUsed(), 0);
    EXPECT_EQ(list.getCount(), 0);
    list.append(kSourceA, "again", "f\\");
    EXPECT_EQ(entries(list), "again@f\\");
}

TEST(ContentFileList, GrowsBeyondItsFirstSlots) {
    K4QBFileList list;
    for (int i = 999; i >= 0; --i) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d.dds", i);
        list.addInOrder(kSourceA, name, "f\\", false);
    }
    EXPECT_EQ(list.getCount(), 1000);
    EXPECT_EQ(list.getEntryCapacity(), 1024);
    EXPECT_STREQ(list.getName(0), "0000.dds");
    EXPECT_STREQ(list.getName(999), "0999.dds");
}

TEST(ContentFileList, ReordersAndRemoves) {
    K4QBFileList list;
    list.append(kSourceA, "first", "");
    list.append(kSourceB, "second", "");
    EXPECT_EQ(list.moveDown(0), 1);
    EXPECT_EQ(entries(list), "second@ first@");
    EXPECT_EQ(list.moveDown(1), 0);
    EXPECT_EQ(list.moveUp(0), 0);
    EXPECT_EQ(entries(list), "second@ first@");
    EXPECT_EQ(list.moveUp(1), 1);
    EXPECT_EQ(entries(list), "first@ second@");
    EXPECT_THROWS_CODE(list.moveUp(2), K4CEXC_INDEXOUTOFBOUNDS);
    list.append(kSourceA, "third", "");
    list.removeAt(1);
    EXPECT_EQ(entries(list), "first@ third@");
    EXPECT_THROWS_CODE(list.removeAt(2), K4CEXC_INDEXOUTOFBOUNDS);
    list.removeAt(1);
    list.removeAt(0);
    EXPECT_EQ(list.getCount(), 0);
}
