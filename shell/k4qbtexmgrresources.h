// The texture manager's application resource set: entries 0 to 4 of the
// application set (program icon 102 as large and small icon), then the
// game-content icon, three shell32.dll icons for the panels' icon buttons and
// the push-button font.
#pragma once

#include "shell/k4qbgdiresources.h"

// Entries 5 to 9.
inline constexpr int32_t K4QB_RES_GAMEICON = 5;    // program icon 103, 16 x 16
inline constexpr int32_t K4QB_RES_SHELLICON15 = 6; // shell32.dll small icon 15
inline constexpr int32_t K4QB_RES_SHELLICON45 = 7; // shell32.dll small icon 45
inline constexpr int32_t K4QB_RES_SHELLICON57 = 8; // shell32.dll small icon 57
inline constexpr int32_t K4QB_RES_BUTTONFONT = 9;  // "Verdana" 8 points, weight 400

class K4QBTexMgrResources : public K4QBAppResources {
public:
    explicit K4QBTexMgrResources(K4QBAppWindow* owner, K4CDebugLogger* logger = nullptr);
    ~K4QBTexMgrResources() override;

    void init() override;
    HICON createLargeIcon() override; // icon 102 at the default large size
    HICON createSmallIcon() override; // icon 102 at 16 x 16
};
