// The file list: order and duplicates, texts kept or copied (whole, however
// long), clearing and reordering.
#include "content/file_list.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <iterator>
#include <string>

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

TEST(ContentFileList, KeepsCopiedTextsWholeWhateverTheirLength) {
    // Name and folder lengths that end a block at its last byte or one past
    // it, and texts longer than a block; the same again after clearing.
    const std::pair<size_t, size_t> lengths[] = {{7998, 0},  {7998, 0},  {300, 81},  {300, 82},
                                                 {20000, 2}, {1, 20000}, {16381, 0}, {5, 5}};
    K4QBFileList list;
    for (int round = 0; round < 2; ++round) {
        list.clear();
        for (size_t i = 0; i < std::size(lengths); ++i) {
            list.append(kSourceA, std::string(lengths[i].first, static_cast<char>('a' + i)).c_str(),
                        std::string(lengths[i].second, 'd').c_str());
        }
        ASSERT_EQ(list.getCount(), static_cast<int32_t>(std::size(lengths)));
        for (size_t i = 0; i < std::size(lengths); ++i) {
            const int32_t at = static_cast<int32_t>(i);
            EXPECT_EQ(list.getName(at), std::string(lengths[i].first, static_cast<char>('a' + i)));
            EXPECT_EQ(list.getFolder(at), std::string(lengths[i].second, 'd')) << i;
        }
    }
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
