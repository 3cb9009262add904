// The folder drop-downs' shared resource set: eight small shell32.dll icons
// (entries 0 to 7) and a bold list font (entry 8).
#pragma once

#include "shell/k4qbgdiresources.h"

// shell32.dll icon numbers of entries 0 to 7, in order.
inline constexpr int32_t K4QB_FOLDER_SHELL_ICONS[] = {126, 7, 8, 11, 9, 12, 3, 4};
inline constexpr int32_t K4QB_RES_FOLDERFONT = 8; // "Arial" 9 points, bold
inline constexpr int32_t K4QB_FOLDER_RESOURCE_COUNT = 9;

class K4QBFolderResources : public K4QBGdiResources {
public:
    explicit K4QBFolderResources(K4QBAppWindow* owner, K4CDebugLogger* logger = nullptr);
    ~K4QBFolderResources() override;

    void init() override;
};
