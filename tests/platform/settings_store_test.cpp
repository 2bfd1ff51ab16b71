#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/qt/qt_settings_store.h"
#include "support/settings_sandbox.h"

namespace orlenda::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using SettingsFolder = testing::SettingsSandbox;
using ::testing::ThrowsMessage;

constexpr char kDownloadLocation[] = "Download Location";
constexpr char kLastFolder[] = "LastFolderDot";

TEST(SettingsStore, GivesDefaultsUntilAWriteReachesTheFileAtOnce) {
    SettingsFolder folder;
    QtSettingsStore store;
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "/home/u/Desktop/"), "/home/u/Desktop/");
    EXPECT_FALSE(fs::exists(folder.maker()));  // reading creates nothing
    store.WriteSetting(kLastFolder, "/last");
    store.WriteSetting(kDownloadLocation, "");
    EXPECT_EQ(folder.text(), "[General]\nDownload%20Location=\nLastFolderDot=/last\n");
    EXPECT_EQ(store.ReadSetting(kDownloadLocation, "/home/u/Desktop/"), "");  // not the default
}

TEST(SettingsStore, AwkwardTextsSurviveARoundTrip) {
    const std::string texts[] = {
        "C:\\Shots\\",   "\\\\server\\share\\",      "/home/ünï/日本語/",       "a, b",
        "@ByteArray(x)", "\"quoted\" ;#= [section]", "  blanks at both ends  ", "two\nlines\ttab",
        "%20 %U0041",
    };
    for (const std::string& text : texts) {
        const SettingsFolder writer;
        QtSettingsStore().WriteSetting(kDownloadLocation, text);
        const SettingsFolder reader;  // a file new to the process, so the text is read from it
        reader.write(writer.text());
        EXPECT_EQ(QtSettingsStore().ReadSetting(kDownloadLocation, "default"), text);
    }
}

TEST(SettingsStore, ReadsAndWritesFilesEditedByHand) {
    SettingsFolder folder;
    folder.write("[General]\nDownload%20Location=/srv/a, b/\nLastFolderDot=/srv/last\n");
    EXPECT_EQ(QtSettingsStore().ReadSetting(kDownloadLocation, ""), "/srv/a, b/");
    EXPECT_EQ(QtSettingsStore().ReadSetting(kLastFolder, ""), "/srv/last");

    SettingsFolder damaged;  // a section that never closes
    damaged.write("[General\nDownload%20Location=/srv/x/\n");
    QtSettingsStore writer;
    writer.WriteSetting(kLastFolder, "/y");
    EXPECT_EQ(writer.ReadSetting(kLastFolder, ""), "/y");
}

// Root may write anywhere, so checks of refused access run in a child process
// that has given up root first; it tells the failures of its checks. Root's
// temporary folder may be closed to others: the child gets one of its own in
// the system's, which is open to all.
void InUnprivilegedChild(const std::function<void()>& checks) {
    constexpr uid_t kNobody = 65534;
    std::string folder = (fs::path(P_tmpdir) / "orlenda-unprivileged-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr) << folder;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    }
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                                     ::setuid(kNobody) != 0)) {
                std::_Exit(2);
            }
            ::setenv("TMPDIR", folder.c_str(), 1);
            ::testing::TestPartResultArray failures;
            {
                const ::testing::ScopedFakeTestPartResultReporter collect(&failures);
                checks();
            }
            for (int i = 0; i < failures.size(); ++i) {
                std::fputs(failures.GetTestPartResult(i).message(), stderr);
            }
            std::_Exit(failures.size() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    fs::remove_all(folder);
}

TEST(SettingsStore, RefusedWriteRaisesAndLosesNothing) {
    for (const bool lockFolder : {true, false}) {
        SCOPED_TRACE(lockFolder ? "read-only folder" : "read-only file");
        InUnprivilegedChild([lockFolder] {
            SettingsFolder folder;
            QtSettingsStore store;
            store.WriteSetting(kDownloadLocation, "/kept/");
            const std::string before = folder.text();
            fs::permissions(
                lockFolder ? folder.maker() : folder.file(),
                fs::perms::owner_read | (lockFolder ? fs::perms::owner_exec : fs::perms::none),
                fs::perm_options::replace);
            for (const std::string key : {kDownloadLocation, "Never Stored"}) {
                EXPECT_THAT([&] { store.WriteSetting(key, "/refused/"); },
                            ThrowsMessage<std::runtime_error>(HasSubstr(key)));
            }
            EXPECT_EQ(folder.text(), before);
            EXPECT_EQ(store.ReadSetting(kDownloadLocation, ""), "/kept/");
            EXPECT_EQ(store.ReadSetting("Never Stored", "absent"), "absent");

            fs::permissions(folder.maker(), fs::perms::owner_all, fs::perm_options::add);
            fs::permissions(folder.file(), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
            store.WriteSetting(kLastFolder, "/later");
            EXPECT_EQ(store.ReadSetting(kDownloadLocation, ""), "/kept/");
        });
    }
}

TEST(SettingsStore, UnreadableStoreRaisesOnRead) {
    InUnprivilegedChild([] {
        SettingsFolder folder;
        QtSettingsStore().WriteSetting(kDownloadLocation, "/kept/");
        fs::permissions(folder.file(), fs::perms::none, fs::perm_options::replace);
        EXPECT_THROW(QtSettingsStore().ReadSetting(kDownloadLocation, "/default/"),
                     std::runtime_error);
    });
}

}  // namespace
}  // namespace orlenda::platform
