// Save Image As (File menu): the files selected in the file search, from
// disk or out of the game's archives, written where the user says: one file
// through the standard Save As dialog, as PNG, TGA or BMP (its decoded top
// level, alpha kept: BMP then has 32 bits) or as DDS (a DDS file byte for
// byte as stored); several files into a folder the user picks, each as PNG
// under its own name, existing ones replaced only after a Yes.
//
// Every file is written whole beside its place and moved there (the one
// atomic writer). The game's own files are never written: a target that is
// the picture itself, or an existing file (a pak archive, a loose texture)
// below the game's data folder, is refused with a message.
//
// Runs on the window thread (with the busy cursor); the pictures are read
// with the Direct3D lock only where the game content extracts them.
#pragma once

#include "codec/picture_export.h"

#include <windows.h>

#include <string>

class K4CString;
class K4QBTexMgrWindow;

class K4QBSaveImage {
public:
    explicit K4QBSaveImage(K4QBTexMgrWindow* window) : window_(window) {}

    // The command: with no file selected a message; with one the Save As
    // dialog; with several the folder picker. Messages say what failed.
    void run();

    // Writes the selected entry at `position` of the file search's list as
    // `target` in `type`. Empty on success, else the message for the user.
    std::string saveEntry(int32_t position, const char* target, k4codec::ExportType type);
    // The selected entries into `folder` as PNG files under their own names
    // (".png" for their extension); asks before replacing existing files
    // (No writes nothing). The messages of the files that failed, one a line.
    std::string saveSelectionToFolder(const char* folder);

    // The type a target's extension names; `fallback` for another.
    static k4codec::ExportType typeOfName(const char* name, k4codec::ExportType fallback);

private:
    // The file behind the list entry (extracted from an archive when needed).
    bool entryPath(int32_t position, K4CString* path, std::string* error);
    // True when writing `target` would change one of the game's own files.
    bool isGameFile(const char* target, const char* source);
    bool chooseFile(const char* name, K4CString* target, k4codec::ExportType* type);
    bool chooseFolder(K4CString* folder);
    void tell(const std::string& text, UINT icon);

    K4QBTexMgrWindow* window_;
};
