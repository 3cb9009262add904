// Starting and ending the program's worker threads (the previews, the
// loader, the export). Each worker runs its body through k4qbRunWorker and
// never waits for the window thread, so the window thread may wait for it.
#pragma once

#include <windows.h>

#include <process.h>

// The thread's handle, or null when the system cannot start it.
inline HANDLE k4qbStartThread(unsigned(__stdcall* body)(void*), void* context) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, context, 0, nullptr));
}

// Waits for the thread to end and closes its handle; nothing when null.
inline void k4qbEndThread(HANDLE* thread) noexcept {
    if (*thread != nullptr) {
        WaitForSingleObject(*thread, INFINITE);
        CloseHandle(*thread);
        *thread = nullptr;
    }
}
