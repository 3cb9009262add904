// File names of exported textures (see output_names.h).
#include "export/output_names.h"

#include "content/pak_names.h"
#include "foundation/errors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_set>

namespace k4export {

namespace {

// Room for the base name of each type before the D digits are taken off, so
// that a name from a source file stays within 31 characters with ".dds".
constexpr int32_t kBaseRoom[kTypeCount] = {15, 17, 21, 27};

int32_t countDigits(int64_t n) {
    int32_t digits = 0;
    while (n > 0) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// "%d" padded on the left with "0" to `width` characters, never cut.
void appendPadded(K4CString* text, int64_t number, int32_t width) {
    char digits[24];
    int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(number));
    for (int i = length; i < width; ++i) {
        text->appendChar('0');
    }
    text->append(digits);
}

// The prefix and up to `room` characters of the base name (the part before
// the last "."), the source's own copy of the prefix skipped. True when the
// whole base fitted.
bool appendSourceBase(K4CString* out, const char* prefix, int32_t room, const char* name) {
    const size_t prefixLength = std::strlen(prefix);
    if (std::strncmp(name, prefix, prefixLength) == 0) {
        name += prefixLength;
    }
    const char* dot = std::strrchr(name, '.');
    const size_t baseLength = dot != nullptr ? static_cast<size_t>(dot - name) : std::strlen(name);
    out->append(prefix);
    out->appendSubstring(name, 0, static_cast<int32_t>(std::min<size_t>(baseLength, room)));
    return baseLength <= static_cast<size_t>(room);
}

// Removes "_v" and exactly `digits` decimal digits at the end.
void removeVersionSuffix(K4CString* name, int32_t digits) {
    const int32_t length = name->getLength();
    if (length < digits + 2) {
        return;
    }
    const char* text = name->getText();
    const int32_t at = length - digits - 2;
    if (text[at] != '_' || text[at + 1] != 'v') {
        return;
    }
    for (int32_t i = at + 2; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return;
        }
    }
    name->erase(at, length);
}

// One name as the type's rule makes it, with the source index appended
// `extraNumbers` times beyond the one a cut base gets.
void buildName(const ExportSettings& settings, int32_t sourceIndex, int32_t frameIndex,
               int32_t digits, int32_t extraNumbers, K4CString* name) {
    const int32_t type = checkedType(settings.type);
    const char* prefix = typePrefix(type);
    name->clear();
    int32_t numbers = extraNumbers;
    if (isBasedOnOriginal(settings.fileName)) {
        // All frames of an animated overlay share the first file's base.
        const int32_t source = type == kAnimatedOverlays ? 0 : sourceIndex;
        const int32_t room = std::max(0, kBaseRoom[type] - digits);
        if (!appendSourceBase(name, prefix, room, settings.files->getName(source)) &&
            type != kAnimatedOverlays) {
            ++numbers;
        }
    } else {
        const char* typed = settings.fileName != nullptr ? settings.fileName : "";
        if (std::strncmp(typed, prefix, std::strlen(prefix)) != 0) {
            name->append(prefix);
        }
        name->append(typed);
    }
    for (int32_t i = 0; i < numbers; ++i) {
        appendPadded(name, sourceIndex, digits);
    }
    if (type == kStaticOverlays || type == kAnimatedOverlays) {
        removeVersionSuffix(name, digits);
        name->append("_v");
        if (type == kStaticOverlays) {
            name->append("00");
        } else {
            appendPadded(name, frameNumber(settings, frameIndex), digits);
        }
    }
    sanitiseName(name);
    // An empty name or a device name ("con", "lpt1") would not make a file.
    if (k4qbCheckPakFileName(name->getText()) != nullptr) {
        name->appendChar('_');
    }
    name->append(".dds");
}

// The names of sources 0 to count - 1 in run order, each built into `name`
// and handed to `take`; a name an earlier file took gets the file's index
// appended (again) until it is free.
void buildDistinctNames(const ExportSettings& settings, int32_t count, int32_t frameIndex,
                        int32_t digits, K4CString* name,
                        const std::function<void(const K4CString&)>& take) {
    std::unordered_set<std::string> taken;
    for (int32_t i = 0; i < count; ++i) {
        int32_t extra = 0;
        buildName(settings, i, frameIndex, digits, extra, name);
        while (!taken.insert(name->getText()).second) {
            buildName(settings, i, frameIndex, digits, ++extra, name);
        }
        take(*name);
    }
}

} // namespace

void sanitiseName(K4CString* name) {
    name->toLowerCase();
    char* text = name->getBuffer();
    for (int32_t i = 0; i < name->getLength(); ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) {
            text[i] = '_';
        }
    }
}

bool isBasedOnOriginal(const char* text) {
    return text != nullptr && std::strcmp(text, kBasedOnOriginal) == 0;
}

int32_t digitWidth(const ExportSettings& settings) {
    const bool animated = checkedType(settings.type) == kAnimatedOverlays;
    int64_t n = settings.files != nullptr ? settings.files->getCount() : 0;
    if (animated && static_cast<int64_t>(settings.maxCount) - 1 > n) {
        n = static_cast<int64_t>(settings.maxCount) - 1;
    }
    return std::max(countDigits(n), animated ? 2 : 1);
}

int64_t frameNumber(const ExportSettings& settings, int32_t frameIndex) {
    const int64_t number = static_cast<int64_t>(frameIndex) + settings.start;
    const bool wraps = number >= settings.maxCount &&
                       (frameIndex < settings.maxCount || settings.start >= settings.maxCount);
    return wraps ? number - settings.maxCount : number;
}

void makeFileName(const ExportSettings& settings, int32_t sourceIndex, int32_t frameIndex,
                  K4CString* name) {
    const int32_t count = settings.files != nullptr ? settings.files->getCount() : 0;
    if (sourceIndex < 0 || sourceIndex >= count) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    const int32_t digits = digitWidth(settings);
    if (checkedType(settings.type) == kAnimatedOverlays) {
        buildName(settings, sourceIndex, frameIndex, digits, 0, name); // frame numbers differ
        return;
    }
    // The names of the files before this one, in run order, decide whether
    // this name is already taken.
    buildDistinctNames(settings, sourceIndex + 1, frameIndex, digits, name,
                       [](const K4CString&) {});
}

void makeFileNames(const ExportSettings& settings, int32_t count, std::vector<K4CString>* names) {
    const bool animated = checkedType(settings.type) == kAnimatedOverlays;
    const int32_t files = settings.files != nullptr ? settings.files->getCount() : 0;
    if (count < 0 || (animated ? count > 0 && files < 1 : count > files)) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    const int32_t digits = digitWidth(settings);
    K4CString name;
    names->clear();
    names->reserve(static_cast<size_t>(count));
    if (animated) {
        for (int32_t k = 0; k < count; ++k) {
            buildName(settings, 0, k, digits, 0, &name);
            names->push_back(name);
        }
        return;
    }
    buildDistinctNames(settings, count, 0, digits, &name,
                       [names](const K4CString& distinct) { names->push_back(distinct); });
}

} // namespace k4export
