// Where the game is installed: value "InstallPath" of the key
// "Software\Ashgrove Studios Ltd\Quellbury" under HKEY_LOCAL_MACHINE, read
// once per process and kept (a later change of the registry is not seen).
//
// Threads: the first call happens on the start-up thread before any other
// thread exists (the sources are made there); later calls only read.
#pragma once

inline constexpr const char* K4QB_INSTALL_KEY = "Software\\Ashgrove Studios Ltd\\Quellbury";
inline constexpr const char* K4QB_INSTALL_VALUE = "InstallPath";

// The install folder as stored (with or without a final backslash), owned by
// the process-wide store; null when the game is not installed.
const char* getInstallPath();

// Forgets the answer so that the next call reads the registry again. Only
// tests need this: the program reads the location once.
void k4qbForgetInstallPath();
