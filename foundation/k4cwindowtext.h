// Small helpers over a window's text (Windows only): write an integer as
// decimal text, read the whole text, read an integer back.
#pragma once

#include "foundation/k4cstring.h"

#include <cstdint>

struct HWND__;
typedef struct HWND__* HWND;

// Sets the window's text to the value in decimal ("%d"). False when the
// window refused it.
bool k4cSetWindowInt(HWND window, int32_t value);
// Reads the window's whole text into `out`; returns its length.
int32_t k4cGetWindowText(HWND window, K4CString* out);
// Parses the window's text with strtol base 0 (decimal, 0x hexadecimal,
// leading 0 octal), saturated to 32 bits; the default when no digit is read.
int32_t k4cGetWindowInt(HWND window, int32_t defaultValue);
