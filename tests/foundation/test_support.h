// Scratch folders and whole-file helpers for the foundation tests. Paths are
// written the Windows way and go through the platform seam, so the same tests
// run natively and under Wine.
#pragma once

#include "foundation/k4cstring.h"
#include "platform/platform.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace k4test {

// An empty folder of its own for the running test.
inline std::string scratchFolder() {
    return testFolder("foundation");
}

// Names in a folder, sorted, without "." and "..".
inline std::string listFolder(const std::string& folder) {
    std::string names;
    k4p::FolderListing listing;
    if (listing.open((folder + "\\*").c_str())) {
        k4p::FindItem item;
        std::vector<std::string> found;
        while (listing.next(&item)) {
            std::string name = item.name;
            if (name != "." && name != "..") {
                found.push_back(name);
            }
        }
        std::sort(found.begin(), found.end());
        for (const std::string& name : found) {
            names += names.empty() ? name : " " + name;
        }
    }
    return names;
}

// What text mode writes for a line end on this platform.
#ifdef _WIN32
inline constexpr const char* kEol = "\r\n";
#else
inline constexpr const char* kEol = "\n";
#endif

} // namespace k4test
