// Where the debug log goes: the file-name interface and the time-stamped name
// of one file per period (the program uses one file per day).
//
// K4CTimedFilename builds "<folder>\texview-debug-<stamp>.txt" once and
// rewrites only the stamp (local time) each time it is asked. It neither
// creates the folder nor opens files.
#pragma once

#include "foundation/k4cstring.h"

#include <cstdint>
#include <ctime>

class K4CLogFilename {
public:
    virtual ~K4CLogFilename();
    // The current full file name, owned by this object.
    virtual const K4CString& getFilename() = 0;
};

class K4CTimedFilename : public K4CLogFilename {
public:
    enum Period : int32_t { HOURLY = 0, DAILY = 1, WEEKLY = 2, MONTHLY = 3, YEARLY = 4 };

    // A null folder counts as empty (a name relative to the working folder).
    explicit K4CTimedFilename(const char* folder, Period period = DAILY);
    const K4CString& getFilename() override;

    Period getPeriod() const { return period_; }
    int32_t getStampWidth() const { return stampWidth_; }

protected:
    // The current time; tests replace it to cross midnight.
    virtual time_t currentTime();

private:
    Period period_;
    int32_t stampWidth_; // the placeholder fits the period's stamp exactly
    K4CString name_;
    int32_t stampOffset_; // where the stamp placeholder starts in name_
};

// Local time, safe to call from several threads.
bool k4cLocalTime(time_t when, struct tm* out);
