// The Windows half of the tool on its own: where it looks for the browser,
// the browser's environment, the safe write and the stale profile folders.

#include <gmock/gmock.h>
#include <windows.h>

#include <algorithm>

#include "system/atomic_file.h"
#include "system/browser_process.h"
#include "system/profile_folder.h"
#include "windows_test_support.h"

namespace orlenda::iecapt::testing {
namespace {

using ::testing::HasSubstr;

// Sets variables for the test's time, and puts the old values back.
class Variables {
public:
    explicit Variables(const std::vector<std::pair<std::wstring, std::string>>& values) {
        for (const auto& [name, value] : values) {
            wchar_t old[32767];
            const DWORD length = ::GetEnvironmentVariableW(name.c_str(), old, 32767);
            m_old.emplace_back(name, length > 0 ? std::optional<std::wstring>(old) : std::nullopt);
            ::SetEnvironmentVariableW(name.c_str(), wideFromUtf8(value).c_str());
        }
    }
    ~Variables() {
        for (const auto& [name, value] : m_old) {
            ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
        }
    }

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> m_old;
};

TEST(LookForBrowserTest, ChromeThenChromiumThenEdgeForAllUsersThenForOneThenOnPath) {
    const TestFolder folder;
    for (const char* name : {"machine", "machine86", "user", "path"}) {
        std::filesystem::create_directory(pathFromUtf8(folder / name));
    }
    const Variables places({{L"ProgramFiles", folder / "machine"},
                            {L"ProgramFiles(x86)", folder / "machine86"},
                            {L"LOCALAPPDATA", folder / "user"},
                            {L"PATH", folder / "nowhere;" + folder / "path"}});
    const auto install = [&](const std::string& where) {
        std::filesystem::create_directories(pathFromUtf8(where).parent_path());
        writeFile(where, "MZ");
        return where;
    };

    const BrowserLookup none = lookForBrowser("");
    EXPECT_EQ(none.path, "");
    for (const std::string& place :
         {folder / "machine", folder / "machine86", folder / "user",
          std::string("Google\\Chrome\\Application"), std::string("Microsoft\\Edge\\Application"),
          std::string("msedge.exe on PATH")}) {
        EXPECT_THAT(none.problem, HasSubstr(place));
    }
    EXPECT_THAT(none.problem, ::testing::StartsWith("no browser found: "));

    const std::string onPath = install(folder / "path\\chromium.exe");
    EXPECT_EQ(lookForBrowser("").path, onPath);
    const std::string userEdge = install(folder / "user\\Microsoft\\Edge\\Application\\msedge.exe");
    EXPECT_EQ(lookForBrowser("").path, userEdge);
    const std::string machineEdge =
        install(folder / "machine\\Microsoft\\Edge\\Application\\msedge.exe");
    EXPECT_EQ(lookForBrowser("").path, machineEdge);
    const std::string userChromium = install(folder / "user\\Chromium\\Application\\chrome.exe");
    EXPECT_EQ(lookForBrowser("").path, userChromium);
    const std::string chrome =
        install(folder / "machine86\\Google\\Chrome\\Application\\chrome.exe");
    EXPECT_EQ(lookForBrowser("").path, chrome);

    // A given browser is taken as given, or found on PATH by its name.
    const std::string mine = install(folder / "path\\mine.exe");
    EXPECT_EQ(lookForBrowser("mine").path, mine);
    EXPECT_EQ(lookForBrowser(userEdge).path, userEdge);
    const BrowserLookup folderGiven = lookForBrowser(folder / "user");
    EXPECT_EQ(folderGiven.path, "");
    EXPECT_EQ(folderGiven.problem, "the browser " + folder / "user" + " is not an executable file");
}

TEST(BrowserEnvironmentTest, TemporaryFilesGoIntoItsFolderWhateverTheCaseOfTheNames) {
    EXPECT_THAT(
        browserEnvironment({"Path=C:\\bin", "temp=C:\\t", "Tmp=C:\\t", "=C:=C:\\x", "TEMPLATE=x"},
                           "F:\\home", "F:\\tmp"),
        ::testing::UnorderedElementsAre("Path=C:\\bin", "=C:=C:\\x", "TEMPLATE=x", "TEMP=F:\\tmp",
                                        "TMP=F:\\tmp"));
}

// The temporary file must fit wherever the file itself does: a path of the
// most UTF-16 units the system's calls take, cut for the temporary name
// where a character beyond the BMP (two units) stands.
TEST(AtomicFileTest, WritesAndReplacesAnyPathTheSystemTakesLeavingNothingElse) {
    const TestFolder folder;
    using atomic_file::lengthIn;
    using atomic_file::Units;
    const std::size_t nameUnits = MAX_PATH - 1 - lengthIn(folder.path() + "\\", Units::Utf16);
    const std::size_t stemUnits = nameUnits - atomic_file::kTemporaryNameExtra;
    const std::string longName = std::string(stemUnits - 1, 'x') + "\xF0\x9F\x98\x80" +
                                 std::string(nameUnits - stemUnits - 5, 'y') + ".jpg";
    ASSERT_EQ(lengthIn(folder / longName, Units::Utf16), std::size_t{MAX_PATH - 1});
    for (const std::string& name : {std::string("Bild \xE6\x97\xA5.jpg"), longName}) {
        const std::string path = folder / name;
        EXPECT_EQ(writeFileAtomically(path, std::string(3 << 20, 'a')), "") << name;
        EXPECT_EQ(writeFileAtomically(path, "new"), "") << name;
        EXPECT_EQ(fileText(path), "new");
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{name});
        std::filesystem::remove(pathFromUtf8(path));
    }
}

TEST(AtomicFileTest, WhatIsNotARegularFileIsRefusedBeforehandAndLeftAsItWas) {
    const TestFolder folder;
    std::filesystem::create_directory(pathFromUtf8(folder / "taken"));
    writeFile(folder / "taken\\inside", "keep");
    const std::pair<std::string, std::string> cases[] = {
        {folder / "taken", "it is a folder, not a regular file"},
        {folder / "NUL", "it is a device, not a regular file"},
        {folder / "CON", "it is a device, not a regular file"},
        {"COM1", "it is a device, not a regular file"},
        {folder / "gone\\shot.jpg", "cannot use the folder"},
        {folder / "taken\\inside\\shot.jpg", "cannot use the folder"},
        {folder / (std::string(252, 'n') + ".jpeg"), "the name is too long for the folder"},
    };
    for (const auto& [target, reason] : cases) {
        EXPECT_THAT(checkWritableFilePath(target), HasSubstr(reason)) << target;
        if (reason.find("regular") != std::string::npos) {
            EXPECT_THAT(writeFileAtomically(target, "new"), HasSubstr(reason)) << target;
        }
    }
    EXPECT_EQ(checkWritableFilePath(folder / "new.jpg"), "");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"taken"});
    EXPECT_EQ(fileText(folder / "taken\\inside"), "keep");
}

TEST(AtomicFileTest, ALinkIsNeverReplaced) {
    const TestFolder folder;
    writeFile(folder / "target.jpg", "keep");
    if (!::CreateSymbolicLinkW(wideFromUtf8(folder / "link.jpg").c_str(),
                               wideFromUtf8(folder / "target.jpg").c_str(),
                               SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
        GTEST_SKIP() << "no symbolic links here: " << lastErrorText();
    }
    // Wine makes a link of the host's, which its calls do not show as one.
    const DWORD attributes = ::GetFileAttributesW(wideFromUtf8(folder / "link.jpg").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "this system does not show links as reparse points";
    }
    EXPECT_THAT(writeFileAtomically(folder / "link.jpg", "new"),
                HasSubstr("it is a symbolic link, not a regular file"));
    EXPECT_EQ(fileText(folder / "target.jpg"), "keep");
}

TEST(ProfileFolderTest, OnlyFoldersOfToolsThatHaveGoneAreRemoved) {
    const TestFolder base;
    const Variables temp({{L"TMP", base.path()}, {L"TEMP", base.path()}});
    std::string livePath;
    {
        const ProfileFolder live;
        livePath = live.path();
        EXPECT_EQ(utf8Of(pathFromUtf8(live.path()).parent_path()), base.path());
        EXPECT_TRUE(std::filesystem::is_directory(pathFromUtf8(live.profile())));
        const auto make = [&](const std::string& name, bool withLock) {
            std::filesystem::create_directories(pathFromUtf8(base / name + "\\profile\\Default"));
            writeFile(base / name + "\\profile\\Default\\History", "x");
            if (withLock) writeFile(base / name + "\\owner.lock", "");
        };
        make("iecapt-KILLED", true);   // its tool was killed: nobody holds the lock
        make("iecapt-NEWONE", false);  // a tool is just making it, or not ours
        make("iecapt-bench-ABCDEF", true);
        writeFile(base / "iecapt-AFILE1", "x");

        removeStaleProfileFolders(base.path());

        std::vector<std::string> names = namesIn(base.path());
        std::ranges::sort(names);
        std::vector<std::string> expected = {"iecapt-AFILE1", "iecapt-NEWONE",
                                             "iecapt-bench-ABCDEF",
                                             utf8Of(pathFromUtf8(livePath).filename())};
        std::ranges::sort(expected);
        EXPECT_EQ(names, expected);
        EXPECT_TRUE(std::filesystem::exists(pathFromUtf8(live.profile())))
            << "a live tool's folder was taken";
    }
    EXPECT_FALSE(std::filesystem::exists(pathFromUtf8(livePath)));
}

}  // namespace
}  // namespace orlenda::iecapt::testing
