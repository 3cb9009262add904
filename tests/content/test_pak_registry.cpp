// The pak registry: merging the archives of a folder (newest copy wins, equal
// times keep the first loaded), browsing the folder tree, exact lookups with
// extraction and pattern searches.
#include "content/pak_registry.h"

#include "content/file_list.h"
#include "content/pak_archive.h"
#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

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

// The sub-folders the registry lists below `folder`, joined by spaces.
std::string subFolders(K4QBPakRegistry* registry, const char* folder) {
    std::string out;
    for (int32_t i = 0; i < registry->getSubFolderCount(folder); ++i) {
        out += (i > 0 ? " " : "") + std::string(registry->getSubFolder(folder, i));
    }
    return out;
}

K4QBPakWriter tree() {
    K4QBPakWriter w(5);
    for (const char* folder : {"", "data\\", "data\\textures\\", "data\\textures\\overlays\\",
                               "data\\sounds\\", "data2\\", "readme\\"}) {
        w.addFolder(folder, 0);
    }
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

TEST(ContentPakRegistry, MergesPakFilesOnlyAndTheNewestCopyWins) {
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
    // A name one archive lists again is kept once, from its first record;
    // a newer archive's copy wins over every one of them.
    K4QBPakWriter twice(5), newest(5);
    for (const char* copy : {"1", "2", "3"}) {
        twice.addFile("a\\", "thrice.dds", bytes(copy));
        twice.addFile("a\\", "again.dds", bytes(copy));
    }
    newest.addFile("a\\", "thrice.dds", bytes("newest"));
    p.add(twice, "d.PAK");
    p.add(newest, "e.pak", 1600000000);
    k4test::writeFile(p.pakFolder + "\\notes.txt", "not an archive");
    k4test::writeFile(p.pakFolder + "\\old.pakold", "not an archive");
    EXPECT_TRUE(k4p::createFolder((p.pakFolder + "\\folder.pak").c_str()));
    auto registry = p.open();
    EXPECT_EQ(registry->getArchiveCount(), 5);
    EXPECT_EQ(registry->getFileCount(), 6); // every name once
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\textures"), "from B");
    EXPECT_EQ(fetch(registry.get(), "thrice.dds", "a"), "newest");
    EXPECT_EQ(fetch(registry.get(), "again.dds", "a"), "1");

    Paks q;
    q.add(archive("from a", "only-a.dds"), "z.pak", 5000);
    q.add(archive("from b", "only-b.dds"), "m.pak", 5000);
    q.add(archive("from c", "only-c.dds"), "A.pak", 5000);
    // Equal times: the archive loaded first, and archives load in name order.
    EXPECT_EQ(fetch(q.open().get(), "brick.dds", "data\\textures"), "from c");
}

TEST(ContentPakRegistry, AnArchivePatchedAfterLoadingIsNeverExtracted) {
    Paks p;
    auto archive = [](std::vector<const char*> names, const char* version) {
        K4QBPakWriter w(5);
        for (const char* name : names) {
            w.addFile("data\\", name, bytes(std::string(version) + name), K4QBPakEncoding::Stored);
        }
        return w;
    };
    K4QBPakWriter other(5);
    other.addFile("data\\", "moss", bytes("moss"));
    p.add(archive({"brick", "stone", "sand!"}, "old "), "a.pak");
    p.add(other, "b.pak");
    auto registry = p.open();
    EXPECT_EQ(fetch(registry.get(), "brick", "data"), "old brick");
    // The patch keeps the size and the header but moves the entries: the old
    // offset of "sand!" holds the new "brick".
    p.add(archive({"sand!", "stone", "brick"}, "new "), "a.pak", 1600000000);
    K4CString out;
    const char* code =
        k4test::thrownBy([&] { registry->getContent(&out, "sand!", "data", false); });
    EXPECT_STREQ(code, K4QBERR_PAK_CHANGED);
    EXPECT_STREQ(k4cErrorMessage(code), "the game's archives changed; restart to see them");
    EXPECT_EQ(k4test::listTree(p.cache), std::vector<std::string>{"data\\brick"});
    // What was extracted before, and the other archives, still serve.
    EXPECT_EQ(fetch(registry.get(), "brick", "data"), "old brick");
    EXPECT_EQ(fetch(registry.get(), "moss", "data"), "moss");
}

TEST(ContentPakRegistry, BrowsesTheFolderTreeByExactText) {
    Paks p;
    p.add(tree(), "x.pak");
    auto registry = p.open();
    EXPECT_EQ(registry->getFolderCount(), 7);
    const std::pair<const char*, const char*> cases[] = {
        {"", "data2\\ data\\ readme\\"}, // byte order: "2" sorts before the backslash
        {"data\\", "data\\sounds\\ data\\textures\\"},
        {"data\\textures\\", "data\\textures\\overlays\\"},
        {"data\\textures\\overlays\\", ""},
        {"Data\\", ""},
        {"data", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(subFolders(registry.get(), c.first), c.second) << c.first;
    }
    for (auto [folder, index] : {std::pair<const char*, int32_t>{"data", 0},
                                 {"data\\", 2},
                                 {"data\\", -1},
                                 {nullptr, 0}}) {
        EXPECT_THROWS_CODE(registry->getSubFolder(folder, index), K4QBERR_PAK_OUTOFRANGE) << index;
    }
}

TEST(ContentPakRegistry, WithoutTheEmptyFolderTheTopIsUnknown) {
    Paks p;
    K4QBPakWriter w(5);
    w.addFile("data\\a\\", "x.dds", bytes("in a"));
    w.addFile("data\\b\\", "x.dds", bytes("in b"));
    w.addFile("data\\b\\c\\", "y.dds", bytes("in c"));
    p.add(w, "x.pak");
    auto registry = p.open();
    EXPECT_EQ(subFolders(registry.get(), ""), "");
    EXPECT_EQ(subFolders(registry.get(), "data\\"), ""); // not listed by the archive
    EXPECT_EQ(subFolders(registry.get(), "data\\b\\"), "data\\b\\c\\");
    // data\ holds no files and is not in the index; its sub-folders still are.
    EXPECT_EQ(fetch(registry.get(), "x.dds", "data", false), "<none>");
    EXPECT_EQ(fetch(registry.get(), "x.dds", "data", true), "in a");
    EXPECT_EQ(fetch(registry.get(), "y.dds", "DATA\\", true), "in c");
    EXPECT_EQ(fetch(registry.get(), "y.dds", "", true), "in c");
    EXPECT_EQ(fetch(registry.get(), "y.dds", "data\\a", true), "<none>");
}

TEST(ContentPakRegistry, GetContentLowersTheKeyAndSearchesShallowFoldersFirst) {
    Paks p;
    p.add(tree(), "x.pak");
    auto registry = p.open();
    K4CString out;
    ASSERT_TRUE(registry->getContent(&out, "Brick.DDS", "DATA\\TEXTURES", false));
    EXPECT_EQ(std::string(out.getText()), p.cache + "\\data\\textures\\brick.dds");
    EXPECT_EQ(k4test::readFile(out.getText()), "tex:brick.dds");
    EXPECT_EQ(fetch(registry.get(), "root.txt", ""), "root");
    // Sub-folders: the folder itself first, then shallower before deeper.
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data", true), "tex:brick.dds");
    EXPECT_EQ(fetch(registry.get(), "brick.wav", "data", true), "wav");
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\textures\\overlays", true),
              "overlay brick");
    // Wildcards mean nothing here.
    EXPECT_EQ(fetch(registry.get(), "br?ck.dds", "data\\textures", true), "<none>");
    EXPECT_EQ(fetch(registry.get(), "", "data\\textures", true), "<none>");
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\sounds"), "<none>");
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "nowhere", true), "<none>");
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
    // The match itself is the wildcard test's; here: lowering, folders,
    // sub-folders and the order of the list.
    const Case cases[] = {
        {"*brick*.dds", "data\\textures", false,
         "brick.dds@data\\textures\\ redbrick01.dds@data\\textures\\"},
        {"BR?CK.DDS", "Data\\Textures\\", false, "brick.dds@data\\textures\\"},
        {"brick.*", "", true,
         "brick.dd@data\\textures\\ brick.dds@data\\textures\\ "
         "brick.dds@data\\textures\\overlays\\ brick.wav@data\\sounds\\"},
        {"*", "", false, "root.txt@"},
        {"", "data", true, ""},
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

TEST(ContentPakRegistry, CreatesFromTheInstalledGame) {
    Paks p;
    std::string install = p.folder + "\\game";
    k4ctest::setInstallPath(nullptr);
    EXPECT_THROWS_CODE(K4QBPakRegistry::CreateFromGame(p.cache.c_str(), nullptr),
                       K4QBERR_PAK_NOTINSTALLED);
    // Without a pak folder: an empty registry, not an error.
    k4ctest::setInstallPath(install.c_str());
    std::unique_ptr<K4QBPakRegistry> none(
        K4QBPakRegistry::CreateFromGame(p.cache.c_str(), nullptr));
    EXPECT_EQ(none->getFileCount(), 0);
    EXPECT_EQ(none->getSubFolderCount(""), 0);
    EXPECT_EQ(fetch(none.get(), "a.dds", "", true), "<none>");
    K4QBFileList list;
    EXPECT_EQ(none->findContent(&list, "*", "", true), 0);

    K4QBPakWriter w(5);
    w.addFile("data\\textures\\", "brick.dds", bytes("installed"));
    ASSERT_TRUE(k4p::createFolderTree((install + "\\data\\pak").c_str()));
    k4ctest::writePak(w, install + "\\data\\pak\\game.pak");
    k4ctest::setInstallPath((install + "\\").c_str());
    // Traced at TRACE, so that every trace line's arguments are formatted.
    k4test::TestLog log(p.folder + "\\trace.txt");
    std::unique_ptr<K4QBPakRegistry> registry(
        K4QBPakRegistry::CreateFromGame(p.cache.c_str(), log.get()));
    k4ctest::setInstallPath(nullptr);
    EXPECT_EQ(fetch(registry.get(), "brick.dds", "data\\textures"), "installed");
    EXPECT_STREQ(registry->getArchive(0)->getPath(), (install + "\\data\\pak\\game.pak").c_str());
    EXPECT_THROWS_CODE(registry->getSubFolder("none", 0), K4QBERR_PAK_OUTOFRANGE);
}

TEST(ContentPakRegistry, HandlesDirectoriesOfManyThousandFiles) {
    // Folders of thousands of files: many passes of the registry's merge sort.
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
