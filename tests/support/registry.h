// Registry values for tests: in the Windows registry, or in the native build
// the platform's in-process store. Bytes are stored as given, so a string can
// be stored without its terminator (the readers must cope). And the game's
// install location as the process sees it.
#pragma once

#include "content/install_path.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace k4test {

inline void storeRegistryValue(k4p::RegistryRoot root, const char* subkey, const char* name,
                               bool isString, const std::string& bytes) {
#ifdef _WIN32
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root == k4p::RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE
                                                                      : HKEY_CURRENT_USER,
                              subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, isString ? REG_SZ : REG_BINARY,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
#else
    if (isString) {
        k4p::setRegistryString(root, subkey, name, bytes.c_str());
    } else {
        k4p::setRegistryBinary(root, subkey, name, bytes.data(), bytes.size());
    }
#endif
}

inline void deleteRegistryValue(k4p::RegistryRoot root, const char* subkey, const char* name) {
#ifdef _WIN32
    RegDeleteKeyValueA(root == k4p::RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE
                                                               : HKEY_CURRENT_USER,
                       subkey, name);
#else
    k4p::deleteRegistryValue(root, subkey, name);
#endif
}

// Makes the process see the game as installed at `path` (null: not
// installed). The location is read once per process and kept, so the
// registry value goes again at once (tests that touch it hold a ctest lock).
inline void seeInstallPath(const char* path) {
    const k4p::RegistryRoot root = k4p::RegistryRoot::LocalMachine;
    if (path != nullptr) {
        k4test::storeRegistryValue(root, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE, true,
                                   std::string(path, std::strlen(path) + 1));
    } else {
        k4test::deleteRegistryValue(root, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE);
    }
    k4qbForgetInstallPath();
    EXPECT_STREQ(getInstallPath(), path);
    k4test::deleteRegistryValue(root, K4QB_INSTALL_KEY, K4QB_INSTALL_VALUE);
}

} // namespace k4test
