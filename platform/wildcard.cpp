// Case-insensitive "*" and "?" matching of whole names, the rule Windows
// applies to folder listings.
#include "platform/platform.h"

namespace k4p {

namespace {
char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
} // namespace

bool wildcardMatchNoCase(const char* pattern, const char* name) {
    if (pattern == nullptr || name == nullptr) {
        return false;
    }
    // Iterative, with one backtrack point: never exponential on patterns such
    // as "*a*a*a*b".
    const char* p = pattern;
    const char* n = name;
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p == '?' || (*p && lowerAscii(*p) == lowerAscii(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*') {
        ++p;
    }
    return *p == 0;
}

} // namespace k4p
