// What a process holds of the system, counted where the system reports it
// and where it does not (Wine 8 reports 0 from GetProcessHandleCount and
// GetGuiResources): for the tests that check that repeated work leaves
// nothing behind, and for the soak benchmark. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

namespace k4test {

// The used entries of the process's GDI handle table. Wine keeps the table
// in the process and takes a handle's index alone; Windows checks the upper
// bits too, so this finds nothing there.
inline uint32_t gdiTableObjects() {
    uint32_t count = 0;
    for (uintptr_t index = 1; index < 0x10000; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) {
            ++count;
        }
    }
    return count;
}

// The process's GDI objects: as the system counts them, else from the table.
inline uint32_t gdiObjectCount() {
    DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return reported != 0 ? reported : gdiTableObjects();
}

// The handles that answer GetHandleInformation, up to a long run of free
// values (handle values are multiples of 4, given out lowest first).
inline uint32_t handleTableEntries() {
    uint32_t count = 0;
    for (uintptr_t value = 4, misses = 0; misses < 4096; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

namespace detail {

inline BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*reinterpret_cast<uint32_t*>(count);
    return TRUE;
}

inline BOOL CALLBACK countTopLevel(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<uint32_t*>(count);
        EnumChildWindows(window, countChild, count);
    }
    return TRUE;
}

} // namespace detail

// The process's top-level and message-only windows with their children.
inline uint32_t processWindows() {
    uint32_t count = 0;
    EnumWindows(detail::countTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND window = nullptr;
         (window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;) {
        detail::countTopLevel(window, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

} // namespace k4test
