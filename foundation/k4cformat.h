// The printf-like formatter shared by the logger and K4CString::appendFormat.
//
// A format is first split into a list of segments (literal text, integer,
// floating, string and pointer conversions); formatting then walks the list,
// taking each argument with its real type from the va_list. Integer, floating
// and pointer conversions go to the C library formatter with their conversion
// text as written (flags, width, precision and length modifiers honoured);
// strings are appended as they are (width and precision ignored, null gives
// nothing). Unknown conversions, "*" widths and "%n" are copied as literal text
// and take no argument. This file does not write files or lock anything.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

class K4CString;

// Lets the compiler check format strings against their arguments. MinGW names
// its C99 formatter's checking style separately from the Microsoft one.
#if defined(__MINGW32__) && defined(__MINGW_PRINTF_FORMAT)
#define K4C_PRINTF(formatIndex, firstArgument)                                                     \
    __attribute__((format(__MINGW_PRINTF_FORMAT, formatIndex, firstArgument)))
#elif defined(__GNUC__)
#define K4C_PRINTF(formatIndex, firstArgument)                                                     \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define K4C_PRINTF(formatIndex, firstArgument)
#endif

// Segment kinds.
inline constexpr int32_t K4C_SEGMENT_LITERAL = 0;
inline constexpr int32_t K4C_SEGMENT_INTEGER = 1;
inline constexpr int32_t K4C_SEGMENT_FLOATING = 2;
inline constexpr int32_t K4C_SEGMENT_STRING = 4;
inline constexpr int32_t K4C_SEGMENT_POINTER = 5;

struct K4CFormatSegment {
    int32_t offset; // first character in the format
    int32_t length; // characters
    int32_t kind;
};

class K4CFormatSegments {
public:
    K4CFormatSegments();
    ~K4CFormatSegments();
    K4CFormatSegments(const K4CFormatSegments&) = delete;
    K4CFormatSegments& operator=(const K4CFormatSegments&) = delete;

    // Empties the list and splits the format into segments. A null format
    // gives no segments. The format must stay alive until formatting is done.
    void parse(const char* format);

    // Appends the parsed format with its arguments to `out`.
    void format(K4CString* out, va_list arguments) const;

    // parse, then format.
    void appendFormatted(K4CString* out, const char* format, va_list arguments);

    int32_t getCount() const { return count_; }
    int32_t getCapacity() const { return capacity_; }
    // Throws "IndexOutOfBoundsException" for a bad index.
    const K4CFormatSegment& get(int32_t index) const;

private:
    void add(int32_t offset, int32_t length, int32_t kind);

    const char* format_;
    int32_t capacity_;
    int32_t count_;
    K4CFormatSegment* segments_;
};
