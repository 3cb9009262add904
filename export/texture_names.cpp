// The folder kinds, the name rule of each and the names of the rules and
// severities (see texture_check.h).
#include "export/texture_check.h"

#include "export/output_names.h"
#include "foundation/k4cstring.h"

#include <algorithm>
#include <cstring>

namespace k4export {

namespace {

char lowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text` begins with `prefix`, ASCII case ignored.
bool startsNoCase(const char* text, const char* prefix) {
    for (; *prefix != 0; ++text, ++prefix) {
        if (lowerChar(*text) != *prefix) {
            return false;
        }
    }
    return true;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where a trailing "_v" and digits begin in `base`, or npos.
size_t frameSuffixAt(const std::string& base) {
    size_t digits = base.size();
    while (digits > 0 && isDigit(base[digits - 1])) {
        --digits;
    }
    if (digits == base.size() || digits < 2 || base.compare(digits - 2, 2, "_v") != 0) {
        return std::string::npos;
    }
    return digits - 2;
}

const char kBackdropThumbnailPrefix[] = "th_";

} // namespace

TextureKind textureKind(const char* path) {
    if (!startsNoCase(path, kTextureRoot)) {
        return TextureKind::Outside;
    }
    const char* rest = path + std::strlen(kTextureRoot);
    if (startsNoCase(rest, "overlays\\overlay_thumbnails\\")) {
        return TextureKind::OverlayThumbnail;
    }
    if (startsNoCase(rest, "thumbs\\backdrops\\")) {
        return TextureKind::BackdropThumbnail;
    }
    if (startsNoCase(rest, "overlays\\")) {
        return TextureKind::Overlay;
    }
    if (startsNoCase(rest, "backdrops\\")) {
        return TextureKind::Backdrop;
    }
    return TextureKind::Texture;
}

int32_t kindType(TextureKind kind) {
    switch (kind) {
    case TextureKind::Overlay:
    case TextureKind::OverlayThumbnail:
        return kStaticOverlays;
    case TextureKind::Backdrop:
    case TextureKind::BackdropThumbnail:
        return kBackdrops;
    default:
        return kTextures;
    }
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = lowerChar(c);
    }
    return text;
}

std::string exportName(TextureKind kind, const char* name) {
    if (kind == TextureKind::BackdropThumbnail) {
        const bool prefixed = startsNoCase(name, kBackdropThumbnailPrefix);
        const std::string owner = exportName(TextureKind::Backdrop, prefixed ? name + 3 : name);
        return owner.empty() ? owner : kBackdropThumbnailPrefix + owner;
    }
    const bool overlay = kind == TextureKind::Overlay || kind == TextureKind::OverlayThumbnail;
    const char* prefix = typePrefix(kindType(kind));
    // The base: the name before its last ".", in the export's characters.
    const char* dot = std::strrchr(name, '.');
    K4CString sanitised;
    sanitised.appendSubstring(
        name, 0, static_cast<int32_t>(dot != nullptr ? dot - name : std::strlen(name)));
    sanitiseName(&sanitised);
    std::string middle = sanitised.getText();
    if (middle.compare(0, std::strlen(prefix), prefix) == 0) {
        middle.erase(0, std::strlen(prefix));
    }
    std::string suffix;
    if (overlay) {
        const size_t at = frameSuffixAt(middle);
        suffix = at == std::string::npos ? "_v00" : middle.substr(at);
        if (suffix.size() == 3) {
            suffix.insert(2, "0"); // the export pads frame numbers to two digits at least
        }
        middle.erase(at == std::string::npos ? middle.size() : at);
    }
    const size_t fixed = std::strlen(prefix) + suffix.size() + std::strlen(".dds");
    if (fixed > static_cast<size_t>(kMaxNameLength) || (middle.empty() && fixed == 4)) {
        return std::string(); // no room, or a bare ".dds"
    }
    middle.resize(std::min(middle.size(), static_cast<size_t>(kMaxNameLength) - fixed));
    return prefix + middle + suffix + ".dds";
}

const char* severityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

const char* ruleName(CheckRule rule) {
    switch (rule) {
    case CheckRule::Unreadable:
        return "unreadable";
    case CheckRule::InvalidName:
        return "invalid-name";
    case CheckRule::Link:
        return "link";
    case CheckRule::Format:
        return "format";
    case CheckRule::Size:
        return "size";
    case CheckRule::Levels:
        return "levels";
    case CheckRule::Series:
        return "series";
    case CheckRule::SeriesGap:
        return "series-gap";
    case CheckRule::Name:
        return "name";
    case CheckRule::Thumbnail:
        return "thumbnail";
    case CheckRule::Orphan:
        return "orphan-thumbnail";
    }
    return "unknown";
}

Severity ruleSeverity(CheckRule rule) {
    switch (rule) {
    case CheckRule::Link:
    case CheckRule::Name:
    case CheckRule::Thumbnail:
    case CheckRule::Orphan:
        return Severity::Warning;
    default:
        return Severity::Error;
    }
}

} // namespace k4export
