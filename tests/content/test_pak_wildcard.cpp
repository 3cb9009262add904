// The pak registry's pattern match, case by case. Parts are never retried, so
// no pattern can make it backtrack.
#include "content/pak_wildcard.h"

#include "foundation/errors.h"
#include "tests/content/content_test_support.h"

TEST(ContentPakWildcard, MatchesAsTheRegistryDefinesIt) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    };
    // clang-format off
    const Case cases[] = {
        {"brick.dds", "brick.dds", true}, {"brick.dds", "brick.dd", false},
        {"brick.dd", "brick.dds", false}, {"br?ck.dds", "brick.dds", true},
        {"br?ck.dds", "brick.dd", false}, {"br?ck.dds", "brck.dds", false},
        {"??", "ab", true}, {"??", "a", false},
        {"*brick*.dds", "redbrick01.dds", true}, {"*brick*.dds", "redbrick01.tga", false},
        {"a**b.dds", "ab.dds", true}, {"a*b.dds", "axxb.dds", true}, {"*ck*", "brick.dds", true},
        {"*", "", true}, {"*", "anything", true}, {"**", "x", true},
        {"x*", "x", true}, {"x*", "yx", false}, {"", "", true}, {"", "a", false},
        // Each part is taken at its first occurrence, never retried later.
        {"*.dds", "x.dds", true}, {"*.dds", "x.dds.dds", false}, {"*b", "abab", false},
        // "?" before the first star is a wildcard, after it a plain character.
        {"?*", "a", true}, {"?*", "", false}, {"*?", "ab", false}, {"*?", "a?", true},
        {"b?*k", "brick", true}, {"b*?k", "brick", false}, {"b?*ck", "brick", true},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(k4qbWildcardMatch(c.pattern, c.text), c.match)
            << "'" << c.pattern << "' against '" << c.text << "'";
    }
    EXPECT_FALSE(k4qbWildcardMatch("*", nullptr));
    EXPECT_THROWS_CODE(k4qbWildcardMatch(nullptr, "x"), K4CERR_STR_ILLEGALARGUMENT);
}
