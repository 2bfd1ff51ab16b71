#pragma once

#include <string>

namespace orlenda::platform {

// The per-user store of the program's settings: text values under text keys.
// Nothing is cached: every read goes to the store, every write reaches it at once.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text of the key; the default when the key is absent. A value
    // that is present but empty is the empty text. Never creates anything.
    // Throws when the store exists but cannot be read.
    virtual std::string ReadSetting(const std::string& key,
                                    const std::string& defaultText) const = 0;
    // Stores the text under the key, replacing the earlier text. Throws when
    // the store refuses the write; the text stored before is then kept.
    virtual void WriteSetting(const std::string& key, const std::string& text) = 0;
    // The folder that holds the settings file, where the user may keep other
    // files for the program; empty where the settings are no file (the
    // Windows registry). Creates nothing.
    virtual std::string settingsFolder() const = 0;
};

}  // namespace orlenda::platform
