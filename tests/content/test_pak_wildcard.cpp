// The pak registry's pattern match, case by case.
#include "content/pak_wildcard.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

TEST(ContentPakWildcard, MatchesAsTheRegistryDefinesIt) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    };
    const Case cases[] = {
        {"brick.dds", "brick.dds", true},
        {"brick.dds", "brick.dd", false},
        {"brick.dd", "brick.dds", false},
        {"br?ck.dds", "brick.dds", true},
        {"br?ck.dds", "brick.dd", false},
        {"br?ck.dds", "brck.dds", false},
        {"??", "ab", true},
        {"??", "a", false},
        {"*brick*.dds", "brick.dds", true},
        {"*brick*.dds", "redbrick01.dds", true},
        {"*brick*.dds", "redbrick01.tga", false},
        {"a**b.dds", "ab.dds", true},
        {"a**b.dds", "axxb.dds", true},
        {"a*b.dds", "axxb.dds", true},
        // Each part is taken at its first occurrence, never retried later.
        {"*.dds", "x.dds", true},
        {"*.dds", "x.dds.dds", false},
        {"*b", "abab", false},
        {"*", "", true},
        {"*", "anything", true},
        {"**", "x", true},
        {"x*", "x", true},
        {"x*", "yx", false},
        // "?" before the first star is a wildcard, after it a plain character.
        {"?*", "a", true},
        {"?*", "", false},
        {"*?", "ab", false},
        {"*?", "a?", true},
        {"b?*k", "brick", true},
        {"b*?k", "brick", false},
        {"b?*ck", "brick", true},
        {"", "", true},
        {"", "a", false},
        {"*ck*", "brick.dds", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(k4qbWildcardMatch(c.pattern, c.text), c.match)
            << "'" << c.pattern << "' against '" << c.text << "'";
    }
    EXPECT_FALSE(k4qbWildcardMatch("*", nullptr));
    EXPECT_THROWS_CODE(k4qbWildcardMatch(nullptr, "x"), K4CERR_STR_ILLEGALARGUMENT);
}

TEST(ContentPakWildcard, StaysLinearOnAdversarialPatterns) {
    std::string text(20000, 'a');
    std::string pattern;
    for (int i = 0; i < 500; ++i) {
        pattern += "*a";
    }
    pattern += "*b";
    EXPECT_FALSE(k4qbWildcardMatch(pattern.c_str(), text.c_str()));
    EXPECT_TRUE(
        k4qbWildcardMatch((pattern.substr(0, pattern.size() - 2) + "*").c_str(), text.c_str()));
}
