// K4QBTexMgrImagePanel: the right-hand part of the main window, a group box
// whose caption names what is shown and the window the Direct3D device
// presents on; it shows the selected files through a K4QBImagePreview and
// keeps the "viewer" settings (alpha, background colour, animation rate). In
// the view-layered-texture mode it is the canvas the texture layers panel's
// preview worker draws on, which it starts and stops with the mode.
//
// Looking closer (k4qbtexmgrimagepanel_view.cpp): the zoom (fit, or a step
// from 1/16 to 32 with the mouse wheel around the pointer and the View menu)
// and the pan (a left drag) of both previews, the mip level, the texture's
// facts in the caption, and the compressed preview (DXT1/3/5, or its
// difference). Zoom and pan only redraw; a change that needs new pixels (the
// compressed preview, its level, the facts) starts the preview again with
// the same view.
//
// The settings are written on the window thread and read by the preview
// threads, hence atomic. What the preview's threads report (captions, a
// content error, the end of loading) is kept here and posted to the panel
// window, and applied on the window thread only when the preview that posted
// it is still the one shown.
//
// Thread rules: everything here runs on the window thread, except the
// getters of the settings and the canvas and the three post methods, which
// any thread may call and which never wait for the window thread.
#pragma once

#include <windows.h>

#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "codec/formats.h"
#include "exportd3d/k4qblayerpreview.h"
#include "foundation/k4clock.h"
#include "foundation/k4cstring.h"
#include "view/view_rules.h"

class K4CDebugLogger;
class K4QBFileListBox;
class K4QBDrawingWarmUp;
class K4QBImagePreview;
class K4QBIniGroup;
class K4QBTLControls;
class K4QBTexMgrWindow;

inline constexpr const char* K4QB_IMAGEPANEL_CLASS = "K4QBTexMgrImagePanel";
inline constexpr const char* K4QB_IMAGEPANEL_NO_CAPTION = "Current Texture:";

// Background colours of the View menu.
inline constexpr D3DCOLOR K4QB_BG_BLUE = 0xFF818FFF;
inline constexpr D3DCOLOR K4QB_BG_GREEN = 0xFF8CD052;
inline constexpr D3DCOLOR K4QB_BG_PURPLE = 0xFFFF00FF;
inline constexpr D3DCOLOR K4QB_BG_BLACK = 0xFF000000;

// What the user chose to look at; the previews read a copy at each drawing.
struct K4QBPanelView {
    k4view::View view;
    uint32_t level = 0;                               // the mip level asked for, 0 the top
    bool info = false;                                // Show Texture Info
    k4codec::Format previewAs = k4codec::kFmtUnknown; // DXT1, DXT3, DXT5 or the original
    bool difference = false;
};

class K4QBTexMgrImagePanel final : public K4QBLayerCanvas {
public:
    // Loads the "viewer" settings; the windows come with createWindows.
    explicit K4QBTexMgrImagePanel(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger = nullptr);
    // Destroys the preview and stops the layer preview (their workers) and
    // unregisters the class.
    ~K4QBTexMgrImagePanel();
    K4QBTexMgrImagePanel(const K4QBTexMgrImagePanel&) = delete;
    K4QBTexMgrImagePanel& operator=(const K4QBTexMgrImagePanel&) = delete;

    // Registers the panel class and creates the group box and the panel
    // window from the main window's bounds; checks the menu items of the
    // settings. Throws "K4QBERR_APP_INITERROR".
    void createWindows();
    void relayout(bool rightChanged, bool bottomChanged);

    // The main window's file list selection, through a new preview, after
    // stopping the layer preview and cancelling the previous preview (without
    // waiting for it). Loading happens on the preview's own threads, with the
    // busy cursor until it ends. Throws "K4QBERR_APP_D3DERROR" when the
    // device is lost. A new selection keeps the zoom step and the preview
    // choices, centres the picture and shows its top level; `keepView` keeps
    // the centre and level too (the same selection shown anew).
    void showSelectedFiles(bool keepView = false);
    // One file on disk, shown as if it were the one file selected (the check
    // window's preview). Throws as showSelectedFiles.
    void showFile(const char* folder, const char* name);
    // Removes the preview and starts the layers panel's preview worker, which
    // draws into the window then.
    void showLayeredTexture();
    // Cancels the preview and puts it aside until its threads have ended;
    // never throws.
    void destroyPreview() noexcept;
    // Deletes the previews put aside whose threads have ended, or all of
    // them, waiting, when `wait`.
    void reapPreviews(bool wait) noexcept;

    // View menu: 225 and 226, 228 to 231, 233 to 236.
    void setAlphaFromMenu(int32_t id);
    void setBackgroundFromMenu(int32_t id);
    void setAnimationFromMenu(int32_t id);
    // The look-closer items of the View menu (zoom, mip level, texture info,
    // preview as, difference); false for another id.
    bool onViewCommand(int32_t id);
    // The mouse wheel over the panel (any window's message, from the message
    // loop): zooms around the pointer and returns true; false for anything
    // else, which then goes its usual way.
    bool takeWheel(const MSG* message);
    // The view now (any thread).
    K4QBPanelView getView() const;

    // Device objects of the preview, around a device reset. The first start
    // also begins the drawing warm-up.
    void freeD3DResources();
    void startD3DDevice(IDirect3DDevice9* device);
    // The warm-up begun with the first device, or null.
    const K4QBDrawingWarmUp* getDrawingWarmUp() const { return warmUp_; }

    bool getAlpha() const { return alpha_.load(); }
    D3DCOLOR getBackground() const { return background_.load(); }
    int32_t getAnimationRate() const { return animationRate_.load(); }
    HWND getPanelWindow() const { return panelWindow_; }
    HWND getCaptionBox() const { return captionBox_; }
    K4QBImagePreview* getImagePreview() const { return preview_; }

    // The canvas of the layer preview (any thread).
    HWND getCanvasWindow() override { return panelWindow_; }
    D3DCOLOR getCanvasBackground() override { return background_.load(); }
    // Where a picture goes at the view: fitted as the panel always placed
    // it, or zoomed and panned, pixel for pixel on the panel. Remembers the
    // size for zooming and panning it (any thread).
    K4QBCanvasPlacement placeOnCanvas(int32_t width, int32_t height) override;

    // From the preview with this serial (any thread): keeps the text and
    // posts its delivery to the panel window; never waits for the window
    // thread. The caption is set, the content error shown in a message box,
    // and the end of loading ends the busy cursor.
    void postCaption(uint32_t serial, const char* caption);
    void postContentError(uint32_t serial, const char* text);
    void postLoaded(uint32_t serial);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The selection of `list` (source 0 files on disk, 1 game content).
    void showFiles(int32_t source, K4QBFileListBox* list, bool keepView);
    bool isShown(uint32_t serial) const;
    void applyPosted(UINT message, WPARAM wParam);
    // Asks the preview shown, of either mode, to draw again.
    void redrawPreview();
    // The layers panel's preview, which draws on this window; null when none.
    K4QBLayerPreview* layerPreview() const;
    void stopLayerPreview() noexcept;
    void loadSettings();
    void checkSettingsInMenu();
    void checkMenuRange(int32_t first, int32_t last, int32_t checked);
    void placeWindows(bool repaint);
    // Looking closer (k4qbtexmgrimagepanel_view.cpp): the "viewer" setting
    // of Show Texture Info; the wheel and the drag; the panel's client size.
    void loadViewSettings(K4QBIniGroup* group);
    bool onMouse(UINT message, WPARAM wParam, LPARAM lParam);
    void panelSize(int32_t* width, int32_t* height) const;
    // Where a width x height picture lies now, in panel pixels.
    k4view::Rect shownRect(uint32_t width, uint32_t height) const;
    // To a step (or the fit) around the point `at` of the panel (the wheel's
    // pointer), or keeping the picture point at the panel's centre.
    void zoomTo(bool fit, int32_t step, const POINT* at);
    void zoomBy(int32_t steps, const POINT* at);
    void setLevel(int32_t level);
    void setView(const K4QBPanelView& view);
    void checkViewMenu();
    // Redraws the previews after a change of zoom or pan.
    void viewChanged();
    // Starts the preview again with the same view, when one is shown.
    void restartPreview();

    K4QBTexMgrWindow* mainWindow_;
    K4QBImagePreview* preview_;
    // Started with the first device (owned).
    K4QBDrawingWarmUp* warmUp_;
    // Cancelled previews whose threads may still run.
    std::vector<K4QBImagePreview*> retired_;
    // The layers panel once it has drawn here (it outlives this panel).
    K4QBTLControls* layersPanel_;
    std::atomic<bool> alpha_;
    std::atomic<D3DCOLOR> background_;
    std::atomic<int32_t> animationRate_;
    // The view, guarded by viewLock_; the size of the picture placed last.
    mutable K4CWinCS viewLock_;
    K4QBPanelView view_;
    std::atomic<int32_t> placedWidth_;
    std::atomic<int32_t> placedHeight_;
    // A left drag panning the picture (window thread), and the wheel's
    // turns short of a whole notch.
    bool dragging_;
    POINT dragFrom_;
    int32_t wheelRest_;
    HWND captionBox_;
    HWND panelWindow_;
    ATOM classAtom_;
    HINSTANCE instance_; // the class's, for unregistering it
    // What the preview threads last posted, with the posting preview's
    // serial, guarded by captionLock_.
    K4CWinCS captionLock_;
    K4CString postedCaption_;
    uint32_t captionSerial_;
    K4CString postedContentError_;
    uint32_t contentErrorSerial_;
    K4CDebugLogger* logger_;
};
