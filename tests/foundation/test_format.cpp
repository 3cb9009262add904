// The formatter with real argument types: each conversion takes its own
// argument whatever its width, and unknown conversions are text.
#include "foundation/errors.h"
#include "foundation/k4cformat.h"
#include "foundation/k4cstring.h"
#include "tests/support/checks.h"

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
    const char* code = k4test::thrownBy([&] { out.appendFormatV(format, arguments); });
    va_end(arguments);
    if (code != nullptr) {
        throw code;
    }
    return out.getText();
}

// What the C library makes of one conversion (exponent digits and pointers
// differ between platforms).
template <typename T> std::string c(const char* conversion, T value) {
    char text[128];
    std::snprintf(text, sizeof text, conversion, value);
    return text;
}

} // namespace

TEST(FoundationFormat, PercentSignsAndUnknownConversionsAreText) {
    EXPECT_EQ(format("100%% of %d", 5), "100% of 5");
    EXPECT_EQ(format("trailing %"), "trailing %");
    EXPECT_EQ(format("cut %-5"), "cut %-5");
    EXPECT_EQ(format("%y %d", 42), "%y 42"); // takes no argument
    EXPECT_THROWS_CODE(format(nullptr), K4CERR_STR_ILLEGALARGUMENT);
}

TEST(FoundationFormat, EachConversionTakesItsOwnArgument) {
    EXPECT_EQ(format("[%5d][%-5d]", 42, 42), "[   42][42   ]");
    EXPECT_EQ(format("%x %X %o %u %c", 255, 255, 8, 4294967295u, 'q'), "ff FF 10 4294967295 q");
    EXPECT_EQ(format("%d %d", INT32_MIN, INT32_MAX), "-2147483648 2147483647");
    EXPECT_EQ(format("%lld %d", 1LL << 40, 7), "1099511627776 7");
    EXPECT_EQ(format("%zu %d", static_cast<size_t>(1) << 33, 8), "8589934592 8");
    EXPECT_EQ(format("%ld|%hd|%hhu", -5L, 70000, 300), "-5|4464|44");
    EXPECT_EQ(format("%.2f %e %d", 3.14159, 1.5, 9), "3.14 " + c("%e", 1.5) + " 9");
    EXPECT_EQ(format("%g|%8.3f|%lf", 0.0001, -2.0, 0.5), c("%g", 0.0001) + "|  -2.000|0.500000");
    std::string wide = format("%200d|", 1);
    EXPECT_EQ(wide.size(), 201u);
    int local = 0;
    for (void* pointer : {static_cast<void*>(&local), static_cast<void*>(nullptr),
                          reinterpret_cast<void*>(~static_cast<uintptr_t>(0) - 0xF)}) {
        EXPECT_EQ(format("%p %d", pointer, 1234), c("%p", pointer) + " 1234");
    }
}

TEST(FoundationFormat, StringsAreAppendedWhole) {
    EXPECT_EQ(format("<%s>", static_cast<const char*>(nullptr)), "<>");
    EXPECT_EQ(format("<%-10s><%.1s>", "ab", "abc"), "<ab><abc>");
    std::string longText(500, 'w');
    EXPECT_EQ(format("%s.", longText.c_str()), longText + ".");
    K4CString s("n=");
    s.appendFormat("%d,%s", 3, "x");
    EXPECT_STREQ(s.getText(), "n=3,x");
}
