// K4QBTexMgrWindow: files and folders from outside, dropped onto the window
// from Explorer (WM_DROPFILES) or named on the command line, shown as a drop.
#include "texmgr/k4qbtexmgrwindow.h"

#include "content/file_list.h"
#include "foundation/k4ctrace.h"
#include "texmgr/k4qbopenpaths.h"
#include "texmgr/k4qbtexmgrimagepanel.h"
#include "texmgr/k4qbtlcontrols.h"

#include <shellapi.h>

void K4QBTexMgrWindow::onDropFiles(HDROP drop) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::onDropFiles(%p) = %p", (void*)drop,
              (void*)this);
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, &path[0], length + 1);
        path.resize(length);
        paths.push_back(path);
    }
    DragFinish(drop);
    openPaths(paths);
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::onDropFiles = %p", (void*)this);
}

void K4QBTexMgrWindow::openPaths(const std::vector<std::wstring>& paths) {
    K4C_TRACE(getLogger(), "Enter K4QBTexMgrWindow::openPaths(%d) = %p", (int)paths.size(),
              (void*)this);
    K4QBOpenedPaths opened = k4qbSortOpenedPaths(paths);
    if (mode_ == K4QB_MODE_FIND && (!opened.images.empty() || !opened.folders.empty())) {
        const std::string& first = opened.firstFolder;
        fsControls_->showDiskFolder(first.c_str());
        std::vector<std::string> names;
        for (const std::string& image : opened.images) {
            if (_stricmp(k4qbFolderOf(image).c_str(), first.c_str()) == 0) {
                names.push_back(k4qbNameOf(image));
            }
        }
        std::vector<const char*> texts;
        for (const std::string& name : names) {
            texts.push_back(name.c_str());
        }
        fsControls_->selectFiles(texts.data(), static_cast<int32_t>(texts.size()));
        imagePanel_->showSelectedFiles();
    } else if (mode_ == K4QB_MODE_LAYERED) {
        K4QBFileList layers;
        for (const std::string& image : opened.images) {
            layers.append(nullptr, k4qbNameOf(image).c_str(), k4qbFolderOf(image).c_str());
        }
        if (layers.getCount() > 0) {
            tlControls_->attachFiles(layers);
        }
        // Folders hold no layer of their own.
        for (const std::string& folder : opened.folders) {
            opened.unread.push_back(folder);
        }
    }
    const std::string leftOut = k4qbLeftOutMessage(opened);
    if (!leftOut.empty()) {
        MessageBoxA(getWindow(), leftOut.c_str(), K4QB_TEXMGR_TITLE, MB_OK | MB_ICONWARNING);
    }
    K4C_TRACE(getLogger(), "Exit K4QBTexMgrWindow::openPaths = %p", (void*)this);
}
