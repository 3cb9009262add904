// Numbered sets of GDI and user-interface objects, created once by init and
// destroyed with their set. The number of a resource is its index in the set.
//
// K4QBGdiResources holds the entries and the creation helpers;
// K4QBAppResources makes entries 0 to 4 of the application set (background
// brush, large and small program icon, label and list fonts), leaving the
// program icons to its subclass. Any object that cannot be created throws
// "K4QBERR_APP_INITERROR"; entries made before are destroyed with the set.
// Access outside the set throws "IndexOutOfBoundsException".
#pragma once

#include "foundation/k4cptrarray.h"

#include <windows.h>

#include <cstdint>

class K4CDebugLogger;
class K4QBAppWindow;

// Entry kinds; the kind decides how the object is destroyed.
inline constexpr int32_t K4QB_RES_BITMAP = 0;
inline constexpr int32_t K4QB_RES_ICON = 1;
inline constexpr int32_t K4QB_RES_CURSOR = 2;
inline constexpr int32_t K4QB_RES_MENU = 3;
inline constexpr int32_t K4QB_RES_BRUSH = 4;
inline constexpr int32_t K4QB_RES_PEN = 5;
inline constexpr int32_t K4QB_RES_FONT = 6;

// Entries of the application set.
inline constexpr int32_t K4QB_RES_BGBRUSH = 0;
inline constexpr int32_t K4QB_RES_LARGEICON = 1;
inline constexpr int32_t K4QB_RES_SMALLICON = 2;
inline constexpr int32_t K4QB_RES_LABELFONT = 3;
inline constexpr int32_t K4QB_RES_LISTFONT = 4;

class K4QBGdiResources {
public:
    // The owner's instance is where program resources load from (the
    // executable's own module when there is no owner). Nothing is created yet.
    explicit K4QBGdiResources(K4QBAppWindow* owner, K4CDebugLogger* logger = nullptr);
    // Destroys every entry's object in index order.
    virtual ~K4QBGdiResources();
    K4QBGdiResources(const K4QBGdiResources&) = delete;
    K4QBGdiResources& operator=(const K4QBGdiResources&) = delete;

    // Creates the entries.
    virtual void init() = 0;

    // The handle of entry `index`.
    void* getHandle(int32_t index) const;
    HFONT getFont(int32_t index) const { return static_cast<HFONT>(getHandle(index)); }
    HICON getIcon(int32_t index) const { return static_cast<HICON>(getHandle(index)); }
    HBRUSH getBrush(int32_t index) const { return static_cast<HBRUSH>(getHandle(index)); }

protected:
    // Appends the object; a null handle throws "K4QBERR_APP_INITERROR".
    void addEntry(void* handle, int32_t kind);
    // Creates a font of that size, weight and face (null on failure); the
    // height is -(points * the screen's vertical pixels per inch / 72),
    // rounded by MulDiv.
    static HFONT createFont(int32_t points, int32_t weight, const char* face);
    // Appends the small versions of these icons of the system's shell32.dll.
    void addShellIcons(const int32_t* numbers, int32_t count);
    // A program icon group resource at that size (0: the system's default
    // large size); null on failure.
    HICON loadProgramIcon(int32_t id, int32_t size) const;
    HINSTANCE getInstance() const;

    K4QBAppWindow* owner_;
    K4CDebugLogger* logger_;

private:
    K4CPtrArray entries_;
};

class K4QBAppResources : public K4QBGdiResources {
public:
    explicit K4QBAppResources(K4QBAppWindow* owner, K4CDebugLogger* logger = nullptr);
    ~K4QBAppResources() override;

    // Entries 0 to 4: background brush, large icon, small icon, label font
    // ("Verdana" 9 points), list font ("Arial" 9 points).
    void init() override;
    virtual HBRUSH createBackgroundBrush();
    virtual HICON createLargeIcon() = 0;
    virtual HICON createSmallIcon() = 0;
    virtual HFONT createLabelFont();
    virtual HFONT createListFont();
    // RGB 243, 242, 231.
    virtual COLORREF getAppBGColor();
};
