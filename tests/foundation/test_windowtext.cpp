// Window text helpers on a real EDIT control.
#include "foundation/k4cwindowtext.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(FoundationWindowText, IntegersAndTextOfAnyLength) {
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 100, 20, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    for (int32_t value : {0, -42, INT32_MAX, INT32_MIN}) {
        ASSERT_TRUE(k4cSetWindowInt(edit, value));
        EXPECT_EQ(k4cGetWindowInt(edit, 5), value);
    }
    // Parsed as settings values are (the settings tests hold the cases).
    for (const auto& c : {std::pair<const char*, int32_t>{"0x1F", 31}, {"abc", -9}, {"", -9}}) {
        SetWindowTextA(edit, c.first);
        EXPECT_EQ(k4cGetWindowInt(edit, -9), c.second) << c.first;
    }
    std::string longText(1000, 'k'); // longer than the first capacity
    SetWindowTextA(edit, longText.c_str());
    K4CString text("stale");
    EXPECT_EQ(k4cGetWindowText(edit, &text), 1000);
    EXPECT_EQ(std::string(text.getText()), longText);
    SetWindowTextA(edit, "");
    EXPECT_EQ(k4cGetWindowText(edit, &text), 0);
    EXPECT_STREQ(text.getText(), "");
    DestroyWindow(edit);
}
