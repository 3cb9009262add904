// Reading registry strings into K4CString: the growth loop over the platform
// seam.
#include "foundation/k4cregistry.h"

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
