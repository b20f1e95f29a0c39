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

void DeleteSettingsKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);  // the values
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);   // the key itself
}

void PutValue(const char* name, DWORD type, const void* data, size_t size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

void PutText(const char* name, const std::string& text) {
    PutValue(name, REG_SZ, text.c_str(), text.size() + 1);
}

bool GetValue(const char* name, DWORD& type, Bytes& data) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    data.assign(size, 0);
    if (rc == ERROR_SUCCESS) rc = ::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

Bytes Pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 7 + 1);
    return b;
}

Bytes Padded(Bytes b) {
    b.resize(kSettingsSize, 0);
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
        if (!m_had) return;
        PutValue("ver", m_verType, m_ver.data(), m_ver.size());
        PutValue("datas", m_datasType, m_datas.data(), m_datas.size());
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
    bool Load() {
        std::memset(m_record, 0, sizeof m_record);
        return LoadSettings(m_record) != FALSE;
    }
    Bytes Record() const { return Bytes(m_record, m_record + kSettingsSize); }

    unsigned char m_record[kSettingsSize];
};

}  // namespace

TEST_F(SettingsRegistry, NoRecordWithoutTheKeyOrWithoutTheVersion) {
    EXPECT_FALSE(Load());
    const Bytes data = Pattern(kSettingsSize);
    PutValue("datas", REG_BINARY, data.data(), data.size());
    EXPECT_FALSE(Load());
    PutText("ver", "Version 1.0.2");
    EXPECT_TRUE(Load());
    EXPECT_EQ(Record(), data);
}

TEST_F(SettingsRegistry, OnlyTheExactVersionTextIsAccepted) {
    const Bytes data = Pattern(kSettingsSize);
    PutValue("datas", REG_BINARY, data.data(), data.size());
    for (const char* other : {"version 1.0.2", "VERSION 1.0.2", "Version 1.0.3", "Version 1.0.2 ",
                              "Version 1.0.", "Version 1.0.20", ""}) {
        PutText("ver", other);
        EXPECT_FALSE(Load()) << '"' << other << '"';
    }
    // The right text at the front of a value that does not fit the 256-byte buffer.
    const std::string overLong = std::string("Version 1.0.2") + '\0' + std::string(300, 'x');
    PutValue("ver", REG_BINARY, overLong.data(), overLong.size());
    EXPECT_FALSE(Load());
}

TEST_F(SettingsRegistry, DataLengthAndType) {
    PutText("ver", "Version 1.0.2");
    EXPECT_FALSE(Load()) << "no datas";

    const Bytes tooLong = Pattern(141);
    PutValue("datas", REG_BINARY, tooLong.data(), tooLong.size());
    EXPECT_FALSE(Load());
    EXPECT_EQ(Record(), Bytes(kSettingsSize, 0)) << "a refused value must not leave part of itself behind";

    const Bytes shorter = Pattern(104);
    PutValue("datas", REG_BINARY, shorter.data(), shorter.size());
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), Padded(shorter));

    // Another type is taken as bytes, up to a whole 140 bytes of text with its NUL.
    PutText("datas", "ABCDEFGHIJ");
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), Padded(Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'}));
    const std::string full(139, 'q');
    PutText("datas", full);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), Padded(Bytes(full.begin(), full.end())));
}

TEST_F(SettingsRegistry, SaveWritesTheVersionWithItsNulAndThe140Bytes) {
    PutText("ver", "Version 0.9");  // another version's record is overwritten
    const Bytes data = Pattern(kSettingsSize);
    ASSERT_TRUE(SaveSettings(data.data()));

    DWORD type = 0;
    Bytes ver, datas;
    ASSERT_TRUE(GetValue("ver", type, ver));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(ver.begin(), ver.end()), std::string("Version 1.0.2", 14))
        << "14 bytes, NUL included";
    ASSERT_TRUE(GetValue("datas", type, datas));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(datas, data);

    ASSERT_TRUE(Load());
    EXPECT_EQ(Record(), data);
}
