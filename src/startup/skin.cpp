#include "startup/skin.h"

namespace orlenda {

void ApplySkin(Form1& form) {
    const std::string skinFile = form.files.programFolder() + platform::kPathSeparator +
                                 kSkinFolderName + platform::kPathSeparator + kSkinFileName;
    // A folder of that name is no skin.
    if (!form.files.fileExists(skinFile) || form.files.isFolder(skinFile)) return;

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
