// Carrying out the texture check's fix actions (texture_check.h): each
// re-exports its outputs from the source file, drawn in software as the
// export draws them (codec/compose.h) and written as DDS by the codec's one
// writer.
//
// Order, so that nothing is lost: every output is made in memory first;
// then each original is copied into FOLDER\texture-check-backup\ under its
// relative path (a free name, " (2)" and so on before the extension, when
// one is there already: a backup is never overwritten) and read back to be
// sure; only then are the outputs written, each whole beside its place and
// moved there (platform/ writeFileAtomic), and the originals that an output
// does not replace (renamed files) are removed. A fix that fails before its
// outputs are written changes nothing but removes its own backup copies; one
// that fails while writing puts the originals back and removes the new files
// it wrote. An output whose name another file already has (not one of the
// originals, compared by exact spelling) is refused before anything is
// written.
//
// Threads: no state; one fix at a time per folder.
#pragma once

#include "export/texture_check.h"

#include <string>
#include <vector>

namespace k4export {

// The backup path of `path` (relative to root) that no file has yet,
// relative to root.
std::string freeBackupPath(const std::string& root, const std::string& path);

struct FixOutcome {
    bool done = false;
    std::string problem;              // why not, when not done
    std::vector<std::string> backups; // relative backup path of each original, in order
};

// Carries out one action in the folder `root`.
FixOutcome runFix(const std::string& root, const FixAction& action);

} // namespace k4export
