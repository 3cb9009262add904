// K4QBTLControls: the texture layers panel's controls, layer operations,
// output options, saving and preview worker.
#include "texmgr/k4qbtlcontrols.h"

#include "content/file_list.h"
#include "content/install_path.h"
#include "export/output_tables.h"
#include "exportd3d/k4qblayerpreview.h"
#include "exportd3d/k4qbtexturesave.h"
#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qbtexmgrresources.h"
#include "texmgr/k4qbbuttonicon.h"
#include "texmgr/k4qbfolderdropdown.h"
#include "texmgr/k4qbfscontrols.h"
#include "texmgr/k4qbtexmgrwindow.h"

#include <memory>

namespace {

constexpr const char* kSavedTitle = "Texture Saved";

} // namespace

K4QBLayerListBox::K4QBLayerListBox(K4QBAppWindow* appWindow, K4CDebugLogger* logger)
    : K4QBFileControl(appWindow, "LISTBOX", logger) {
    K4C_TRACE(logger_, "Enter and exit constructor K4QBLayerListBox(%p, %p) = %p", (void*)appWindow,
              (void*)logger, (void*)this);
}

void K4QBLayerListBox::create(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                              int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBLayerListBox::create(%p, %d, %d, %d, %d, %d) = %p", (void*)parent,
              x, y, width, height, id, (void*)this);
    createWindow(WS_CHILD | WS_VSCROLL | LBS_OWNERDRAWFIXED, parent, x, y, width, height, id);
    K4C_TRACE(logger_, "Exit K4QBLayerListBox::create = %p", (void*)this);
}

void K4QBLayerListBox::showLayers(K4QBLayeredTexture* layers) {
    K4C_TRACE(logger_, "Enter K4QBLayerListBox::showLayers(%p) = %p", (void*)layers, (void*)this);
    list_->clear();
    {
        K4QBLayerReader reader(layers);
        const K4QBFileList& shown = reader.list();
        for (int32_t i = 0; i < shown.getCount(); ++i) {
            list_->append(shown.getSource(i), shown.getName(i), shown.getFolder(i));
        }
    }
    refresh();
    K4C_TRACE(logger_, "Exit K4QBLayerListBox::showLayers = %p", (void*)this);
}

K4QBTLControls::K4QBTLControls(K4QBTexMgrWindow* mainWindow, K4CDebugLogger* logger)
    : mainWindow_(mainWindow), gameFolder_(K4QB_GAME_TEXTURE_ROOT), layers_(logger),
      layersFrame_(nullptr), layerList_(nullptr), moveUp_(nullptr), moveDown_(nullptr),
      remove_(nullptr), optionsFrame_(nullptr), folderLabel_(nullptr), folders_(nullptr),
      sourceButton_(nullptr), formatLabel_(nullptr), formats_(nullptr), nameLabel_(nullptr),
      fileName_(nullptr), moreTextures_(nullptr), preview_(nullptr), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBTLControls(%p) = %p", (void*)mainWindow, (void*)this);
    std::unique_ptr<K4QBLayerListBox> list(new K4QBLayerListBox(mainWindow_, logger_));
    folders_ = new K4QBFolderDropDown(mainWindow_, logger_);
    layerList_ = list.release();
    K4C_TRACE(logger_, "Exit constructor K4QBTLControls = %p", (void*)this);
}

K4QBTLControls::~K4QBTLControls() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTLControls = %p", (void*)this);
    stopPreview();
    delete folders_;
    delete layerList_;
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTLControls = %p", (void*)this);
}

HWND K4QBTLControls::createChild(HWND parent, DWORD exStyle, const char* className,
                                 const char* text, DWORD style, int32_t id) {
    // Hidden until the mode shows them; placed by placeControls.
    return mainWindow_->createControl(parent, exStyle, className, text, WS_CHILD | style, 0, 0, 0,
                                      0, id, "K4QBTLControls::createChild", this);
}

void K4QBTLControls::createControls(HWND parent) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::createControls(%p) = %p", (void*)parent, (void*)this);
    layersFrame_ = createChild(parent, 0, "BUTTON", "Texture Layers:", BS_GROUPBOX, 0);
    layerList_->create(parent, 0, 0, 0, 0, K4QB_ID_LAYERLIST);
    moveUp_ = createChild(parent, 0, "BUTTON", "Move Up", 0, K4QB_ID_MOVEUP);
    moveDown_ = createChild(parent, 0, "BUTTON", "Move Down", 0, K4QB_ID_MOVEDOWN);
    remove_ = createChild(parent, 0, "BUTTON", "Remove from Texture", 0, K4QB_ID_REMOVE);
    optionsFrame_ = createChild(parent, 0, "BUTTON", "Output Options:", BS_GROUPBOX, 0);
    folderLabel_ = createChild(parent, 0, "STATIC", "Folder:", SS_LEFTNOWORDWRAP, 0);
    folders_->initialize(parent, 0, 0, 0, K4QB_ID_OUTFOLDERS);
    ShowWindow(folders_->getWindow(), SW_HIDE);
    sourceButton_ = createChild(parent, 0, "BUTTON", "", BS_ICON, K4QB_ID_OUTSOURCE);
    formatLabel_ = createChild(parent, 0, "STATIC", "Format:", SS_LEFTNOWORDWRAP, 0);
    formats_ = createChild(parent, WS_EX_CLIENTEDGE, "COMBOBOX", "", WS_VSCROLL | CBS_DROPDOWNLIST,
                           K4QB_ID_FORMAT);
    nameLabel_ = createChild(parent, 0, "STATIC", "Filename:", SS_LEFTNOWORDWRAP, 0);
    fileName_ = createChild(parent, WS_EX_CLIENTEDGE, "EDIT", K4QB_DEFAULT_TEXTURE_NAME,
                            ES_AUTOHSCROLL, K4QB_ID_FILENAME);
    moreTextures_ =
        createChild(parent, 0, "BUTTON", "Search for More Textures", 0, K4QB_ID_MORETEXTURES);
    placeControls(true);

    const WPARAM labelFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LABELFONT));
    const WPARAM listFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_LISTFONT));
    const WPARAM buttonFont = reinterpret_cast<WPARAM>(mainWindow_->getFont(K4QB_RES_BUTTONFONT));
    for (HWND labelled : {layersFrame_, optionsFrame_, folderLabel_, formatLabel_, nameLabel_}) {
        SendMessageA(labelled, WM_SETFONT, labelFont, TRUE);
    }
    SendMessageA(formats_, WM_SETFONT, listFont, TRUE);
    SendMessageA(fileName_, WM_SETFONT, listFont, TRUE);
    for (HWND button : {moveUp_, moveDown_, remove_, moreTextures_}) {
        SendMessageA(button, WM_SETFONT, buttonFont, TRUE);
    }
    fillFormats();
    showFolder(K4QB_FOLDER_SOURCE_FILES);
    K4C_TRACE(logger_, "Exit K4QBTLControls::createControls = %p", (void*)this);
}

void K4QBTLControls::placeControls(bool repaint) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::placeControls(%d) = %p", repaint ? 1 : 0,
              (void*)this);
    const int32_t r = mainWindow_->getFSRightBound();
    const int32_t half = r >> 1;
    const int32_t b = mainWindow_->getImagePanelBottomBound();
    const BOOL paint = repaint ? TRUE : FALSE;
    MoveWindow(layersFrame_, 4, 4, r - 8, b - 142, paint);
    MoveWindow(layerList_->getWindow(), 8, 20, r - 16, b - 222, paint);
    MoveWindow(moveUp_, 12, b - 198, half - 16, 24, paint);
    MoveWindow(moveDown_, half + 4, b - 198, half - 16, 24, paint);
    MoveWindow(remove_, 12, b - 170, r - 24, 24, paint);
    MoveWindow(optionsFrame_, 4, b - 134, r - 8, 106, paint);
    MoveWindow(folderLabel_, 10, b - 112, 64, 18, paint);
    MoveWindow(folders_->getWindow(), 80, b - 116, r - 120, 216, paint);
    MoveWindow(sourceButton_, r - 34, b - 117, 24, 24, paint);
    MoveWindow(formatLabel_, 10, b - 82, 64, 18, paint);
    MoveWindow(formats_, 80, b - 86, r - 88, 92, paint);
    MoveWindow(nameLabel_, 10, b - 52, 64, 18, paint);
    MoveWindow(fileName_, 80, b - 56, r - 88, 22, paint);
    MoveWindow(moreTextures_, 8, b - 26, r - 16, 24, paint);
    K4C_TRACE(logger_, "Exit K4QBTLControls::placeControls = %p", (void*)this);
}

void K4QBTLControls::relayout(bool rightChanged, bool bottomChanged) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::relayout(%d, %d) = %p", rightChanged ? 1 : 0,
              bottomChanged ? 1 : 0, (void*)this);
    if (rightChanged || bottomChanged) {
        placeControls(false);
    }
    // The image panel may have changed size even when the column did not.
    setPreviewDirty();
    K4C_TRACE(logger_, "Exit K4QBTLControls::relayout = %p", (void*)this);
}

void K4QBTLControls::show(bool visible) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::show(%d) = %p", visible ? 1 : 0, (void*)this);
    for (HWND control : {layersFrame_, layerList_->getWindow(), moveUp_, moveDown_, remove_,
                         optionsFrame_, folderLabel_, folders_->getWindow(), sourceButton_,
                         formatLabel_, formats_, nameLabel_, fileName_, moreTextures_}) {
        ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
    K4C_TRACE(logger_, "Exit K4QBTLControls::show = %p", (void*)this);
}

void K4QBTLControls::fillFormats() {
    K4C_TRACE(logger_, "Enter K4QBTLControls::fillFormats = %p", (void*)this);
    for (int32_t i = 0; i < k4export::kFormatCount; ++i) {
        SendMessageA(formats_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k4export::formatLabel(i)));
    }
    SendMessageA(formats_, CB_SETCURSEL, 0, 0);
    K4C_TRACE(logger_, "Exit K4QBTLControls::fillFormats = %p", (void*)this);
}

int32_t K4QBTLControls::getCurSource() const {
    return folders_->getCurSource();
}

const char* K4QBTLControls::getCurFolder() const {
    return getCurSource() == K4QB_FOLDER_SOURCE_GAME ? gameFolder_.getText() : fsFolder_.getText();
}

bool K4QBTLControls::isPushButton(HWND window) const {
    return window != nullptr && (window == moveUp_ || window == moveDown_ || window == remove_ ||
                                 window == moreTextures_);
}

void K4QBTLControls::showFolder(int32_t source) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::showFolder(%d) = %p", source, (void*)this);
    const bool game = source == K4QB_FOLDER_SOURCE_GAME;
    if (game) {
        try {
            folders_->setToQuellbury(gameFolder_.getText(), K4QB_GAME_TEXTURE_ROOT);
        } catch (const char* code) {
            mainWindow_->reportUnreadableContent(code);
        }
    } else {
        folders_->setToFolder(fsFolder_.getText());
    }
    // The folder shown (the documents folder for an empty one) is where a
    // save goes.
    (game ? gameFolder_ : fsFolder_).assign(folders_->getCurFolder());
    HICON icon = mainWindow_->getIcon(game ? K4QB_RES_GAMEICON : K4QB_RES_SHELLICON15);
    k4qbShowButtonIcon(sourceButton_, icon);
    K4C_TRACE(logger_, "Exit K4QBTLControls::showFolder = %p", (void*)this);
}

bool K4QBTLControls::onClicked(int32_t id) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::onClicked(%d) = %p", id, (void*)this);
    bool handled = true;
    switch (id) {
    case K4QB_ID_MOVEUP:
    case K4QB_ID_MOVEDOWN:
        moveSelected(id == K4QB_ID_MOVEUP);
        break;
    case K4QB_ID_REMOVE:
        removeSelected();
        break;
    case K4QB_ID_OUTSOURCE:
        onSourceClicked();
        break;
    default:
        handled = false;
        break;
    }
    K4C_TRACE(logger_, "Return %d from K4QBTLControls::onClicked = %p", handled ? 1 : 0,
              (void*)this);
    return handled;
}

void K4QBTLControls::layersChanged() {
    layerList_->showLayers(&layers_);
    setPreviewDirty();
}

void K4QBTLControls::moveSelected(bool up) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::moveSelected(%d) = %p", up ? 1 : 0, (void*)this);
    HWND list = layerList_->getWindow();
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected >= 0) {
        const int32_t index = static_cast<int32_t>(selected);
        const int32_t moved = up ? layers_.moveUp(index) : layers_.moveDown(index);
        layersChanged();
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(up ? index - moved : index + moved),
                     0);
    }
    K4C_TRACE(logger_, "Exit K4QBTLControls::moveSelected = %p", (void*)this);
}

void K4QBTLControls::removeSelected() {
    K4C_TRACE(logger_, "Enter K4QBTLControls::removeSelected = %p", (void*)this);
    const LRESULT selected = SendMessageA(layerList_->getWindow(), LB_GETCURSEL, 0, 0);
    if (selected >= 0) {
        layers_.removeAt(static_cast<int32_t>(selected));
        layersChanged();
    }
    K4C_TRACE(logger_, "Exit K4QBTLControls::removeSelected = %p", (void*)this);
}

void K4QBTLControls::onSourceClicked() {
    K4C_TRACE(logger_, "Enter K4QBTLControls::onSourceClicked = %p", (void*)this);
    if (folders_->getCurSource() == K4QB_FOLDER_SOURCE_GAME) {
        showFolder(K4QB_FOLDER_SOURCE_FILES);
    } else if (mainWindow_->checkGameInstalled()) {
        showFolder(K4QB_FOLDER_SOURCE_GAME);
    }
    K4C_TRACE(logger_, "Exit K4QBTLControls::onSourceClicked = %p", (void*)this);
}

void K4QBTLControls::attach(K4QBFileListBox* files) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::attach(%p) = %p", (void*)files, (void*)this);
    int32_t count = 0;
    const int32_t* selected = files->getSelectedPositions(&count);
    K4QBFileList chosen;
    for (int32_t i = 0; i < count; ++i) {
        chosen.append(files->getEntrySource(selected[i]), files->getEntryFileName(selected[i]),
                      files->getEntryFolder(selected[i]));
    }
    attachFiles(chosen);
    K4C_TRACE(logger_, "Exit K4QBTLControls::attach = %p", (void*)this);
}

void K4QBTLControls::attachFiles(const K4QBFileList& files) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::attachFiles(%p) = %p", (const void*)&files,
              (void*)this);
    for (int32_t i = 0; i < files.getCount(); ++i) {
        K4QBGameFiles* source = files.getSource(i);
        const char* folder = files.getFolder(i);
        if (i == 0 && layers_.getCount() == 0) {
            // The output folder follows the first layer of a new texture.
            (source != nullptr ? gameFolder_ : fsFolder_).assign(folder);
            showFolder(source != nullptr ? K4QB_FOLDER_SOURCE_GAME : K4QB_FOLDER_SOURCE_FILES);
        }
        layers_.append(source, files.getName(i), folder);
    }
    layersChanged();
    K4C_TRACE(logger_, "Exit K4QBTLControls::attachFiles = %p", (void*)this);
}

void K4QBTLControls::newTexture() {
    K4C_TRACE(logger_, "Enter K4QBTLControls::newTexture = %p", (void*)this);
    layers_.clear();
    layersChanged();
    K4C_TRACE(logger_, "Exit K4QBTLControls::newTexture = %p", (void*)this);
}

LRESULT K4QBTLControls::onSelChange() {
    K4C_TRACE(logger_, "Enter K4QBTLControls::onSelChange = %p", (void*)this);
    try {
        folders_->onSelChange(K4QB_GAME_TEXTURE_ROOT);
    } catch (const char* code) {
        mainWindow_->reportUnreadableContent(code);
    }
    (getCurSource() == K4QB_FOLDER_SOURCE_GAME ? gameFolder_ : fsFolder_)
        .assign(folders_->getCurFolder());
    K4C_TRACE(logger_, "Return %d from K4QBTLControls::onSelChange = %p", 0, (void*)this);
    return 0;
}

K4CString K4QBTLControls::windowText(HWND window) {
    K4CString text(GetWindowTextLengthA(window) + 1);
    GetWindowTextA(window, text.getBuffer(), text.getCapacity() + 1);
    text.updateLength();
    return text;
}

void K4QBTLControls::saveTexture() {
    K4C_TRACE(logger_, "Enter K4QBTLControls::saveTexture = %p", (void*)this);
    const K4CString name = windowText(fileName_);
    if (preview_ != nullptr) {
        K4QBLayerSaveOptions options;
        options.folderSource = getCurSource();
        options.folder = getCurFolder();
        options.installPath = getInstallPath();
        options.formatIndex = static_cast<int32_t>(SendMessageA(formats_, CB_GETCURSEL, 0, 0));
        options.fileName = name.getText();
        const bool saved = saveLayeredTexture(preview_, options);
        K4CString text;
        if (saved) {
            text.appendFormat("Texture file %s has been successfully saved!", name.getText());
        } else {
            text.appendFormat("An error occurred attempted to save texture file %s",
                              name.getText());
        }
        MessageBoxA(mainWindow_->getWindow(), text.getText(), saved ? kSavedTitle : nullptr, MB_OK);
    }
    K4C_TRACE(logger_, "Exit K4QBTLControls::saveTexture = %p", (void*)this);
}

void K4QBTLControls::startPreview(K4QBLayerCanvas* canvas) {
    K4C_TRACE(logger_, "Enter K4QBTLControls::startPreview(%p) = %p", (void*)canvas, (void*)this);
    stopPreview();
    std::unique_ptr<K4QBLayerPreview> preview(new K4QBLayerPreview(
        mainWindow_, canvas, &layers_, mainWindow_->getTextureCache(), logger_));
    preview->start();
    preview_ = preview.release();
    K4C_TRACE(logger_, "Exit K4QBTLControls::startPreview = %p", (void*)this);
}

void K4QBTLControls::stopPreview() noexcept {
    K4C_TRACE_NOTHROW(logger_, "Enter K4QBTLControls::stopPreview = %p", (void*)this);
    K4QBLayerPreview* preview = preview_;
    preview_ = nullptr;
    delete preview; // waits for the worker
    K4C_TRACE_NOTHROW(logger_, "Exit K4QBTLControls::stopPreview = %p", (void*)this);
}

void K4QBTLControls::setPreviewDirty() {
    if (preview_ != nullptr) {
        preview_->setDirty();
    }
}
