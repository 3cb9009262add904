// Fuzz target for the settings reader: any bytes are read as a settings
// file; whatever reads must write and read back to the same groups and
// entries, and further trips must reproduce the same bytes. Error codes from
// reading are expected outcomes (NUL bytes); anything else aborts. Reading
// and writing go through memory streams with the reader and writer that load
// and save use between opening and closing the file.
#include "foundation/errors.h"
#include "foundation/k4qbinifile.h"
#include "fuzz/memory_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
using Groups = std::vector<std::pair<std::string, Entries>>;

// The groups as the file holds them after a save: groups without entries are
// not written, and a later unnamed group has no header, so its entries join
// the group written before it.
Groups written(const K4QBIniFile& settings) {
    Groups groups;
    for (int32_t g = 0; g < settings.getGroupCount(); ++g) {
        const K4QBIniGroup* group = settings.getGroupAt(g);
        if (group->getEntryCount() == 0) {
            continue;
        }
        if (group->getName()[0] != 0 || groups.empty()) {
            groups.emplace_back(group->getName(), Entries());
        }
        for (int32_t e = 0; e < group->getEntryCount(); ++e) {
            const K4QBIniEntry* entry = group->getEntryAt(e);
            groups.back().second.emplace_back(entry->getKey(), entry->getValue());
        }
    }
    return groups;
}

std::unique_ptr<K4QBIniFile> read(const std::string& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> stream(
        k4fuzzOpenInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), std::fclose);
    return std::unique_ptr<K4QBIniFile>(K4QBIniFile::loadFromStream(stream.get()));
}

std::string write(const K4QBIniFile& settings) {
    char* buffer = nullptr;
    size_t length = 0;
    FILE* stream = open_memstream(&buffer, &length);
    if (stream == nullptr || !settings.saveToStream(stream) || std::fclose(stream) != 0) {
        std::abort();
    }
    std::string bytes(buffer, length);
    std::free(buffer);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<K4QBIniFile> first;
    try {
        first = read(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const char* code) {
        if (!k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT)) {
            std::abort();
        }
        return 0;
    }
    try {
        std::unique_ptr<K4QBIniFile> second = read(write(*first));
        if (written(*first) != written(*second)) {
            std::abort();
        }
        // Unnamed groups may merge on the first trip; from then on the bytes
        // are stable.
        std::string secondBytes = write(*second);
        if (write(*read(secondBytes)) != secondBytes) {
            std::abort();
        }
    } catch (const char*) {
        std::abort(); // what we wrote ourselves must read back
    }
    return 0;
}
