// K4QBContentRegistry: the game content as the program sees it, an ordered
// list of sources asked in turn (source type 0).
//
// getContent returns the first source's answer, so a loose file hides the
// archived file of the same folder and name; findContent asks every source
// and sums what they added. The first pak registry added answers the
// browsing operations.
//
// Threads as for every source (game_files.h): getContent inside the Direct3D
// lock from any thread, findContent and browsing on the user-interface thread;
// addSource only while the registry is made, on the start-up thread.
#pragma once

#include "content/game_files.h"
#include "foundation/k4cptrarray.h"

class K4CDebugLogger;
class K4QBPakRegistry;

class K4QBContentRegistry : public K4QBGameFiles {
public:
    explicit K4QBContentRegistry(K4CDebugLogger* logger = nullptr);
    // Deletes every source, first to last.
    ~K4QBContentRegistry() override;
    K4QBContentRegistry(const K4QBContentRegistry&) = delete;
    K4QBContentRegistry& operator=(const K4QBContentRegistry&) = delete;

    // The registry owns the source from now on, also when adding fails.
    void addSource(K4QBGameFiles* source);
    int32_t getSourceCount() const;
    K4QBGameFiles* getSource(int32_t index) const;

    int32_t getSourceType() override;
    const char* getRootFolder() override; // ""
    bool getContent(K4CString* output, const char* name, const char* folder,
                    bool searchSubFolders) override;
    int32_t findContent(K4QBFileList* list, const char* pattern, const char* folder,
                        bool searchSubFolders) override;

    // The pak source's answers; 0 without a pak source.
    int32_t getSubFolderCount(const char* folder);
    // "K4QBERR_PAK_OUTOFRANGE" without a pak source.
    const char* getSubFolder(const char* folder, int32_t index);

private:
    K4COwningPtrArray<K4QBGameFiles> sources_;
    K4QBPakRegistry* pakSource_; // one of the sources, not owned separately
    K4CDebugLogger* logger_;
};
