#pragma once

#include <string>

#include "form/form1.h"

namespace orlenda {

inline constexpr char kProductName[] = "Orlenda";
// Set when the program is built; empty unless the maker has one.
inline constexpr char kHomePageAddress[] = ORLENDA_HOME_PAGE;
// The optional image of the hand pointer, next to the program.
inline constexpr char kHandCursorFileName[] = "HAND-M.CUR";
inline constexpr char kListColumnHeader[] = " Web Site(s)";
inline constexpr std::size_t kMaxApplicationTitleLength = 40;
// The draw from 1 to 100 that opens the home page.
inline constexpr int kHomePageDraw = 7;

// The name with whole words cut from its end, one at a time (each cut just
// before the last blank), until at most 40 characters remain; a last word
// still too long is cut at 40 characters.
std::string ShortApplicationTitle(const std::string& name);
void SetApplicationTitle(platform::Desktop& desktop);

// A folder as the desktop names it, and whether it is a folder now.
struct NamedFolder {
    std::string path;
    bool isFolder = false;
};

// The output folder a first start offers: the desktop folder, or on an
// account that has none (yet), the pictures folder, then the home folder,
// so that the first Start finds a folder. When none of them is a folder, the
// desktop's answer stands, empty when it named none.
std::string DefaultOutputFolder(const NamedFolder& desktop, const NamedFolder& pictures,
                                const NamedFolder& home);
// The default output folder with a separator at its end. Throws when the
// desktop names no folder and neither the pictures nor the home folder is one.
std::string DesktopFolderPath(const platform::Desktop& desktop, const platform::FileSystem& files);

// A whole number from 1 to 100, drawn from a generator seeded with the time.
int DrawOneToHundred(int secondsSinceMidnight);
// Opens the home page in about one start in a hundred; never without one.
void VisitHomePageByChance(platform::Desktop& desktop, int secondsSinceMidnight,
                           const std::string& homePage);

// Readies the window before it is first shown: skin, hand pointer, caption,
// icon and title, the remembered output folder and the list's column.
void Form_Load(Form1& form);
// Closing the window ends the program at once, even in the middle of a run,
// the given way (by default: with success, saying nothing).
void Form_Unload(Form1& form, const platform::ProgramEnd& end = {});

}  // namespace orlenda
