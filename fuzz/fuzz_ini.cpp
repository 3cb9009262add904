// Fuzz target for the settings reader: any bytes are loaded as a settings
// file; whatever loads must save and load back to the same groups and
// entries, and further trips must reproduce the same bytes. Error codes from load are expected
// outcomes (NUL bytes); anything else aborts.
#include "foundation/errors.h"
#include "foundation/k4qbinifile.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
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

std::string scratchPath(const char* role) {
    const char* folder = std::getenv("TMPDIR");
    std::string base = std::string(folder && *folder ? folder : "/tmp") + "/k4-fuzz-ini-" + role;
    return base + "-" + std::to_string(::getpid());
}

std::string readAll(const std::string& path) {
    std::string bytes;
    FILE* file = k4p::openFile(path.c_str(), "rb");
    if (file == nullptr) {
        std::abort();
    }
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.append(chunk, got);
    }
    std::fclose(file);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = scratchPath("in");
    static const std::string output = scratchPath("out");
    static const int cleanup = std::atexit([] {
        k4p::removeFile(input.c_str());
        k4p::removeFile(output.c_str());
    });
    (void)cleanup;

    FILE* file = k4p::openFile(input.c_str(), "wb");
    // An empty input arrives as a null pointer, which fwrite must not get.
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        std::abort();
    }
    std::unique_ptr<K4QBIniFile> first;
    try {
        first.reset(K4QBIniFile::load(input.c_str()));
    } catch (const char* code) {
        if (!k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT)) {
            std::abort();
        }
        return 0;
    }
    try {
        first->save(output.c_str());
        std::unique_ptr<K4QBIniFile> second(K4QBIniFile::load(output.c_str()));
        if (written(*first) != written(*second)) {
            std::abort();
        }
        // Unnamed groups may merge on the first trip; from then on the bytes
        // are stable.
        second->save(output.c_str());
        std::string secondBytes = readAll(output);
        std::unique_ptr<K4QBIniFile> third(K4QBIniFile::load(output.c_str()));
        third->save(output.c_str());
        if (readAll(output) != secondBytes) {
            std::abort();
        }
    } catch (const char*) {
        std::abort(); // what we wrote ourselves must read back
    }
    return 0;
}
