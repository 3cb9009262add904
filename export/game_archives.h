// The game's archives one by one, for the views that must go on past an
// archive that cannot be read (the pak registry refuses the whole set then),
// and the loose files that hide archived entries.
//
// A loose file below the install's data\ wins over an archived entry of the
// same path (the content registry asks the data folder first); among
// archives the entry of the most recently modified one is served, and on
// equal times that of the archive loaded first, in name order, as the pak
// registry merges them. Overrides are found for every loose file below the
// data\ folder (links not followed, invalid names skipped); describing the archived entry
// extracts it into a cache folder and reads its header.
//
// Threads: no state; each call loads archives of its own.
#pragma once

#include "content/pak_archive.h"
#include "export/texture_scan.h"

#include <memory>
#include <string>
#include <vector>

namespace k4export {

// The archives of install\data\pak ("*.pak", no folders, system, temporary
// or offline files, nothing of 4 GiB or more) in the pak registry's load
// order. One that cannot be loaded goes into `problems` ("path: code").
std::vector<std::unique_ptr<K4QBPakArchive>> loadGameArchives(const std::string& install,
                                                              std::vector<std::string>* problems);

struct GameOverride {
    std::string path;    // the loose file, relative to the install folder, as spelt
    std::string folder;  // the archived entry's game folder, "data\textures\"
    std::string name;    // and its name (lowered, as archives store names)
    std::string archive; // the archive served for that path
    bool looseRead = false;
    TextureHeader loose;
    std::string looseProblem;
    bool archivedRead = false;
    TextureHeader archived;
    std::string archivedProblem;
};

struct OverrideReport {
    std::vector<GameOverride> overrides; // in path order (lowered)
    std::vector<std::string> problems;   // archives that could not be read
};

// Every loose file below install\data\ that hides an archived entry. With a
// cache folder each entry is extracted there and both headers are read;
// without one only the loose file's header is. False when stopped.
bool findOverrides(const std::string& install, const char* cacheFolder, const ScanControl& control,
                   OverrideReport* report);

} // namespace k4export
