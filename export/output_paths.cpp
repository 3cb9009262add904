// Output and thumbnail paths, output folders (see output_paths.h).
#include "export/output_paths.h"

#include "content/pak_names.h"
#include "platform/platform.h"

namespace k4export {

namespace {

void endWithBackslash(K4CString* path) {
    if (path->getLength() > 0 && path->getText()[path->getLength() - 1] != '\\') {
        path->appendChar('\\');
    }
}

bool fromGame(const ExportSettings& settings) {
    return settings.folderSource != 0;
}

// The install folder with a final backslash; false when the game is not
// installed.
bool installRoot(const ExportSettings& settings, K4CString* root) {
    root->assign(settings.installPath);
    endWithBackslash(root);
    return root->getLength() > 0;
}

// The folder outputs go to, with a final backslash. A game folder must be
// relative components, each safe, so that it stays inside the install folder.
bool outputFolder(const ExportSettings& settings, K4CString* folder) {
    if (!fromGame(settings)) {
        folder->assign(settings.folder);
        endWithBackslash(folder);
        return folder->getLength() > 0;
    }
    K4CString gameFolder(settings.folder);
    endWithBackslash(&gameFolder);
    if (!installRoot(settings, folder) || k4qbCheckPakFolderName(gameFolder.getText()) != nullptr) {
        folder->clear();
        return false;
    }
    folder->append(gameFolder);
    return true;
}

void createFolder(const K4CString& base, const char* subFolder) {
    K4CString path(base);
    path.append(subFolder);
    k4p::createFolder(path.getText());
}

// Folder-tree creation without the final backslash the callers keep.
void createFolderTree(const K4CString& folder) {
    K4CString path(folder);
    path.erase(path.getLength() - 1, path.getLength());
    k4p::createFolderTree(path.getText());
}

} // namespace

bool makeOutputPath(const ExportSettings& settings, const char* name, K4CString* path) {
    if (k4qbCheckPakFileName(name) != nullptr || !outputFolder(settings, path)) {
        path->clear();
        return false;
    }
    path->append(name);
    return true;
}

bool makeThumbnailPath(const ExportSettings& settings, const char* name, K4CString* path) {
    const int32_t type = checkedType(settings.type);
    if (type == kTextures || !makeOutputPath(settings, name, path)) {
        path->clear();
        return false;
    }
    const bool overlay = type != kBackdrops;
    if (fromGame(settings)) {
        installRoot(settings, path);
        path->append(kTextureRoot);
        path->append(overlay ? "overlays\\overlay_thumbnails\\" : "thumbs\\backdrops\\");
    } else {
        path->assign(settings.folder);
        endWithBackslash(path);
        path->append(overlay ? "overlay_thumbnails\\" : "thumbs\\");
    }
    path->append(overlay ? "" : "th_");
    path->append(name);
    return true;
}

void prepareOutputFolders(const ExportSettings& settings) {
    const int32_t type = checkedType(settings.type);
    K4CString folder;
    if (!outputFolder(settings, &folder)) {
        return;
    }
    if (!fromGame(settings)) {
        if (type == kStaticOverlays || type == kAnimatedOverlays) {
            createFolder(folder, "overlay_thumbnails");
        } else if (type == kBackdrops) {
            createFolder(folder, "thumbs");
        }
        return;
    }
    k4p::FileStatus status;
    if (!k4p::getFileStatus(settings.installPath, &status) || !status.directory) {
        return; // not there any more: creating it would fake an install
    }
    K4CString textures;
    installRoot(settings, &textures);
    textures.append(kTextureRoot);
    createFolderTree(textures);
    // Every level of the chosen game folder, wherever it lies.
    createFolderTree(folder);
    if (type == kStaticOverlays || type == kAnimatedOverlays) {
        createFolder(textures, "overlays");
        createFolder(textures, "overlays\\overlay_thumbnails");
    } else if (type == kBackdrops) {
        createFolder(textures, "backdrops");
        createFolder(textures, "thumbs");
        createFolder(textures, "thumbs\\backdrops");
    }
}

} // namespace k4export
