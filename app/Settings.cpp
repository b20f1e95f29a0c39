#include "app/Settings.h"

#include <cstring>

#include "res/Texts.h"

static_assert(sizeof kVersionText == 14, "the version text is stored with its NUL");

BOOL SaveSettings(const unsigned char record[kSettingsSize]) {
    HKEY key = nullptr;
    char noClass[] = "";
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return FALSE;
    }
    if (::RegSetValueExA(key, "ver", 0, REG_SZ, reinterpret_cast<const BYTE*>(kVersionText),
                         sizeof kVersionText) != ERROR_SUCCESS) {
        ::RegCloseKey(key);
        return FALSE;
    }
    const LONG written = ::RegSetValueExA(key, "datas", 0, REG_BINARY, record, kSettingsSize);
    ::RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

BOOL LoadSettings(unsigned char record[kSettingsSize]) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;

    // A zeroed buffer: a stored text without its NUL still compares as text, and memcmp never reads
    // anything the registry did not write or we did not clear.
    char version[256] = {};
    DWORD size = sizeof version;
    if (::RegQueryValueExA(key, "ver", nullptr, nullptr, reinterpret_cast<BYTE*>(version), &size) !=
            ERROR_SUCCESS ||
        std::memcmp(version, kVersionText, sizeof kVersionText) != 0) {
        ::RegCloseKey(key);
        return FALSE;
    }

    size = kSettingsSize;
    const LONG read = ::RegQueryValueExA(key, "datas", nullptr, nullptr, record, &size);
    ::RegCloseKey(key);
    if (read != ERROR_SUCCESS) {
        // A refused (over-long) value may have left part of itself in the buffer.
        std::memset(record, 0, kSettingsSize);
        return FALSE;
    }
    return TRUE;
}
