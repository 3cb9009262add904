// Calls shared by the platform implementations and the portable parts of the
// platform library; not for use above platform/.
#pragma once

#include <cstdio>
#include <string>

namespace k4p::detail {

// Creates and opens (binary, for writing) a new file with a unique name in the
// folder of `target`, with the permissions `target` has if it exists; its path
// goes to `tempPath`. Null on failure.
FILE* createTempFileBeside(const char* target, std::string* tempPath);

// Flushes the C buffers and asks the system to put the file's content on the
// disk. False when either step fails.
bool flushToDisk(FILE* file);

// Whether the failure of the file call just made was for want of room (a
// full disk or quota, a file size limit). Read before any other call.
bool lastFailureWasNoRoom();

// Zero-filled pages straight from the system for a large block; null when
// there are none. Free with the same size.
void* mapLarge(size_t bytes);
void unmapLarge(void* block, size_t bytes);

} // namespace k4p::detail
