// The file search's own rules, natively: the pattern a search text becomes,
// the stored file type, the numbered sequence of a double-clicked file and
// where a folder stands to the current folder.
#include "foundation/k4cstring.h"
#include "texmgr/k4qbfindrules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string pattern(const char* text, const char* extension) {
    K4CString made;
    k4qbSearchPattern(text, extension, &made);
    return made.getText();
}

TEST(FindRules, SearchTextBecomesOnePatternPerExtension) {
    // Every extension of "All Supported Images" in order, after the text.
    const K4QBFileType& all = K4QB_FILE_TYPES[k4qbFindFileType("All Supported Images")];
    std::vector<std::string> patterns;
    for (int32_t i = 0; i < all.extensionCount; ++i) {
        patterns.push_back(pattern("", K4QB_IMAGE_EXTENSIONS[all.firstExtension + i]));
    }
    EXPECT_EQ(patterns,
              (std::vector<std::string>{"*.dds", "*.bmp", "*.tga", "*.jpg", "*.jpeg", "*.png"}));
    EXPECT_EQ(pattern(nullptr, ".dds"), "*.dds");
    // A plain text is looked for anywhere in the name; a typed wildcard is
    // taken as it is, extension and all.
    EXPECT_EQ(pattern("brick", ".png"), "*brick*.png");
    EXPECT_EQ(pattern("walls??", ".tga"), "walls??.tga");
    EXPECT_EQ(pattern("br*.dds", ".dds"), "br*.dds.dds");

    const K4QBFileType& jpeg = K4QB_FILE_TYPES[k4qbFindFileType("(*.jpg, *.jpeg) JPEG")];
    EXPECT_STREQ(K4QB_IMAGE_EXTENSIONS[jpeg.firstExtension + jpeg.extensionCount - 1], ".jpeg");
}

TEST(FindRules, StoredFileTypeMatchesExactlyOrFallsBackToTheFirst) {
    EXPECT_EQ(k4qbFindFileType("(*.png) Portable Network Graphics"), 5);
    for (const char* stored : {"all supported images", "(*.png)", "", "PNG"}) {
        EXPECT_EQ(k4qbFindFileType(stored), 0) << stored;
    }
    EXPECT_EQ(k4qbFindFileType(nullptr), 0);
}

TEST(FindRules, NumberedSequenceOfAClickedName) {
    const std::vector<std::string> names = {"frame_001.dds", "frame_002.dds", "frame_003.dds",
                                            "frame_010.dds", "framework.dds", "Frame_004.dds",
                                            "frame_1.dds",   "frame_0100.dds"};
    int32_t position = -1, length = -1;
    ASSERT_TRUE(k4qbFindDigitRun("frame_003.dds", &position, &length));
    EXPECT_EQ(position, 6);
    EXPECT_EQ(length, 3);
    std::vector<std::string> members;
    for (const std::string& name : names) {
        if (k4qbInSequence(name.c_str(), "frame_003.dds", position, length)) {
            members.push_back(name);
        }
    }
    // The same prefix (case and all) and at least three digits where the
    // clicked name has them.
    EXPECT_EQ(members, (std::vector<std::string>{"frame_001.dds", "frame_002.dds", "frame_003.dds",
                                                 "frame_010.dds", "frame_0100.dds"}));
    // The first run counts; a name without digits has no sequence.
    ASSERT_TRUE(k4qbFindDigitRun("a12b345", &position, &length));
    EXPECT_EQ(position, 1);
    EXPECT_EQ(length, 2);
    EXPECT_FALSE(k4qbFindDigitRun("framework.dds", &position, &length));
    EXPECT_FALSE(k4qbInSequence("frame_", "frame_003.dds", 6, 3)) << "too short";
}

TEST(FindRules, FolderRelationIgnoresCaseAndComparesWholeFolders) {
    struct Case {
        const char* path;
        const char* current;
        int32_t relation;
    };
    for (Case c :
         {Case{"C:\\Work\\", "c:\\work\\tex\\", 1}, Case{"c:\\work\\", "C:\\WORK\\", 0},
          Case{"C:\\Work\\", "C:\\Workshop\\", -1}, Case{"C:\\Work\\Tex\\", "C:\\Work\\", -1},
          Case{"D:\\", "C:\\Work\\", -1}, Case{"", "data\\", 1}}) {
        EXPECT_EQ(k4qbFolderRelation(c.path, c.current), c.relation) << c.path << " " << c.current;
    }
    K4CString name;
    for (auto [path, last] :
         {std::pair<const char*, const char*>{"data\\textures\\overlays\\", "overlays"},
          {"data\\", "data"},
          {"", ""}}) {
        k4qbLastFolderName(path, &name);
        EXPECT_STREQ(name.getText(), last) << path;
    }
}

} // namespace
