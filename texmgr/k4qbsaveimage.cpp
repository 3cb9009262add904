// Save Image As: dialogs, the game's files kept safe, the writes (see
// k4qbsaveimage.h).
#include "texmgr/k4qbsaveimage.h"

#include "codec/codec.h"
#include "content/content_registry.h"
#include "content/game_files.h"
#include "foundation/errors.h"
#include "foundation/k4cstring.h"
#include "foundation/k4ctrace.h"
#include "platform/platform.h"
#include "texmgr/k4qbfilecontrol.h"
#include "texmgr/k4qbtexmgrwindow.h"
#include "textures/k4qbtexturecache.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

namespace {

constexpr const char* kTitle = "Save Image As";

struct TypeName {
    const char* extension;
    k4codec::ExportType type;
};
// In the order of the dialog's filter.
constexpr TypeName kTypes[] = {
    {".png", k4codec::ExportType::Png},
    {".tga", k4codec::ExportType::Tga},
    {".bmp", k4codec::ExportType::Bmp},
    {".dds", k4codec::ExportType::Dds},
};
constexpr char kFilter[] = "PNG image (*.png)\0*.png\0TGA image (*.tga)\0*.tga\0"
                           "BMP image (*.bmp)\0*.bmp\0DDS texture as stored (*.dds)\0*.dds\0";

bool endsWithNoCase(const char* text, const char* end) {
    const size_t length = std::strlen(text), endLength = std::strlen(end);
    return length >= endLength && _stricmp(text + length - endLength, end) == 0;
}

// The full path, for comparing where two names point.
std::string fullPath(const char* path) {
    char full[4096];
    const DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full) : std::string(path);
}

// The name without its extension, then `extension`.
std::string withExtension(const char* name, const char* extension) {
    std::string base(name);
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) {
        base.erase(dot);
    }
    return base + extension;
}

} // namespace

k4codec::ExportType K4QBSaveImage::typeOfName(const char* name, k4codec::ExportType fallback) {
    for (const TypeName& entry : kTypes) {
        if (endsWithNoCase(name, entry.extension)) {
            return entry.type;
        }
    }
    return fallback;
}

void K4QBSaveImage::tell(const std::string& text, UINT icon) {
    MessageBoxA(window_->getWindow(), text.c_str(), kTitle, MB_OK | icon);
}

bool K4QBSaveImage::entryPath(int32_t position, K4CString* path, std::string* error) {
    K4QBFileListBox* list = window_->getFSControls()->getFileList();
    const char* name = list->getEntryFileName(position);
    if (list->getEntrySource(position) == nullptr) {
        path->assign(K4CString(list->getEntryFolder(position), name));
        return true;
    }
    // Out of the archives into the cache folder, as the preview loads it.
    K4QBD3DUse use(window_);
    const char* failure = K4QBERR_APP_D3DERROR; // the device is lost
    if (use.device() != nullptr) {
        try {
            window_->getTextureCache()->getQuellburyPath(name, list->getEntryFolder(position),
                                                         path);
            return true;
        } catch (const char* code) {
            failure = code;
        }
    }
    *error = std::string(name) + " could not be read from the Quellbury content (" + failure + ").";
    return false;
}

bool K4QBSaveImage::isGameFile(const char* target, const char* source) {
    const std::string full = fullPath(target);
    if (_stricmp(full.c_str(), fullPath(source).c_str()) == 0) {
        return true;
    }
    K4QBContentRegistry* content = window_->getQBContent();
    for (int32_t i = 0; content != nullptr && i < content->getSourceCount(); ++i) {
        K4QBGameFiles* files = content->getSource(i);
        if (files->getSourceType() != K4QB_SOURCE_DATAFOLDER) {
            continue;
        }
        std::string root = fullPath(files->getRootFolder());
        if (!root.empty() && root.back() != '\\') {
            root += '\\';
        }
        if (full.size() > root.size() && _strnicmp(full.c_str(), root.c_str(), root.size()) == 0 &&
            (k4p::fileExists(full.c_str()) || endsWithNoCase(full.c_str(), ".pak"))) {
            return true;
        }
    }
    return false;
}

std::string K4QBSaveImage::saveEntry(int32_t position, const char* target,
                                     k4codec::ExportType type) {
    K4C_TRACE(window_->getLogger(), "Enter K4QBSaveImage::saveEntry(%d, %s, %d)", position, target,
              static_cast<int>(type));
    K4QBFileListBox* list = window_->getFSControls()->getFileList();
    const std::string name = list->getEntryFileName(position);
    std::string error;
    K4CString source;
    if (!entryPath(position, &source, &error)) {
        return error;
    }
    if (isGameFile(target, source.getText())) {
        return std::string(target) + " is one of Quellbury's own files and is not replaced. " +
               "Please choose another name or folder.";
    }
    std::vector<uint8_t> bytes, written;
    k4codec::HResult result = k4codec::readFileBytes(source.getText(), &bytes);
    if (result == k4codec::kOk) {
        result = k4codec::exportPicture(bytes.data(), bytes.size(), type, &written);
    }
    if (result == k4codec::kOk) {
        result = k4codec::writeFileAtomic(target, written);
    }
    if (result != k4codec::kOk) {
        k4codec::ImageInfo info;
        k4codec::readImageHeader(bytes.data(), bytes.size(), &info);
        error = name + " could not be saved as " + target + ": " +
                k4codec::resultMessage(result, info) + ".";
    }
    K4C_TRACE(window_->getLogger(), "Return %s from K4QBSaveImage::saveEntry", error.c_str());
    return error;
}

std::string K4QBSaveImage::saveSelectionToFolder(const char* folder) {
    K4QBFileListBox* list = window_->getFSControls()->getFileList();
    int32_t count = 0;
    const int32_t* selected = list->getSelectedPositions(&count);
    // A copy: the list hands out one array, which the next query refills.
    const std::vector<int32_t> positions(selected, selected + count);
    std::vector<std::string> targets;
    int32_t existing = 0;
    for (int32_t position : positions) {
        targets.push_back(
            K4CString(folder, withExtension(list->getEntryFileName(position), ".png").c_str())
                .getText());
        existing += k4p::fileExists(targets.back().c_str()) ? 1 : 0;
    }
    if (existing > 0 && MessageBoxA(window_->getWindow(),
                                    (std::to_string(existing) + " of the files already exist in " +
                                     folder + ". Is it OK to replace them?")
                                        .c_str(),
                                    kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return std::string();
    }
    std::string errors;
    K4QBBusyScope busy(window_, K4QB_BUSY_WAIT);
    for (size_t i = 0; i < positions.size(); ++i) {
        const std::string error =
            saveEntry(positions[i], targets[i].c_str(), k4codec::ExportType::Png);
        if (!error.empty()) {
            errors += error + "\n";
        }
    }
    return errors;
}

bool K4QBSaveImage::chooseFile(const char* name, K4CString* target, k4codec::ExportType* type) {
    std::vector<char> file(32768, 0);
    const std::string initial = withExtension(name, ".png");
    std::strncpy(file.data(), initial.c_str(), file.size() - 1);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_->getWindow();
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = kTitle;
    dialog.lpstrDefExt = "png";
    dialog.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog)) {
        return false;
    }
    const DWORD index =
        dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= 4 ? dialog.nFilterIndex : 1;
    // A typed extension of the four wins over the filter.
    *type = typeOfName(file.data(), kTypes[index - 1].type);
    target->assign(file.data());
    return true;
}

bool K4QBSaveImage::chooseFolder(K4CString* folder) {
    BROWSEINFOA browse = {};
    browse.hwndOwner = window_->getWindow();
    browse.lpszTitle = "Save the selected pictures as PNG files into this folder:";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (chosen == nullptr) {
        return false;
    }
    char path[MAX_PATH] = {0};
    const bool found = SHGetPathFromIDListA(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (found) {
        folder->assign(path);
        if (folder->getLength() > 0 && path[folder->getLength() - 1] != '\\') {
            folder->appendChar('\\');
        }
    }
    return found;
}

void K4QBSaveImage::run() {
    K4C_TRACE(window_->getLogger(), "Enter K4QBSaveImage::run");
    K4QBFileListBox* list = window_->getFSControls()->getFileList();
    int32_t count = 0;
    const int32_t* selected = list->getSelectedPositions(&count);
    if (window_->getMode() != K4QB_MODE_FIND || count == 0) {
        tell("Please choose at least one image file in the file search to save.",
             MB_ICONINFORMATION);
    } else if (count == 1) {
        const int32_t position = selected[0];
        K4CString target;
        k4codec::ExportType type = k4codec::ExportType::Png;
        if (chooseFile(list->getEntryFileName(position), &target, &type)) {
            std::string error;
            {
                K4QBBusyScope busy(window_, K4QB_BUSY_WAIT);
                error = saveEntry(position, target.getText(), type);
            }
            if (!error.empty()) {
                tell(error, MB_ICONWARNING);
            }
        }
    } else {
        K4CString folder;
        if (chooseFolder(&folder)) {
            const std::string errors = saveSelectionToFolder(folder.getText());
            if (!errors.empty()) {
                tell(errors, MB_ICONWARNING);
            }
        }
    }
    K4C_TRACE(window_->getLogger(), "Exit K4QBSaveImage::run");
}
