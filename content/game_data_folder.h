// K4QBGameDataFolder: loose game files below the install folder; source type 1
// of the game content, asked before the archives so that loose files take
// precedence.
//
// The file at root folder, game folder and file name joined with backslashes
// is the game file. Lookups use the operating system's listing, so names match
// without regard to case and patterns follow the system's wildcard rules
// (loose files need not agree with the pak registry's own matcher).
//
// Threads: nothing changes after creation but the logger pointer, which is
// set before other threads exist. getContent (inside the Direct3D lock, any
// thread) and findContent (user-interface thread) may run at the same time.
#pragma once

#include "content/game_files.h"

class K4CDebugLogger;
class K4CString;

class K4QBGameDataFolder : public K4QBGameFiles {
public:
    // Over the install folder; throws "K4QBERR_PAK_NOTINSTALLED" when the
    // game is not installed, "K4QBERR_PAK_INVALIDPATH" when its folder
    // cannot be listed.
    static K4QBGameDataFolder* CreateFromGame(K4CDebugLogger* logger);
    // Over any folder; "K4QBERR_PAK_INVALIDPATH" when it cannot be listed.
    static K4QBGameDataFolder* CreateFromPath(const char* folder);
    ~K4QBGameDataFolder() override;
    K4QBGameDataFolder(const K4QBGameDataFolder&) = delete;
    K4QBGameDataFolder& operator=(const K4QBGameDataFolder&) = delete;

    int32_t getSourceType() override;
    const char* getRootFolder() override;
    // The output receives the path with the name as the file system spells it.
    bool getContent(K4CString* output, const char* name, const char* folder,
                    bool searchSubFolders) override;
    int32_t findContent(K4QBFileList* list, const char* pattern, const char* folder,
                        bool searchSubFolders) override;

    void setLogger(K4CDebugLogger* logger) { logger_ = logger; }

private:
    explicit K4QBGameDataFolder(const char* folder);
    bool getFromFile(K4CString* output, const char* name, const char* folderPath);
    bool getFromFolders(K4CString* output, const char* name, const char* folderPath);
    void findFromFiles(K4QBFileList* list, const char* pattern, const char* folder);
    void findFromFolders(K4QBFileList* list, const char* pattern, const char* folder);

    K4CString* rootFolder_;
    K4CDebugLogger* logger_;
};
