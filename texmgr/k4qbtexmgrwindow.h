// K4QBTexMgrWindow: the texture manager's main window.
//
// Supplies the names, menu, resources and Direct3D settings the application
// window base asks for, owns the texture cache and the panels of its client
// area, lays them out from four bounds, switches between the find-textures
// and view-layered-texture modes, and routes every menu command and control
// notification to the panel that owns the control.
//
// Its panels: the file search panel with the "Convert To DDS" and "Attach As
// Layer" buttons (find-textures mode), the texture layers panel
// (view-layered-texture mode) and the image panel; and the list of open
// convert windows, which the message loop asks about dialog messages.
#pragma once

#include "k4version.h"
#include "shell/k4qbappwindow.h"
#include "texmgr/k4qbfscontrols.h"

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

class K4QBConvertWindowList;
class K4QBTLControls;
class K4QBTexMgrImagePanel;
class K4QBTextureCache;

// Control ids of the main window's own controls (the panels' are in their
// headers). Control ids start at K4QB_ID_FIRST_CONTROL; the menu commands
// (resource_ids.h) lie below.
inline constexpr int32_t K4QB_ID_FIRST_CONTROL = 1000;
inline constexpr int32_t K4QB_ID_CONVERT = 1041;
inline constexpr int32_t K4QB_ID_ATTACH = 1042;

// Modes.
inline constexpr int32_t K4QB_MODE_FIND = 0;
inline constexpr int32_t K4QB_MODE_LAYERED = 1;

// The About box's first line and the window title.
inline constexpr const char* K4QB_TEXMGR_TITLE = "Dunmore's Quellbury Texture Manager";
inline constexpr const char* K4QB_TEXMGR_VERSION_LINE =
    "Dunmore's Quellbury Texture Manager, Version " K4_VERSION_TEXT " (Public Beta)";
inline constexpr const char* K4QB_TEXMGR_HELP_FILE = "k4qb-texmgr-help.chm";

class K4QBTexMgrWindow : public K4QBAppWindow {
public:
    explicit K4QBTexMgrWindow(HINSTANCE instance, K4CDebugLogger* logger = nullptr);
    // The panels, the texture cache, then the base (which releases Direct3D
    // and saves the settings).
    ~K4QBTexMgrWindow() override;

    const char* getAppINIFilename() override;
    const char* getWndClassName() override;
    const char* getWndTitle() override;
    const char* createWndMenu() override;
    K4QBAppResources* createResources() override;
    // The base's initialisation, then the panels, buttons, the Direct3D
    // device (mixed, else software vertex processing) and the texture cache.
    // Throws "K4QBERR_APP_INITERROR" or "K4QBERR_APP_D3DERROR".
    void initialize(K4QBContentRegistry* content, int showCommand) override;
    void gatherD3DPresentation(D3DPRESENT_PARAMETERS* parameters) override;
    void freeD3DResources() override;
    void startD3DDevice() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Also takes the mouse wheel over the image panel, which zooms there.
    bool isDialogMessage(MSG* message) override;

    K4QBTexMgrImagePanel* getImagePanel();
    K4QBFSControls* getFSControls();
    K4QBTLControls* getTLControls();
    K4QBConvertWindowList* getConvertWindows() const { return convertWindows_; }
    K4QBTextureCache* getTextureCache();
    int32_t getFSRightBound();
    int32_t getFSBottomBound();
    int32_t getImagePanelRightBound();
    int32_t getImagePanelBottomBound();
    int32_t getMode();

    HWND getConvertButton() const { return convertButton_; }
    HWND getAttachButton() const { return attachButton_; }

    // Command ids (menu and buttons); true when handled.
    bool onClicked(int32_t id);
    void setMode(int32_t id);
    // An error of the game content met while browsing, searching or
    // extracting: logged and shown in a message box; the program goes on.
    void reportContentError(const char* text);
    // The same for an error code met while reading the game content.
    void reportUnreadableContent(const char* code);
    // True with game content; without it tells the user that the game is not
    // installed (a message box) and returns false.
    bool checkGameInstalled();

    // Files and folders from outside (UTF-16 paths), dropped onto the window
    // or named on the command line (k4qbtexmgrwindow_drop.cpp). In
    // find-textures mode the file search shows the first one's folder on
    // disk with the current type and text, and the pictures listed there are
    // selected and previewed (a folder just opens); in view-layered-texture
    // mode the pictures are attached as layers in order. What is left out
    // (not found, not a picture) is named in one message box.
    void openPaths(const std::vector<std::wstring>& paths);
    // The command line's paths, opened as a drop once the message loop runs.
    void setStartupPaths(const std::vector<std::wstring>& paths) { startupPaths_ = paths; }

private:
    void calcBounds(int32_t* fsRight, int32_t* fsBottom, int32_t* panelRight, int32_t* panelBottom);
    void createButtons();
    void checkControls();
    void placeButtons(bool repaint);
    void initModeToMenu();
    void setModeForMenu(int32_t id);
    void setDebugLevelFromMenu(int32_t id);
    void setDebugLevel(int32_t id);
    void showAbout();
    void showHelp();
    LRESULT onSize(WPARAM type);
    bool onSelChange(int32_t id, LRESULT* result);
    bool onDblClick(int32_t id);
    bool onDropDown(int32_t id);
    bool onCloseUp(int32_t id);
    LRESULT onMeasureItem(MEASUREITEMSTRUCT* item);
    LRESULT onDrawItem(const DRAWITEMSTRUCT* item);
    bool onSetCursor(HWND under);
    void onDropFiles(HDROP drop);
    void checkMenuRange(int32_t first, int32_t last, int32_t checked);

    int32_t mode_;
    K4QBTextureCache* textureCache_;
    int32_t fsRightBound_;
    int32_t fsBottomBound_;
    int32_t imagePanelRightBound_;
    int32_t imagePanelBottomBound_;
    K4QBFSControls* fsControls_;
    K4QBTLControls* tlControls_;
    K4QBConvertWindowList* convertWindows_;
    K4QBTexMgrImagePanel* imagePanel_;
    HWND convertButton_;
    HWND attachButton_;
    // hhctrl.ocx, loaded on the first help request and kept.
    HMODULE helpModule_;
    std::vector<std::wstring> startupPaths_;
};
