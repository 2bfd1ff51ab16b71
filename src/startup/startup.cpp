#include "startup/startup.h"

#include <random>
#include <stdexcept>

#include "form/error_trap.h"
#include "form/folder_text.h"
#include "form/form1_layout.h"
#include "form/settings_keys.h"
#include "startup/skin.h"

namespace orlenda {
namespace {

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const char byte : text) count += IsContinuationByte(byte) ? 0 : 1;
    return count;
}

// The first characters of a UTF-8 text, never splitting a character.
std::string FirstCharacters(const std::string& text, std::size_t characters) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end) {
        if (!IsContinuationByte(text[end]) && seen++ == characters) break;
    }
    return text.substr(0, end);
}

}  // namespace

std::string ShortApplicationTitle(const std::string& name) {
    std::string title = name;
    while (CharacterCount(title) > kMaxApplicationTitleLength) {
        const std::size_t lastBlank = title.rfind(' ');
        title = lastBlank == std::string::npos ? FirstCharacters(title, kMaxApplicationTitleLength)
                                               : title.substr(0, lastBlank);
    }
    return title;
}

void SetApplicationTitle(platform::Desktop& desktop) {
    desktop.setApplicationTitle(ShortApplicationTitle(kProductName));
}

std::string DefaultOutputFolder(const NamedFolder& desktop, const NamedFolder& pictures,
                                const NamedFolder& home) {
    for (const NamedFolder* folder : {&desktop, &pictures, &home}) {
        if (folder->isFolder) return folder->path;
    }
    return desktop.path;
}

std::string DesktopFolderPath(const platform::Desktop& desktop, const platform::FileSystem& files) {
    const auto named = [&](const std::string& path) {
        return NamedFolder{.path = path, .isFolder = !path.empty() && files.isFolder(path)};
    };
    const std::string folder =
        DefaultOutputFolder(named(desktop.desktopFolder()), named(desktop.picturesFolder()),
                            named(desktop.homeFolder()));
    if (folder.empty()) throw std::invalid_argument("The desktop folder cannot be found.");
    return WithTrailingSeparator(folder);
}

int DrawOneToHundred(int secondsSinceMidnight) {
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(secondsSinceMidnight));
    return std::uniform_int_distribution<int>(1, 100)(generator);
}

void VisitHomePageByChance(platform::Desktop& desktop, int secondsSinceMidnight,
                           const std::string& homePage) {
    if (DrawOneToHundred(secondsSinceMidnight) == kHomePageDraw && !homePage.empty()) {
        desktop.openWebPage(homePage);
    }
}

void Form_Load(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.Form_Load ");
    trap.step(100, [&] { ApplySkin(form); });
    std::string cursorFile;
    if (trap.when(104, [&] {
            cursorFile =
                form.files.programFolder() + platform::kPathSeparator + kHandCursorFileName;
            return form.files.fileExists(cursorFile);
        })) {
        trap.step(106, [&] { form.Me.setMouseIcon(cursorFile); });
    }
    trap.step(108, [&] {
        VisitHomePageByChance(form.desktop, form.clock.secondsSinceMidnight(), kHomePageAddress);
    });
    trap.step(126, [&] { form.Me.setCaption(kProductName); });
    trap.step(126, [&] { form.Me.showApplicationIcon(); });
    trap.step(126, [&] { SetApplicationTitle(form.desktop); });
    // The default first, on every start; setting the box stores it at once
    // through Text1_Change, so the store holds it before the window shows.
    trap.step(128, [&] {
        const std::string defaultFolder = DesktopFolderPath(form.desktop, form.files);
        form.Text1.setText(form.settings.ReadSetting(kDownloadLocationKey, defaultFolder));
    });
    trap.step(130, [&] { form.ListView1.addColumn(kListColumnHeader); });
    trap.step(132, [&] { form.ListView1.setFirstColumnWidth(kListColumnWidthTwips); });
}

void Form_Unload(Form1& form, const platform::ProgramEnd& end) { form.desktop.endProgram(end); }

}  // namespace orlenda
