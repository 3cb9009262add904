// Helpers of the content tests (see content_test_support.h).
#include "tests/content/content_test_support.h"

#include "content/file_list.h"
#include "content/install_path.h"
#include "foundation/k4clogfilename.h"
#include "tests/support/registry.h"

namespace k4ctest {

namespace {

class FixedFilename : public K4CLogFilename {
public:
    explicit FixedFilename(const std::string& path) : name_(path.c_str()) {}
    const K4CString& getFilename() override { return name_; }

private:
    K4CString name_;
};

} // namespace

std::string listed(const K4QBFileList& list) {
    std::string out;
    for (int32_t i = 0; i < list.getCount(); ++i) {
        out += (i > 0 ? " " : "") + std::string(list.getName(i)) + "@" + list.getFolder(i);
    }
    return out;
}

void writePak(const K4QBPakWriter& writer, const std::string& path, int64_t time) {
    std::vector<uint8_t> content = writer.build();
    k4test::writeFile(path, std::string(content.begin(), content.end()));
    ASSERT_TRUE(k4p::setFileModifiedTime(path.c_str(), time)) << path;
}

void setInstallPath(const char* path, bool forget) {
    if (forget) {
        k4qbForgetInstallPath();
    }
    if (path != nullptr) {
        k4test::storeRegistryValue(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                   K4QB_INSTALL_VALUE, true, path);
    } else {
        k4test::deleteRegistryValue(k4p::RegistryRoot::LocalMachine, K4QB_INSTALL_KEY,
                                    K4QB_INSTALL_VALUE);
    }
}

TraceLog::TraceLog(const std::string& path)
    : path_(path), logger_(new K4CDebugLogger(new FixedFilename(path))) {
    k4p::removeFile(path_.c_str()); // the logger appends
    logger_->setLevel(K4C_LOG_TRACE);
    logger_->setTimestamps(false);
}

std::vector<std::string> TraceLog::messages() const {
    std::vector<std::string> out;
    std::string all = k4test::readFile(path_);
    for (size_t at = 0, stop; at < all.size(); at = stop + 1) {
        stop = all.find('\n', at);
        stop = stop == std::string::npos ? all.size() : stop;
        std::string line = all.substr(at, stop - at);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        out.push_back(line.substr(line.find('\t') + 1)); // after the level
    }
    return out;
}

} // namespace k4ctest
