// The file list: order and duplicates, texts kept or copied into blocks,
// texts too long for a block, clearing and reordering.
#include "content/file_list.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <cstring>

namespace {

K4QBGameFiles* const kSourceA = reinterpret_cast<K4QBGameFiles*>(0x10);
K4QBGameFiles* const kSourceB = reinterpret_cast<K4QBGameFiles*>(0x20);

} // namespace

TEST(ContentFileList, KeepsEntriesSortedAndOnce) {
    K4QBFileList list;
    EXPECT_EQ(list.addInOrder(kSourceA, "readme.dds", "b\\", false), 0);
    EXPECT_EQ(list.addInOrder(kSourceB, "readme.dds", "a\\", false), 0);
    EXPECT_EQ(list.addInOrder(kSourceB, "alpha.dds", "z\\", false), 0);
    EXPECT_EQ(list.addInOrder(kSourceB, "readme.dds", "b\\", false), 2); // already there
    EXPECT_EQ(list.getSource(2), kSourceA);                              // the first add is kept
    EXPECT_EQ(list.addInOrder(kSourceA, "Readme.dds", "b\\", false), 0); // byte order: "R" < "a"
    EXPECT_EQ(k4ctest::listed(list), "Readme.dds@b\\ alpha.dds@z\\ readme.dds@a\\ readme.dds@b\\");
    EXPECT_EQ(list.addInOrder(nullptr, nullptr, nullptr, false), 0);
    EXPECT_STREQ(list.getName(0), "");
    EXPECT_THROWS_CODE(list.getName(5), K4CEXC_INDEXOUTOFBOUNDS);
    EXPECT_THROWS_CODE(list.getSource(-1), K4CEXC_INDEXOUTOFBOUNDS);
    // Thousands in order: the pak registry's search over many files.

    // Kept texts are referenced, copied ones are not.
    char name[] = "kept.dds";
    K4QBFileList other;
    other.addInOrder(kSourceA, name, "f\\", true);
    EXPECT_EQ(other.getName(0), name);
    other.addInOrder(kSourceA, "copied.dds", name, false);
    EXPECT_NE(other.getFolder(0), name);
}

TEST(ContentFileList, CopiesTextsIntoBlocksAndLongOnesApart) {
    // Fill the first block so that 384 bytes are left: 383 with the NULs
    // still fit, 384 would fill it to the last byte and start a new block.
    for (int folderLength : {81, 82}) {
        K4QBFileList list;
        std::string filler(7998, 'f'); // 7998 + 0 + 2 bytes per entry
        list.append(nullptr, filler.c_str(), "");
        list.append(nullptr, filler.c_str(), "");
        list.append(nullptr, std::string(300, 'n').c_str(),
                    std::string(static_cast<size_t>(folderLength), 'd').c_str());
        EXPECT_EQ(list.getBlockCount(), folderLength == 81 ? 1 : 2);
        EXPECT_EQ(std::strlen(list.getFolder(2)), static_cast<size_t>(folderLength));
    }
    K4QBFileList list;
    std::string huge(20000, 'h');
    list.addInOrder(kSourceA, "small.dds", "f\\", false);
    list.addInOrder(kSourceA, huge.c_str(), "f\\", false);
    list.addInOrder(kSourceA, "x", huge.c_str(), false);
    EXPECT_EQ(list.getBlockCount(), 1);
    list.addInOrder(kSourceA, std::string(16381, 'e').c_str(), "", false); // one byte short
    EXPECT_EQ(list.getBlockCount(), 2);
    EXPECT_EQ(list.getName(1), huge);
    EXPECT_EQ(list.getFolder(3), huge);
    list.clear();
    EXPECT_EQ(list.getBlockCount(), 1);
    EXPECT_EQ(list.getBlockUsed(), 0);
    list.addInOrder(kSourceA, huge.c_str(), huge.c_str(), false);
    list.append(kSourceA, "again", "f\\");
    EXPECT_EQ(list.getName(0), huge);
    EXPECT_EQ(list.getCount(), 2);
}

TEST(ContentFileList, ReordersAndRemoves) {
    K4QBFileList list;
    list.append(kSourceA, "first", "");
    list.append(kSourceB, "second", "");
    EXPECT_EQ(list.moveDown(0), 1);
    EXPECT_EQ(list.moveDown(1), 0);
    EXPECT_EQ(list.moveUp(0), 0);
    EXPECT_EQ(k4ctest::listed(list), "second@ first@");
    EXPECT_EQ(list.moveUp(1), 1);
    EXPECT_EQ(k4ctest::listed(list), "first@ second@");
    EXPECT_THROWS_CODE(list.moveUp(2), K4CEXC_INDEXOUTOFBOUNDS);
    list.append(kSourceA, "third", "");
    list.removeAt(1);
    EXPECT_EQ(k4ctest::listed(list), "first@ third@");
    EXPECT_THROWS_CODE(list.removeAt(2), K4CEXC_INDEXOUTOFBOUNDS);
}
