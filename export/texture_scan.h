// Reading a folder for the texture check: the files below its
// data\textures\ with their headers, and the names of the game's own
// textures (loose files and archived entries).
//
// The walk never leaves the folder: links (symbolic links, junctions) are
// reported and not followed, names that are no valid Windows file names are
// reported and not opened, a folder that cannot be listed is reported. Each
// file is read whole, once, to learn its header (the readers check that the
// file holds every level it states); pixels are decoded only for formats the
// loader must decode to learn whether they have alpha. System, temporary and
// offline files are left out, as the game's data folder leaves them out.
// Nothing is written. Limits: files above 2 GiB count as unreadable; paths
// as long as the system allows.
//
// Threads: no state. The headers are read on the codec's threads
// (codec/parallel.h, one per core unless set otherwise); a stop flag (may be
// null) ends a scan early, and the progress callback may run on any of those
// threads.
#pragma once

#include "export/texture_check.h"
#include "platform/platform.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace k4export {

struct ScanControl {
    const std::atomic<bool>* stop = nullptr;     // set: end as soon as possible
    std::function<void(int32_t files)> progress; // files so far, every 256, on any thread
};

enum class WalkEntry { File, InvalidName, Link, Unlisted };

// Calls `visit` for every file below root\start (a relative folder ending in
// a backslash), depth first, and for every item it does not enter: an
// invalid name, a link, a folder that cannot be listed (its path ends in a
// backslash). `reason` says why for the last three. False when stopped.
bool walkFolder(const std::string& root, const std::string& start, const ScanControl& control,
                const std::function<void(const std::string& path, WalkEntry entry,
                                         const k4p::FindItem& item, const char* reason)>& visit);

// The relative folder `folder` (components ending in backslashes, such as
// "data\textures\") as spelt below root, each component found without regard
// to case. Empty when a component is missing; `link` receives the spelt path
// of a component that is a link (not followed), else is emptied.
std::string findFolder(const std::string& root, const std::string& folder, std::string* link);

// Reads one file's header for the check (the file is read whole, in one
// call when it is `size` bytes long, as listed); false and a reason when it
// is not an image file the codec reads.
bool readTextureHeader(const char* path, uint64_t size, TextureHeader* header,
                       std::string* problem);

enum class ScanResult { Done, NoTextureFolder, Stopped };

// Every file below root\data\textures\ as the check needs it, in walk order.
ScanResult scanTextures(const std::string& root, const ScanControl& control,
                        std::vector<CheckedFile>* files);

// The textures the game installed at `install` provides: the entries of its
// archives in data\pak below data\textures\ and, with `looseFiles` (not when
// the install's own loose files are the ones checked), its loose files below
// data\textures\. An archive that cannot be read goes into `problems`
// ("path: code") and the others still count.
void gatherGameNames(const std::string& install, bool looseFiles, const ScanControl& control,
                     GameNames* names, std::vector<std::string>* problems);

} // namespace k4export
