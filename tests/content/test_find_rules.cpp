// The file search's own rules, natively: the patterns of a search, the stored
// file type, the numbered sequence of a double-clicked file and where a
// folder stands to the current folder. (The panel's tests run them against
// real searches.)
#include "content/k4qbfindrules.h"
#include "foundation/k4cstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// The patterns of a text for the file type stored as `type`.
Texts patterns(const char* text, const char* type) {
    const K4QBFileType& chosen = K4QB_FILE_TYPES[k4qbFindFileType(type)];
    Texts out;
    K4CString made;
    for (int32_t i = 0; i < chosen.extensionCount; ++i) {
        k4qbSearchPattern(text, K4QB_IMAGE_EXTENSIONS[chosen.firstExtension + i], &made);
        out.push_back(made.getText());
    }
    return out;
}

TEST(FindRules, SearchPatternsOfTheStoredFileType) {
    const Texts all = {"*.dds", "*.bmp", "*.tga", "*.jpg", "*.jpeg", "*.png"};
    EXPECT_EQ(patterns("", "All Supported Images"), all);
    EXPECT_EQ(patterns(nullptr, "(*.jpg, *.jpeg) JPEG"), (Texts{"*.jpg", "*.jpeg"}));
    // A plain text anywhere in the name; a typed wildcard as it is.
    EXPECT_EQ(patterns("brick", "(*.png) Portable Network Graphics"), Texts{"*brick*.png"});
    EXPECT_EQ(patterns("walls??", "(*.tga) Truevision's TARGA"), Texts{"walls??.tga"});
    EXPECT_EQ(patterns("br*.dds", "(*.dds) DirectDraw Surface"), Texts{"br*.dds.dds"});
    // A stored type must match exactly; anything else is the first.
    for (const char* stored : {"all supported images", "(*.png)", "", "PNG"}) {
        EXPECT_EQ(patterns("", stored), all) << stored;
    }
}

TEST(FindRules, NumberedSequenceOfAClickedName) {
    int32_t position = -1, length = -1;
    ASSERT_TRUE(k4qbFindDigitRun("frame_003.dds", &position, &length));
    Texts members;
    for (const char* name : {"frame_001.dds", "frame_002.dds", "frame_010.dds", "framework.dds",
                             "Frame_004.dds", "frame_1.dds", "frame_0100.dds", "frame_"}) {
        if (k4qbInSequence(name, "frame_003.dds", position, length)) {
            members.push_back(name);
        }
    }
    // The same first characters (case and all), digits where the clicked
    // name's first run of them stands.
    EXPECT_EQ(members,
              (Texts{"frame_001.dds", "frame_002.dds", "frame_010.dds", "frame_0100.dds"}));
    ASSERT_TRUE(k4qbFindDigitRun("a12b345", &position, &length));
    EXPECT_EQ(position * 10 + length, 12);
    EXPECT_FALSE(k4qbFindDigitRun("framework.dds", &position, &length));
}

TEST(FindRules, FolderRelationIgnoresCaseAndComparesWholeFolders) {
    struct Case {
        const char* path;
        const char* current;
        int32_t relation;
    };
    for (Case c : {Case{"C:\\Work\\", "c:\\work\\tex\\", 1}, Case{"c:\\work\\", "C:\\WORK\\", 0},
                   Case{"C:\\Work\\", "C:\\Workshop\\", -1},
                   Case{"C:\\Work\\Tex\\", "C:\\Work\\", -1}, Case{"", "data\\", 1}}) {
        EXPECT_EQ(k4qbFolderRelation(c.path, c.current), c.relation) << c.path << " " << c.current;
    }
    K4CString name;
    k4qbLastFolderName("data\\textures\\overlays\\", &name);
    EXPECT_STREQ(name.getText(), "overlays");
    k4qbLastFolderName("data\\", &name);
    EXPECT_STREQ(name.getText(), "data");
}

} // namespace
