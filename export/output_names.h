// File names of exported textures: the export settings of one run, the digit
// width of index and frame numbers, frame numbering, and the name builder of
// each output type.
//
// Names are lower-case letters, digits and "_" followed by ".dds", so they
// never leave their folder. With "(Based on original)" a name comes from its
// source file: a prefix, the base name (cut when long, then numbered), a
// version suffix for overlays. No state: any thread.
#pragma once

#include "content/file_list.h"
#include "export/output_tables.h"
#include "foundation/k4cstring.h"

#include <cstdint>
#include <vector>

namespace k4export {

// What one export run writes: read from the output options and the animated
// overlay options when the run starts. Texts and the list are not owned and
// must outlive the calls that use them.
struct ExportSettings {
    int32_t type = kStaticOverlays;
    int32_t folderSource = 0;            // 0 the file system, anything else the game
    const char* folder = nullptr;        // the file-system folder or the game folder, by source
    const char* installPath = nullptr;   // getInstallPath(); null when the game is not installed
    const char* fileName = nullptr;      // typed by the user, or kBasedOnOriginal
    const K4QBFileList* files = nullptr; // the run's source files, in run order
    int32_t start = 0;                   // animated overlays: the first frame number
    int32_t maxCount = 100;              // animated overlays: frame numbers wrap here
};

// Names built from a source file are at most this long, ".dds" included.
inline constexpr int32_t kMaxNameLength = 31;

// Lowers ASCII letters and turns every character but a to z and 0 to 9 into
// "_", so that a name holds no separator, dot or character the file system
// refuses.
void sanitiseName(K4CString* name);

// The file name text that names each output after its source file.
inline constexpr const char* kBasedOnOriginal = "(Based on original)";
// The whole text must match, terminating zero included; null does not match.
bool isBasedOnOriginal(const char* text);

// Digits of the run's file count (for animated overlays Max Count - 1 when
// larger), at least 1, and at least 2 for animated overlays.
int32_t digitWidth(const ExportSettings& settings);

// The number in the name of animated overlay frame k: k + start, less
// maxCount when that reaches maxCount (one wrap). With start below maxCount
// only the first maxCount frames wrap, filling 0 to maxCount - 1 once; later
// frames keep k + start, since wrapping them would reuse the numbers of
// earlier frames and overwrite those files.
int64_t frameNumber(const ExportSettings& settings, int32_t frameIndex);

// The file name (no folder) of output sourceIndex, or for animated overlays
// of frame frameIndex (whose base always comes from the first source file).
// When the name equals one an earlier file of the run got (a typed name in a
// run of several files, or two sources with the same base name), the file's
// index is appended to the base as for a cut name, so that no output of a run
// overwrites another. A source index outside the list throws
// "IndexOutOfBoundsException". The cost grows with sourceIndex: the names
// before it are built to find repeats.
void makeFileName(const ExportSettings& settings, int32_t sourceIndex, int32_t frameIndex,
                  K4CString* name);

// The names makeFileName gives outputs 0 to count - 1 (source k, or for
// animated overlays frame k), built in one pass. A count beyond the file list
// (animated overlays: an empty list) throws "IndexOutOfBoundsException".
void makeFileNames(const ExportSettings& settings, int32_t count, std::vector<K4CString>* names);

} // namespace k4export
