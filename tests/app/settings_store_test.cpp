#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "fakes/settings_folder.h"
#include "platform/qt/qt_settings_store.h"

namespace orlenda::platform {
namespace {

namespace fs = std::filesystem;

constexpr char kDownloadLocation[] = "Download Location";
constexpr char kLastFolder[] = "LastFolderDot";

using testing::SettingsFolder;

TEST(SettingsStore, AbsentStoreGivesTheDefaultsAndCreatesNothing) {
    SettingsFolder folder;
    QtSettingsStore store;
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "/home/u/Desktop/"), "/home/u/Desktop/");
    EXPECT_EQ(store.ReadSetting(kLastFolder, ""), "");
    EXPECT_FALSE(fs::exists(folder.maker()));
}

TEST(SettingsStore, WriteReachesTheFileAtOnceAndAnEmptyValueStaysEmpty) {
    SettingsFolder folder;
    QtSettingsStore store;
    store.WriteSetting(kLastFolder, "/last");
    store.WriteSetting(kDownloadLocation, "");
    EXPECT_EQ(folder.text(), "[General]\nDownload%20Location=\nLastFolderDot=/last\n");
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "/home/u/Desktop/"), "");
}

TEST(SettingsStore, AwkwardTextsSurviveARoundTrip) {
    const std::string texts[] = {
        "C:\\Shots\\",   "\\\\server\\share\\",      "/home/ünï/日本語/",       "a, b",
        "@ByteArray(x)", "\"quoted\" ;#= [section]", "  blanks at both ends  ", "two\nlines\ttab",
        "%20 %U0041",
    };
    SettingsFolder folder;
    for (const std::string& text : texts) {
        QtSettingsStore writer;
        writer.WriteSetting(kDownloadLocation, text);
        writer.WriteSetting(kLastFolder, text + "x");
        const QtSettingsStore reader;
        EXPECT_EQ(reader.ReadSetting(kDownloadLocation, "default"), text);
        EXPECT_EQ(reader.ReadSetting(kLastFolder, "default"), text + "x");
    }
}

TEST(SettingsStore, ReadsAndWritesFilesEditedByHand) {
    SettingsFolder folder;
    folder.write("[General]\nDownload%20Location=/srv/a, b/\nLastFolderDot=/srv/last\n");
    const QtSettingsStore store;
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, ""), "/srv/a, b/");
    EXPECT_EQ(store.ReadSetting(kLastFolder, ""), "/srv/last");

    SettingsFolder damaged;  // a section that never closes
    damaged.write("[General\nDownload%20Location=/srv/x/\n");
    QtSettingsStore writer;
    writer.WriteSetting(kLastFolder, "/y");
    EXPECT_EQ(writer.ReadSetting(kLastFolder, ""), "/y");
}

// Root may write anywhere, so checks of refused writes run in a child process
// that has given up root first. Returns the child's complaint, empty if none.
void ExpectInUnprivilegedChild(const std::function<std::string()>& check) {
    EXPECT_EXIT(
        {
            if (::geteuid() == 0) {
                const bool dropped =
                    ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
                if (!dropped) {
                    std::fputs("could not give up root", stderr);
                    std::_Exit(2);
                }
            }
            std::string complaint;
            try {
                complaint = check();
            } catch (const std::exception& failure) {
                complaint = std::string("unexpected failure: ") + failure.what();
            }
            std::fputs(complaint.c_str(), stderr);
            std::_Exit(complaint.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A refused write: the maker's folder or the settings file made read-only.
class SettingsStoreRefusal : public ::testing::TestWithParam<bool> {};

TEST_P(SettingsStoreRefusal, RaisesAndLeavesTheStoredFileIntact) {
    ExpectInUnprivilegedChild([lockFolder = GetParam()]() -> std::string {
        SettingsFolder folder;
        QtSettingsStore store;
        store.WriteSetting(kDownloadLocation, "/kept/");
        store.WriteSetting(kLastFolder, "/kept-last");
        const std::string before = folder.text();

        fs::permissions(
            lockFolder ? folder.maker() : folder.file(),
            fs::perms::owner_read | (lockFolder ? fs::perms::owner_exec : fs::perms::none),
            fs::perm_options::replace);
        try {
            store.WriteSetting(kDownloadLocation, "/refused/");
            return "the refused write raised nothing";
        } catch (const std::runtime_error& failure) {
            if (std::string(failure.what()).find("Download Location") == std::string::npos) {
                return std::string("unclear description: ") + failure.what();
            }
        }
        try {
            store.WriteSetting("Never Stored", "x");
            return "the second refused write raised nothing";
        } catch (const std::runtime_error&) {
        }
        if (folder.text() != before) return "the stored file changed";
        if (store.ReadSetting(kDownloadLocation, "") != "/kept/") return "refused text read back";
        if (store.ReadSetting("Never Stored", "absent") != "absent") return "refused key read back";

        fs::permissions(folder.maker(), fs::perms::owner_all, fs::perm_options::add);
        fs::permissions(folder.file(), fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add);
        store.WriteSetting(kLastFolder, "/later");
        if (store.ReadSetting(kDownloadLocation, "") != "/kept/") return "a later write lost text";
        return {};
    });
}

INSTANTIATE_TEST_SUITE_P(ReadOnly, SettingsStoreRefusal, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Folder" : "File";
                         });

TEST(SettingsStore, UnreadableStoreRaisesOnRead) {
    ExpectInUnprivilegedChild([]() -> std::string {
        SettingsFolder folder;
        QtSettingsStore store;
        store.WriteSetting(kDownloadLocation, "/kept/");
        fs::permissions(folder.file(), fs::perms::none, fs::perm_options::replace);
        try {
            store.ReadSetting(kDownloadLocation, "/default/");
        } catch (const std::runtime_error&) {
            return {};
        }
        return "an unreadable store read as if absent";
    });
}

}  // namespace
}  // namespace orlenda::platform
