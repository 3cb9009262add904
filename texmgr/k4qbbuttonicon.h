// k4qbShowButtonIcon: the icon an icon button (BS_ICON) shows, set only when
// it changes. Wine's common-controls button (checked with Wine 8.0) copies
// the icon at every BM_SETIMAGE and frees only the copy it holds when the
// button goes, so each repeated setting of the same icon left three GDI
// objects behind for good (a layered texture started, a convert window's
// output type chosen). A real change still costs one copy there; Windows
// copies nothing. The icon stays the caller's.
#pragma once

#include <windows.h>

inline void k4qbShowButtonIcon(HWND button, HICON icon) {
    if (reinterpret_cast<HICON>(SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0)) != icon) {
        SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
}
