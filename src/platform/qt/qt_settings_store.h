#pragma once

#include "platform/settings.h"

namespace orlenda::platform {

// The settings in the platform's native per-user store, under the maker
// "Tovrik" and the product "Orlenda": on Linux the INI file
// Tovrik/Orlenda.conf in the user's configuration folder, on Windows string
// values (REG_SZ) of the registry key HKEY_CURRENT_USER\Software\Tovrik\Orlenda.
// Qt opens that key for writing even to read it, so on Windows the first
// read makes the key, empty; no value is stored before the first write.
class QtSettingsStore final : public SettingsStore {
public:
    std::string ReadSetting(const std::string& key, const std::string& defaultText) const override;
    void WriteSetting(const std::string& key, const std::string& text) override;
    std::string settingsFolder() const override;
};

}  // namespace orlenda::platform
