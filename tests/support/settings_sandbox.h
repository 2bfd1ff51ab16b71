#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace orlenda::testing {

// The program's settings as stored: key and text.
using StoredSettings = std::map<std::string, std::string>;

#ifdef _WIN32

// Makes HKEY_CURRENT_USER of this process a fresh key of the test's own for
// as long as it lives, so that tests read and write the real registry below
// it, never the user's own values. One at a time.
class SettingsSandbox {
public:
    SettingsSandbox() {
        static int made = 0;
        m_path = L"Software\\Orlenda tests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++made);
        ::RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &m_user, nullptr);
        ::RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
    }
    ~SettingsSandbox() {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        ::RegCloseKey(m_user);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    SettingsSandbox(const SettingsSandbox&) = delete;
    SettingsSandbox& operator=(const SettingsSandbox&) = delete;

    // The program's key below HKEY_CURRENT_USER.
    static constexpr wchar_t kProgramKey[] = L"Software\\Tovrik\\Orlenda";

private:
    std::wstring m_path;
    HKEY m_user = nullptr;
};

#else

// Points the user's native settings at a fresh folder of the test's own for
// as long as it lives, so that tests read and write real settings files.
class SettingsSandbox {
public:
    SettingsSandbox() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orlenda-settings-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_root.string()));
    }
    ~SettingsSandbox() {
        std::error_code ignored;
        std::filesystem::permissions(maker(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_root, ignored);
    }
    SettingsSandbox(const SettingsSandbox&) = delete;
    SettingsSandbox& operator=(const SettingsSandbox&) = delete;

    // The maker's folder and the program's settings file in it.
    std::filesystem::path maker() const { return m_root / "Tovrik"; }
    std::filesystem::path file() const { return maker() / "Orlenda.conf"; }

    // The settings file as it is on disk; empty when there is none.
    std::string text() const {
        std::ifstream in(file(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void write(const std::string& text) const {
        std::filesystem::create_directories(maker());
        std::ofstream(file(), std::ios::binary) << text;
    }

private:
    std::filesystem::path m_root;
};

#endif

// The settings as the store holds them, read past the program's own code.
inline StoredSettings Stored() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QStringLiteral("Tovrik"), QStringLiteral("Orlenda"));
    StoredSettings stored;
    for (const QString& key : settings.allKeys()) {
        stored[key.toStdString()] = settings.value(key).toString().toStdString();
    }
    return stored;
}

// Stores a text as an earlier use of the program would have.
inline void Store(const std::string& key, const std::string& text) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tovrik"),
              QStringLiteral("Orlenda"))
        .setValue(QString::fromStdString(key), QString::fromStdString(text));
}

}  // namespace orlenda::testing
