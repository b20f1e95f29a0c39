// The version as the user meets it in three places: the banner on the screen, the version resource
// (the file's properties) with the manifest beside it, and the "ver" value that guards the stored
// settings. All of them must say the version the build was made with.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/app_window/MainWindowFixture.h"

namespace {

// The project's version, handed to this test by the build directly (not through the program's headers).
constexpr char kProjectVersion[] = VX_PROJECT_VERSION;

// A string value of the version resource of this executable (it carries the program's resources).
std::string VersionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\041103a4\\") + name;
    if (!::VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
        return "<missing " + std::string(name) + ">";
    }
    return std::string(value);
}

std::vector<char> OwnVersionInfo() {
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(module, &ignored);
    std::vector<char> info(size);
    if (size == 0 || !::GetFileVersionInfoA(module, 0, size, info.data())) info.clear();
    return info;
}

std::string OwnManifest() {
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    if (found == nullptr) return {};
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(nullptr, found)));
    return data != nullptr ? std::string(data, ::SizeofResource(nullptr, found)) : std::string();
}

}  // namespace

TEST_F(MainWindowTest, BannerVersionResourceAndStoredVersionAgree) {
    const std::string expected = std::string("Version ") + kProjectVersion;

    // The banner's second line: "  VEXTRAL  [Version a.b.c]".
    EXPECT_EQ(Line(1), "  VEXTRAL  [" + expected + "]");

    // The version resource: both texts, and the numbers Windows shows in the file's properties.
    const std::vector<char> info = OwnVersionInfo();
    ASSERT_FALSE(info.empty()) << "no version resource";
    EXPECT_EQ(VersionString(info, "FileVersion"), kProjectVersion);
    EXPECT_EQ(VersionString(info, "ProductVersion"), kProjectVersion);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, kProjectVersion);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    // The manifest names the same version, with a fourth part of 0.
    const std::string manifest = OwnManifest();
    EXPECT_NE(manifest.find("name=\"Tarnel.Vextral\" version=\"" + std::string(kProjectVersion) + ".0\""),
              std::string::npos)
        << manifest;

    // Closing saves the settings under the same version text, with its NUL.
    ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }));
    char stored[256] = {};
    DWORD size = sizeof stored;
    DWORD type = 0;
    ASSERT_EQ(::RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "ver", RRF_RT_ANY, &type, stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(stored, size), std::string(expected.c_str(), expected.size() + 1));
}
