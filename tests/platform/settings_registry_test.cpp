#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "platform/qt/qt_settings_store.h"
#include "support/settings_sandbox.h"

namespace orlenda::platform {
namespace {

using ::testing::HasSubstr;
using testing::SettingsSandbox;
using ::testing::ThrowsMessage;

constexpr char kDownloadLocation[] = "Download Location";
constexpr char kLastFolder[] = "LastFolderDot";

using RegistryText = std::pair<DWORD, std::wstring>;

// A value of the program's key as the registry holds it: its type and text.
std::optional<RegistryText> RegistryValue(const wchar_t* name) {
    wchar_t data[512] = {};
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (::RegGetValueW(HKEY_CURRENT_USER, SettingsSandbox::kProgramKey, name, RRF_RT_ANY, &type,
                       data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return RegistryText{type, data};
}

TEST(SettingsRegistry, GivesDefaultsUntilAWriteStoresAStringValueInTheProgramsKey) {
    const SettingsSandbox sandbox;
    QtSettingsStore store;
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "C:\\Users\\u\\Desktop\\"),
              "C:\\Users\\u\\Desktop\\");
    EXPECT_EQ(RegistryValue(L"Download Location"), std::nullopt);  // reading stores nothing
    store.WriteSetting(kLastFolder, "D:\\Shots \xE6\x97\xA5");
    store.WriteSetting(kDownloadLocation, "");
    EXPECT_EQ(RegistryValue(L"LastFolderDot"), (RegistryText{REG_SZ, L"D:\\Shots \u65e5"}));
    EXPECT_EQ(RegistryValue(L"Download Location"), (RegistryText{REG_SZ, L""}));
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "default"), "");  // not the default
}

TEST(SettingsRegistry, AwkwardTextsSurviveARoundTrip) {
    const std::string texts[] = {
        "C:\\Shots\\",
        "\\\\server\\share\\",
        "D:\\\xC3\xBC\\\xE6\x97\xA5\\",
        "a, b",
        "@ByteArray(x)",
        "\"quoted\" ;#= [section]",
        "  blanks at both ends  ",
        "two\nlines\ttab",
        "%20 %U0041",
    };
    for (const std::string& text : texts) {
        const SettingsSandbox sandbox;
        QtSettingsStore().WriteSetting(kDownloadLocation, text);
        EXPECT_EQ(QtSettingsStore().ReadSetting(kDownloadLocation, "default"), text);
    }
}

// The values an earlier version of the program left, plain REG_SZ strings.
TEST(SettingsRegistry, ReadsStringValuesWrittenByOthers) {
    const SettingsSandbox sandbox;
    const std::wstring folder = L"D:\\Bilder \u00e4\\";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, SettingsSandbox::kProgramKey, L"Download Location", REG_SZ,
                      folder.c_str(), static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(QtSettingsStore().ReadSetting(kDownloadLocation, "default"), "D:\\Bilder \xC3\xA4\\");
}

// The registry refuses to make the program's key: a key that lasts cannot
// lie below Software\Tovrik when that one is volatile.
TEST(SettingsRegistry, RefusedWriteRaises) {
    const SettingsSandbox sandbox;
    HKEY maker = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tovrik", 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &maker, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(maker);
    QtSettingsStore store;
    EXPECT_THAT([&] { store.WriteSetting(kDownloadLocation, "C:\\refused\\"); },
                ThrowsMessage<std::runtime_error>(HasSubstr(kDownloadLocation)));
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "absent"), "absent");
}

}  // namespace
}  // namespace orlenda::platform
