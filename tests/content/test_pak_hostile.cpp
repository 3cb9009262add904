// Hostile archives: malformed directories are refused as a whole, unsafe or
// dangling records are left out, and block headers or streams that do not
// hold what they state fail without writing anything.
#include "content/pak_archive.h"
#include "content/pak_registry.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"
#include "tests/support/file_limit.h"

#include <functional>
#include <memory>

using k4ctest::bytes;

namespace {

K4QBPakWriter sound() {
    K4QBPakWriter w(5);
    w.addFolder("", 1);
    w.addFolder("data\\", 0);
    w.addFile("data\\", "a.dds", bytes("aaaa"), K4QBPakEncoding::Stored);
    w.addFile("data\\", "b.dds", k4qbPakSampleContent(5000, 2));
    w.addPair(1, 2);
    return w;
}

} // namespace

TEST(ContentPakHostile, MalformedDirectoriesAreRefused) {
    k4ctest::PakFixture f(sound());
    const std::vector<std::pair<const char*, std::function<void(K4QBPakWriter&)>>> cases = {
        {"negative file count", [](K4QBPakWriter& w) { w.fileCount = -1; }},
        {"negative folder count", [](K4QBPakWriter& w) { w.folderCount = -3; }},
        {"huge file count", [](K4QBPakWriter& w) { w.fileCount = 0x7FFFFFFF; }},
        {"file table past the end", [](K4QBPakWriter& w) { w.fileCount = 3; }},
        {"pair table past the end", [](K4QBPakWriter& w) { w.pairCount = 1000; }},
        {"names past the end", [](K4QBPakWriter& w) { w.namesSize = 100000; }},
        {"negative names offset", [](K4QBPakWriter& w) { w.namesOffset = -8; }},
        {"file table offset past the end", [](K4QBPakWriter& w) { w.fileTableOffset = 1 << 30; }},
        {"negative pair offset", [](K4QBPakWriter& w) { w.pairTableOffset = -1; }},
        {"names without final NUL", [](K4QBPakWriter& w) { w.dropFinalNul = true; }},
        {"fewer names than folders", [](K4QBPakWriter& w) { w.folderCount = 3; }},
        {"more folders than bytes", [](K4QBPakWriter& w) { w.folderCount = 1000; }},
        {"names block cut short", [](K4QBPakWriter& w) { w.namesSize = 2; }},
        {"truncated header", [](K4QBPakWriter& w) { w.truncateTo = 30; }},
        {"truncated extended header", [](K4QBPakWriter& w) { w.truncateTo = 45; }},
        {"truncated file table",
         [](K4QBPakWriter& w) {
             K4QBPakLayout layout;
             w.build(&layout);
             w.truncateTo = layout.fileTableOffset + 60;
         }},
    };
    for (const auto& c : cases) {
        K4QBPakWriter w = sound();
        c.second(w);
        EXPECT_THROWS_CODE(f.load(w), K4CEXC_IO) << c.first;
    }
    // A registry over a folder holding such a file is not made at all.
    EXPECT_THROWS_CODE(delete K4QBPakRegistry::CreateFromPath(f.folder.c_str(), f.cache.c_str()),
                       K4CEXC_IO);
}

TEST(ContentPakHostile, RecordsWithoutAListedFolderAreLeftOut) {
    K4QBPakWriter w(5);
    w.addFolder("data\\", 0);
    w.addFolder("data\\textures\\", 0);
    w.addFile("data\\", "inside.dds", bytes("x")).folderOffset = 2;   // inside "data\"
    w.addFile("data\\", "beyond.dds", bytes("x")).folderOffset = 900; // past the names block
    w.addFile("data\\", "nul.dds", bytes("x")).folderOffset = 5;      // on the NUL after "data\"
    w.addFile("data\\textures\\", "good.dds", bytes("x"));
    k4ctest::PakFixture f(w);
    K4QBPakArchive* archive = f.archive.get();
    ASSERT_EQ(archive->getFileCount(), 1);
    EXPECT_STREQ(archive->getEntry(0)->name, "good.dds");
    // Not filed under folder 0, as a zero-filled offset table would do.
    EXPECT_EQ(archive->getFolderFileCount(0), 0);
    ASSERT_EQ(archive->getSkippedCount(), 3);
    EXPECT_STREQ(archive->getSkipped(1).name, "beyond.dds");
}

TEST(ContentPakHostile, UnsafeNamesAreLeftOutAndNeverWritten) {
    const std::vector<std::string> badFolders = {
        "..\\",     "data\\..\\", "..\\..\\x\\", ".\\",       "\\abs\\",  "data\\\\", "c:\\",
        "data:x\\", "a/b\\",      "data\\con\\", "nul.txt\\", "x \\",     "x.\\",     "data",
        "a\\b",     "com1\\",     "lpt9.y\\",    "CONOUT$\\", "q<\\",     "q>\\",     "q\"\\",
        "q|\\",     "q?\\",       "q*\\",        "tab\t\\",   "NUL .x\\", "com\xb9\\"};
    const std::vector<std::string> badNames = {
        "..",       ".",   "a/b",  "a\\b",  "con",   "Con.dds", "aux.x.y", "lpt1",
        "com9.dds", "prn", "x.",   "x ",    "a:b",   "a*b",     "a?b",     "a|b",
        "a<b",      "a>b", "a\"b", "\x01x", "x\x1f", "nul ",    "conin$"};
    K4QBPakWriter w(5);
    w.addFolder("", 0);
    for (const std::string& name : badFolders) {
        w.addFile(name, "victim.dds", bytes("escaped"), K4QBPakEncoding::Stored);
    }
    for (const std::string& name : badNames) {
        w.addFile("data\\", name, bytes("escaped"), K4QBPakEncoding::Stored);
    }
    w.addFile("", "", bytes("empty name"), K4QBPakEncoding::Stored);
    // Close to the rules but allowed.
    const std::vector<std::string> goodNames = {
        "con1.dds", "nul_x.dds", "..a", "a..b", "com10", "lpt", "x.y z", "\xe9t\xe9.dds", "conin"};
    for (const std::string& name : goodNames) {
        w.addFile("data\\", name, bytes("fine"), K4QBPakEncoding::Stored);
    }
    k4ctest::PakFixture f(w);
    std::unique_ptr<K4QBPakRegistry> registry(
        K4QBPakRegistry::CreateFromPath(f.folder.c_str(), f.cache.c_str()));
    K4QBPakArchive* archive = registry->getArchive(0);
    EXPECT_EQ(archive->getFileCount(), static_cast<int32_t>(goodNames.size()));
    EXPECT_EQ(archive->getSkippedCount(),
              static_cast<int32_t>(badFolders.size() + badNames.size() + 1));
    // Unsafe folders are not offered for browsing either.
    EXPECT_EQ(registry->getSubFolderCount(""), 1);
    EXPECT_STREQ(registry->getSubFolder("", 0), "data\\");

    // Ask for every unsafe pair by its own spelling, with and without
    // searching sub-folders: nothing is found and nothing is written.
    K4CString out;
    for (const std::string& bad : badFolders) {
        EXPECT_FALSE(registry->getContent(&out, "victim.dds", bad.c_str(), true)) << bad;
    }
    for (const std::string& bad : badNames) {
        EXPECT_FALSE(registry->getContent(&out, bad.c_str(), "data\\", true)) << bad;
    }
    for (const std::string& good : goodNames) {
        EXPECT_TRUE(registry->getContent(&out, good.c_str(), "data\\", false)) << good;
    }
    std::vector<std::string> written = k4test::listTree(f.folder);
    EXPECT_EQ(written.size(), goodNames.size() + 1); // the archive itself
    for (const std::string& path : written) {
        EXPECT_TRUE(path == "x.pak" || path.rfind("cache\\data\\", 0) == 0) << path;
    }
}

TEST(ContentPakHostile, BadBlocksFailWithoutWriting) {
    k4ctest::PakFixture f(K4QBPakWriter(5));
    std::vector<uint8_t> content = k4qbPakSampleContent(3000, 4);
    using E = K4QBPakWriterEntry;
    using K = K4QBPakEncoding;
    struct Case {
        const char* what;
        K4QBPakEncoding encoding;
        std::function<void(E&)> spoil;
        const char* code = K4QBERR_PAK_IOERROR;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"negative size", K::Compressed, [](E& e) { e.size = -1; }},
        {"size above 1 GiB", K::Compressed, [](E& e) { e.size = (1 << 30) + 1; }},
        {"size no stream can reach", K::Compressed, [](E& e) { e.size = 1 << 29; }},
        {"negative packed size", K::Compressed, [](E& e) { e.packedSize = -7; }},
        {"packed size past the end", K::Compressed, [](E& e) { e.packedSize = 1 << 20; }},
        {"stored size past the end", K::Stored, [](E& e) { e.size = 1 << 20; }},
        {"inflates short", K::Compressed, [](E& e) { e.size = 3001; }},
        {"inflates long", K::Compressed, [](E& e) { e.size = 2999; }},
        {"damaged stream", K::Compressed, [](E& e) { e.damageStream = true; }},
        {"stream cut short", K::Compressed, [](E& e) { e.packedSize = 40; }},
        {"damaged chained stream", K::Chained, [](E& e) { e.damageStream = true; }},
        {"chained size past the end", K::Chained, [](E& e) { e.packedSize = 1 << 22; }},
        {"wrapper shorter than its header", K::Wrapped, [](E& e) { e.truncateWrapper = 12; }},
        {"wrapper of just the tag", K::Wrapped, [](E& e) { e.truncateWrapper = 4; }},
        {"wrapper inflates short", K::Wrapped, [](E& e) { e.wrapperSize = 3500; }},
        {"wrapper size negative", K::Wrapped, [](E& e) { e.wrapperSize = -3; }},
        {"wrapper packed past its content", K::Wrapped, [](E& e) { e.wrapperPackedSize = 100000; }},
        {"damaged wrapped stream", K::Wrapped, [](E& e) { e.damageStream = true; }},
        {"data offset past the end", K::Stored, [](E& e) { e.dataOffset = 1 << 24; }, K4CEXC_IO},
        {"negative data offset", K::Stored, [](E& e) { e.dataOffset = -16; }, K4CEXC_IO},
    };
    // clang-format on
    for (const Case& c : cases) {
        K4QBPakWriter w(5);
        c.spoil(w.addFile("data\\", "bad.dds", content, c.encoding));
        w.addFile("data\\", "fine.dds", bytes("fine"));
        f.load(w);
        EXPECT_THROWS_CODE(f.extract(0), c.code) << c.what;
        EXPECT_FALSE(f.archive->isStreamOpen()) << c.what;
        EXPECT_EQ(k4test::listTree(f.cache).size(), 0u) << c.what;
        // The archive stays usable for its sound entries.
        std::string path;
        EXPECT_EQ(f.extract(1, &path), 1) << c.what;
        EXPECT_EQ(k4test::readFile(path), "fine");
        k4test::removeTree(f.cache + "\\data");
    }
}

TEST(ContentPakHostile, AFailedWriteLeavesNothingBehind) {
    K4QBPakWriter w(5);
    w.addFile("data\\textures\\", "brick.dds", bytes("brick"));
    k4ctest::PakFixture f(w);
    // A file where the folder should be: the folder cannot be made, so the
    // file cannot be created.
    ASSERT_TRUE(k4p::createFolder((f.cache + "\\data").c_str()));
    k4test::writeFile(f.cache + "\\data\\textures", "in the way");
    f.archive->keepOpen();
    EXPECT_THROWS_CODE(f.extract(0), K4CEXC_IO);
    EXPECT_TRUE(f.archive->isStreamOpen()); // kept open as asked, even after a failure
    f.archive->closeStream();
    EXPECT_EQ(k4test::listTree(f.cache), std::vector<std::string>{"data\\textures"});
    k4p::removeFile((f.cache + "\\data\\textures").c_str());
#ifndef _WIN32
    {
        k4test::FileSizeLimit full(2);
        EXPECT_THROWS_CODE(f.extract(0), K4CERR_IO_DISKFULL);
        EXPECT_EQ(k4test::listTree(f.cache).size(), 0u);
    }
#endif
    std::string path;
    EXPECT_EQ(f.extract(0, &path), 1);
    EXPECT_EQ(k4test::readFile(path), "brick");
}

TEST(ContentPakHostile, AnEntryNamedLikeAnotherEntrysFolderIsNoFile) {
    // "brick" and "brick\x.dds": once the second is out, the first's path is
    // a folder, which must never be handed on as its content.
    K4QBPakWriter w(5);
    w.addFile("", "brick", bytes("a file"));
    w.addFile("brick\\", "x.dds", bytes("x"));
    k4ctest::PakFixture f(w);
    EXPECT_EQ(f.extract(1), 1);
    EXPECT_THROWS_CODE(f.extract(0), K4CEXC_IO);
    EXPECT_EQ(k4test::listTree(f.cache), std::vector<std::string>{"brick\\x.dds"});
}
