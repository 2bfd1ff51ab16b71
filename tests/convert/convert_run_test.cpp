#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/command_line.h"
#include "convert/convert_handlers.h"
#include "fakes/fake_form.h"
#include "sitelist/sitelist_handlers.h"
#include "support/platform_path.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PlatformPath;

// The rows in the list and an existing folder in the folder box.
void Fill(testing::FakeForm& fake, std::vector<std::string> rows) {
    fake.list.rows = std::move(rows);
    fake.files.folders = {PlatformPath("/shots/")};
    fake.folder.value = PlatformPath("/shots/");
}

// The tool in the fakes' program folder; the output path written in POSIX form.
std::string CommandFor(const std::string& url, const std::string& out) {
    return "\"" + PlatformPath("/opt/orlenda/") + kCaptureToolName + "\" --url=" + url +
           " --out=\"" + PlatformPath(out) + "\"";
}

TEST(Run, CapturesEveryRowOfItsStartInOrderWhileOnlyAddingWorks) {
    testing::FakeForm fake;
    Fill(fake, {"http://a/b", "http://c.d/e?f=1", "x\\y:z"});
    // The second capture fails; the third runs past the fiftieth poll.
    fake.processes.script = {{}, {.queriesFail = true}, {50, 0}};
    std::vector<std::pair<bool, bool>> busyAndRunning;
    fake.sleeper.onSleep = [&] {
        busyAndRunning.emplace_back(fake.form.isBusy(), fake.form.IsRunning);
        if (busyAndRunning.size() > 1) return;
        PushButton2_Click(fake.form);
        PushButton7_Click(fake.form);
        PushButton3_Click(fake.form);
        PushButton3_Click(fake.form);
        fake.folder.value = PlatformPath("/other");
    };
    PushButton2_Click(fake.form);

    // Starting again and clearing were refused; a new folder applies from the
    // next row on; the added rows wait; a failure ends only its own row.
    EXPECT_THAT(fake.processes.started,
                ElementsAre(CommandFor("http://a/b", "/shots/a_b.jpg"),
                            CommandFor("http://c.d/e?f=1", "/other/c.d_e f=1.jpg"),
                            CommandFor("x\\y:z", "/other/x y z.jpg")));
    EXPECT_EQ(fake.processes.lastWindowMode, platform::kWindowHidden);
    EXPECT_EQ(fake.list.rows.size(), 7u);
    EXPECT_THAT(busyAndRunning, ::testing::Each(std::pair{true, true}));
    // The bar measures against the rows of the moment; a long wait counts and
    // creeps on from the bar's value rounded (42.86 -> 43).
    EXPECT_THAT(fake.progress.values,
                ElementsAre(1.0 / 3 * 100, 2.0 / 7 * 100, 3.0 / 7 * 100, 43, 0));
    EXPECT_THAT(fake.progress.texts,
                ElementsAre("Processing: http://a/b", "Processing: http://a/b",
                            "Processing: http://c.d/e?f=1", "Processing: y:z",
                            "Processing: y:z, Please wait.. 0", "Processing: y:z, Please wait.. 1",
                            "Processing: y:z", "Progress Bar"));
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Application Error");
    EXPECT_THAT(fake.dialogs.messages[0].text,
                ::testing::HasSubstr("in Orlenda2021/08/31.Form1.PushButton2_Click at line 146"));
    EXPECT_EQ(fake.dialogs.messages[1].text, "Done.");
    EXPECT_EQ(fake.me.pointer, platform::kPointerDefault);
    EXPECT_FALSE(fake.form.IsRunning);
}

TEST(Run, RefusesToStartWithoutRowsOrWithoutFolder) {
    const std::string noFolder = "Folder does not exist. Please select another folder.";
    const std::tuple<std::vector<std::string>, std::string, std::string> refusals[] = {
        {{}, "/shots/", "No files added."},
        {{"a"}, "/shots/list.txt", noFolder},
        {{"a"}, "/missing/", noFolder},
    };
    for (const auto& [rows, folder, message] : refusals) {
        testing::FakeForm fake;
        Fill(fake, rows);
        fake.files.files = {"/shots/list.txt"};
        fake.folder.value = folder;
        PushButton2_Click(fake.form);
        ASSERT_EQ(fake.dialogs.messages.size(), 1u) << message;
        EXPECT_EQ(fake.dialogs.messages[0].text, message);
        EXPECT_EQ(fake.dialogs.messages[0].style, platform::kMessageOkOnly);
        EXPECT_THAT(fake.processes.started, IsEmpty());
        EXPECT_FALSE(fake.form.IsRunning);
        EXPECT_EQ(fake.me.pointer, platform::kPointerDefault);
    }
}

TEST(Run, PassesEveryRowOfALongListSilentlyWhenTheToolCannotStart) {
    // Beyond what 16-bit row numbers can count.
    std::vector<std::string> rows;
    for (int row = 1; row <= 32768; ++row) rows.push_back("s/" + std::to_string(row));
    testing::FakeForm fake;
    Fill(fake, rows);
    fake.processes.startError = 2;
    PushButton2_Click(fake.form);

    ASSERT_EQ(fake.processes.started.size(), 32768u);
    EXPECT_EQ(fake.processes.started.back(), CommandFor("s/32768", "/shots/s_32768.jpg"));
    EXPECT_THAT(fake.sleeper.pauses, IsEmpty());
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "Done.");
}

}  // namespace
}  // namespace orlenda
