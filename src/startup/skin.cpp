#include "startup/skin.h"

#include <algorithm>

namespace orlenda {

std::vector<std::string> SkinFilePlaces(const std::string& programFolder,
                                        const std::string& settingsFolder) {
    std::vector<std::string> places;
    for (const std::string& folder : {programFolder, settingsFolder}) {
        if (folder.empty()) continue;
        places.push_back(folder + platform::kPathSeparator + kSkinFolderName +
                         platform::kPathSeparator + kSkinFileName);
    }
    return places;
}

void ApplySkin(Form1& form) {
    const std::vector<std::string> places =
        SkinFilePlaces(form.files.programFolder(), form.settings.settingsFolder());
    // A folder of that name is no skin.
    const auto found = std::find_if(places.begin(), places.end(), [&](const std::string& place) {
        return form.files.fileExists(place) && !form.files.isFolder(place);
    });
    if (found == places.end()) return;
    const std::string& skinFile = *found;

    form.Me.setBackColor(platform::kColourButtonFace);
    for (int index = 0; index < form.Me.controlCount(); ++index) {
        if (form.Me.controlKind(index) == platform::ControlKind::Frame) {
            form.Me.setControlBackColor(index, platform::kColourButtonFace);
        }
    }
    form.SkinFramework1.loadSkin(skinFile);
    form.SkinFramework1.setOptions(form.SkinFramework1.options() |
                                   platform::kSkinOptionWindowBackground);
    form.SkinFramework1.setSkinAllWindows(true);
    form.SkinFramework1.setKeepWindowColours(true);
    form.SkinFramework1.attachToWindow(form.Me);
}

}  // namespace orlenda
