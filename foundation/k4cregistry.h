// Reading a string value from the system registry into a K4CString, growing
// the string until the value fits.
//
// The value is taken only when it is a string (REG_SZ or REG_EXPAND_SZ); a
// stored value need not end in a NUL and is never read past its end. Nothing
// here writes to the registry.
#pragma once

#include "foundation/k4cstring.h"
#include "platform/platform.h"

// Reads `valueName` of `root\subkey` through the platform seam. True on
// success; on failure the string is left empty.
bool k4cReadRegistryString(k4p::RegistryRoot root, const char* subkey, const char* valueName,
                           K4CString* out);
