// K4CString: the program's growable single-byte string, also used as path
// builder (backslash separators) and line reader.
//
// The buffer is always NUL-terminated and holds capacity + 1 bytes. Strings
// grow geometrically and never shrink, so scratch strings that are refilled in
// loops stop allocating. Bad arguments throw "K4CERR_STR_ILLEGALARGUMENT",
// bad ranges "K4CERR_STR_OUTOFRANGE"; the string is then unchanged. Memory
// exhaustion is not handled. No locking: one thread at a time.
#pragma once

#include "foundation/k4cformat.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

class K4CString {
public:
    // Empty, capacity 127.
    K4CString();
    // A copy of the text; null gives an empty string.
    explicit K4CString(const char* text);
    // Empty with room for `capacity` characters; below 1 throws.
    explicit K4CString(int32_t capacity);
    // Same text and capacity as the source.
    K4CString(const K4CString& other);
    // As the copy; a null source throws "K4CERR_STR_ILLEGALARGUMENT".
    explicit K4CString(const K4CString* other);
    // A path: the folder, a backslash unless the folder is empty or already
    // ends in one, then the name. Null texts count as empty.
    K4CString(const char* folder, const char* name);
    K4CString(const K4CString& folder, const K4CString& name);
    ~K4CString();

    K4CString& operator=(const K4CString& other);

    const char* getText() const { return buffer_; }
    // For writing into directly (capacity + 1 bytes); call updateLength after.
    char* getBuffer() { return buffer_; }
    int32_t getLength() const { return length_; }
    int32_t getCapacity() const { return capacity_; }
    bool equals(const char* text) const;

    // Makes room for n characters besides the terminator.
    void reserve(int32_t n);

    void assign(const char* text); // null empties the string
    void assign(const K4CString& other);
    void append(const char* text); // null appends nothing
    void append(const K4CString& other);
    void appendChar(char c); // 0 throws
    // Up to `count` characters of text from `offset`; fewer when the text
    // ends earlier. Null text appends nothing; a negative offset or count
    // throws "K4CERR_STR_OUTOFRANGE".
    void appendSubstring(const char* text, int32_t offset, int32_t count);
    // Adds a backslash unless the string is empty or ends in one, appends the
    // text and, when asked, ends the result in a backslash.
    void appendPath(const char* text, bool trailingBackslash);
    // Appends formatted text (see k4cformat.h). A null format throws.
    void appendFormat(const char* format, ...) K4C_PRINTF(2, 3);
    void appendFormatV(const char* format, va_list arguments);

    void clear();
    // Removes [from, to). from < 0 or to > length throws; to <= from removes
    // nothing.
    void erase(int32_t from, int32_t to);
    // Remove leading or trailing spaces and tabs; return how many.
    int32_t trimLeft();
    int32_t trimRight();
    // ASCII "A" to "Z" only.
    void toLowerCase();
    // Sets the length from the terminator after the buffer was written
    // directly. The terminator at the capacity always stands, so the length
    // never exceeds the capacity.
    void updateLength();
    int32_t countBackslashes() const;
    // The index-th backslash-terminated component (0: the text before the
    // first backslash) into `output`. A component without a backslash after it
    // throws "K4CERR_STR_OUTOFRANGE"; a negative index gives "".
    void getPathComponent(int32_t index, K4CString* output) const;
    // Reads the next non-empty line (ended by CR, LF or the end of the
    // stream; the break is consumed). False only when the stream ended before
    // any character; then the string is empty. A NUL byte throws
    // "K4CERR_STR_ILLEGALARGUMENT".
    bool readLine(FILE* stream);

    // Removes leading and trailing spaces and tabs from C text in place;
    // returns how many were removed. Null text is left alone.
    static int32_t trimBlanks(char* text);

    // The capacity rule for a string made from text of this length, or with
    // this explicit capacity.
    static int32_t initialCapacity(int32_t length);

private:
    void appendBytes(const char* bytes, int32_t count);

    char* buffer_;
    int32_t length_;
    int32_t capacity_;
};

// Parses text with strtol base 0 (leading blanks, optional sign, "0x"
// hexadecimal, leading "0" octal, decimal otherwise), saturated to the 32-bit
// range in every build; the default when no digit was read or text is null.
int32_t k4cParseInt(const char* text, int32_t defaultValue);
