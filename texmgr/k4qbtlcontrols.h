// K4QBTLControls: the texture layers panel of the view-layered-texture mode,
// the left column of the main window. It holds the layers of the texture
// being composed (bottom first) with buttons to reorder and remove them, the
// output options the texture is saved with (folder drop-down 1025 with its
// source button 1026, format list 1027, file name 1028), "Save Texture", and
// the preview worker that redraws the layered texture on the image panel.
//
// The output folder follows the first file attached to an empty texture. The
// file-system folder is the one the drop-down shows (the documents folder at
// first), so a save goes where the user sees it would.
//
// Threads: everything here runs on the window thread. The layer list is
// changed only through K4QBLayeredTexture's locked operations, which the
// preview worker's reading waits for; the list box shows a copy taken after
// each change, so painting it never waits for a drawing.
#pragma once

#include "exportd3d/k4qblayeredtexture.h"
#include "foundation/k4cstring.h"
#include "texmgr/k4qbfilecontrol.h"

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBFolderDropDown;
class K4QBLayerCanvas;
class K4QBLayerPreview;
class K4QBTexMgrWindow;

// Control ids of the panel.
inline constexpr int32_t K4QB_ID_LAYERLIST = 1021;
inline constexpr int32_t K4QB_ID_MOVEUP = 1022;
inline constexpr int32_t K4QB_ID_MOVEDOWN = 1023;
inline constexpr int32_t K4QB_ID_REMOVE = 1024;
inline constexpr int32_t K4QB_ID_OUTFOLDERS = 1025;
inline constexpr int32_t K4QB_ID_OUTSOURCE = 1026;
inline constexpr int32_t K4QB_ID_FORMAT = 1027;
inline constexpr int32_t K4QB_ID_FILENAME = 1028;
inline constexpr int32_t K4QB_ID_MORETEXTURES = 1029;

inline constexpr const char* K4QB_DEFAULT_TEXTURE_NAME = "untitled.dds";

// The layer list's single-selection list box: one line per layer, from a copy
// of the layers taken by showLayers.
class K4QBLayerListBox : public K4QBFileControl {
public:
    explicit K4QBLayerListBox(K4QBAppWindow* appWindow, K4CDebugLogger* logger = nullptr);

    // Hidden at first.
    void create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                int32_t id) override;
    // Copies the layers (under their lock) and refills the box; no selection.
    void showLayers(K4QBLayeredTexture* layers);

protected:
    UINT resetMessage() const override { return LB_RESETCONTENT; }
    UINT addMessage() const override { return LB_ADDSTRING; }
};

class K4QBTLControls {
public:
    // Throws "K4QBERR_APP_INITERROR" when the folder drop-down cannot be made.
    explicit K4QBTLControls(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger = nullptr);
    // Stops the preview worker first.
    ~K4QBTLControls();
    K4QBTLControls(const K4QBTLControls&) = delete;
    K4QBTLControls& operator=(const K4QBTLControls&) = delete;

    // Creates every control hidden, from the main window's bounds; fills the
    // format list (first entry chosen) and shows the file system in the
    // drop-down. Throws "K4QBERR_APP_INITERROR".
    void createControls(HWND parent);
    // Moves the controls when a bound changed; marks the preview dirty.
    void relayout(bool rightChanged, bool bottomChanged);
    void show(bool visible);

    // Move Up (1022), Move Down (1023), Remove from Texture (1024) and the
    // folder source button (1026); false for other ids.
    bool onClicked(int32_t id);
    // Appends the files selected in the list as layers, in selection order.
    void attach(K4QBFileListBox* files);
    // Appends the entries of a list as layers, in list order (files dropped
    // onto the window).
    void attachFiles(const K4QBFileList& files);
    // Empties the layer list; the output options stay.
    void newTexture();
    // Saves the layered texture with the output options and tells the outcome
    // in a message box; nothing without a preview worker.
    void saveTexture();
    // The folder drop-down's selection changed. Returns 0.
    LRESULT onSelChange();

    // Stops any worker, then starts a new one drawing on the canvas. Throws
    // "K4QBERR_APP_INITERROR" when the thread cannot be started.
    void startPreview(K4QBLayerCanvas* canvas);
    void stopPreview() noexcept;
    void setPreviewDirty();

    // 0 file system, 1 game; the folder of that source.
    int32_t getCurSource() const;
    const char* getCurFolder() const;
    K4QBLayeredTexture* getLayers() { return &layers_; }
    K4QBLayerListBox* getLayerList() const { return layerList_; }
    K4QBFolderDropDown* getFolderDropDown() const { return folders_; }
    K4QBLayerPreview* getPreview() const { return preview_; }
    // Move Up, Move Down, Remove from Texture and Search for More Textures.
    bool isPushButton(HWND window) const;

private:
    HWND createChild(HWND parent, DWORD exStyle, const char* className, const char* text,
                     DWORD style, int32_t id);
    void placeControls(bool repaint);
    void layersChanged();
    void moveSelected(bool up);
    void removeSelected();
    void onSourceClicked();
    // Shows the drop-down's source and folder (file system or game at the
    // stored folder) and its icon on the source button.
    void showFolder(int32_t source);
    void fillFormats();
    K4CString windowText(HWND window);

    K4QBTexMgrWindow* mainWindow_;
    K4CString fsFolder_;
    K4CString gameFolder_;
    K4QBLayeredTexture layers_;
    HWND layersFrame_;
    K4QBLayerListBox* layerList_;
    HWND moveUp_;
    HWND moveDown_;
    HWND remove_;
    HWND optionsFrame_;
    HWND folderLabel_;
    K4QBFolderDropDown* folders_;
    HWND sourceButton_;
    HWND formatLabel_;
    HWND formats_;
    HWND nameLabel_;
    HWND fileName_;
    HWND moreTextures_;
    K4QBLayerPreview* preview_;
    K4CDebugLogger* logger_;
};
