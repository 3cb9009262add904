// Reading registry strings into K4CString: the growth loop over the platform
// seam, and on Windows the same over an open key.
#include "foundation/k4cregistry.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstring>

namespace {
// A value that keeps growing between our calls is given up on after this.
constexpr int kMaxAttempts = 8;
} // namespace

bool k4cReadRegistryString(k4p::RegistryRoot root, const char* subkey, const char* valueName,
                           K4CString* out) {
    if (out == nullptr) {
        return false;
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        uint32_t size = static_cast<uint32_t>(out->getCapacity()) + 1;
        long result = k4p::queryRegistryString(root, subkey, valueName, out->getBuffer(), &size);
        if (result == k4p::kRegOk) {
            out->updateLength();
            return true;
        }
        if (result != k4p::kRegMoreData || size > INT32_MAX - 64) {
            break;
        }
        out->reserve(static_cast<int32_t>(size)); // size counts the terminator
    }
    out->clear();
    return false;
}

#ifdef _WIN32
bool k4cReadRegistryString(HKEY key, const char* valueName, K4CString* out) {
    bool ok = false;
    if (out != nullptr) {
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            // One byte stays free for our own terminator: the stored value
            // need not end in one.
            DWORD type = 0;
            DWORD bytes = static_cast<DWORD>(out->getCapacity());
            LONG result = RegQueryValueExA(key, valueName, nullptr, &type,
                                           reinterpret_cast<BYTE*>(out->getBuffer()), &bytes);
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                break;
            }
            if (result == ERROR_SUCCESS) {
                char* buffer = out->getBuffer();
                buffer[strnlen(buffer, bytes)] = 0;
                out->updateLength();
                ok = true;
                break;
            }
            if (result != ERROR_MORE_DATA || bytes > INT32_MAX - 64) {
                break;
            }
            out->reserve(static_cast<int32_t>(bytes));
        }
        if (!ok) {
            out->clear();
        }
    }
    RegCloseKey(key);
    return ok;
}
#endif
