// The check of a folder's textures and the fix actions for what it finds
// (see texture_check.h): each file against its folder's type, then the
// overlay series, the thumbnails, and one fix action per file to rewrite.
#include "export/texture_check.h"

#include "codec/image.h"
#include "codec/loader.h"
#include "content/pak_names.h"
#include "export/output_paths.h"
#include "foundation/k4cstring.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace k4export {

namespace {

size_t nameStart(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? 0 : cut + 1;
}

bool isPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

bool isOfferedFormat(Format format) {
    for (int32_t i = 0; i < kFormatCount; ++i) {
        if (formatFromIndex(i) == format) {
            return true;
        }
    }
    return false;
}

std::string sizeText(uint32_t width, uint32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string formatText(Format format) {
    const char* name = k4codec::formatName(format);
    return name != nullptr ? name : "an unknown format";
}

// The levels the export writes for a type at a size.
uint32_t typeLevels(int32_t type, uint32_t width, uint32_t height) {
    return typeLevelCount(type) == 1 ? 1 : k4codec::fullMipCount(width, height);
}

std::string levelsText(uint32_t levels) {
    return std::to_string(levels) + (levels == 1 ? " mip level" : " mip levels");
}

// The thumbnail path the export gives the output `name` of a type, relative
// to the install folder; empty when the name makes none.
std::string thumbnailPath(int32_t type, const std::string& name) {
    ExportSettings settings;
    settings.type = type;
    settings.folderSource = 1;
    settings.folder = typeGameFolder(type);
    settings.installPath = "."; // a stand-in install folder, cut off again below
    K4CString path;
    if (!makeThumbnailPath(settings, name.c_str(), &path)) {
        return std::string();
    }
    return path.getText() + 2;
}

// Why a name is not the export's, for the message.
std::string nameFaults(TextureKind kind, const std::string& name) {
    const size_t dot = name.find_last_of('.');
    const std::string base = name.substr(0, dot);
    std::vector<std::string> faults;
    if (dot == std::string::npos || name.compare(dot, std::string::npos, ".dds") != 0) {
        faults.push_back("extension not .dds");
    }
    if (std::any_of(base.begin(), base.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        faults.push_back("capital letters");
    }
    if (std::any_of(base.begin(), base.end(), [](char c) {
            return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '_');
        })) {
        faults.push_back("characters other than a-z, 0-9 and _");
    }
    const std::string prefix =
        kind == TextureKind::BackdropThumbnail ? std::string("th_bd_") : typePrefix(kindType(kind));
    if (lowered(base).compare(0, prefix.size(), prefix) != 0) {
        faults.push_back("no prefix " + prefix);
    }
    const std::string fixed = exportName(kind, lowered(base).c_str());
    if ((kind == TextureKind::Overlay || kind == TextureKind::OverlayThumbnail) &&
        fixed.size() >= 4 && lowered(base) + ".dds" != fixed &&
        lowered(base).find("_v") == std::string::npos) {
        faults.push_back("no frame suffix _vNN");
    }
    const size_t limit = kMaxNameLength + (kind == TextureKind::BackdropThumbnail ? 3 : 0);
    if (name.size() > limit) {
        faults.push_back("longer than " + std::to_string(limit) + " characters");
    }
    std::string text;
    for (const std::string& fault : faults) {
        text += (text.empty() ? "" : ", ") + fault;
    }
    return text.empty() ? std::string("not the export's name") : text;
}

// A file of the folder, read, that the export could have written.
struct Item {
    size_t file = 0;
    TextureKind kind = TextureKind::Texture;
    int32_t type = kTextures;
    std::string folder; // as spelt, with its backslash
    std::string name;   // as spelt
    std::string target; // the export's name; empty when none fits
    uint32_t width = 0, height = 0, levels = 1;
    Format format = k4codec::kFmtUnknown; // what the export writes for it
    bool replaces = false;      // takes the place of a game texture of that path: the game's name
    bool rewrite = false;       // the file itself is re-exported
    bool ownsThumbnail = false; // the export gives it a thumbnail
    bool thumbnailMissing = false;
    int32_t thumbnail = -1; // index in items_ of its thumbnail in the folder
    int32_t owner = -1;     // thumbnails: index in items_ of the texture they belong to
    bool covered = false;   // thumbnails: rewritten by their texture's action
    std::vector<size_t> findings;
};

struct Series {
    std::vector<int32_t> frames; // items of the folder
    std::set<int64_t> numbers;   // of the folder and the game
    size_t digits = 0;
};

class Checker {
public:
    Checker(const std::vector<CheckedFile>& files, const GameNames* game, CheckReport* report)
        : files_(files), game_(game), report_(report) {}

    void run() {
        report_->fileCount = static_cast<int32_t>(files_.size());
        occupied_.reserve(files_.size());
        items_.reserve(files_.size());
        for (size_t i = 0; i < files_.size(); ++i) {
            const CheckedFile& file = files_[i];
            occupied_.insert(lowered(file.path));
            if (file.state != FileState::Read) {
                notRead(file);
            } else if (textureKind(file.path.c_str()) != TextureKind::Outside) {
                addItem(i);
            }
        }
        for (size_t i = 0; i < items_.size(); ++i) {
            isThumbnail(items_[i]) ? checkThumbnailFile(i) : checkTexture(i);
        }
        checkSeries();
        findOwners();
        findThumbnails();
        planFixes();
        std::stable_sort(report_->findings.begin(), report_->findings.end(),
                         [](const Finding& a, const Finding& b) {
                             return a.path != b.path ? a.path < b.path : a.rule < b.rule;
                         });
    }

private:
    static bool isThumbnail(const Item& item) {
        return item.kind == TextureKind::OverlayThumbnail ||
               item.kind == TextureKind::BackdropThumbnail;
    }

    const CheckedFile& fileOf(const Item& item) const { return files_[item.file]; }

    size_t add(CheckRule rule, const std::string& path, const std::string& detail) {
        Finding finding;
        finding.severity = ruleSeverity(rule);
        finding.rule = rule;
        finding.path = path;
        finding.detail = detail;
        report_->findings.push_back(finding);
        return report_->findings.size() - 1;
    }

    void addTo(size_t item, CheckRule rule, const std::string& detail) {
        items_[item].findings.push_back(add(rule, fileOf(items_[item]).path, detail));
    }

    void notRead(const CheckedFile& file) {
        switch (file.state) {
        case FileState::Unreadable:
            add(CheckRule::Unreadable, file.path, file.problem);
            break;
        case FileState::InvalidName:
            add(CheckRule::InvalidName, file.path, "not a valid file name (" + file.problem + ")");
            break;
        default:
            add(CheckRule::Link, file.path,
                "a link, not followed: only what lies in the folder counts");
            break;
        }
    }

    void addItem(size_t file) {
        Item item;
        item.file = file;
        item.kind = textureKind(files_[file].path.c_str());
        item.type = kindType(item.kind);
        const size_t start = nameStart(files_[file].path);
        item.folder = files_[file].path.substr(0, start);
        item.name = files_[file].path.substr(start);
        item.replaces = game_ != nullptr && game_->count(lowered(files_[file].path)) > 0;
        item.target = item.replaces ? item.name : exportName(item.kind, item.name.c_str());
        items_.push_back(item);
    }

    // What the export writes in place of a texture, and where the file
    // differs from it.
    void checkTexture(size_t index) {
        Item& item = items_[index];
        const TextureHeader& header = fileOf(item).header;
        const bool offered = header.dds && header.plain && isOfferedFormat(header.format);
        const SourceDesc loaded{k4codec::roundUpToPowerOfTwo(header.width),
                                k4codec::roundUpToPowerOfTwo(header.height), header.loadedFormat};
        item.format = offered ? header.format : chooseFormat(kBestMatch, loaded);
        const bool sized = isPowerOfTwo(header.width) && isPowerOfTwo(header.height);
        const OutputSize size = sized ? OutputSize{header.width, header.height}
                                      : outputSize(item.type, ownSizeIndex(item.type), loaded);
        item.width = size.width;
        item.height = size.height;
        item.levels = typeLevels(item.type, size.width, size.height);
        const std::string written = sizeText(item.width, item.height) + " " +
                                    formatText(item.format) + ", " + levelsText(item.levels);
        if (!header.dds) {
            addTo(index, CheckRule::Format,
                  header.formatText + " file, not DDS; the export writes " +
                      (item.target.empty() ? item.name : item.target) + " as " + written);
            item.rewrite = true;
            return;
        }
        if (!header.plain) {
            addTo(index, CheckRule::Format,
                  "a cube map or volume, not a 2D texture; the export writes " + written);
        } else if (!offered) {
            addTo(index, CheckRule::Format,
                  header.formatText + " is not one of the twelve formats; the export writes " +
                      formatText(item.format));
        }
        if (!sized) {
            addTo(index, CheckRule::Size,
                  sizeText(header.width, header.height) +
                      ": sides not powers of two; the export writes " +
                      sizeText(item.width, item.height));
        }
        const uint32_t levels = typeLevels(item.type, header.width, header.height);
        if (header.levels != levels) {
            addTo(index, CheckRule::Levels,
                  levelsText(header.levels) + "; the export writes " +
                      (levels == 1 ? std::string("1 for overlays")
                                   : "the full chain of " + std::to_string(levels)));
        }
        item.rewrite = !item.findings.empty();
        checkName(index);
    }

    void checkName(size_t index) {
        Item& item = items_[index];
        if (item.target == item.name) {
            return;
        }
        addTo(index, CheckRule::Name,
              nameFaults(item.kind, item.name) + "; the export writes " +
                  (item.target.empty() ? std::string("no name of the rule for it") : item.target));
        item.rewrite = true;
    }

    void checkThumbnailFile(size_t index) {
        Item& item = items_[index];
        const TextureHeader& header = fileOf(item).header;
        item.width = item.height = kThumbnailSize;
        item.format = kThumbnailFormat;
        if (!header.dds || !header.plain || header.format != kThumbnailFormat) {
            addTo(index, CheckRule::Format,
                  (header.dds ? header.formatText : header.formatText + " file") +
                      "; the export writes thumbnails as DXT5 DDS files");
        }
        if (header.dds && (header.width != kThumbnailSize || header.height != kThumbnailSize)) {
            addTo(index, CheckRule::Size,
                  sizeText(header.width, header.height) + "; the export writes thumbnails " +
                      sizeText(kThumbnailSize, kThumbnailSize));
        }
        if (header.dds && header.levels != 1) {
            addTo(index, CheckRule::Levels,
                  levelsText(header.levels) + "; the export writes thumbnails with 1");
        }
        item.rewrite = !item.findings.empty();
        checkName(index);
    }

    // Overlays of one base and digit count form a series.
    void checkSeries() {
        std::map<std::string, Series> series;
        for (size_t i = 0; i < items_.size(); ++i) {
            std::string key;
            int64_t number = 0;
            if (items_[i].kind == TextureKind::Overlay &&
                frameOf(items_[i].folder, items_[i].target, &key, &number)) {
                Series& one = series[key];
                one.frames.push_back(static_cast<int32_t>(i));
                one.numbers.insert(number);
                one.digits = items_[i].target.size() - items_[i].target.find_last_of('v') - 5;
            }
        }
        if (game_ != nullptr && !series.empty()) {
            for (const std::string& path : *game_) {
                std::string key;
                int64_t number = 0;
                const size_t start = nameStart(path);
                if (textureKind(path.c_str()) == TextureKind::Overlay &&
                    frameOf(path.substr(0, start), path.substr(start), &key, &number)) {
                    const auto found = series.find(key);
                    if (found != series.end()) {
                        found->second.numbers.insert(number);
                    }
                }
            }
        }
        for (auto& entry : series) {
            checkOneSeries(&entry.second);
        }
        for (Item& item : items_) {
            item.ownsThumbnail =
                item.ownsThumbnail || (item.kind == TextureKind::Backdrop && !item.replaces);
        }
    }

    // The series key and frame number of an export name of an overlay.
    static bool frameOf(const std::string& folder, const std::string& target, std::string* key,
                        int64_t* number) {
        if (target.size() < 8 || exportName(TextureKind::Overlay, target.c_str()) != target) {
            return false;
        }
        const size_t v = target.find_last_of('v');
        const std::string digits = target.substr(v + 1, target.size() - v - 5);
        if (digits.size() > 9) {
            return false; // no export numbers frames that far
        }
        *key = lowered(folder) + target.substr(0, v + 1) + "#" + std::to_string(digits.size());
        *number = std::stoll(digits);
        return true;
    }

    static std::string frameText(int64_t number, size_t digits) {
        std::string text = std::to_string(number);
        return std::string(digits > text.size() ? digits - text.size() : 0, '0') + text;
    }

    void checkOneSeries(Series* series) {
        std::sort(series->frames.begin(), series->frames.end(),
                  [this](int32_t a, int32_t b) { return items_[a].target < items_[b].target; });
        // The first number: the lowest, or after a wrap the start of the
        // upper run, which ends at the largest number of the digits.
        const std::vector<int64_t> numbers(series->numbers.begin(), series->numbers.end());
        int64_t largest = 1;
        for (size_t i = 0; i < series->digits; ++i) {
            largest *= 10;
        }
        std::vector<size_t> breaks;
        for (size_t i = 1; i < numbers.size(); ++i) {
            if (numbers[i] != numbers[i - 1] + 1) {
                breaks.push_back(i);
            }
        }
        const bool wrapped =
            breaks.size() == 1 && numbers.front() == 0 && numbers.back() == largest - 1;
        const int64_t first = wrapped ? numbers[breaks[0]] : numbers.front();
        const int32_t firstItem = frameItem(*series, first);
        const int32_t reported = firstItem >= 0 ? firstItem : series->frames.front();
        if (!wrapped && !breaks.empty()) {
            std::string missing;
            size_t count = 0;
            for (size_t b : breaks) {
                for (int64_t n = numbers[b - 1] + 1; n < numbers[b]; ++n, ++count) {
                    if (count < 8) {
                        missing += (missing.empty() ? "" : ", ") + frameText(n, series->digits);
                    }
                }
            }
            const Item& item = items_[reported];
            addTo(reported, CheckRule::SeriesGap,
                  "frames of " + item.target.substr(0, item.target.find_last_of('v') + 1) +
                      std::string(series->digits, 'N') + " missing: " + missing +
                      (count > 8 ? " and " + std::to_string(count - 8) + " more" : "") +
                      " (frames " + frameText(numbers.front(), series->digits) + " to " +
                      frameText(numbers.back(), series->digits) + ")");
        }
        if (firstItem >= 0 && !items_[firstItem].replaces) {
            items_[firstItem].ownsThumbnail = true;
        }
        matchSeries(*series);
    }

    int32_t frameItem(const Series& series, int64_t number) const {
        for (int32_t frame : series.frames) {
            std::string key;
            int64_t n = 0;
            if (frameOf(items_[frame].folder, items_[frame].target, &key, &n) && n == number) {
                return frame;
            }
        }
        return -1;
    }

    static std::string frameKey(const Item& item) {
        return sizeText(item.width, item.height) + " " + formatText(item.format);
    }

    // Every frame the export writes for one series has the same size and
    // format: the most common among the frames (the first frame's on a tie).
    void matchSeries(const Series& series) {
        if (series.frames.size() < 2) {
            return;
        }
        std::map<std::string, int32_t> votes;
        std::string best;
        for (int32_t frame : series.frames) {
            const std::string key = frameKey(items_[frame]);
            if (++votes[key] > (best.empty() ? 0 : votes[best])) {
                best = key;
            }
        }
        const Item reference = items_[static_cast<size_t>(
            *std::find_if(series.frames.begin(), series.frames.end(),
                          [&](int32_t frame) { return frameKey(items_[frame]) == best; }))];
        for (int32_t frame : series.frames) {
            Item& item = items_[frame];
            const std::string key = frameKey(item);
            if (key == best) {
                continue;
            }
            addTo(frame, CheckRule::Series,
                  key + " in a series of " + best + " frames; the export writes every frame " +
                      best);
            item.width = reference.width;
            item.height = reference.height;
            item.format = reference.format;
            item.levels = 1;
            item.rewrite = true;
        }
    }

    // The texture each thumbnail of the folder belongs to.
    void findOwners() {
        std::unordered_map<std::string, int32_t> owners; // lowered "type:name" -> item
        for (size_t i = 0; i < items_.size(); ++i) {
            const Item& item = items_[i];
            if (!isThumbnail(item) && item.type != kTextures) {
                for (const std::string& name : {lowered(item.name), item.target}) {
                    owners.emplace(ownerKey(item.type, name), static_cast<int32_t>(i));
                }
            }
        }
        std::unordered_set<std::string> gameOwners;
        const GameNames none;
        for (const std::string& path : game_ != nullptr ? *game_ : none) {
            const TextureKind kind = textureKind(path.c_str());
            if (kind == TextureKind::Overlay || kind == TextureKind::Backdrop) {
                gameOwners.insert(ownerKey(kindType(kind), path.substr(nameStart(path))));
            }
        }
        for (Item& item : items_) {
            if (!isThumbnail(item)) {
                continue;
            }
            std::string name = lowered(item.name);
            const bool backdrop = item.kind == TextureKind::BackdropThumbnail;
            if (backdrop && name.compare(0, 3, "th_") != 0) {
                name.clear(); // a backdrop thumbnail is "th_" and its backdrop's name
            } else if (backdrop) {
                name.erase(0, 3);
            }
            const auto found = owners.find(ownerKey(item.type, name));
            if (found != owners.end()) {
                item.owner = found->second;
            }
            const bool known = found != owners.end() ||
                               (!name.empty() && gameOwners.count(ownerKey(item.type, name)) > 0);
            if (!known) {
                addToItem(item, CheckRule::Orphan,
                          backdrop ? "no backdrop " + name + " in the folder or the game"
                                   : "no overlay of that name in the folder or the game");
            }
        }
    }

    void addToItem(Item& item, CheckRule rule, const std::string& detail) {
        addTo(static_cast<size_t>(&item - items_.data()), rule, detail);
    }

    static std::string ownerKey(int32_t type, const std::string& name) {
        return std::to_string(type) + ":" + name;
    }

    // Whether each texture that the export gives a thumbnail has one, in
    // the folder or in the game.
    void findThumbnails() {
        std::unordered_map<std::string, int32_t> thumbnails;
        for (size_t i = 0; i < items_.size(); ++i) {
            if (isThumbnail(items_[i])) {
                thumbnails.emplace(lowered(fileOf(items_[i]).path), static_cast<int32_t>(i));
            }
        }
        for (size_t i = 0; i < items_.size(); ++i) {
            Item& item = items_[i];
            if (!item.ownsThumbnail) {
                continue;
            }
            bool present = false;
            for (const std::string& name : {lowered(item.name), item.target}) {
                const std::string path = thumbnailPath(item.type, name);
                const auto found = thumbnails.find(path);
                if (found != thumbnails.end()) {
                    item.thumbnail = found->second;
                    present = true;
                    break;
                }
                present = present || (!path.empty() && game_ != nullptr && game_->count(path) > 0);
            }
            if (!present) {
                item.thumbnailMissing = true;
                addTo(i, CheckRule::Thumbnail,
                      "no thumbnail " +
                          thumbnailPath(item.type,
                                        item.target.empty() ? lowered(item.name) : item.target) +
                          "; the export writes one of 64x64 DXT5");
            }
        }
    }

    // One action per texture to rewrite or give a thumbnail, one per
    // thumbnail to rewrite that its texture's action does not cover.
    void planFixes() {
        for (size_t i = 0; i < items_.size(); ++i) {
            Item& item = items_[i];
            if (isThumbnail(item)) {
                continue;
            }
            const Item* thumbnail = item.thumbnail >= 0 ? &items_[item.thumbnail] : nullptr;
            const bool renamed = item.rewrite && item.target != item.name;
            const bool thumbnailOut =
                item.ownsThumbnail &&
                (item.thumbnailMissing || renamed || (thumbnail != nullptr && thumbnail->rewrite));
            if (!item.rewrite && !thumbnailOut) {
                continue;
            }
            FixAction action;
            action.source = fileOf(item).path;
            if (item.rewrite) {
                action.outputs.push_back({item.folder + item.target, item.width, item.height,
                                          item.levels, item.format, 1.0f, false});
                action.originals.push_back(fileOf(item).path);
            }
            if (thumbnailOut) {
                action.outputs.push_back(thumbnailOutput(item.type, item.target));
                if (thumbnail != nullptr) {
                    action.originals.push_back(fileOf(*thumbnail).path);
                }
            }
            std::vector<size_t> findings = item.findings;
            if (thumbnail != nullptr && thumbnailOut) {
                items_[item.thumbnail].covered = true;
                findings.insert(findings.end(), thumbnail->findings.begin(),
                                thumbnail->findings.end());
            }
            accept(action, findings, item.target.empty());
        }
        for (Item& item : items_) {
            if (!isThumbnail(item) || !item.rewrite || item.covered) {
                continue;
            }
            const Item* owner = item.owner >= 0 ? &items_[item.owner] : nullptr;
            std::string ownerName = owner != nullptr ? owner->target : item.target;
            if (owner == nullptr && item.kind == TextureKind::BackdropThumbnail &&
                ownerName.size() > 3) {
                ownerName.erase(0, 3);
            }
            FixAction action;
            action.source = owner != nullptr ? fileOf(*owner).path : fileOf(item).path;
            action.outputs.push_back(thumbnailOutput(item.type, ownerName));
            if (owner == nullptr) {
                action.outputs.back().bandAspect = 1.0f; // the thumbnail's own band
            }
            action.originals.push_back(fileOf(item).path);
            std::vector<size_t> findings = item.findings;
            findings.erase(std::remove_if(findings.begin(), findings.end(),
                                          [this](size_t f) {
                                              return report_->findings[f].rule == CheckRule::Orphan;
                                          }),
                           findings.end());
            accept(action, findings, ownerName.empty());
        }
    }

    FixOutput thumbnailOutput(int32_t type, const std::string& name) const {
        // In the texture root as the folder spells it, which a file system
        // that minds case needs.
        std::string path = thumbnailPath(type, name);
        const size_t root = std::strlen(kTextureRoot);
        if (!path.empty() && !files_.empty() &&
            lowered(files_.front().path.substr(0, root)) == kTextureRoot) {
            path.replace(0, root, files_.front().path, 0, root);
        }
        return {path, kThumbnailSize,   kThumbnailSize,
                1,    kThumbnailFormat, typeThumbnailAspect(type),
                true};
    }

    // Takes an action unless an output has no name of the rule or would
    // replace a file the action does not move into the backup.
    void accept(const FixAction& action, const std::vector<size_t>& findings, bool nameless) {
        std::string refusal = nameless ? "no name of the rule fits" : "";
        for (const FixOutput& output : action.outputs) {
            const std::string key = lowered(output.path);
            const bool moved =
                std::any_of(action.originals.begin(), action.originals.end(),
                            [&](const std::string& original) { return lowered(original) == key; });
            if (refusal.empty() && (output.path.empty() || written_.count(key) > 0 ||
                                    (occupied_.count(key) > 0 && !moved))) {
                refusal = (output.path.empty() ? std::string("its output") : output.path) +
                          " is taken by another file";
            }
            // A file found below a folder no archive could name (only a
            // list made elsewhere holds one) is never written beside.
            const size_t slash = output.path.rfind('\\') + 1;
            if (refusal.empty() &&
                (k4qbCheckPakFolderName(output.path.substr(0, slash).c_str()) != nullptr ||
                 k4qbCheckPakFileName(output.path.c_str() + slash) != nullptr)) {
                refusal = output.path + " is not a name the game can read";
            }
        }
        const int32_t index = refusal.empty() ? static_cast<int32_t>(report_->fixes.size()) : -1;
        for (size_t f : findings) {
            report_->findings[f].fix = index;
            if (!refusal.empty()) {
                report_->findings[f].detail += " (cannot be fixed: " + refusal + ")";
            }
        }
        if (refusal.empty()) {
            for (const FixOutput& output : action.outputs) {
                written_.insert(lowered(output.path));
            }
            report_->fixes.push_back(action);
        }
    }

    const std::vector<CheckedFile>& files_;
    const GameNames* game_;
    CheckReport* report_;
    std::vector<Item> items_;
    std::unordered_set<std::string> occupied_; // lowered paths of the folder's files
    std::unordered_set<std::string> written_;  // lowered outputs of accepted actions
};

} // namespace

void checkTextures(const std::vector<CheckedFile>& files, const GameNames* game,
                   CheckReport* report) {
    *report = CheckReport();
    Checker(files, game, report).run();
}

CheckCounts countFindings(const CheckReport& report) {
    CheckCounts counts;
    for (const Finding& finding : report.findings) {
        (finding.severity == Severity::Error ? counts.errors : counts.warnings) += 1;
        counts.fixable += finding.fix >= 0 ? 1 : 0;
    }
    return counts;
}

} // namespace k4export
