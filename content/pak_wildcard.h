// The pak registry's file name pattern match.
//
// A pattern without "*" matches a text of the same length, "?" standing for
// any one character. A pattern with "*" is split at its stars: the part before
// the first star must match the start of the text ("?" any one character);
// every later non-empty part is then found in the rest of the text as a plain
// substring ("?" matching only "?") at its first occurrence, and the rest
// continues behind it. The text must be used up after the last part unless the
// pattern ends in "*". Because each part is taken at its first occurrence,
// "*.dds" does not match "x.dds.dds". Linear in the lengths, never
// backtracking. Loose files follow the operating system's rules instead. No
// state: any thread.
#pragma once

// A null pattern throws "K4CERR_STR_ILLEGALARGUMENT"; a null text matches
// nothing.
bool k4qbWildcardMatch(const char* pattern, const char* text);
