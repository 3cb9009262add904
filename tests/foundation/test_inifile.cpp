// The settings file: what is read, what is written, typed access, and saves
// that fail without losing the previous file.
#include "foundation/errors.h"
#include "foundation/k4qbinifile.h"
#include "test_support.h"

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
    std::string folder = k4test::scratchFolder();
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
    std::string folder = k4test::scratchFolder();
    auto settings = loadText(folder, "[A]\nk=1\nk=2\n[a]\nj=3\n");
    ASSERT_EQ(settings->getGroupCount(), 3);
    K4QBIniGroup* group = settings->getGroup("A");
    ASSERT_EQ(group, settings->getGroupAt(1));
    EXPECT_STREQ(group->getString("K"), "1");
    EXPECT_EQ(group->getString("j"), nullptr);
    EXPECT_EQ(saved(*settings, folder), eol("[a]\n\tk = 1\n\tk = 2\n\n[a]\n\tj = 3\n\n"));
}

TEST(FoundationIniRead, FailuresLeaveNoObject) {
    std::string folder = k4test::scratchFolder();
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
    // The value text is parsed as k4cParseInt does (tested with the strings).
    group->setString("hex", "0x1F");
    group->setString("word", "abc");
    EXPECT_EQ(group->getInt("HEX", -1), 31);
    EXPECT_EQ(group->getInt("word", -1), -1);
    EXPECT_EQ(group->getInt("missing", 77), 77);
    EXPECT_EQ(group->findKeyIndex("missing"), -1); // reading adds nothing

    group->setInt("Width", -640);
    EXPECT_STREQ(group->getString("width"), "-640");
    group->setInt("width", 800); // replaces, does not add
    EXPECT_EQ(group->getEntryCount(), 3);
    group->setString("name", nullptr);
    EXPECT_STREQ(group->getString("name"), "");
    EXPECT_STREQ(group->getEntry("fresh")->getValue(), "");
    EXPECT_EQ(group->getEntryCount(), 5);
    EXPECT_THROWS_CODE(group->getEntryAt(5), K4CEXC_INDEXOUTOFBOUNDS);
    EXPECT_THROWS_CODE(settings.getGroupAt(-1), K4CEXC_INDEXOUTOFBOUNDS);
}

TEST(FoundationIniWrite, RoundTripDropsEmptyGroups) {
    std::string folder = k4test::scratchFolder();
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

    std::string path = folder + "\\out.ini";
    std::unique_ptr<K4QBIniFile> again(K4QBIniFile::load(path.c_str()));
    EXPECT_EQ(dump(*again),
              "{version=2}window{left=10,title=Padded Value}file search{folder=data\\textures\\}");
    std::string second = saved(*again, folder);
    std::unique_ptr<K4QBIniFile> third(K4QBIniFile::load(path.c_str()));
    EXPECT_EQ(saved(*third, folder), second); // stable from the second save on

    // A shorter save replaces the whole file.
    K4QBIniFile small;
    small.getGroupAt(0)->setInt("x", 1);
    EXPECT_EQ(saved(small, folder), eol("\tx = 1\n\n"));
    EXPECT_EQ(k4test::listTree(folder), std::vector<std::string>{"out.ini"});
}

TEST(FoundationIniWrite, FailedSavesKeepWhatWasThere) {
    std::string folder = k4test::scratchFolder();
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
}
