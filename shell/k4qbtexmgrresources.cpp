// K4QBTexMgrResources: the texture manager's icons and button font on top of
// the application set.
#include "shell/k4qbtexmgrresources.h"

#include "foundation/k4ctrace.h"
#include "resources/resource_ids.h"

K4QBTexMgrResources::K4QBTexMgrResources(K4QBAppWindow* owner, K4CDebugLogger* logger)
    : K4QBAppResources(owner, logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBTexMgrResources(%p) = %p", (void*)owner, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBTexMgrResources = %p", (void*)this);
}

K4QBTexMgrResources::~K4QBTexMgrResources() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBTexMgrResources = %p", (void*)this);
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBTexMgrResources = %p", (void*)this);
}

void K4QBTexMgrResources::init() {
    K4C_TRACE(logger_, "Enter K4QBTexMgrResources::init = %p", (void*)this);
    K4QBAppResources::init();
    addEntry(loadProgramIcon(IDI_GAME_CONTENT, 16), K4QB_RES_ICON);
    static const int32_t shellIcons[] = {15, 45, 57};
    addShellIcons(shellIcons, 3);
    addEntry(createFont(8, FW_NORMAL, "Verdana"), K4QB_RES_FONT);
    K4C_TRACE(logger_, "Exit K4QBTexMgrResources::init = %p", (void*)this);
}

HICON K4QBTexMgrResources::createLargeIcon() {
    HICON icon = loadProgramIcon(IDI_APP, 0);
    K4C_TRACE(logger_, "Enter and return %p from K4QBTexMgrResources::createLargeIcon = %p",
              (void*)icon, (void*)this);
    return icon;
}

HICON K4QBTexMgrResources::createSmallIcon() {
    HICON icon = loadProgramIcon(IDI_APP, 16);
    K4C_TRACE(logger_, "Enter and return %p from K4QBTexMgrResources::createSmallIcon = %p",
              (void*)icon, (void*)this);
    return icon;
}
