// Which folder and file names of an archive may become paths on disk.
//
// Extraction joins the cache folder, an entry's folder name and its file name,
// so a hostile name could leave the cache folder or name a device. A name is
// refused when any component is empty (also a leading backslash), "." or "..",
// holds "/", ":", "<", ">", '"', "|", "?", "*" or a control character, is a
// device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9, LPT0-9, also with
// an extension), or ends in a dot or a space. Folder names are components
// each ended by a backslash, or empty (the install folder); a file name is a
// single component. No state: any thread.
#pragma once

#include <cstddef>

// Null when the folder name is safe, otherwise the reason.
const char* k4qbCheckPakFolderName(const char* name);
// Null when the file name is safe, otherwise the reason.
const char* k4qbCheckPakFileName(const char* name);
