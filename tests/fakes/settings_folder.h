#pragma once

#include <stdlib.h>

#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orlenda::testing {

// Points the user's native settings at a fresh folder of the test's own for
// as long as it lives, so that tests read and write real settings files.
class SettingsFolder {
public:
    SettingsFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orlenda-settings-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_root.string()));
    }
    ~SettingsFolder() {
        std::error_code ignored;
        std::filesystem::permissions(maker(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_root, ignored);
    }
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

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
    QString qtext() const { return QString::fromStdString(text()); }

    void write(const std::string& text) const {
        std::filesystem::create_directories(maker());
        std::ofstream(file(), std::ios::binary) << text;
    }

private:
    std::filesystem::path m_root;
};

}  // namespace orlenda::testing
