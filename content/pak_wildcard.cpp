// The pak registry's pattern match (see pak_wildcard.h).
#include "content/pak_wildcard.h"

#include "foundation/errors.h"

#include <cstring>

namespace {

// The part [p, pEnd) against the start of text, "?" matching any character.
bool matchesAt(const char* p, const char* pEnd, const char* text) {
    for (; p < pEnd; ++p, ++text) {
        if (*text == 0 || (*p != '?' && *p != *text)) {
            return false;
        }
    }
    return true;
}

// First occurrence of the plain part [p, pEnd) in text, or null.
const char* findPart(const char* text, const char* p, const char* pEnd) {
    const size_t length = static_cast<size_t>(pEnd - p);
    for (; *text != 0; ++text) {
        if (std::strncmp(text, p, length) == 0) {
            return text;
        }
    }
    return nullptr;
}

} // namespace

bool k4qbWildcardMatch(const char* pattern, const char* text) {
    if (pattern == nullptr) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    if (text == nullptr) {
        return false;
    }
    const char* star = std::strchr(pattern, '*');
    if (star == nullptr) {
        return std::strlen(pattern) == std::strlen(text) &&
               matchesAt(pattern, pattern + std::strlen(pattern), text);
    }
    if (!matchesAt(pattern, star, text)) {
        return false;
    }
    const char* rest = text + (star - pattern);
    const char* part = star + 1;
    while (*part != 0) {
        const char* end = std::strchr(part, '*');
        if (end == nullptr) {
            end = part + std::strlen(part);
        }
        if (end > part) {
            const char* found = findPart(rest, part, end);
            if (found == nullptr) {
                return false;
            }
            rest = found + (end - part);
        }
        if (*end == 0) {
            return *rest == 0; // the pattern ends with a part, not a star
        }
        part = end + 1;
    }
    return true; // the pattern ends with "*": any rest matches
}
