// K4CString: capacity and growth rules, editing, paths and line reading.
// Formatting itself lives in k4cformat.cpp.
#include "foundation/k4cstring.h"

#include "foundation/errors.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kMinimumCapacity = 127;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int32_t checkedLength(size_t length) {
    if (length > static_cast<size_t>(INT32_MAX) - 64) {
        throw K4CERR_STR_OUTOFRANGE;
    }
    return static_cast<int32_t>(length);
}

char* allocateBuffer(int32_t capacity) {
    char* buffer = new char[static_cast<size_t>(capacity) + 1];
    buffer[0] = 0;
    buffer[capacity] = 0;
    return buffer;
}

} // namespace

int32_t K4CString::initialCapacity(int32_t length) {
    if (length < kMinimumCapacity) {
        return kMinimumCapacity;
    }
    return length - (length % 64) + 63;
}

K4CString::K4CString()
    : buffer_(allocateBuffer(kMinimumCapacity)), length_(0), capacity_(kMinimumCapacity) {}

K4CString::K4CString(const char* text) : buffer_(nullptr), length_(0), capacity_(0) {
    int32_t length = text ? checkedLength(std::strlen(text)) : 0;
    capacity_ = initialCapacity(length);
    buffer_ = allocateBuffer(capacity_);
    if (length > 0) {
        std::memcpy(buffer_, text, static_cast<size_t>(length) + 1);
    }
    length_ = length;
}

K4CString::K4CString(int32_t capacity) : buffer_(nullptr), length_(0), capacity_(0) {
    if (capacity < 1) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    capacity_ = initialCapacity(checkedLength(static_cast<size_t>(capacity)));
    buffer_ = allocateBuffer(capacity_);
}

K4CString::K4CString(const K4CString& other)
    : buffer_(allocateBuffer(other.capacity_)), length_(other.length_), capacity_(other.capacity_) {
    std::memcpy(buffer_, other.buffer_, static_cast<size_t>(length_) + 1);
}

K4CString::K4CString(const K4CString* other) : buffer_(nullptr), length_(0), capacity_(0) {
    if (other == nullptr) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    capacity_ = other->capacity_;
    buffer_ = allocateBuffer(capacity_);
    length_ = other->length_;
    std::memcpy(buffer_, other->buffer_, static_cast<size_t>(length_) + 1);
}

K4CString::K4CString(const char* folder, const char* name) : K4CString(folder) {
    appendPath(name, false);
}

K4CString::K4CString(const K4CString& folder, const K4CString& name)
    : K4CString(folder.getText(), name.getText()) {}

K4CString::~K4CString() {
    delete[] buffer_;
}

K4CString& K4CString::operator=(const K4CString& other) {
    assign(other);
    return *this;
}

bool K4CString::equals(const char* text) const {
    return text != nullptr && std::strcmp(buffer_, text) == 0;
}

void K4CString::reserve(int32_t n) {
    if (n <= capacity_) {
        return;
    }
    int64_t grown = 2 * static_cast<int64_t>(capacity_);
    if (grown < n) {
        grown = n;
    }
    grown = grown - (grown % 16) + 15;
    if (grown > INT32_MAX - 1) {
        throw K4CERR_STR_OUTOFRANGE;
    }
    int32_t capacity = static_cast<int32_t>(grown);
    char* buffer = allocateBuffer(capacity);
    std::memcpy(buffer, buffer_, static_cast<size_t>(length_) + 1);
    delete[] buffer_;
    buffer_ = buffer;
    capacity_ = capacity;
}

// Copes with bytes that lie inside this string's own buffer (appending a
// string to itself), which reserve would otherwise free under our feet.
void K4CString::appendBytes(const char* bytes, int32_t count) {
    if (count <= 0) {
        return;
    }
    if (count > INT32_MAX - 64 - length_) {
        throw K4CERR_STR_OUTOFRANGE;
    }
    bool inside = bytes >= buffer_ && bytes <= buffer_ + capacity_;
    std::ptrdiff_t offset = bytes - buffer_;
    reserve(length_ + count);
    if (inside) {
        bytes = buffer_ + offset;
    }
    std::memmove(buffer_ + length_, bytes, static_cast<size_t>(count));
    length_ += count;
    buffer_[length_] = 0;
}

void K4CString::assign(const char* text) {
    if (text == nullptr) {
        clear();
        return;
    }
    if (text >= buffer_ && text <= buffer_ + capacity_) {
        // A tail of our own text: move it to the front.
        int32_t length = static_cast<int32_t>(std::strlen(text));
        std::memmove(buffer_, text, static_cast<size_t>(length) + 1);
        length_ = length;
        return;
    }
    int32_t length = checkedLength(std::strlen(text));
    clear();
    appendBytes(text, length);
}

void K4CString::assign(const K4CString& other) {
    if (&other != this) {
        clear();
        appendBytes(other.buffer_, other.length_);
    }
}

void K4CString::append(const char* text) {
    if (text != nullptr) {
        appendBytes(text, checkedLength(std::strlen(text)));
    }
}

void K4CString::append(const K4CString& other) {
    appendBytes(other.buffer_, other.length_);
}

void K4CString::appendChar(char c) {
    if (c == 0) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    appendBytes(&c, 1);
}

void K4CString::appendSubstring(const char* text, int32_t offset, int32_t count) {
    if (offset < 0 || count < 0) {
        throw K4CERR_STR_OUTOFRANGE;
    }
    if (text == nullptr) {
        return;
    }
    // Never look beyond the text's terminator, even for a large offset.
    int32_t available = static_cast<int32_t>(strnlen(text, static_cast<size_t>(offset)));
    if (available < offset) {
        return;
    }
    int32_t length = static_cast<int32_t>(strnlen(text + offset, static_cast<size_t>(count)));
    appendBytes(text + offset, length);
}

void K4CString::appendPath(const char* text, bool trailingBackslash) {
    if (length_ > 0 && buffer_[length_ - 1] != '\\') {
        appendChar('\\');
    }
    append(text);
    if (trailingBackslash && (length_ == 0 || buffer_[length_ - 1] != '\\')) {
        appendChar('\\');
    }
}

void K4CString::appendFormat(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    try {
        appendFormatV(format, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
}

void K4CString::appendFormatV(const char* format, va_list arguments) {
    if (format == nullptr) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    K4CFormatSegments segments;
    segments.appendFormatted(this, format, arguments);
}

void K4CString::clear() {
    length_ = 0;
    buffer_[0] = 0;
}

void K4CString::erase(int32_t from, int32_t to) {
    if (from < 0 || to > length_) {
        throw K4CERR_STR_OUTOFRANGE;
    }
    if (to <= from) {
        return;
    }
    std::memmove(buffer_ + from, buffer_ + to, static_cast<size_t>(length_ - to) + 1);
    length_ -= to - from;
}

int32_t K4CString::trimLeft() {
    int32_t count = 0;
    while (count < length_ && isBlank(buffer_[count])) {
        ++count;
    }
    erase(0, count);
    return count;
}

int32_t K4CString::trimRight() {
    int32_t count = 0;
    while (count < length_ && isBlank(buffer_[length_ - 1 - count])) {
        ++count;
    }
    erase(length_ - count, length_);
    return count;
}

void K4CString::toLowerCase() {
    for (int32_t i = 0; i < length_; ++i) {
        if (buffer_[i] >= 'A' && buffer_[i] <= 'Z') {
            buffer_[i] = static_cast<char>(buffer_[i] - 'A' + 'a');
        }
    }
}

void K4CString::updateLength() {
    buffer_[capacity_] = 0;
    length_ = static_cast<int32_t>(std::strlen(buffer_));
}

int32_t K4CString::countBackslashes() const {
    int32_t count = 0;
    for (int32_t i = 0; i < length_; ++i) {
        count += buffer_[i] == '\\' ? 1 : 0;
    }
    return count;
}

void K4CString::getPathComponent(int32_t index, K4CString* output) const {
    if (output == nullptr) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    if (index < 0) {
        output->clear();
        return;
    }
    int32_t start = 0;
    for (;;) {
        const char* end = static_cast<const char*>(
            std::memchr(buffer_ + start, '\\', static_cast<size_t>(length_ - start)));
        if (end == nullptr) {
            throw K4CERR_STR_OUTOFRANGE;
        }
        int32_t stop = static_cast<int32_t>(end - buffer_);
        if (index == 0) {
            if (output == this) {
                output->erase(stop, length_);
                output->erase(0, start);
            } else {
                output->clear();
                output->appendBytes(buffer_ + start, stop - start);
            }
            return;
        }
        --index;
        start = stop + 1;
    }
}

bool K4CString::readLine(FILE* stream) {
    if (stream == nullptr) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    clear();
    for (;;) {
        int c = std::getc(stream);
        if (c == EOF) {
            return length_ > 0;
        }
        if (c == '\r' || c == '\n') {
            if (length_ > 0) {
                return true;
            }
            continue;
        }
        if (c == 0) {
            clear();
            throw K4CERR_STR_ILLEGALARGUMENT;
        }
        char byte = static_cast<char>(c);
        appendBytes(&byte, 1);
    }
}

int32_t K4CString::trimBlanks(char* text) {
    if (text == nullptr || *text == 0) {
        return 0;
    }
    size_t length = std::strlen(text);
    size_t end = length;
    while (end > 0 && isBlank(text[end - 1])) {
        --end;
    }
    size_t start = 0;
    while (start < end && isBlank(text[start])) {
        ++start;
    }
    std::memmove(text, text + start, end - start);
    text[end - start] = 0;
    return static_cast<int32_t>(length - (end - start));
}

int32_t k4cParseInt(const char* text, int32_t defaultValue) {
    if (text == nullptr) {
        return defaultValue;
    }
    char* end = nullptr;
    long value = std::strtol(text, &end, 0);
    if (end == text) {
        return defaultValue;
    }
    // long is 64 bits natively and 32 bits on Windows: saturate the same way.
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}
