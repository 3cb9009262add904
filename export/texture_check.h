// The check of a mod (or of an install's loose files): every texture below
// data\textures\ against what the export would have written in its place,
// and the fix that re-exports it.
//
// The folder decides the type: overlays\ holds overlays, backdrops\ holds
// backdrops, anything else below data\textures\ textures; the thumbnail
// folders overlays\overlay_thumbnails\ and thumbs\backdrops\ hold thumbnails
// (64 by 64, DXT5, one level), each belonging to a file. A texture must be a
// DDS file in one of the twelve formats, with sides that are powers of two,
// the type's mip levels (1 for overlays, the full chain otherwise) and a name
// the export makes: the type's prefix, a to z, 0 to 9 and "_", at most 31
// characters with ".dds", overlays ending in "_v" and a frame number. Overlays
// of one base form a series whose frames are numbered without gaps from the
// first (a series may wrap once from the largest number of its digits to 0,
// as a run from Start 90 does) and share one size and format; static overlays
// are series of one. The first frame of each overlay series and every
// backdrop have a thumbnail.
//
// Findings are errors where the file differs from anything the export writes
// for its folder (unreadable, format, size, levels, a series that is not one)
// and warnings where it breaks a convention (its name, a missing or orphaned
// thumbnail, a link). Each fixable finding points at the fix action that
// re-exports the file from itself; several findings of one file share one.
//
// Pure: the file system is read by texture_scan.h and written by
// texture_fix.h. No state: any thread.
#pragma once

#include "export/output_tables.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace k4export {

// The backup folder inside the checked folder (never itself checked).
inline constexpr const char* kBackupFolder = "texture-check-backup";

// Where a file lies, by its path relative to the checked folder (folders
// compared without regard to case).
enum class TextureKind : int32_t {
    Outside, // not below the texture root
    Texture,
    Overlay,
    Backdrop,
    OverlayThumbnail,
    BackdropThumbnail,
};
TextureKind textureKind(const char* path);

// `text` in ASCII lower case: names compare so on the game's file system
// and in its archives.
std::string lowered(std::string text);
// The output type the export writes into the kind's folder (the type of the
// owner for thumbnails; kStaticOverlays stands for both overlay types).
int32_t kindType(TextureKind kind);

// The name the export makes for a file of this kind now named `name` (no
// folder): lower case, other characters "_", the type's prefix, for overlays
// the frame suffix kept (one digit padded to two) or "_v00" added, the middle
// cut so that the whole fits 31 characters with ".dds". For a backdrop
// thumbnail, "th_" and the backdrop's name. Empty when no name of the rule
// can be made.
std::string exportName(TextureKind kind, const char* name);

enum class Severity : int32_t { Error = 0, Warning = 1 };
const char* severityName(Severity severity); // "error", "warning"

enum class CheckRule : int32_t {
    Unreadable,  // error: not an image file the codec reads, or a folder not listed
    InvalidName, // error: not a valid Windows file name; not opened
    Link,        // warning: a symbolic link or junction; never followed
    Format,      // error: not DDS, not one of the twelve formats, not 2D (thumbnails: DXT5)
    Size,        // error: a side not a power of two (thumbnails: 64 by 64)
    Levels,      // error: not the type's mip levels (thumbnails: 1)
    Series,      // error: a frame whose size or format differs from its series
    SeriesGap,   // error: frames missing inside a series
    Name,        // warning: a name the export would not make
    Thumbnail,   // warning: a missing thumbnail
    Orphan,      // warning: a thumbnail that belongs to no texture
};
const char* ruleName(CheckRule rule); // "unreadable", "format", "series-gap", ...
Severity ruleSeverity(CheckRule rule);

// A file's header as the check needs it.
struct TextureHeader {
    bool dds = false;  // other image files are not what the game loads
    bool plain = true; // a 2D texture: not a cube map or a volume
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t levels = 1;
    Format format = k4codec::kFmtUnknown; // the file's own format
    std::string formatText;               // its name, for messages ("BC7_UNORM", "PNG")
    // The format the texture cache loads it in: Best Match's input.
    Format loadedFormat = k4codec::kFmtUnknown;
};

enum class FileState : int32_t { Read, Unreadable, InvalidName, Link };

// One item below data\textures\ of the checked folder. Folders appear only
// when they could not be entered (their path ends with a backslash).
struct CheckedFile {
    std::string path; // relative to the checked folder, backslashes, as spelt on disk
    FileState state = FileState::Read;
    std::string problem; // why it is unreadable or its name invalid
    TextureHeader header;
};

// Texture paths the game provides besides the checked folder (its loose files
// and archived entries), relative to the install folder and lowered:
// "data\textures\overlays\overlay_fire_v00.dds".
using GameNames = std::unordered_set<std::string>;

struct FixOutput {
    std::string path; // relative to the checked folder
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t levels = 1; // as written, never 0
    Format format = k4codec::kFmtUnknown;
    float bandAspect = 1.0f; // the source covers a band of height / aspect
    bool thumbnail = false;
};

// One re-export: outputs drawn from one source file; the originals it
// replaces or renames are moved into the backup folder first.
struct FixAction {
    std::string source;
    std::vector<FixOutput> outputs;
    std::vector<std::string> originals; // relative paths; the source first when rewritten
};

struct Finding {
    Severity severity = Severity::Error;
    CheckRule rule = CheckRule::Unreadable;
    std::string path;   // relative to the checked folder
    std::string detail; // what is wrong, and what the export writes instead
    int32_t fix = -1;   // index of its FixAction, -1 when it cannot be fixed
};

struct CheckReport {
    int32_t fileCount = 0;         // files looked at
    std::vector<Finding> findings; // in path order, then rule order
    std::vector<FixAction> fixes;
};

// Checks the files of one folder. `game` (may be null) supplies the names of
// the game's own textures: frames of a series, owners of thumbnails and
// thumbnails that a mod need not ship again. A file with the path of a game
// texture takes its place: it keeps the game's name (no name finding, no
// rename) and needs no thumbnail the game does not have.
void checkTextures(const std::vector<CheckedFile>& files, const GameNames* game,
                   CheckReport* report);

// Counts of a report's findings.
struct CheckCounts {
    int32_t errors = 0;
    int32_t warnings = 0;
    int32_t fixable = 0;
};
CheckCounts countFindings(const CheckReport& report);

} // namespace k4export
