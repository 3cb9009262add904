// K4CString: capacity and growth, editing, paths, line reading, number parsing.
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "test_support.h"

#include <climits>
#include <string>

namespace {

// Runs an operation that must throw `code` and leave `s` as it was.
template <typename F> void expectThrowsUnchanged(K4CString& s, const char* code, F operation) {
    std::string before = s.getText();
    int32_t capacity = s.getCapacity();
    try {
        operation();
        ADD_FAILURE() << "no error code thrown";
    } catch (const char* thrown) {
        EXPECT_TRUE(k4cIsError(thrown, code)) << thrown;
    }
    EXPECT_EQ(before, s.getText());
    EXPECT_EQ(static_cast<int32_t>(before.size()), s.getLength());
    EXPECT_EQ(capacity, s.getCapacity());
}

} // namespace

TEST(FoundationStringCapacity, FollowsTheLengthOfTheInitialText) {
    EXPECT_EQ(K4CString().getCapacity(), 127);
    EXPECT_EQ(K4CString(static_cast<const char*>(nullptr)).getCapacity(), 127);
    EXPECT_EQ(K4CString(std::string(126, 'x').c_str()).getCapacity(), 127);
    EXPECT_EQ(K4CString(std::string(127, 'x').c_str()).getCapacity(), 127);
    EXPECT_EQ(K4CString(std::string(128, 'x').c_str()).getCapacity(), 191);
    EXPECT_EQ(K4CString(std::string(191, 'x').c_str()).getCapacity(), 191);
    EXPECT_EQ(K4CString(std::string(192, 'x').c_str()).getCapacity(), 255);
    EXPECT_EQ(K4CString(std::string(200, 'x').c_str()).getCapacity(), 255);
}

TEST(FoundationStringCapacity, ExplicitCapacityUsesTheSameRuleAndMustBePositive) {
    EXPECT_EQ(K4CString(1).getCapacity(), 127);
    EXPECT_EQ(K4CString(1023).getCapacity(), 1023);
    EXPECT_EQ(K4CString(1024).getCapacity(), 1087);
    EXPECT_EQ(K4CString(1023).getLength(), 0);
    for (int32_t bad : {0, -1, INT32_MIN}) {
        try {
            K4CString s(bad);
            ADD_FAILURE() << bad;
        } catch (const char* code) {
            EXPECT_TRUE(k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT));
        }
    }
}

TEST(FoundationStringCapacity, CopiesKeepTheSourceCapacity) {
    K4CString source(1000);
    source.assign("abc");
    K4CString copy(source);
    EXPECT_EQ(copy.getCapacity(), source.getCapacity());
    EXPECT_STREQ(copy.getText(), "abc");
    K4CString fromPointer(&source);
    EXPECT_EQ(fromPointer.getCapacity(), source.getCapacity());
    try {
        K4CString fromNull(static_cast<const K4CString*>(nullptr));
        ADD_FAILURE();
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT));
    }
}

TEST(FoundationStringGrowth, DoublesAndRoundsUpToSixteen) {
    K4CString full(std::string(127, 'a').c_str());
    full.appendChar('b');
    EXPECT_EQ(full.getCapacity(), 255);
    EXPECT_EQ(full.getLength(), 128);
    EXPECT_EQ(std::string(full.getText()), std::string(127, 'a') + "b");

    K4CString empty;
    empty.append(std::string(300, 'c').c_str());
    EXPECT_EQ(empty.getCapacity(), 303);
    EXPECT_EQ(empty.getLength(), 300);

    K4CString kept;
    kept.reserve(127);
    EXPECT_EQ(kept.getCapacity(), 127);
    kept.clear();
    kept.append(std::string(127, 'x').c_str());
    EXPECT_EQ(kept.getCapacity(), 127); // filling exactly needs no growth
}

TEST(FoundationStringGrowth, AppendingItsOwnTextSurvivesReallocation) {
    K4CString s(std::string(100, 'q').c_str());
    s.append(s); // the source buffer is freed by the growth
    EXPECT_EQ(std::string(s.getText()), std::string(200, 'q'));
    s.assign("abcdef");
    s.append(s.getText() + 3);
    EXPECT_STREQ(s.getText(), "abcdefdef");
    s.assign(s.getText() + 6); // a tail of itself
    EXPECT_STREQ(s.getText(), "def");
    EXPECT_EQ(s.getLength(), 3);
}

TEST(FoundationStringEdit, AppendVariantsHandleNullAndClipping) {
    K4CString s("ab");
    s.append(static_cast<const char*>(nullptr));
    s.appendSubstring(nullptr, 0, 5);
    EXPECT_STREQ(s.getText(), "ab");
    s.appendSubstring("hello", 1, 3);
    EXPECT_STREQ(s.getText(), "abell");
    s.appendSubstring("xyz", 1, 100); // fewer when the text ends earlier
    EXPECT_STREQ(s.getText(), "abellyz");
    s.appendSubstring("xyz", 50, 2); // offset beyond the end: nothing, no overread
    EXPECT_STREQ(s.getText(), "abellyz");
    expectThrowsUnchanged(s, K4CERR_STR_ILLEGALARGUMENT, [&] { s.appendChar(0); });
    expectThrowsUnchanged(s, K4CERR_STR_OUTOFRANGE, [&] { s.appendSubstring("xyz", -1, 1); });
    s.assign(static_cast<const char*>(nullptr));
    EXPECT_STREQ(s.getText(), "");
}

TEST(FoundationStringEdit, EraseRanges) {
    K4CString s("abcdef");
    s.erase(2, 2);
    EXPECT_STREQ(s.getText(), "abcdef");
    s.erase(4, 1); // to not above from: nothing
    EXPECT_STREQ(s.getText(), "abcdef");
    s.erase(1, 3);
    EXPECT_STREQ(s.getText(), "adef");
    expectThrowsUnchanged(s, K4CERR_STR_OUTOFRANGE, [&] { s.erase(0, s.getLength() + 1); });
    expectThrowsUnchanged(s, K4CERR_STR_OUTOFRANGE, [&] { s.erase(-1, 2); });
    s.erase(0, s.getLength());
    EXPECT_STREQ(s.getText(), "");
    EXPECT_EQ(s.getLength(), 0);
}

TEST(FoundationStringEdit, TrimmingCountsSpacesAndTabs) {
    K4CString s("  abc");
    EXPECT_EQ(s.trimLeft(), 2);
    EXPECT_STREQ(s.getText(), "abc");
    s.assign(" ");
    EXPECT_EQ(s.trimLeft(), 1);
    EXPECT_STREQ(s.getText(), "");
    s.assign("\t a b \t\t");
    EXPECT_EQ(s.trimRight(), 3);
    EXPECT_EQ(s.trimLeft(), 2);
    EXPECT_STREQ(s.getText(), "a b");
    s.assign("\r\nx"); // only spaces and tabs are blanks
    EXPECT_EQ(s.trimLeft(), 0);

    char text[] = " \t a b \t";
    EXPECT_EQ(K4CString::trimBlanks(text), 5);
    EXPECT_STREQ(text, "a b");
    char blanks[] = "   ";
    EXPECT_EQ(K4CString::trimBlanks(blanks), 3);
    EXPECT_STREQ(blanks, "");
    EXPECT_EQ(K4CString::trimBlanks(nullptr), 0);
}

TEST(FoundationStringEdit, LowerCaseTouchesOnlyAsciiLetters) {
    K4CString s("AbZ[@`{\xC4\xE4");
    s.toLowerCase();
    EXPECT_STREQ(s.getText(), "abz[@`{\xC4\xE4");
}

TEST(FoundationStringPath, BuildsWithSingleBackslashes) {
    EXPECT_STREQ(K4CString("C:\\game", "data").getText(), "C:\\game\\data");
    EXPECT_STREQ(K4CString("C:\\game\\", "data").getText(), "C:\\game\\data");
    EXPECT_STREQ(K4CString("", "data").getText(), "data");
    EXPECT_STREQ(K4CString(K4CString("a"), K4CString("b")).getText(), "a\\b");

    K4CString s("data");
    s.appendPath("textures", true);
    EXPECT_STREQ(s.getText(), "data\\textures\\");
    s.appendPath("x.dds", false);
    EXPECT_STREQ(s.getText(), "data\\textures\\x.dds");
    K4CString t("a\\");
    t.appendPath("b\\", true);
    EXPECT_STREQ(t.getText(), "a\\b\\");
    EXPECT_EQ(t.countBackslashes(), 2);
}

TEST(FoundationStringPath, ComponentsNeedAClosingBackslash) {
    K4CString path("data\\textures\\");
    K4CString part("stale");
    path.getPathComponent(0, &part);
    EXPECT_STREQ(part.getText(), "data");
    path.getPathComponent(1, &part);
    EXPECT_STREQ(part.getText(), "textures");
    path.getPathComponent(-3, &part);
    EXPECT_STREQ(part.getText(), "");
    part.assign("kept");
    expectThrowsUnchanged(part, K4CERR_STR_OUTOFRANGE, [&] { path.getPathComponent(2, &part); });

    K4CString open("data\\textures");
    expectThrowsUnchanged(part, K4CERR_STR_OUTOFRANGE, [&] { open.getPathComponent(1, &part); });
    try {
        open.getPathComponent(0, nullptr);
        ADD_FAILURE();
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT));
    }

    K4CString rooted("\\a\\b\\");
    rooted.getPathComponent(0, &part);
    EXPECT_STREQ(part.getText(), "");
    rooted.getPathComponent(2, &rooted); // into itself
    EXPECT_STREQ(rooted.getText(), "b");
}

TEST(FoundationStringReadLine, SkipsEmptyLinesAndEndsAtAnyBreak) {
    std::string path = k4test::scratchFolder() + "\\lines.bin";
    k4test::writeFile(path, "a\r\n\r\nb\rc\n\n" + std::string(300, 'd'));
    FILE* file = k4p::openFile(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    K4CString line;
    std::vector<std::string> lines;
    while (line.readLine(file)) {
        lines.push_back(line.getText());
    }
    EXPECT_STREQ(line.getText(), "");
    EXPECT_FALSE(line.readLine(file));
    std::fclose(file);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", std::string(300, 'd')}));
}

TEST(FoundationStringReadLine, ANulByteIsAnError) {
    std::string path = k4test::scratchFolder() + "\\zero-byte.bin";
    k4test::writeFile(path, std::string("ok\nx\0y\n", 7));
    FILE* file = k4p::openFile(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    K4CString line;
    EXPECT_TRUE(line.readLine(file));
    EXPECT_STREQ(line.getText(), "ok");
    try {
        line.readLine(file);
        ADD_FAILURE();
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT));
    }
    std::fclose(file);
    try {
        line.readLine(nullptr);
        ADD_FAILURE();
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT));
    }
}

TEST(FoundationParseInt, BaseZeroWithDefaultAndSaturation) {
    EXPECT_EQ(k4cParseInt("0x1F", -1), 31);
    EXPECT_EQ(k4cParseInt("0X1f", -1), 31);
    EXPECT_EQ(k4cParseInt("010", -1), 8);
    EXPECT_EQ(k4cParseInt("12abc", -1), 12);
    EXPECT_EQ(k4cParseInt("  -7", -1), -7);
    EXPECT_EQ(k4cParseInt("0", -1), 0);
    EXPECT_EQ(k4cParseInt("abc", -1), -1);
    EXPECT_EQ(k4cParseInt("", -1), -1);
    EXPECT_EQ(k4cParseInt("-", -1), -1);
    EXPECT_EQ(k4cParseInt(nullptr, -1), -1);
    // Saturated to 32 bits in both builds (long is 64 bits natively).
    EXPECT_EQ(k4cParseInt("99999999999", 0), INT32_MAX);
    EXPECT_EQ(k4cParseInt("-99999999999", 0), INT32_MIN);
    EXPECT_EQ(k4cParseInt("2147483647", 0), INT32_MAX);
    EXPECT_EQ(k4cParseInt("-2147483648", 0), INT32_MIN);
}
