// Fix actions of the texture check, with their backups (see texture_fix.h).
#include "export/texture_fix.h"

#include "codec/codec.h"
#include "codec/compose.h"
#include "platform/platform.h"

#include <algorithm>
#include <new>

namespace k4export {

namespace {

std::string folderOf(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string nameOf(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
    k4p::createFolderTree(folderOf(path).c_str());
    return k4p::writeFileAtomic(path.c_str(), bytes.data(), bytes.size());
}

// The names in the output's folder that the system may take for the
// output's name (case ignored), as spelt.
std::vector<std::string> namesLike(const std::string& root, const std::string& path) {
    std::vector<std::string> names;
    k4p::FolderListing listing;
    k4p::FindItem item;
    const std::string folder = folderOf(path);
    const std::string wanted = lowered(nameOf(path));
    for (bool more =
             listing.open((root + "\\" + folder + (folder.empty() ? "" : "\\") + "*").c_str());
         more && listing.next(&item);) {
        if (lowered(item.name) == wanted) {
            names.push_back(item.name);
        }
    }
    return names;
}

class Fix {
public:
    Fix(const std::string& root, const FixAction& action) : root_(root), action_(action) {}

    FixOutcome run() {
        FixOutcome outcome;
        if (!render(&outcome.problem) || !refuseTaken(&outcome.problem) ||
            !backUp(&outcome.backups, &outcome.problem) || !writeOutputs(&outcome.problem)) {
            return outcome;
        }
        for (size_t i = 0; i < action_.originals.size(); ++i) {
            if (!isOutput(action_.originals[i], false)) {
                k4p::removeFile(full(action_.originals[i]).c_str());
            }
        }
        outcome.done = true;
        return outcome;
    }

private:
    std::string full(const std::string& path) const { return root_ + "\\" + path; }

    // Whether `path` is one of the outputs, exactly or without regard to case.
    bool isOutput(const std::string& path, bool exact) const {
        return std::any_of(
            action_.outputs.begin(), action_.outputs.end(), [&](const FixOutput& output) {
                return exact ? output.path == path : lowered(output.path) == lowered(path);
            });
    }

    // Every output in memory, before anything on disk changes.
    bool render(std::string* problem) {
        std::vector<uint8_t> bytes;
        k4codec::Image source;
        k4codec::TextureDesc desc;
        k4codec::HResult result = k4codec::readFileBytes(full(action_.source).c_str(), &bytes);
        if (result == k4codec::kOk) {
            result =
                k4codec::loadSourceTexture(bytes.data(), bytes.size(), &source, &desc, nullptr);
        }
        for (const FixOutput& output : action_.outputs) {
            k4codec::Image image;
            outputs_.emplace_back();
            if (result == k4codec::kOk) {
                result =
                    k4codec::composeTexture(source, output.width, output.height, output.bandAspect,
                                            output.levels == 1 ? 1 : 0, output.format, &image);
            }
            if (result == k4codec::kOk) {
                result = k4codec::ddsWriteImage(image, &outputs_.back());
            }
        }
        if (result != k4codec::kOk) {
            *problem = action_.source + ": " + k4codec::resultText(result);
            return false;
        }
        return true;
    }

    // An output may only take the place of the originals the fix moves away
    // (folders compared without regard to case, names as spelt).
    bool refuseTaken(std::string* problem) const {
        for (const FixOutput& output : action_.outputs) {
            for (const std::string& name : namesLike(root_, output.path)) {
                const bool original = std::any_of(
                    action_.originals.begin(), action_.originals.end(), [&](const std::string& o) {
                        return nameOf(o) == name &&
                               lowered(folderOf(o)) == lowered(folderOf(output.path));
                    });
                if (!original) {
                    *problem = output.path + ": " + name + " is there already";
                    return false;
                }
            }
        }
        return true;
    }

    bool backUp(std::vector<std::string>* backups, std::string* problem) {
        for (const std::string& original : action_.originals) {
            originals_.emplace_back();
            std::vector<uint8_t> copy;
            const std::string backup = freeBackupPath(root_, original);
            if (k4codec::readFileBytes(full(original).c_str(), &originals_.back()) !=
                    k4codec::kOk ||
                !write(full(backup), originals_.back()) ||
                k4codec::readFileBytes(full(backup).c_str(), &copy) != k4codec::kOk ||
                copy != originals_.back()) {
                std::vector<std::string> made = *backups;
                made.push_back(backup);
                removeBackups(made);
                backups->clear();
                *problem = original + ": cannot be copied into the backup folder";
                return false;
            }
            backups->push_back(backup);
            backups_.push_back(backup);
        }
        return true;
    }

    bool writeOutputs(std::string* problem) {
        // A name that changes only in case names the same file on Windows:
        // the original (safe in the backup) goes first, so the new spelling
        // is the one written.
        std::vector<bool> removed(action_.originals.size(), false);
        for (size_t i = 0; i < action_.originals.size(); ++i) {
            if (isOutput(action_.originals[i], false) && !isOutput(action_.originals[i], true)) {
                removed[i] = k4p::removeFile(full(action_.originals[i]).c_str());
            }
        }
        for (size_t k = 0; k < action_.outputs.size(); ++k) {
            if (!write(full(action_.outputs[k].path), outputs_[k])) {
                *problem = action_.outputs[k].path + ": cannot be written";
                rollBack(k, removed, problem);
                return false;
            }
        }
        return true;
    }

    // Takes the first `written` outputs away again and puts the originals
    // back; the backup copies go only when every original is back.
    void rollBack(size_t written, const std::vector<bool>& removed, std::string* problem) {
        for (size_t j = 0; j < written; ++j) {
            if (std::find(action_.originals.begin(), action_.originals.end(),
                          action_.outputs[j].path) == action_.originals.end()) {
                k4p::removeFile(full(action_.outputs[j].path).c_str());
            }
        }
        bool restored = true;
        for (size_t i = 0; i < action_.originals.size(); ++i) {
            const bool replaced = std::any_of(
                action_.outputs.begin(), action_.outputs.begin() + static_cast<long>(written),
                [&](const FixOutput& output) { return output.path == action_.originals[i]; });
            if (removed[i] || replaced) {
                restored = write(full(action_.originals[i]), originals_[i]) && restored;
            }
        }
        if (!restored) {
            *problem += "; the originals are in " + std::string(kBackupFolder);
            return;
        }
        removeBackups(backups_);
    }

    // Removes backup copies and the folders made for them that are empty
    // then (removing a folder that holds anything fails).
    void removeBackups(const std::vector<std::string>& backups) const {
        for (const std::string& backup : backups) {
            k4p::removeFile(full(backup).c_str());
            for (std::string folder = folderOf(backup); !folder.empty();
                 folder = folderOf(folder)) {
                k4p::removeFolder(full(folder).c_str());
            }
        }
    }

    const std::string& root_;
    const FixAction& action_;
    std::vector<std::vector<uint8_t>> outputs_;
    std::vector<std::vector<uint8_t>> originals_;
    std::vector<std::string> backups_;
};

} // namespace

std::string freeBackupPath(const std::string& root, const std::string& path) {
    const std::string backup = std::string(kBackupFolder) + "\\" + path;
    const size_t dot = backup.find_last_of('.');
    const bool extension = dot != std::string::npos && dot > backup.find_last_of('\\');
    std::string candidate = backup;
    for (int n = 2; k4p::fileExists((root + "\\" + candidate).c_str()); ++n) {
        candidate =
            extension ? backup.substr(0, dot) + " (" + std::to_string(n) + ")" + backup.substr(dot)
                      : backup + " (" + std::to_string(n) + ")";
    }
    return candidate;
}

FixOutcome runFix(const std::string& root, const FixAction& action) {
    try {
        return Fix(root, action).run();
    } catch (const std::bad_alloc&) {
        FixOutcome outcome;
        outcome.problem = action.source + ": out of memory";
        return outcome;
    }
}

} // namespace k4export
