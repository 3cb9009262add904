// Helpers of the content tests (see content_test_support.h).
#include "tests/content/content_test_support.h"

#include "foundation/k4clogfilename.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace k4ctest {

namespace {

void listInto(const std::string& folder, const std::string& prefix, std::vector<std::string>* out) {
    k4p::FolderListing listing;
    if (!listing.open((folder + "\\*").c_str())) {
        return;
    }
    k4p::FindItem item;
    while (listing.next(&item)) {
        std::string name = item.name;
        if (name == "." || name == "..") {
            continue;
        }
        if (item.directory) {
            listInto(folder + "\\" + name, prefix + name + "\\", out);
        } else {
            out->push_back(prefix + name);
        }
    }
}

class FixedFilename : public K4CLogFilename {
public:
    explicit FixedFilename(const std::string& path) : name_(path.c_str()) {}
    const K4CString& getFilename() override { return name_; }

private:
    K4CString name_;
};

} // namespace

std::string scratchFolder() {
    return k4test::testFolder("content");
}

std::vector<std::string> listTree(const std::string& folder) {
    std::vector<std::string> out;
    listInto(folder, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

const char* thrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const char* code) {
        return code;
    }
    return nullptr;
}

std::vector<uint8_t> bytes(const std::string& content) {
    return std::vector<uint8_t>(content.begin(), content.end());
}

std::string text(const std::vector<uint8_t>& content) {
    return std::string(content.begin(), content.end());
}

void writePak(const K4QBPakWriter& writer, const std::string& path, int64_t time,
              K4QBPakLayout* layout) {
    std::vector<uint8_t> content = writer.build(layout);
    writeFile(path, std::string(content.begin(), content.end()));
    ASSERT_TRUE(k4p::setFileModifiedTime(path.c_str(), time)) << path;
}

TraceLog::TraceLog(const std::string& path)
    : path_(path), logger_(new K4CDebugLogger(new FixedFilename(path_))) {
    k4p::removeFile(path_.c_str()); // the logger appends
    logger_->setLevel(K4C_LOG_TRACE);
}

TraceLog::~TraceLog() {
    delete logger_;
}

std::string TraceLog::contents() const {
    return readFile(path_);
}

bool TraceLog::hasLine(const std::string& start, const std::string& part) const {
    std::string all = contents();
    size_t at = 0;
    while (at < all.size()) {
        size_t stop = all.find('\n', at);
        std::string line =
            all.substr(at, stop == std::string::npos ? std::string::npos : stop - at);
        at = stop == std::string::npos ? all.size() : stop + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t tab = line.find('\t');
        tab = tab == std::string::npos ? std::string::npos : line.find('\t', tab + 1);
        if (tab == std::string::npos) {
            continue;
        }
        std::string message = line.substr(tab + 1);
        if (message.compare(0, start.size(), start) == 0 &&
            message.find(part, start.size()) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace k4ctest
