// The content registry over a loose data folder and the archives: loose files
// first, browsing through the pak source only. Searching both sources, each
// spelling listed once, is the qbtex content and demo install tests' part.
#include "content/content_registry.h"

#include "content/game_data_folder.h"
#include "content/pak_registry.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "tests/content/content_test_support.h"

using k4ctest::bytes;

namespace {

struct Install {
    std::string folder = k4ctest::scratchFolder();
    std::string root = folder + "\\game";
    std::string cache = folder + "\\cache";
    K4QBContentRegistry registry;

    // A loose copy of brick.dds, and an archive holding
    // data\textures\brick.dds and data\textures\stone.dds.
    Install() {
        EXPECT_TRUE(k4p::createFolderTree((root + "\\data\\textures").c_str()));
        EXPECT_TRUE(k4p::createFolderTree((root + "\\data\\pak").c_str()));
        EXPECT_TRUE(k4p::createFolder(cache.c_str()));
        k4test::writeFile(root + "\\data\\textures\\brick.dds", "loose");
        K4QBPakWriter w(5);
        w.addFile("data\\", "", bytes("")); // a listed folder with no safe files
        w.addFile("data\\textures\\", "brick.dds", bytes("packed brick"));
        w.addFile("data\\textures\\", "stone.dds", bytes("packed stone"));
        k4ctest::writePak(w, root + "\\data\\pak\\main.pak");
        registry.addSource(K4QBGameDataFolder::CreateFromPath(root.c_str()));
        registry.addSource(
            K4QBPakRegistry::CreateFromPath((root + "\\data\\pak").c_str(), cache.c_str()));
    }
};

} // namespace

TEST(ContentRegistry, LooseFilesHideArchivedOnes) {
    Install install;
    K4CString out;
    ASSERT_TRUE(install.registry.getContent(&out, "brick.dds", "data\\textures", false));
    EXPECT_EQ(std::string(out.getText()), install.root + "\\data\\textures\\brick.dds");
    EXPECT_TRUE(k4test::listTree(install.cache).empty()); // nothing extracted
    ASSERT_TRUE(install.registry.getContent(&out, "stone.dds", "data\\textures", false));
    EXPECT_EQ(std::string(out.getText()), install.cache + "\\data\\textures\\stone.dds");
    EXPECT_EQ(k4test::readFile(out.getText()), "packed stone");
    EXPECT_FALSE(install.registry.getContent(&out, "missing.dds", "data", true));
}

TEST(ContentRegistry, BrowsesThroughThePakSourceOnly) {
    K4QBContentRegistry empty;
    EXPECT_EQ(empty.getSubFolderCount(""), 0);
    EXPECT_THROWS_CODE(empty.getSubFolder("", 0), K4QBERR_PAK_OUTOFRANGE);
    K4CString out;
    EXPECT_FALSE(empty.getContent(&out, "a.dds", "", true));
    EXPECT_THROWS_CODE(empty.addSource(nullptr), K4CERR_STR_ILLEGALARGUMENT);

    Install install;
    EXPECT_EQ(install.registry.getSubFolderCount("data\\"), 1);
    EXPECT_STREQ(install.registry.getSubFolder("data\\", 0), "data\\textures\\");
    EXPECT_THROWS_CODE(install.registry.getSubFolder("data\\", 1), K4QBERR_PAK_OUTOFRANGE);
}
