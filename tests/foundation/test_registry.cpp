// Reading registry strings into K4CString: growth, types, missing values, and
// on Windows values stored without a terminator.
#include "foundation/k4cregistry.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr const char* kSubkey = "Software\\K4 Foundation Tests";

#ifdef _WIN32
HKEY openTestKey() {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

// Stores raw bytes, so a string can be stored without its terminator.
void store(const char* name, DWORD type, const std::string& bytes) {
    HKEY key = openTestKey();
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}
void storeString(const char* name, const std::string& text) {
    store(name, REG_SZ, text + std::string(1, '\0'));
}
#else
void store(const char* name, const std::string& bytes) {
    k4p::setRegistryBinary(k4p::RegistryRoot::CurrentUser, kSubkey, name, bytes.data(),
                           bytes.size());
}
void storeString(const char* name, const std::string& text) {
    k4p::setRegistryString(k4p::RegistryRoot::CurrentUser, kSubkey, name, text.c_str());
}
#endif

bool read(const char* name, K4CString* out) {
    return k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, kSubkey, name, out);
}

} // namespace

TEST(FoundationRegistryString, GrowsUntilTheValueFits) {
    storeString("Short", "C:\\Games\\Quellbury");
    std::string longText(1000, 'p');
    storeString("Long", longText);
    K4CString out;
    ASSERT_TRUE(read("Short", &out));
    EXPECT_STREQ(out.getText(), "C:\\Games\\Quellbury");
    EXPECT_EQ(out.getCapacity(), 127);
    ASSERT_TRUE(read("Long", &out));
    EXPECT_EQ(std::string(out.getText()), longText);
    EXPECT_EQ(out.getLength(), 1000);
    EXPECT_GE(out.getCapacity(), 1000);
}

TEST(FoundationRegistryString, MissingOrNonStringValuesFail) {
#ifdef _WIN32
    store("Binary", REG_BINARY, "abc");
#else
    store("Binary", "abc");
#endif
    K4CString out("stale");
    EXPECT_FALSE(read("Binary", &out));
    EXPECT_STREQ(out.getText(), "");
    EXPECT_FALSE(read("No Such Value", &out));
    EXPECT_FALSE(
        k4cReadRegistryString(k4p::RegistryRoot::CurrentUser, "Software\\No Such Key", "x", &out));
}

#ifdef _WIN32
TEST(FoundationRegistryKeyString, TakesOnlyStringsAndNeverReadsPastTheValue) {
    // 127 and 128 bytes without terminator: exactly the first capacity and one
    // more; the byte after the value must not be taken for text.
    store("Exact", REG_SZ, std::string(127, 'e'));
    store("OneMore", REG_SZ, std::string(128, 'm'));
    store("Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x") + std::string(1, '\0'));
    store("Number", REG_DWORD, std::string(4, '\1'));

    K4CString out;
    ASSERT_TRUE(k4cReadRegistryString(openTestKey(), "Exact", &out));
    EXPECT_EQ(std::string(out.getText()), std::string(127, 'e'));
    ASSERT_TRUE(k4cReadRegistryString(openTestKey(), "OneMore", &out));
    EXPECT_EQ(std::string(out.getText()), std::string(128, 'm'));
    ASSERT_TRUE(k4cReadRegistryString(openTestKey(), "Expand", &out));
    EXPECT_STREQ(out.getText(), "%TEMP%\\x"); // not expanded
    EXPECT_FALSE(k4cReadRegistryString(openTestKey(), "Number", &out));
    EXPECT_STREQ(out.getText(), "");
    EXPECT_FALSE(k4cReadRegistryString(openTestKey(), "No Such Value", &out));

    // Through the platform seam too.
    ASSERT_TRUE(read("OneMore", &out));
    EXPECT_EQ(out.getLength(), 128);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSubkey);
}
#endif
