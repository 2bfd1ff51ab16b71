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

TEST(SettingsStore, FirstWriteCreatesTheUsersIniFile) {
    SettingsFolder folder;
    QtSettingsStore store;
    store.WriteSetting(kDownloadLocation, "/srv/shots/");
    // Written and synced at once: the file holds it before any other call.
    EXPECT_NE(folder.text().find("Download%20Location=/srv/shots/"), std::string::npos)
        << folder.text();
}

TEST(SettingsStore, PresentButEmptyValueIsNotReplacedByTheDefault) {
    SettingsFolder folder;
    QtSettingsStore store;
    store.WriteSetting(kDownloadLocation, "");
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

TEST(SettingsStore, ReadsAFileWrittenByHand) {
    SettingsFolder folder;
    folder.write("[General]\nDownload%20Location=/srv/a, b/\nLastFolderDot=/srv/last\n");
    const QtSettingsStore store;
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, ""), "/srv/a, b/");
    EXPECT_EQ(store.ReadSetting(kLastFolder, ""), "/srv/last");
}

TEST(SettingsStore, WriteReplacesOneValueAndKeepsTheOthers) {
    SettingsFolder folder;
    QtSettingsStore store;
    store.WriteSetting(kDownloadLocation, "/one/");
    store.WriteSetting(kLastFolder, "/last");
    store.WriteSetting(kDownloadLocation, "/two/");
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, ""), "/two/");
    EXPECT_EQ(store.ReadSetting(kLastFolder, ""), "/last");
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

struct RefusedWrite {
    const char* name;
    std::function<void(const SettingsFolder&)> lock;
};

void PrintTo(const RefusedWrite& refusal, std::ostream* out) { *out << refusal.name; }

class SettingsStoreRefusal : public ::testing::TestWithParam<RefusedWrite> {};

TEST_P(SettingsStoreRefusal, RaisesAndLeavesTheStoredFileIntact) {
    ExpectInUnprivilegedChild([lock = GetParam().lock]() -> std::string {
        SettingsFolder folder;
        QtSettingsStore store;
        store.WriteSetting(kDownloadLocation, "/kept/");
        store.WriteSetting(kLastFolder, "/kept-last");
        const std::string before = folder.text();

        lock(folder);
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

INSTANTIATE_TEST_SUITE_P(
    ReadOnly, SettingsStoreRefusal,
    ::testing::Values(RefusedWrite{"Folder",
                                   [](const SettingsFolder& folder) {
                                       fs::permissions(
                                           folder.maker(),
                                           fs::perms::owner_read | fs::perms::owner_exec,
                                           fs::perm_options::replace);
                                   }},
                      RefusedWrite{"File",
                                   [](const SettingsFolder& folder) {
                                       fs::permissions(folder.file(), fs::perms::owner_read,
                                                       fs::perm_options::replace);
                                   }}),
    [](const ::testing::TestParamInfo<RefusedWrite>& info) { return info.param.name; });

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
