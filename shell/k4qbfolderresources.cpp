// K4QBFolderResources: the folder drop-downs' icons and bold font.
#include "shell/k4qbfolderresources.h"

#include "foundation/k4ctrace.h"

namespace {

// shell32.dll icon numbers of entries 0 to 7, in order.
constexpr int32_t kShellIcons[] = {126, 7, 8, 11, 9, 12, 3, 4};

} // namespace

K4QBFolderResources::K4QBFolderResources(K4QBAppWindow* owner, K4CDebugLogger* logger)
    : K4QBGdiResources(owner, logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBFolderResources(%p) = %p", (void*)owner, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBFolderResources = %p", (void*)this);
}

K4QBFolderResources::~K4QBFolderResources() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBFolderResources = %p", (void*)this);
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBFolderResources = %p", (void*)this);
}

void K4QBFolderResources::init() {
    K4C_TRACE(logger_, "Enter K4QBFolderResources::init = %p", (void*)this);
    addShellIcons(kShellIcons, 8);
    addEntry(createFont(9, FW_BOLD, "Arial"), K4QB_RES_FONT);
    K4C_TRACE(logger_, "Exit K4QBFolderResources::init = %p", (void*)this);
}
