// Parsing formats into segments and formatting them with their arguments.
//
// Each conversion's argument is taken with its real type (int, long, long
// long, size_t, double, long double, const char*, void*), so 64-bit pointers
// and length-modified integers arrive whole and later arguments stay aligned.
#include "foundation/k4cformat.h"

#include "foundation/errors.h"
#include "foundation/k4cstring.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr int32_t kInitialCapacity = 16;
// Longest conversion text handed to the C formatter ("%-+ #0123.45lld").
constexpr int32_t kConversionMax = 31;

// Length modifiers, as read between the precision and the conversion.
enum Modifier { kNone, kChar, kShort, kLong, kLongLong, kSize, kMax, kPtrdiff, kLongDouble };

bool isFlag(char c) {
    return c == ' ' || c == '#' || c == '+' || c == '-';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a length modifier at p; returns how many characters it takes.
int32_t readModifier(const char* p, Modifier* modifier) {
    switch (p[0]) {
    case 'h':
        *modifier = p[1] == 'h' ? kChar : kShort;
        return p[1] == 'h' ? 2 : 1;
    case 'l':
        *modifier = p[1] == 'l' ? kLongLong : kLong;
        return p[1] == 'l' ? 2 : 1;
    case 'z':
        *modifier = kSize;
        return 1;
    case 'j':
        *modifier = kMax;
        return 1;
    case 't':
        *modifier = kPtrdiff;
        return 1;
    case 'L':
        *modifier = kLongDouble;
        return 1;
    default:
        *modifier = kNone;
        return 0;
    }
}

int32_t kindOf(char conversion, Modifier modifier) {
    switch (conversion) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        return modifier == kLongDouble ? K4C_SEGMENT_LITERAL : K4C_SEGMENT_INTEGER;
    case 'c':
    case 'C':
        return modifier == kNone ? K4C_SEGMENT_INTEGER : K4C_SEGMENT_LITERAL;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return (modifier == kNone || modifier == kLong || modifier == kLongDouble)
                   ? K4C_SEGMENT_FLOATING
                   : K4C_SEGMENT_LITERAL;
    case 's':
        return modifier == kNone ? K4C_SEGMENT_STRING : K4C_SEGMENT_LITERAL;
    case 'p':
        return modifier == kNone ? K4C_SEGMENT_POINTER : K4C_SEGMENT_LITERAL;
    default:
        return K4C_SEGMENT_LITERAL;
    }
}

// Steps over flags, width and precision after the "%" at p; returns the
// position of the length modifier or conversion character.
const char* skipFlagsWidthPrecision(const char* p) {
    ++p;
    while (isFlag(*p)) {
        ++p;
    }
    while (isDigit(*p)) {
        ++p;
    }
    if (*p == '.') {
        ++p;
        while (isDigit(*p)) {
            ++p;
        }
    }
    return p;
}

// The length modifier of a parsed conversion.
Modifier modifierOf(const char* conversion) {
    Modifier modifier;
    readModifier(skipFlagsWidthPrecision(conversion), &modifier);
    return modifier;
}

// Formats one argument with the C formatter straight into the string.
template <typename T> void appendConverted(K4CString* out, const char* conversion, T value) {
    char small[96];
    int needed = std::snprintf(small, sizeof small, conversion, value);
    if (needed < 0) {
        return;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        out->append(small);
        return;
    }
    int32_t start = out->getLength();
    out->reserve(start + needed);
    std::snprintf(out->getBuffer() + start, static_cast<size_t>(needed) + 1, conversion, value);
    out->updateLength();
}

void appendInteger(K4CString* out, const char* conversion, Modifier modifier, va_list* args) {
    switch (modifier) {
    case kLong:
        appendConverted(out, conversion, va_arg(*args, long));
        break;
    case kLongLong:
        appendConverted(out, conversion, va_arg(*args, long long));
        break;
    case kSize:
        appendConverted(out, conversion, va_arg(*args, size_t));
        break;
    case kMax:
        appendConverted(out, conversion, va_arg(*args, intmax_t));
        break;
    case kPtrdiff:
        appendConverted(out, conversion, va_arg(*args, ptrdiff_t));
        break;
    default: // char and short arrive promoted to int
        appendConverted(out, conversion, va_arg(*args, int));
        break;
    }
}

// Takes the argument a conversion would use, without printing it.
void skipArgument(int32_t kind, Modifier modifier, va_list* args) {
    if (kind == K4C_SEGMENT_INTEGER) {
        switch (modifier) {
        case kLong:
            (void)va_arg(*args, long);
            break;
        case kLongLong:
            (void)va_arg(*args, long long);
            break;
        case kSize:
            (void)va_arg(*args, size_t);
            break;
        case kMax:
            (void)va_arg(*args, intmax_t);
            break;
        case kPtrdiff:
            (void)va_arg(*args, ptrdiff_t);
            break;
        default:
            (void)va_arg(*args, int);
            break;
        }
    } else if (kind == K4C_SEGMENT_FLOATING) {
        if (modifier == kLongDouble) {
            (void)va_arg(*args, long double);
        } else {
            (void)va_arg(*args, double);
        }
    } else if (kind == K4C_SEGMENT_POINTER) {
        (void)va_arg(*args, void*);
    }
}

} // namespace

K4CFormatSegments::K4CFormatSegments()
    : format_(nullptr), capacity_(kInitialCapacity), count_(0),
      segments_(new K4CFormatSegment[kInitialCapacity]) {}

K4CFormatSegments::~K4CFormatSegments() {
    delete[] segments_;
}

const K4CFormatSegment& K4CFormatSegments::get(int32_t index) const {
    if (index < 0 || index >= count_) {
        throw K4CEXC_INDEXOUTOFBOUNDS;
    }
    return segments_[index];
}

void K4CFormatSegments::add(int32_t offset, int32_t length, int32_t kind) {
    if (count_ == capacity_) {
        auto* grown = new K4CFormatSegment[static_cast<size_t>(capacity_) * 2];
        std::memcpy(grown, segments_, sizeof(K4CFormatSegment) * static_cast<size_t>(count_));
        delete[] segments_;
        segments_ = grown;
        capacity_ *= 2;
    }
    segments_[count_++] = K4CFormatSegment{offset, length, kind};
}

void K4CFormatSegments::parse(const char* format) {
    format_ = format;
    count_ = 0;
    if (format == nullptr) {
        return;
    }
    int32_t position = 0;
    for (;;) {
        const char* percent = std::strchr(format + position, '%');
        int32_t at = percent ? static_cast<int32_t>(percent - format)
                             : position + static_cast<int32_t>(std::strlen(format + position));
        if (at > position) {
            add(position, at - position, K4C_SEGMENT_LITERAL);
        }
        if (percent == nullptr) {
            return;
        }
        if (format[at + 1] == '%') {
            add(at, 1, K4C_SEGMENT_LITERAL); // "%%" prints one "%"
            position = at + 2;
            continue;
        }
        int32_t p = static_cast<int32_t>(skipFlagsWidthPrecision(percent) - format);
        Modifier modifier;
        p += readModifier(format + p, &modifier);
        if (format[p] == 0) {
            // A conversion cut off by the end of the format is plain text.
            add(at, p - at, K4C_SEGMENT_LITERAL);
            return;
        }
        add(at, p + 1 - at, kindOf(format[p], modifier));
        position = p + 1;
    }
}

void K4CFormatSegments::format(K4CString* out, va_list arguments) const {
    if (out == nullptr) {
        throw K4CERR_STR_ILLEGALARGUMENT;
    }
    va_list args;
    va_copy(args, arguments);
    try {
        for (int32_t i = 0; i < count_; ++i) {
            const K4CFormatSegment& segment = segments_[i];
            const char* text = format_ + segment.offset;
            if (segment.kind == K4C_SEGMENT_LITERAL) {
                out->appendSubstring(text, 0, segment.length);
                continue;
            }
            if (segment.kind == K4C_SEGMENT_STRING) {
                out->append(va_arg(args, const char*)); // null appends nothing
                continue;
            }
            Modifier modifier = modifierOf(text);
            if (segment.length > kConversionMax) {
                // Too long to be one of ours: show it, keep the arguments aligned.
                out->appendSubstring(text, 0, segment.length);
                skipArgument(segment.kind, modifier, &args);
                continue;
            }
            char conversion[kConversionMax + 1];
            std::memcpy(conversion, text, static_cast<size_t>(segment.length));
            conversion[segment.length] = 0;
            if (segment.kind == K4C_SEGMENT_INTEGER) {
                appendInteger(out, conversion, modifier, &args);
            } else if (segment.kind == K4C_SEGMENT_FLOATING) {
                if (modifier == kLongDouble) {
                    appendConverted(out, conversion, va_arg(args, long double));
                } else {
                    appendConverted(out, conversion, va_arg(args, double));
                }
            } else {
                appendConverted(out, conversion, va_arg(args, void*));
            }
        }
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void K4CFormatSegments::appendFormatted(K4CString* out, const char* format, va_list arguments) {
    parse(format);
    this->format(out, arguments);
}
