// The program's main window as the Windows benchmarks build it in-process:
// its settings, log and cache in the bench's own folder.
#pragma once

#include "texmgr/k4qbtexmgrwindow.h"

#include <string>

namespace k4bench {

class TexMgrWindow : public K4QBTexMgrWindow {
public:
    explicit TexMgrWindow(const std::string& folder, K4CDebugLogger* logger = nullptr)
        : K4QBTexMgrWindow(GetModuleHandleA(nullptr), logger) {
        setAppFolder((folder + "\\").c_str());
    }
};

} // namespace k4bench
