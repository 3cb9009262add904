// The pak registry: merging archives (newest copy wins, equal times keep the
// first loaded), browsing the folder tree, exact lookups with extraction and
// pattern searches.
#include "content/pak_registry.h"

#include "content/file_list.h"
#include "content/pak_archive.h"
#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

#include <algorithm>
#include <memory>

using k4ctest::bytes;

namespace {

struct Paks {
    std::string folder = k4ctest::scratchFolder();
    std::string pakFolder = folder + "\\pak";
    std::string cache = folder + "\\cache";
    Paks() {
        EXPECT_TRUE(k4p::createFolder(pakFolder.c_str()));
        EXPECT_TRUE(k4p::createFolder(cache.c_str()));
    }
    void add(const K4QBPakWriter& w, const std::string& name, int64_t time = 1500000000) {
        k4ctest::writePak(w, pakFolder + "\\" + name, time);
    }
    std::unique_ptr<K4QBPakRegistry> open() {
        return std::unique_ptr<K4QBPakRegistry>(
            K4QBPakRegistry::CreateFromPath(pakFolder.c_str(), cache.c_str()));
    }
};

// The content of `name` in `folder` as the registry extracts it, or "<none>".
std::string fetch(K4QBPakRegistry* registry, const char* name, const char* folder,
                  bool searchSubFolders = false) {
    K4CString out;
    if (!registry->getContent(&out, name, folder, searchSubFolders)) {
        EXPECT_STREQ(out.getText(), "");
        return "<none>";
    }
    return k4test::readFile(out.getText());
}

// A pointer as the log prints it.
std::string pointer(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

K4QBPakWriter tree() {
    K4QBPakWriter w(5);
    w.addFolder("", 0);
    w.addFolder("data\\", 0);
    w.addFolder("data\\textures\\", 0);
    w.addFolder("data\\textures\\overlays\\", 0);
    w.addFolder("data\\sounds\\", 0);
    w.addFolder("data2\\", 0);
    w.addFolder("readme\\", 0);
    for (const char* name : {"redbrick01.dds", "brick.dds", "Brick.dd", "x.dds.dds", "stone.tga",
                             "ab.dds", "axxb.dds"}) {
        w.addFile("data\\textures\\", name, bytes(std::string("tex:") + name));
    }
    w.addFile("data\\textures\\overlays\\", "brick.dds", bytes("overlay brick"));
    w.addFile("data\\sounds\\", "brick.wav", bytes("wav"));
    w.addFile("", "root.txt", bytes("root"));
    return w;
}

} // namespace

TEST(ContentPakRegistry, NewestArchiveWinsAndEqualTimesKeepTheFirst) {
    Paks p;
    auto archive = [](const char* content, const char* extra) {
        K4QBPakWriter w(5);
        w.addFile("data\\textures\\", "brick.dds", bytes(content));
        w.addFile("data\\textures\\", extra, bytes(extra));
        return w;
    };
    p.add(archive("from a", "only-a.dds"), "a.pak", 1000);
    p.add(archive("from B", "only-b.dds"), "B.pak", 3000);
    p.add(archive("from c", "only-c.dds"), "c.pak", 2000);
    auto registry = p.open();
    EXPECT_EQ(registry->getArchiveCount(), 3);
    EXPECT_EQ(registry->getFileCount(), 4); // brick.dds once
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\textures"), "from B");

    Paks q;
    q.add(archive("from a", "only-a.dds"), "z.pak", 5000);
    q.add(archive("from b", "only-b.dds"), "m.pak", 5000);
    q.add(archive("from c", "only-c.dds"), "A.pak", 5000);
    // Equal times: the archive loaded first, and archives load in name order.
    EXPECT_EQ(fetch(q.open().get(), "brick.dds", "data\\textures"), "from c");
}

TEST(ContentPakRegistry, DuplicatesWithinOneArchiveAreKept) {
    Paks p;
    K4QBPakWriter w(5);
    w.addFile("a\\", "twice.dds", bytes("1"));
    w.addFile("a\\", "twice.dds", bytes("2"));
    p.add(w, "x.pak");
    auto registry = p.open();
    EXPECT_EQ(registry->getFileCount(), 2);
    K4QBFileList list;
    EXPECT_EQ(registry->findContent(&list, "twice.dds", "a", false), 1); // the list holds it once
}

TEST(ContentPakRegistry, BrowsesTheFolderTree) {
    Paks p;
    p.add(tree(), "x.pak");
    auto registry = p.open();
    EXPECT_EQ(registry->getFolderCount(), 7);
    EXPECT_EQ(registry->getSubFolderCount(""), 3);
    // Byte order: "2" sorts before the backslash.
    EXPECT_STREQ(registry->getSubFolder("", 0), "data2\\");
    EXPECT_STREQ(registry->getSubFolder("", 1), "data\\");
    EXPECT_STREQ(registry->getSubFolder("", 2), "readme\\");
    EXPECT_EQ(registry->getSubFolderCount("data\\"), 2);
    EXPECT_STREQ(registry->getSubFolder("data\\", 0), "data\\sounds\\");
    EXPECT_STREQ(registry->getSubFolder("data\\", 1), "data\\textures\\");
    EXPECT_EQ(registry->getSubFolderCount("data\\textures\\"), 1);
    EXPECT_EQ(registry->getSubFolderCount("data\\textures\\overlays\\"), 0);
    // Exact text only.
    EXPECT_EQ(registry->getSubFolderCount("Data\\"), 0);
    EXPECT_EQ(registry->getSubFolderCount("data"), 0);
    EXPECT_THROWS_CODE(registry->getSubFolder("data", 0), K4QBERR_PAK_OUTOFRANGE);
    EXPECT_THROWS_CODE(registry->getSubFolder("data\\", 2), K4QBERR_PAK_OUTOFRANGE);
    EXPECT_THROWS_CODE(registry->getSubFolder("data\\", -1), K4QBERR_PAK_OUTOFRANGE);
    EXPECT_THROWS_CODE(registry->getSubFolder(nullptr, 0), K4QBERR_PAK_OUTOFRANGE);
}

TEST(ContentPakRegistry, WithoutTheEmptyFolderTheTopIsUnknown) {
    Paks p;
    K4QBPakWriter w(5);
    w.addFile("data\\a\\", "x.dds", bytes("in a"));
    w.addFile("data\\b\\", "x.dds", bytes("in b"));
    w.addFile("data\\b\\c\\", "y.dds", bytes("in c"));
    p.add(w, "x.pak");
    auto registry = p.open();
    EXPECT_EQ(registry->getSubFolderCount(""), 0);
    EXPECT_THROWS_CODE(registry->getSubFolder("", 0), K4QBERR_PAK_OUTOFRANGE);
    EXPECT_EQ(registry->getSubFolderCount("data\\"), 0); // not listed by the archive
    EXPECT_EQ(registry->getSubFolderCount("data\\b\\"), 1);
    // data\ holds no files and is not in the index; its sub-folders still are.
    EXPECT_EQ(fetch(registry.get(), "x.dds", "data", false), "<none>");
    EXPECT_EQ(fetch(registry.get(), "x.dds", "data", true), "in a");
    EXPECT_EQ(fetch(registry.get(), "y.dds", "DATA\\", true), "in c");
    EXPECT_EQ(fetch(registry.get(), "y.dds", "", true), "in c");
    EXPECT_EQ(fetch(registry.get(), "y.dds", "data\\a", true), "<none>");
}

TEST(ContentPakRegistry, GetContentLowersTheKeyAndExtractsOnce) {
    Paks p;
    p.add(tree(), "x.pak");
    auto registry = p.open();
    K4CString out;
    ASSERT_TRUE(registry->getContent(&out, "Brick.DDS", "DATA\\TEXTURES", false));
    EXPECT_EQ(std::string(out.getText()), p.cache + "\\data\\textures\\brick.dds");
    EXPECT_EQ(k4test::readFile(out.getText()), "tex:brick.dds");
    ASSERT_TRUE(registry->getContent(&out, "brick.dds", "data\\textures\\", false));
    EXPECT_EQ(fetch(registry.get(), "root.txt", ""), "root");
    // Sub-folders: the folder itself first, then shallower before deeper.
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data", true), "tex:brick.dds");
    EXPECT_EQ(fetch(registry.get(), "brick.wav", "data", true), "wav");
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\textures\\overlays", true),
              "overlay brick");
    // Wildcards mean nothing here.
    EXPECT_EQ(fetch(registry.get(), "br?ck.dds", "data\\textures"), "<none>");
    EXPECT_EQ(fetch(registry.get(), "*.dds", "data\\textures", true), "<none>");
    EXPECT_EQ(fetch(registry.get(), "", "data\\textures", true), "<none>");
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\sounds"), "<none>");
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "nowhere", true), "<none>");
    EXPECT_EQ(registry->getSourceType(), K4QB_SOURCE_PAK);
    EXPECT_EQ(std::string(registry->getRootFolder()), p.cache);
}

TEST(ContentPakRegistry, FindsPatterns) {
    Paks p;
    p.add(tree(), "x.pak");
    auto registry = p.open();
    struct Case {
        const char* pattern;
        const char* folder;
        bool recursive;
        const char* expected;
    };
    const Case cases[] = {
        {"*brick*.dds", "data\\textures", false,
         "brick.dds@data\\textures\\ "
         "redbrick01.dds@data\\textures\\"},
        {"br?ck.dds", "data\\textures\\", false, "brick.dds@data\\textures\\"},
        {"BRICK.DDS", "Data\\Textures", false, "brick.dds@data\\textures\\"},
        {"brick.dds", "data", true,
         "brick.dds@data\\textures\\ "
         "brick.dds@data\\textures\\overlays\\"},
        {"a**b.dds", "data\\textures", false, "ab.dds@data\\textures\\ axxb.dds@data\\textures\\"},
        {"*.dds", "data\\textures", false,
         "ab.dds@data\\textures\\ axxb.dds@data\\textures\\ "
         "brick.dds@data\\textures\\ "
         "redbrick01.dds@data\\textures\\"},
        {"brick.*", "", true,
         "brick.dd@data\\textures\\ brick.dds@data\\textures\\ "
         "brick.dds@data\\textures\\overlays\\ brick.wav@data\\sounds\\"},
        {"*", "", false, "root.txt@"},
        {"st*", "data", true, "stone.tga@data\\textures\\"},
        {"", "data", true, ""},
        {"brick.dds", "data\\sounds", false, ""},
        {"*.dds", "nowhere", true, ""},
    };
    for (const Case& c : cases) {
        K4QBFileList list;
        int32_t added = registry->findContent(&list, c.pattern, c.folder, c.recursive);
        EXPECT_EQ(k4ctest::listed(list), c.expected) << c.pattern << " in " << c.folder;
        EXPECT_EQ(added, list.getCount()) << c.pattern;
        for (int32_t i = 0; i < list.getCount(); ++i) {
            EXPECT_EQ(list.getSource(i), registry.get());
        }
    }
    // A second search into the same list adds nothing new.
    K4QBFileList list;
    EXPECT_EQ(registry->findContent(&list, "*.dds", "data", true), 5);
    EXPECT_EQ(registry->findContent(&list, "brick*", "data", true), 2); // brick.dd, brick.wav
}

TEST(ContentPakRegistry, SkipsWhatIsNoArchive) {
    Paks p;
    K4QBPakWriter w(5);
    w.addFile("d\\", "a.dds", bytes("a"));
    p.add(w, "real.PAK");
    k4test::writeFile(p.pakFolder + "\\notes.txt", "not an archive");
    k4test::writeFile(p.pakFolder + "\\old.pakold", "not an archive");
    EXPECT_TRUE(k4p::createFolder((p.pakFolder + "\\folder.pak").c_str()));
    auto registry = p.open();
    EXPECT_EQ(registry->getArchiveCount(), 1);
    EXPECT_EQ(fetch(registry.get(), "a.dds", "d"), "a");
    // A missing pak folder gives an empty registry, not an error.
    std::unique_ptr<K4QBPakRegistry> none(
        K4QBPakRegistry::CreateFromPath((p.folder + "\\missing").c_str(), p.cache.c_str()));
    EXPECT_EQ(none->getFileCount(), 0);
    EXPECT_EQ(none->getSubFolderCount(""), 0);
    EXPECT_EQ(fetch(none.get(), "a.dds", "", true), "<none>");
    K4QBFileList list;
    EXPECT_EQ(none->findContent(&list, "*", "", true), 0);
}

// The one trace test of the content layer: the line shapes users read in the
// debug log, from the start through a lookup to an error and the end.
TEST(ContentPakRegistry, CreatesFromTheInstalledGameAndTracesTheLineShapes) {
    Paks p;
    K4QBPakWriter w(5);
    w.addFile("data\\textures\\", "brick.dds", bytes("installed"));
    std::string install = p.folder + "\\game";
    ASSERT_TRUE(k4p::createFolderTree((install + "\\data\\pak").c_str()));
    k4ctest::writePak(w, install + "\\data\\pak\\game.pak");
    k4ctest::setInstallPath(nullptr);
    EXPECT_THROWS_CODE(K4QBPakRegistry::CreateFromGame(p.cache.c_str(), nullptr),
                       K4QBERR_PAK_NOTINSTALLED);

    k4ctest::setInstallPath((install + "\\").c_str());
    k4ctest::TraceLog log(p.folder + "\\trace.txt");
    std::unique_ptr<K4QBPakRegistry> registry(
        K4QBPakRegistry::CreateFromGame(p.cache.c_str(), log.get()));
    K4CString out;
    EXPECT_TRUE(registry->getContent(&out, "brick.dds", "data\\textures", false));
    EXPECT_EQ(k4test::readFile(out.getText()), "installed");
    EXPECT_STREQ(registry->getArchive(0)->getPath(), (install + "\\data\\pak\\game.pak").c_str());
    EXPECT_THROWS_CODE(registry->getSubFolder("none", 0), K4QBERR_PAK_OUTOFRANGE);
    const std::string self = pointer(registry.get());
    registry.reset();
    k4ctest::setInstallPath(nullptr);

    std::vector<std::string> lines = log.messages();
    for (const std::string& line : std::vector<std::string>{
             "Enter K4QBPakRegistry::CreateFromGame(" + p.cache + ", " + pointer(log.get()) + ")",
             "Return " + self + " from K4QBPakRegistry::CreateFromGame",
             "Enter K4QBPakRegistry::getContent(" + pointer(&out) +
                 ", brick.dds, data\\textures, 0) = " + self,
             std::string("(In K4QBPakRegistry::initSearchStr) Filename = brick.dds, Folder = "
                         "data\\textures\\"),
             "Return 1 (" + p.cache +
                 "\\data\\textures\\brick.dds) from K4QBPakRegistry::getContent = " + self,
             "Throw exception K4QBERR_PAK_OUTOFRANGE from K4QBPakRegistry::getSubFolder = " + self,
             "Exit destructor K4QBPakRegistry = " + self}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST(ContentPakRegistry, HandlesDirectoriesOfManyThousandFiles) {
    // Large enough for the big-table allocation path of both the archive
    // and the registry.
    Paks p;
    const int count = 15000;
    for (int a = 0; a < 2; ++a) {
        K4QBPakWriter w(5);
        for (int i = a * count / 2; i < a * count / 2 + count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%05d.dds", i);
            w.addFile("data\\t" + std::to_string(i % 3) + "\\", name,
                      bytes(std::to_string(a) + ":" + name), K4QBPakEncoding::Stored);
        }
        p.add(w, "p" + std::to_string(a) + ".pak", 1000 + a);
    }
    auto registry = p.open();
    EXPECT_EQ(registry->getFileCount(), count * 3 / 2);
    EXPECT_EQ(registry->getFolderCount(), 3);
    EXPECT_EQ(fetch(registry.get(), "f00000.dds", "data\\t0"), "0:f00000.dds");
    EXPECT_EQ(fetch(registry.get(), "f07500.dds", "data\\t0"), "1:f07500.dds"); // the newer copy
    EXPECT_EQ(fetch(registry.get(), "f22499.dds", "data\\t2"), "1:f22499.dds");
    K4QBFileList list;
    EXPECT_EQ(registry->findContent(&list, "f1*", "data", true), 10000);
    EXPECT_STREQ(list.getName(0), "f10000.dds");
    EXPECT_STREQ(list.getName(9999), "f19999.dds");
}
