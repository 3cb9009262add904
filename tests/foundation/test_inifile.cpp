// The settings file: what is read, what is written, typed access, and saves
// that fail without losing the previous file.
#include "foundation/errors.h"
#include "foundation/k4qbinifile.h"
#include "tests/support/checks.h"
#include "tests/support/file_limit.h"

#include <climits>
#include <memory>
#include <string>

namespace {

std::string eol(const std::string& lines) {
    std::string out;
    for (char c : lines) {
        out += c == '\n' ? std::string(k4test::kEol) : std::string(1, c);
    }
    return out;
}

std::unique_ptr<K4QBIniFile> loadText(const std::string& folder, const std::string& bytes) {
    std::string path = folder + "\\in.ini";
    k4test::writeFile(path, bytes);
    return std::unique_ptr<K4QBIniFile>(K4QBIniFile::load(path.c_str()));
}

// The file saved from the settings, read back as bytes.
std::string saved(K4QBIniFile& settings, const std::string& folder) {
    std::string path = folder + "\\out.ini";
    settings.save(path.c_str());
    return k4test::readFile(path);
}

// "group{key=value,...}" for every group, in order.
std::string dump(K4QBIniFile& settings) {
    std::string out;
    for (int32_t g = 0; g < settings.getGroupCount(); ++g) {
        K4QBIniGroup* group = settings.getGroupAt(g);
        out += std::string(group->getName()) + "{";
        for (int32_t e = 0; e < group->getEntryCount(); ++e) {
            out += std::string(e ? "," : "") + group->getEntryAt(e)->getKey() + "=" +
                   group->getEntryAt(e)->getValue();
        }
        out += "}";
    }
    return out;
}

} // namespace

TEST(FoundationIniRead, GroupsKeysValuesAndOddLines) {
    std::string folder = k4test::testFolder("foundation");
    const std::pair<const char*, const char*> cases[] = {
        {"[Window]\r\nLeft = 10\r\nTOP=20\r\n", "{}window{left=10,top=20}"},
        {"a = b = c\n  Key\t=\t Mixed Case \t\n", "{a=b = c,key=Mixed Case}"},
        {"", "{}"},
        {"\n \t \r\n\r\r\n", "{}"},
        {"top=1\n[ A b ]x]\n[]\n;note = 2\n#x=3\n[tail\n", "{top=1} a b {}{;note=2,#x=3,[tail=}"},
        // No "=": a key with an empty value; nothing before the "=": skipped.
        {"[g]\nflag\n= x\n  =  \n=\nk=\nold mac\rline\r", "{}g{flag=,k=,old mac=,line=}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dump(*loadText(folder, c.first)), c.second) << c.first;
    }
    EXPECT_EQ(saved(*loadText(folder, cases[0].first), folder),
              eol("[window]\n\tleft = 10\n\ttop = 20\n\n"));
}

TEST(FoundationIniRead, DuplicateGroupsAndKeysFindTheFirst) {
    std::string folder = k4test::testFolder("foundation");
    auto settings = loadText(folder, "[A]\nk=1\nk=2\n[a]\nj=3\n");
    ASSERT_EQ(settings->getGroupCount(), 3);
    K4QBIniGroup* group = settings->getGroup("A");
    ASSERT_EQ(group, settings->getGroupAt(1));
    EXPECT_STREQ(group->getString("K"), "1");
    EXPECT_EQ(group->getString("j"), nullptr);
    EXPECT_EQ(saved(*settings, folder), eol("[a]\n\tk = 1\n\tk = 2\n\n[a]\n\tj = 3\n\n"));
}

TEST(FoundationIniRead, FailuresLeaveNoObject) {
    std::string folder = k4test::testFolder("foundation");
    EXPECT_THROWS_CODE(K4QBIniFile::load((folder + "\\missing.ini").c_str()), K4QBERR_INI_IOERROR);
    EXPECT_THROWS_CODE(K4QBIniFile::load(folder.c_str()), K4QBERR_INI_IOERROR); // a folder
    EXPECT_THROWS_CODE(loadText(folder, std::string("[a]\nk=1\0\n", 9)),
                       K4CERR_STR_ILLEGALARGUMENT);
}

TEST(FoundationIniAccess, TypedGettersAndSetters) {
    K4QBIniFile settings;
    EXPECT_EQ(settings.findGroupIndex(nullptr), 0);
    EXPECT_EQ(settings.getGroup("viewer"), nullptr);
    K4QBIniGroup* group = settings.addGroup("Viewer");
    EXPECT_EQ(settings.findGroupIndex("VIEWER"), 1);
    // Base 0 as strtol reads it, the default without digits, saturated.
    // clang-format off
    const std::pair<const char*, int32_t> numbers[] = {
        {"0x1F", 31}, {"0X1f", 31}, {"010", 8}, {"12abc", 12}, {"  -7", -7}, {"0", 0},
        {"abc", -1}, {"", -1}, {"-", -1}, {"99999999999", INT32_MAX},
        {"-2147483648", INT32_MIN}, {"-99999999999", INT32_MIN}};
    // clang-format on
    for (const auto& n : numbers) {
        group->setString("Number", n.first);
        EXPECT_EQ(group->getInt("NUMBER", -1), n.second) << n.first;
    }
    EXPECT_EQ(group->getInt("missing", 77), 77);
    EXPECT_EQ(group->findKeyIndex("missing"), -1); // reading adds nothing

    group->setInt("Width", -640);
    EXPECT_STREQ(group->getString("width"), "-640");
    group->setInt("width", 800); // replaces, does not add
    EXPECT_EQ(group->getEntryCount(), 2);
    group->setString("name", nullptr);
    EXPECT_STREQ(group->getString("name"), "");
    EXPECT_STREQ(group->getEntry("fresh")->getValue(), "");
    EXPECT_EQ(group->getEntryCount(), 4);
    EXPECT_THROWS_CODE(group->getEntryAt(4), K4CEXC_INDEXOUTOFBOUNDS);
    EXPECT_THROWS_CODE(settings.getGroupAt(-1), K4CEXC_INDEXOUTOFBOUNDS);
}

TEST(FoundationIniWrite, RoundTripDropsEmptyGroups) {
    std::string folder = k4test::testFolder("foundation");
    K4QBIniFile settings;
    settings.getGroupAt(0)->setInt("Version", 2);
    settings.addGroup("never filled");
    K4QBIniGroup* window = settings.addGroup("Window");
    window->setInt("left", 10);
    window->setString("Title", "  Padded Value ");
    settings.addGroup("file search")->setString("folder", "data\\textures\\");
    EXPECT_EQ(saved(settings, folder),
              eol("\tversion = 2\n\n[window]\n\tleft = 10\n\ttitle =   Padded Value \n\n"
                  "[file search]\n\tfolder = data\\textures\\\n\n"));
    // Reading back is the settings fuzz target's round trip.

    // A shorter save replaces the whole file.
    K4QBIniFile small;
    small.getGroupAt(0)->setInt("x", 1);
    EXPECT_EQ(saved(small, folder), eol("\tx = 1\n\n"));
    EXPECT_EQ(k4test::listTree(folder), std::vector<std::string>{"out.ini"});
}

TEST(FoundationIniWrite, FailedSavesKeepWhatWasThere) {
    std::string folder = k4test::testFolder("foundation");
    K4QBIniFile settings;
    settings.getGroupAt(0)->setInt("x", 1);
    EXPECT_THROWS_CODE(settings.save((folder + "\\no-such-folder\\k.ini").c_str()),
                       K4QBERR_INI_IOERROR);
    EXPECT_THROWS_CODE(settings.save(nullptr), K4QBERR_INI_IOERROR);
    // The target is a folder: it must survive with its content, and no
    // temporary file may be left beside it.
    std::string target = folder + "\\k4-qb-texmgr.ini";
    ASSERT_TRUE(k4p::createFolder(target.c_str()));
    k4test::writeFile(target + "\\inside.txt", "keep");
    EXPECT_THROWS_CODE(settings.save(target.c_str()), K4QBERR_INI_IOERROR);
    EXPECT_EQ(k4test::listTree(folder), std::vector<std::string>{"k4-qb-texmgr.ini\\inside.txt"});
    EXPECT_EQ(k4test::readFile(target + "\\inside.txt"), "keep");
#ifndef _WIN32
    // A full disk is said to be one.
    std::string file = folder + "\\full.ini";
    k4test::writeFile(file, "old");
    settings.getGroupAt(0)->setString("long", std::string(5000, 'v').c_str());
    k4test::FileSizeLimit full(100);
    EXPECT_THROWS_CODE(settings.save(file.c_str()), K4CERR_IO_DISKFULL);
    EXPECT_EQ(k4test::readFile(file), "old");
    EXPECT_EQ(k4test::listTree(folder).size(), 2u);
#endif
}
