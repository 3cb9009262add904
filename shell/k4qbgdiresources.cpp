// K4QBGdiResources and K4QBAppResources: numbered GDI objects and the
// helpers that create them.
#include "shell/k4qbgdiresources.h"

#include "foundation/errors.h"
#include "foundation/k4ctrace.h"
#include "shell/k4qbappwindow.h"

#include <shellapi.h>

namespace {

struct Entry {
    void* handle;
    int32_t kind;
};

void destroyObject(const Entry* entry) {
    if (entry->handle == nullptr) {
        return;
    }
    switch (entry->kind) {
    case K4QB_RES_ICON:
        DestroyIcon(static_cast<HICON>(entry->handle));
        break;
    case K4QB_RES_CURSOR:
        DestroyCursor(static_cast<HCURSOR>(entry->handle));
        break;
    case K4QB_RES_MENU:
        DestroyMenu(static_cast<HMENU>(entry->handle));
        break;
    default:
        DeleteObject(static_cast<HGDIOBJ>(entry->handle));
        break;
    }
}

int32_t fontHeight(int32_t points) {
    HDC screen = GetDC(nullptr);
    int32_t pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return -MulDiv(points, pixelsPerInch, 72);
}

} // namespace

K4QBGdiResources::K4QBGdiResources(K4QBAppWindow* owner, K4CDebugLogger* logger)
    : owner_(owner), logger_(logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBGdiResources(%p) = %p", (void*)owner, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBGdiResources = %p", (void*)this);
}

K4QBGdiResources::~K4QBGdiResources() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBGdiResources = %p", (void*)this);
    for (int32_t i = 0; i < entries_.getCount(); ++i) {
        Entry* entry = static_cast<Entry*>(entries_.get(i));
        destroyObject(entry);
        delete entry;
    }
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBGdiResources = %p", (void*)this);
}

void* K4QBGdiResources::getHandle(int32_t index) const {
    return static_cast<Entry*>(entries_.get(index))->handle;
}

void K4QBGdiResources::addEntry(void* handle, int32_t kind) {
    K4C_TRACE(logger_, "Enter K4QBGdiResources::addEntry(%p, %d) = %p", handle, kind, (void*)this);
    if (handle == nullptr) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBGdiResources::addEntry", (void*)this);
    }
    Entry* entry = new Entry{handle, kind};
    try {
        entries_.add(entry);
    } catch (const char*) {
        destroyObject(entry);
        delete entry;
        throw;
    }
    K4C_TRACE(logger_, "Exit K4QBGdiResources::addEntry = %p", (void*)this);
}

HFONT K4QBGdiResources::createFont(int32_t points, int32_t weight, const char* face) {
    return CreateFontA(fontHeight(points), 0, 0, 0, weight, FALSE, FALSE, FALSE, 0,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       face);
}

void K4QBGdiResources::addShellIcons(const int32_t* numbers, int32_t count) {
    K4C_TRACE(logger_, "Enter K4QBGdiResources::addShellIcons(%p, %d) = %p", (void*)numbers, count,
              (void*)this);
    char path[MAX_PATH + 16] = {0};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        k4cTraceThrow(logger_, K4QBERR_APP_INITERROR, "K4QBGdiResources::addShellIcons",
                      (void*)this);
    }
    if (path[length - 1] != '\\') {
        path[length++] = '\\';
    }
    strcpy(path + length, "shell32.dll");
    for (int32_t i = 0; i < count; ++i) {
        HICON smallIcon = nullptr;
        ExtractIconExA(path, numbers[i], nullptr, &smallIcon, 1);
        addEntry(smallIcon, K4QB_RES_ICON);
    }
    K4C_TRACE(logger_, "Exit K4QBGdiResources::addShellIcons = %p", (void*)this);
}

HINSTANCE K4QBGdiResources::getInstance() const {
    // Program resources live in the executable when no window names a module.
    return owner_ != nullptr ? owner_->getAppInstance() : GetModuleHandleA(nullptr);
}

HICON K4QBGdiResources::loadProgramIcon(int32_t id, int32_t size) const {
    UINT flags = size == 0 ? LR_DEFAULTSIZE : 0;
    return static_cast<HICON>(
        LoadImageA(getInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, flags));
}

K4QBAppResources::K4QBAppResources(K4QBAppWindow* owner, K4CDebugLogger* logger)
    : K4QBGdiResources(owner, logger) {
    K4C_TRACE(logger_, "Enter constructor K4QBAppResources(%p) = %p", (void*)owner, (void*)this);
    K4C_TRACE(logger_, "Exit constructor K4QBAppResources = %p", (void*)this);
}

K4QBAppResources::~K4QBAppResources() {
    K4C_TRACE_NOTHROW(logger_, "Enter destructor K4QBAppResources = %p", (void*)this);
    K4C_TRACE_NOTHROW(logger_, "Exit destructor K4QBAppResources = %p", (void*)this);
}

void K4QBAppResources::init() {
    K4C_TRACE(logger_, "Enter K4QBAppResources::init = %p", (void*)this);
    addEntry(createBackgroundBrush(), K4QB_RES_BRUSH);
    addEntry(createLargeIcon(), K4QB_RES_ICON);
    addEntry(createSmallIcon(), K4QB_RES_ICON);
    addEntry(createLabelFont(), K4QB_RES_FONT);
    addEntry(createListFont(), K4QB_RES_FONT);
    K4C_TRACE(logger_, "Exit K4QBAppResources::init = %p", (void*)this);
}

HBRUSH K4QBAppResources::createBackgroundBrush() {
    HBRUSH brush = CreateSolidBrush(getAppBGColor());
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppResources::createBackgroundBrush = %p",
              (void*)brush, (void*)this);
    return brush;
}

HFONT K4QBAppResources::createLabelFont() {
    HFONT font = createFont(9, FW_DONTCARE, "Verdana");
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppResources::createLabelFont = %p",
              (void*)font, (void*)this);
    return font;
}

HFONT K4QBAppResources::createListFont() {
    HFONT font = createFont(9, FW_DONTCARE, "Arial");
    K4C_TRACE(logger_, "Enter and return %p from K4QBAppResources::createListFont = %p",
              (void*)font, (void*)this);
    return font;
}

COLORREF K4QBAppResources::getAppBGColor() {
    COLORREF colour = RGB(243, 242, 231);
    K4C_TRACE(logger_, "Enter and return %u from K4QBAppResources::getAppBGColor = %p",
              (unsigned)colour, (void*)this);
    return colour;
}
