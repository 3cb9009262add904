// The formatter: segment parsing and formatting with real argument types.
#include "foundation/errors.h"
#include "foundation/k4cformat.h"
#include "foundation/k4cstring.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <string>

namespace {

// Deliberately without the printf attribute: several formats here are ones
// the compiler would rightly reject.
std::string format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    K4CString out;
    try {
        out.appendFormatV(format, arguments);
    } catch (const char*) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
    return out.getText();
}

// What the C library makes of one double conversion (exponent digits differ
// between platforms).
std::string c(const char* conversion, double value) {
    char text[128];
    std::snprintf(text, sizeof text, conversion, value);
    return text;
}

std::string describe(const char* text) {
    K4CFormatSegments segments;
    segments.parse(text);
    std::string out;
    for (int32_t i = 0; i < segments.getCount(); ++i) {
        const K4CFormatSegment& s = segments.get(i);
        out += std::to_string(s.kind) + ":" + std::string(text + s.offset, s.length) + "|";
    }
    return out;
}

} // namespace

TEST(FoundationFormatSegments, SplitsLiteralsAndConversions) {
    EXPECT_EQ(describe("Enter X::f(%p, %d) = %p"), "0:Enter X::f(|5:%p|0:, |1:%d|0:) = |5:%p|");
    EXPECT_EQ(describe("%-12.3s%#x%+e%5%"), "4:%-12.3s|1:%#x|2:%+e|0:%5%|");
    EXPECT_EQ(describe("%c%C%i%o%u%X%E%G%g%f"),
              "1:%c|1:%C|1:%i|1:%o|1:%u|1:%X|2:%E|2:%G|2:%g|2:%f|");
    EXPECT_EQ(describe("100%% sure"), "0:100|0:%|0: sure|");
    EXPECT_EQ(describe("ends in %"), "0:ends in |0:%|");
    EXPECT_EQ(describe("cut %-5"), "0:cut |0:%-5|");
    EXPECT_EQ(describe("%y%n"), "0:%y|0:%n|");
    EXPECT_EQ(describe(""), "");
    EXPECT_EQ(describe(nullptr), "");
}

TEST(FoundationFormat, PercentSignsAndUnknownConversions) {
    EXPECT_EQ(format("100%% of %d", 5), "100% of 5");
    EXPECT_EQ(format("trailing %"), "trailing %");
    // An unknown conversion is text and takes no argument.
    EXPECT_EQ(format("%y %d", 42), "%y 42");
}

TEST(FoundationFormat, IntegerConversionsGoToTheCFormatter) {
    EXPECT_EQ(format("[%5d]", 42), "[   42]");
    EXPECT_EQ(format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(format("%x %X %o %u %c", 255, 255, 8, 4294967295u, 'q'), "ff FF 10 4294967295 q");
    EXPECT_EQ(format("%d %d", INT32_MIN, INT32_MAX), "-2147483648 2147483647");
    std::string wide = format("%200d|", 1);
    EXPECT_EQ(wide.size(), 201u);
    EXPECT_EQ(wide.substr(198), " 1|");
}

TEST(FoundationFormat, LengthModifiersTakeTheirOwnWidth) {
    long long big = 1LL << 40;
    EXPECT_EQ(format("%lld %d", big, 7), "1099511627776 7");
    EXPECT_EQ(format("%zu %d", static_cast<size_t>(1) << 33, 8), "8589934592 8");
    EXPECT_EQ(format("%ld|%hd|%hhu", -5L, 70000, 300), "-5|4464|44");
}

TEST(FoundationFormat, FloatingConversions) {
    EXPECT_EQ(format("%.2f %e %d", 3.14159, 1.5, 9), "3.14 " + c("%e", 1.5) + " 9");
    EXPECT_EQ(format("%g|%8.3f|%lf", 0.0001, -2.0, 0.5), c("%g", 0.0001) + "|  -2.000|0.500000");
}

TEST(FoundationFormat, StringsAreAppendedAsTheyAre) {
    EXPECT_EQ(format("<%s>", static_cast<const char*>(nullptr)), "<>");
    EXPECT_EQ(format("<%-10s>", "ab"), "<ab>");
    EXPECT_EQ(format("<%.1s>", "abc"), "<abc>");
    std::string longText(500, 'w');
    EXPECT_EQ(format("%s.", longText.c_str()), longText + ".");
}

TEST(FoundationFormat, PointersArriveWhole) {
    int local = 0;
    void* pointers[] = {&local, reinterpret_cast<void*>(~static_cast<uintptr_t>(0) - 0xF), nullptr};
    for (void* pointer : pointers) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%p %d", pointer, 1234);
        EXPECT_EQ(format("%p %d", pointer, 1234), expected);
    }
}

TEST(FoundationFormat, AppendFormatAppends) {
    K4CString s("n=");
    s.appendFormat("%d,%s", 3, "x");
    EXPECT_STREQ(s.getText(), "n=3,x");
    try {
        format(nullptr);
        ADD_FAILURE();
    } catch (const char* code) {
        EXPECT_TRUE(k4cIsError(code, K4CERR_STR_ILLEGALARGUMENT));
    }
}
