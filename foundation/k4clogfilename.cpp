// K4CTimedFilename: the log file name with a local-time stamp placed over a
// placeholder that is sized once for the period.
#include "foundation/k4clogfilename.h"

#include <cstring>

namespace {

struct StampFormat {
    const char* format;
    int32_t width;
};

// Indexed by K4CTimedFilename::Period.
constexpr StampFormat kStampFormats[] = {
    {"%Y-%m-%d-%H", 13}, {"%Y-%m-%d", 10}, {"%Y-%W", 7}, {"%Y-%m", 7}, {"%Y", 4}};

} // namespace

bool k4cLocalTime(time_t when, struct tm* out) {
#ifdef _WIN32
    return localtime_s(out, &when) == 0;
#else
    return localtime_r(&when, out) != nullptr;
#endif
}

K4CLogFilename::~K4CLogFilename() = default;

K4CTimedFilename::K4CTimedFilename(const char* folder, Period period)
    : period_(period >= HOURLY && period <= YEARLY ? period : DAILY),
      stampWidth_(kStampFormats[period_].width), name_(folder), stampOffset_(0) {
    name_.appendPath("texview-debug-", false);
    stampOffset_ = name_.getLength();
    for (int32_t i = 0; i < stampWidth_; ++i) {
        name_.appendChar('_');
    }
    name_.append(".txt");
}

time_t K4CTimedFilename::currentTime() {
    return time(nullptr);
}

const K4CString& K4CTimedFilename::getFilename() {
    struct tm local;
    char stamp[16];
    if (k4cLocalTime(currentTime(), &local) &&
        strftime(stamp, sizeof stamp, kStampFormats[period_].format, &local) ==
            static_cast<size_t>(stampWidth_)) {
        std::memcpy(name_.getBuffer() + stampOffset_, stamp, static_cast<size_t>(stampWidth_));
    }
    // Otherwise (a year beyond 9999) the previous stamp stays.
    return name_;
}
