// K4CString: growth, editing, paths and line reading.
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "tests/support/checks.h"

#include <functional>
#include <string>
#include <vector>

namespace {

// Expects the operation to throw `code` and leave `s` as it was.
void expectRefused(K4CString& s, const char* code, const std::function<void()>& operation) {
    std::string text = s.getText();
    int32_t capacity = s.getCapacity();
    EXPECT_STREQ(k4test::thrownBy(operation), code);
    EXPECT_EQ(text, s.getText());
    EXPECT_EQ(static_cast<int32_t>(text.size()), s.getLength());
    EXPECT_EQ(capacity, s.getCapacity());
}

std::string repeat(int n, char c = 'x') {
    return std::string(static_cast<size_t>(n), c);
}

} // namespace

TEST(FoundationString, GrowsWithItsTextAndRefusesNoCapacity) {
    EXPECT_THROWS_CODE(K4CString s(0), K4CERR_STR_ILLEGALARGUMENT);
    EXPECT_THROWS_CODE(K4CString s(static_cast<const K4CString*>(nullptr)),
                       K4CERR_STR_ILLEGALARGUMENT);
    EXPECT_STREQ(K4CString(static_cast<const char*>(nullptr)).getText(), "");
    K4CString s(repeat(127, 'a').c_str());
    s.appendChar('b');
    s.append(repeat(300).c_str());
    EXPECT_EQ(std::string(s.getText()), repeat(127, 'a') + "b" + repeat(300));
    EXPECT_EQ(s.getLength(), 428);
}

TEST(FoundationString, AppendingItsOwnTextSurvivesReallocation) {
    K4CString s(repeat(100, 'q').c_str());
    s.append(s); // the source buffer is freed by the growth
    EXPECT_EQ(std::string(s.getText()), repeat(200, 'q'));
    s.assign("abcdef");
    s.append(s.getText() + 3);
    EXPECT_STREQ(s.getText(), "abcdefdef");
    s.assign(s.getText() + 6);
    EXPECT_STREQ(s.getText(), "def");
    EXPECT_EQ(s.getLength(), 3);
}

TEST(FoundationString, EditsClipAndRefuseBadRanges) {
    K4CString s("ab");
    s.append(static_cast<const char*>(nullptr));
    s.appendSubstring(nullptr, 0, 5);
    s.appendSubstring("hello", 1, 3);
    s.appendSubstring("xyz", 1, 100); // fewer when the text ends earlier
    s.appendSubstring("xyz", 50, 2);  // offset beyond the end: nothing, no overread
    EXPECT_STREQ(s.getText(), "abellyz");
    expectRefused(s, K4CERR_STR_ILLEGALARGUMENT, [&] { s.appendChar(0); });
    expectRefused(s, K4CERR_STR_OUTOFRANGE, [&] { s.appendSubstring("xyz", -1, 1); });

    s.assign("abcdef");
    s.erase(2, 2);
    s.erase(4, 1); // to not above from: nothing
    EXPECT_STREQ(s.getText(), "abcdef");
    s.erase(1, 3);
    EXPECT_STREQ(s.getText(), "adef");
    expectRefused(s, K4CERR_STR_OUTOFRANGE, [&] { s.erase(0, s.getLength() + 1); });
    expectRefused(s, K4CERR_STR_OUTOFRANGE, [&] { s.erase(-1, 2); });
    s.erase(0, s.getLength());
    EXPECT_STREQ(s.getText(), "");

    s.assign("  abc");
    EXPECT_EQ(s.trimLeft(), 2);
    s.assign(" ");
    EXPECT_EQ(s.trimLeft(), 1);
    EXPECT_STREQ(s.getText(), "");
    s.assign("\t a b \t\t");
    EXPECT_EQ(s.trimRight(), 3);
    char text[] = " \t a b \t";
    EXPECT_EQ(K4CString::trimBlanks(text), 5);
    EXPECT_STREQ(text, "a b");
    EXPECT_EQ(K4CString::trimBlanks(nullptr), 0);

    s.assign("AbZ[@`{\xC4\xE4");
    s.toLowerCase();
    EXPECT_STREQ(s.getText(), "abz[@`{\xC4\xE4");
}

TEST(FoundationString, PathsAndTheirComponents) {
    EXPECT_STREQ(K4CString("C:\\game", "data").getText(), "C:\\game\\data");
    EXPECT_STREQ(K4CString("C:\\game\\", "data").getText(), "C:\\game\\data");
    EXPECT_STREQ(K4CString("", "data").getText(), "data");
    K4CString s("data");
    s.appendPath("textures", true);
    s.appendPath("x.dds", false);
    EXPECT_STREQ(s.getText(), "data\\textures\\x.dds");
    EXPECT_EQ(s.countBackslashes(), 2);

    K4CString path("data\\textures\\");
    K4CString part("stale");
    path.getPathComponent(1, &part);
    EXPECT_STREQ(part.getText(), "textures");
    path.getPathComponent(-3, &part);
    EXPECT_STREQ(part.getText(), "");
    part.assign("kept");
    expectRefused(part, K4CERR_STR_OUTOFRANGE, [&] { path.getPathComponent(2, &part); });
    K4CString open("data\\textures");
    open.getPathComponent(0, &part);
    EXPECT_STREQ(part.getText(), "data");
    expectRefused(part, K4CERR_STR_OUTOFRANGE, [&] { open.getPathComponent(1, &part); });
    EXPECT_THROWS_CODE(open.getPathComponent(0, nullptr), K4CERR_STR_ILLEGALARGUMENT);
    K4CString rooted("\\a\\b\\");
    rooted.getPathComponent(2, &rooted); // into itself
    EXPECT_STREQ(rooted.getText(), "b");
}

TEST(FoundationString, ReadLineSkipsEmptyLinesAndRefusesNul) {
    std::string path = k4test::testFolder("foundation") + "\\lines.bin";
    k4test::writeFile(path, "a\r\n\r\nb\rc\n\n" + repeat(300, 'd') + std::string("\nx\0", 3));
    FILE* file = k4p::openFile(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    K4CString line;
    std::vector<std::string> lines;
    for (int i = 0; i < 4 && line.readLine(file); ++i) {
        lines.push_back(line.getText());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", repeat(300, 'd')}));
    EXPECT_THROWS_CODE(line.readLine(file), K4CERR_STR_ILLEGALARGUMENT);
    EXPECT_FALSE(line.readLine(file));
    EXPECT_STREQ(line.getText(), "");
    std::fclose(file);
}
