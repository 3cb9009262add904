// Reading registry strings into K4CString: growth until the value fits, only
// strings taken, and values stored without a terminator never read past.
#include "foundation/k4cregistry.h"
#include "tests/support/registry.h"

#include <string>

namespace {

constexpr const char* kSubkey = "Software\\K4 Foundation Tests";

void store(const char* name, bool isString, const std::string& bytes) {
    k4test::storeRegistryValue(k4p::RegistryRoot::CurrentUser, kSubkey, name, isString, bytes);
}

bool read(const char* name, K4CString* out) {
    return k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, kSubkey, name, out);
}

} // namespace

TEST(FoundationRegistryString, GrowsUntilTheValueFits) {
    // 127 and 128 characters (stored without a terminator on Windows):
    // exactly the first capacity and one more.
    for (size_t length : {18, 127, 128, 1000}) {
        std::string text(length, 'p');
        store("Value", true, text);
        K4CString out;
        ASSERT_TRUE(read("Value", &out)) << length;
        EXPECT_EQ(std::string(out.getText()), text);
        EXPECT_EQ(out.getLength(), static_cast<int32_t>(length));
    }
}

TEST(FoundationRegistryString, MissingOrNonStringValuesFail) {
    store("Binary", false, "abc");
    K4CString out("stale");
    EXPECT_FALSE(read("Binary", &out));
    EXPECT_STREQ(out.getText(), "");
    EXPECT_FALSE(read("No Such Value", &out));
    EXPECT_FALSE(
        k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, "Software\\No Such Key", "x", &out));
}
