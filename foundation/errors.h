// Error codes of the whole program.
//
// A failure is thrown as a pointer to one of these constant texts and caught
// as `const char*`; codes are compared by text (k4cIsError), never by address,
// because a code may have travelled through a copy of the text.
#pragma once

#include <cstring>
#include <new>

inline constexpr const char* K4CEXC_INDEXOUTOFBOUNDS = "IndexOutOfBoundsException";
inline constexpr const char* K4CEXC_IO = "IOException";
inline constexpr const char* K4CERR_STR_ILLEGALARGUMENT = "K4CERR_STR_ILLEGALARGUMENT";
inline constexpr const char* K4CERR_STR_OUTOFRANGE = "K4CERR_STR_OUTOFRANGE";
inline constexpr const char* K4CERR_LOG_ILLEGALARGUMENT = "K4CERR_LOG_ILLEGALARGUMENT";
inline constexpr const char* K4CERR_LOG_IOERROR = "K4CERR_LOG_IOERROR";
inline constexpr const char* K4CERR_MEM_OUTOFMEMORY = "K4CERR_MEM_OUTOFMEMORY";
// A file could not be written for want of room (k4p::WriteError::DiskFull);
// the file it was to replace is kept.
inline constexpr const char* K4CERR_IO_DISKFULL = "K4CERR_IO_DISKFULL";
inline constexpr const char* K4DXERR_RES_LOADERROR = "K4DXERR_RES_LOADERROR";
inline constexpr const char* K4QBERR_PAK_NOTINSTALLED = "K4QBERR_PAK_NOTINSTALLED";
inline constexpr const char* K4QBERR_PAK_INVALIDPATH = "K4QBERR_PAK_INVALIDPATH";
inline constexpr const char* K4QBERR_PAK_IOERROR = "K4QBERR_PAK_IOERROR";
inline constexpr const char* K4QBERR_PAK_OUTOFRANGE = "K4QBERR_PAK_OUTOFRANGE";
// An archive was rewritten (the game patched) after its directory was read:
// its entries no longer describe the file.
inline constexpr const char* K4QBERR_PAK_CHANGED = "K4QBERR_PAK_CHANGED";
inline constexpr const char* K4QBERR_INI_IOERROR = "K4QBERR_INI_IOERROR";
inline constexpr const char* K4QBERR_APP_INITERROR = "K4QBERR_APP_INITERROR";
inline constexpr const char* K4QBERR_APP_D3DERROR = "K4QBERR_APP_D3DERROR";
inline constexpr const char* K4QBERR_TEXMGR_NOFILESCHOSEN = "K4QBERR_TEXMGR_NOFILESCHOSEN";
inline constexpr const char* K4QBERR_TEXMGR_USERCANCELLED = "K4QBERR_TEXMGR_USERCANCELLED";
// qbtex: an unknown option, a missing or impossible option value.
inline constexpr const char* K4QBERR_CLI_USAGE = "K4QBERR_CLI_USAGE";

// True when the thrown code names the given error.
inline bool k4cIsError(const char* thrown, const char* code) {
    return thrown != nullptr && code != nullptr && std::strcmp(thrown, code) == 0;
}

// What the user is told about a code that asks something of them, or null
// for the codes whose name is all there is to show.
inline const char* k4cErrorMessage(const char* code) {
    if (k4cIsError(code, K4QBERR_PAK_CHANGED)) {
        return "the game's archives changed; restart to see them";
    }
    if (k4cIsError(code, K4CERR_IO_DISKFULL)) {
        return "disk full";
    }
    return nullptr;
}

// Runs an operation that allocates and lets running out of memory leave it as
// the code K4CERR_MEM_OUTOFMEMORY, so that callers, which catch codes only,
// see it like any other failure. Used at the edge of operations that load
// outside data (archives, the registry, settings); whatever the operation
// allocated must be owned so that unwinding releases it.
template <typename Operation> decltype(auto) k4cOutOfMemoryAsError(Operation&& operation) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        throw K4CERR_MEM_OUTOFMEMORY;
    }
}
