// Where exported textures and their thumbnails go, and the folders an export
// creates before it writes.
//
// Output folder: the chosen folder for the file system (source 0); for the
// game the install folder and the chosen game folder. Thumbnails go to fixed
// folders: "overlay_thumbnails" for overlays, "thumbs" (in the game
// "data\textures\thumbs\backdrops") with the prefix "th_" for backdrops;
// textures have none.
//
// A path is only made where it is sure to lie inside the chosen place: there
// is none without a folder (an empty one would mean the drive's root), for
// the game without an install folder, for a game folder that would climb out
// of the install folder or name a device, and for a name that is not one
// plain file name. The layered save uses these with type kTextures and its
// typed file name. No state: any thread.
#pragma once

#include "export/output_names.h"
#include "foundation/k4cstring.h"

namespace k4export {

// The full path of an output file named `name` (see makeFileName). False, and
// an empty path, when there is no safe place for it.
bool makeOutputPath(const ExportSettings& settings, const char* name, K4CString* path);

// The full path of the thumbnail of the output named `name` (for an animated
// overlay the name of frame 0). False, and an empty path, for textures and
// where makeOutputPath has no place.
bool makeThumbnailPath(const ExportSettings& settings, const char* name, K4CString* path);

// Creates the folders an export writes into, each ignoring the result (an
// existing folder is fine; one that cannot be made shows up as a failed save):
// for the game "data\textures\" and the chosen game folder with every missing
// level, the overlay or backdrop folders and their thumbnail folders; for the
// file system the thumbnail folder inside the chosen folder, which itself is
// expected to exist. Nothing is created where makeOutputPath has no place, nor
// below an install folder that does not exist.
void prepareOutputFolders(const ExportSettings& settings);

} // namespace k4export
