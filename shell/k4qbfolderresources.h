// The folder drop-downs' shared resource set: eight small shell32.dll icons
// (entries 0 to 7) and a bold list font (entry 8).
#pragma once

#include "shell/k4qbgdiresources.h"

// Entries 0 to 7: the icons of the folder tree's entries.
inline constexpr int32_t K4QB_FOLDER_ICON_DOCUMENTS = 0;
inline constexpr int32_t K4QB_FOLDER_ICON_REMOVABLE = 1;
inline constexpr int32_t K4QB_FOLDER_ICON_FIXED = 2;
inline constexpr int32_t K4QB_FOLDER_ICON_CDROM = 3;
inline constexpr int32_t K4QB_FOLDER_ICON_REMOTE = 4;
inline constexpr int32_t K4QB_FOLDER_ICON_RAMDISK = 5;
inline constexpr int32_t K4QB_FOLDER_ICON_FOLDER = 6;
inline constexpr int32_t K4QB_FOLDER_ICON_CURRENT = 7;
inline constexpr int32_t K4QB_RES_FOLDERFONT = 8; // "Arial" 9 points, bold

class K4QBFolderResources : public K4QBGdiResources {
public:
    explicit K4QBFolderResources(K4QBAppWindow* owner, K4CDebugLogger* logger = nullptr);
    ~K4QBFolderResources() override;

    void init() override;
};
