// The settings in the real registry of the Wine prefix: what LoadSettings accepts and refuses, and what
// SaveSettings writes. Each test starts without the key; whatever the prefix held before the run is put
// back at the end.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Settings.h"

namespace {

using Bytes = std::vector<unsigned char>;

// RegDeleteTreeA empties the key; RegDeleteKeyA then removes the key itself.
void DeleteSettingsKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

// Writes one value under the settings key, creating the key.
void PutValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

void PutVersion(const char* text) {
    PutValue("ver", REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

// Reads a value straight from the registry: its type and bytes; false when it is not there.
bool GetValue(const char* name, DWORD& type, Bytes& data) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data.assign(size, 0);
        rc = ::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

Bytes Pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 7 + 1);
    return b;
}

// Keeps the prefix's own settings (the program's, if it ran here) across the whole run.
class KeepPrefixSettings : public ::testing::Environment {
public:
    void SetUp() override {
        m_had = GetValue("ver", m_verType, m_ver) && GetValue("datas", m_datasType, m_datas);
    }
    void TearDown() override {
        DeleteSettingsKey();
        if (m_had) {
            PutValue("ver", m_verType, m_ver.data(), static_cast<DWORD>(m_ver.size()));
            PutValue("datas", m_datasType, m_datas.data(), static_cast<DWORD>(m_datas.size()));
        }
    }

private:
    bool m_had = false;
    DWORD m_verType = 0, m_datasType = 0;
    Bytes m_ver, m_datas;
};
const auto* const g_keep = ::testing::AddGlobalTestEnvironment(new KeepPrefixSettings);

class SettingsRegistry : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }

    // LoadSettings on a zeroed record, as the main window calls it.
    BOOL Load() {
        std::memset(m_record, 0, sizeof m_record);
        return LoadSettings(m_record);
    }
    Bytes Record() const { return Bytes(m_record, m_record + kSettingsSize); }

    unsigned char m_record[kSettingsSize];
};

}  // namespace

TEST_F(SettingsRegistry, NoKeyIsNoRecord) {
    EXPECT_FALSE(Load());
    EXPECT_EQ(Record(), Bytes(kSettingsSize, 0));
}

TEST_F(SettingsRegistry, KeyWithoutVersionIsNoRecord) {
    const Bytes data = Pattern(kSettingsSize);
    PutValue("datas", REG_BINARY, data.data(), kSettingsSize);
    EXPECT_FALSE(Load());
}

TEST_F(SettingsRegistry, OnlyTheExactVersionTextIsAccepted) {
    const Bytes data = Pattern(kSettingsSize);
    PutValue("datas", REG_BINARY, data.data(), kSettingsSize);
    for (const char* other : {"version 1.0.2", "VERSION 1.0.2", "Version 1.0.3", "Version 1.0.2 ",
                              "Version 1.0.", "Version 1.0.20", ""}) {
        PutVersion(other);
        EXPECT_FALSE(Load()) << '"' << other << '"';
    }
    PutVersion("Version 1.0.2");
    EXPECT_TRUE(Load());
    EXPECT_EQ(Record(), data);
}

TEST_F(SettingsRegistry, OverLongVersionIsRefused) {
    const Bytes data = Pattern(kSettingsSize);
    PutValue("datas", REG_BINARY, data.data(), kSettingsSize);
    // The right text at the front of a value that does not fit the 256-byte buffer.
    std::string longVersion = std::string("Version 1.0.2") + '\0' + std::string(300, 'x');
    PutValue("ver", REG_BINARY, longVersion.data(), static_cast<DWORD>(longVersion.size()));
    EXPECT_FALSE(Load());
}

TEST_F(SettingsRegistry, MissingDataIsNoRecord) {
    PutVersion("Version 1.0.2");
    EXPECT_FALSE(Load());
}

TEST_F(SettingsRegistry, DataOfMoreThan140BytesIsRefusedAndLeavesNothing) {
    PutVersion("Version 1.0.2");
    const Bytes data = Pattern(141);
    PutValue("datas", REG_BINARY, data.data(), 141);
    EXPECT_FALSE(Load());
    EXPECT_EQ(Record(), Bytes(kSettingsSize, 0)) << "a refused value must not leave part of itself behind";
}

TEST_F(SettingsRegistry, ShorterDataIsAcceptedAndTheRestStaysZero) {
    PutVersion("Version 1.0.2");
    const Bytes data = Pattern(104);
    PutValue("datas", REG_BINARY, data.data(), 104);
    ASSERT_TRUE(Load());
    Bytes expected = data;
    expected.resize(kSettingsSize, 0);
    EXPECT_EQ(Record(), expected);
}

TEST_F(SettingsRegistry, DataOfAnotherTypeIsTakenAsBytes) {
    PutVersion("Version 1.0.2");
    const std::string text = "ABCDEFGHIJ";
    PutValue("datas", REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    ASSERT_TRUE(Load());
    Bytes expected(text.begin(), text.end());
    expected.resize(kSettingsSize, 0);
    EXPECT_EQ(Record(), expected);

    // A whole 140 bytes of text, NUL included, still fits.
    const std::string full(139, 'q');
    PutValue("datas", REG_SZ, full.c_str(), 140);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record().back(), 0);
    EXPECT_EQ(Record().front(), 'q');

    const Bytes data = Pattern(kSettingsSize);
    PutValue("datas", REG_DWORD_BIG_ENDIAN, data.data(), kSettingsSize);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), data);
}

TEST_F(SettingsRegistry, SaveWritesTheVersionWithItsNulAndThe140Bytes) {
    const Bytes data = Pattern(kSettingsSize);
    ASSERT_TRUE(SaveSettings(data.data()));

    DWORD type = 0;
    Bytes ver;
    ASSERT_TRUE(GetValue("ver", type, ver));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ver, Bytes({'V', 'e', 'r', 's', 'i', 'o', 'n', ' ', '1', '.', '0', '.', '2', 0}));

    Bytes datas;
    ASSERT_TRUE(GetValue("datas", type, datas));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(datas, data);

    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), data);
}

TEST_F(SettingsRegistry, SaveOverwritesAForeignVersion) {
    PutVersion("Version 0.9");
    const Bytes old = Pattern(50);
    PutValue("datas", REG_BINARY, old.data(), 50);
    ASSERT_FALSE(Load());
    const Bytes data(kSettingsSize, 0x5A);
    ASSERT_TRUE(SaveSettings(data.data()));
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), data);
}
