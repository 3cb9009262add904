// Loose game files and the install location: paths as the system builds
// them, searches with the system's wildcard rules, sub-folder walks, and the
// registry value read once.
#include "content/game_data_folder.h"

#include "content/file_list.h"
#include "content/install_path.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "tests/content/content_test_support.h"

#include <memory>

namespace {

// An install folder with loose files:
//   data\textures\Brick.dds, data\textures\stone.DDS, data\textures\notes.txt,
//   data\textures\sub.dds\ (a folder), data\textures\overlays\glow.dds,
//   data\textures\overlays\deep\brick.dds, data\other\brick.dds
std::string makeInstall() {
    std::string root = k4ctest::scratchFolder() + "\\game";
    for (const char* folder :
         {"", "\\data", "\\data\\textures", "\\data\\textures\\sub.dds",
          "\\data\\textures\\overlays", "\\data\\textures\\overlays\\deep", "\\data\\other"}) {
        EXPECT_TRUE(k4p::createFolder((root + folder).c_str()));
    }
    for (const char* file :
         {"\\data\\textures\\Brick.dds", "\\data\\textures\\stone.DDS",
          "\\data\\textures\\notes.txt", "\\data\\textures\\overlays\\glow.dds",
          "\\data\\textures\\overlays\\deep\\brick.dds", "\\data\\other\\brick.dds"}) {
        k4test::writeFile(root + file, file);
    }
    return root;
}

} // namespace

TEST(ContentInstallPath, IsReadOnceWithOrWithoutBackslash) {
    k4ctest::setInstallPath(nullptr);
    EXPECT_EQ(getInstallPath(), nullptr);
    EXPECT_THROWS_CODE(K4QBGameDataFolder::CreateFromGame(nullptr), K4QBERR_PAK_NOTINSTALLED);
    std::string root = makeInstall();
    for (const std::string& stored : {root, root + "\\"}) {
        k4ctest::setInstallPath(stored.c_str());
        EXPECT_EQ(std::string(getInstallPath()), stored);
        std::unique_ptr<K4QBGameDataFolder> source(K4QBGameDataFolder::CreateFromGame(nullptr));
        K4CString out;
        ASSERT_TRUE(source->getContent(&out, "stone.DDS", "data\\textures\\", false));
        EXPECT_EQ(std::string(out.getText()), root + "\\data\\textures\\stone.DDS");
    }
    k4ctest::setInstallPath(nullptr, false); // read once: a later change is not seen
    EXPECT_EQ(std::string(getInstallPath()), root + "\\");
    k4ctest::setInstallPath(nullptr);
}

TEST(ContentGameDataFolder, GetsAndFindsLooseFilesAsTheSystemSpellsThem) {
    std::string root = makeInstall();
    std::unique_ptr<K4QBGameDataFolder> source(K4QBGameDataFolder::CreateFromPath(root.c_str()));
    EXPECT_EQ(std::string(source->getRootFolder()), root);
    K4CString out;
    // Names match without regard to case; the path has the file system's spelling.
    ASSERT_TRUE(source->getContent(&out, "brick.DDS", "data\\textures", false));
    EXPECT_EQ(std::string(out.getText()), root + "\\data\\textures\\Brick.dds");
    EXPECT_EQ(k4test::readFile(out.getText()), "\\data\\textures\\Brick.dds");
    // Depth-first through the sub-folders when asked.
    EXPECT_FALSE(source->getContent(&out, "glow.dds", "data\\textures", false));
    EXPECT_STREQ(out.getText(), "");
    ASSERT_TRUE(source->getContent(&out, "glow.dds", "data\\textures", true));
    EXPECT_EQ(std::string(out.getText()), root + "\\data\\textures\\overlays\\glow.dds");
    ASSERT_TRUE(source->getContent(&out, "brick.dds", "data\\textures\\overlays", true));
    EXPECT_EQ(std::string(out.getText()), root + "\\data\\textures\\overlays\\deep\\brick.dds");
    // Missing files, wildcards and empty names find nothing and leave the output empty.
    for (const char* name : {"missing.dds", "*.dds", "b?ick.dds", ""}) {
        out.assign("stale");
        EXPECT_FALSE(source->getContent(&out, name, "data", true)) << name;
        EXPECT_STREQ(out.getText(), "") << name;
    }

    // Searches with the system's patterns.
    K4QBFileList list;
    // Lowered pattern and folder; names as the file system spells them; the
    // folder named sub.dds is not a file.
    EXPECT_EQ(source->findContent(&list, "*.DDS", "DATA\\TEXTURES", false), 2);
    EXPECT_EQ(k4ctest::listed(list), "Brick.dds@data\\textures\\ stone.DDS@data\\textures\\");
    EXPECT_EQ(list.getSource(0), source.get());
    EXPECT_EQ(source->findContent(&list, "*.dds", "data\\textures\\", false), 0); // all known
    K4QBFileList deep;
    EXPECT_EQ(source->findContent(&deep, "*brick*", "data", true), 3);
    EXPECT_EQ(k4ctest::listed(deep), "Brick.dds@data\\textures\\ brick.dds@data\\other\\ "
                                     "brick.dds@data\\textures\\overlays\\deep\\");
    K4QBFileList none;
    EXPECT_EQ(source->findContent(&none, "", "data", true), 0);
    EXPECT_EQ(source->findContent(&none, "*.dds", "nowhere", true), 0);
}

TEST(ContentGameDataFolder, DestroyingWithAnUnwritableLogEndsQuietly) {
    std::string root = makeInstall();
    k4test::TestLog log(root + "\\trace.txt");
    log.breakFile(true);
    K4QBGameDataFolder* source = K4QBGameDataFolder::CreateFromPath(root.c_str());
    source->setLogger(log.get());
    K4CString out;
    EXPECT_THROWS_CODE(source->getContent(&out, "glow.dds", "data\\textures", true),
                       K4CERR_LOG_IOERROR);
    delete source; // must not end the program although its trace lines fail
}
