#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/convert_handlers.h"
#include "fakes/fake_form.h"
#include "sitelist/sitelist_handlers.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeForm;
using testing::FakeProcess;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class RunTest : public ::testing::Test {
protected:
    RunTest() {
        fake.files.folders = {"/shots/"};
        fake.folder.value = "/shots/";
        fake.files.programFolderPath = "/opt/orlenda";
    }

    std::vector<std::string> startedCommands() const {
        std::vector<std::string> commands;
        for (const auto& started : fake.processes.started) commands.push_back(started.commandLine);
        return commands;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : fake.dialogs.messages) texts.push_back(message.text);
        return texts;
    }

    FakeForm fake;
};

std::string CommandFor(const std::string& url, const std::string& out) {
    return "\"/opt/orlenda/iecapt\" --url=" + url + " --out=\"" + out + "\"";
}

TEST_F(RunTest, CapturesEveryRowInOrderAndSaysDone) {
    fake.list.rows = {"http://a/b", "http://c.d/e?f=1", "x\\y:z"};
    std::vector<std::pair<bool, bool>> busyAndRunning;
    fake.sleeper.onSleep = [&] {
        busyAndRunning.emplace_back(fake.form.isBusy(), fake.form.IsRunning);
    };
    PushButton2_Click(fake.form);

    EXPECT_THAT(startedCommands(),
                ElementsAre(CommandFor("http://a/b", "/shots/a_b.jpg"),
                            CommandFor("http://c.d/e?f=1", "/shots/c.d_e f=1.jpg"),
                            CommandFor("x\\y:z", "/shots/x y z.jpg")));
    EXPECT_THAT(busyAndRunning, ::testing::Each(std::pair{true, true}));
    EXPECT_THAT(fake.progress.values, ElementsAre(1.0 / 3 * 100, 2.0 / 3 * 100, 100, 0));
    EXPECT_THAT(fake.progress.texts,
                ElementsAre("Processing: http://a/b", "Processing: http://a/b",
                            "Processing: http://c.d/e?f=1", "Processing: http://c.d/e?f=1",
                            "Processing: y:z", "Processing: y:z", "Progress Bar"));
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_EQ(fake.dialogs.messages[0].text, "Done.");
    EXPECT_EQ(fake.dialogs.messages[0].style, platform::kMessageOkOnly);
    EXPECT_EQ(fake.dialogs.messages[0].caption, "");
    EXPECT_EQ(fake.me.pointer, platform::kPointerDefault);
    EXPECT_FALSE(fake.form.IsRunning);
}

TEST_F(RunTest, JoinsFolderAndNameWithOneSeparator) {
    const std::pair<std::string, std::string> folders[] = {
        {"/shots/", "/shots/a_b.jpg"},
        {"/shots", "/shots/a_b.jpg"},
        {"/", "/a_b.jpg"},
        {"//srv/x/", "/srv/x/a_b.jpg"},
    };
    fake.list.rows = {"http://a/b"};
    for (const auto& [folder, outputPath] : folders) {
        fake.processes.started.clear();
        fake.files.folders = {folder};
        fake.folder.value = folder;
        PushButton2_Click(fake.form);
        EXPECT_THAT(startedCommands(), ElementsAre(CommandFor("http://a/b", outputPath)));
    }
}

TEST_F(RunTest, RefusesToStartWithoutRowsOrFolder) {
    struct Refusal {
        std::vector<std::string> rows;
        std::string folder;
        const char* message;
    };
    const Refusal refusals[] = {
        {{}, "/shots/", "No files added."},
        {{"a"}, "", "Folder does not exist. Please select another folder."},
        {{"a"}, "/shots/list.txt", "Folder does not exist. Please select another folder."},
        {{"a"}, "/missing/", "Folder does not exist. Please select another folder."},
    };
    fake.files.files = {"/shots/list.txt"};
    for (const Refusal& refusal : refusals) {
        FakeForm refused;
        refused.files = fake.files;
        refused.list.rows = refusal.rows;
        refused.folder.value = refusal.folder;
        PushButton2_Click(refused.form);
        ASSERT_EQ(refused.dialogs.messages.size(), 1u) << refusal.message;
        EXPECT_EQ(refused.dialogs.messages[0].text, refusal.message);
        EXPECT_EQ(refused.dialogs.messages[0].style, platform::kMessageOkOnly);
        EXPECT_THAT(refused.processes.started, IsEmpty());
        EXPECT_FALSE(refused.form.IsRunning);
        EXPECT_EQ(refused.me.pointer, platform::kPointerDefault);
        EXPECT_THAT(refused.progress.values, IsEmpty());
        EXPECT_THAT(refused.progress.texts, IsEmpty());
    }
}

TEST_F(RunTest, DuringARunStartAndClearAreRefusedAndAddedRowsWait) {
    fake.list.rows = {"http://a/1", "http://a/2"};
    bool actedOnce = false;
    fake.sleeper.onSleep = [&] {
        if (std::exchange(actedOnce, true)) return;
        PushButton2_Click(fake.form);
        PushButton7_Click(fake.form);
        PushButton3_Click(fake.form);
        PushButton3_Click(fake.form);
        fake.folder.value = "/other";
    };
    PushButton2_Click(fake.form);

    EXPECT_THAT(messageTexts(), ElementsAre("Done."));
    EXPECT_EQ(fake.list.rows.size(), 6u);
    // The folder changed during row 1 applies from row 2 on; the rows added wait.
    EXPECT_THAT(startedCommands(), ElementsAre(CommandFor("http://a/1", "/shots/a_1.jpg"),
                                               CommandFor("http://a/2", "/other/a_2.jpg")));
    // The bar measures against the rows of the moment.
    EXPECT_THAT(fake.progress.values, ElementsAre(50, 2.0 / 6 * 100, 0));
}

TEST_F(RunTest, ASecondStartWhileRunningDoesNothing) {
    fake.form.IsRunning = true;
    fake.list.rows = {"a"};
    PushButton2_Click(fake.form);
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
    EXPECT_THAT(fake.processes.started, IsEmpty());
    EXPECT_TRUE(fake.form.IsRunning);
}

TEST_F(RunTest, AFailingCaptureIsReportedAndTheRunGoesOn) {
    fake.list.rows = {"http://a/1", "http://a/2"};
    fake.processes.script = {FakeProcess{.queriesFail = true}};
    PushButton2_Click(fake.form);

    EXPECT_EQ(fake.processes.started.size(), 2u);
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Application Error");
    EXPECT_THAT(fake.dialogs.messages[0].text,
                HasSubstr("in Orlenda2021/08/31.Form1.PushButton2_Click at line 146"));
    EXPECT_EQ(fake.dialogs.messages[1].text, "Done.");
    EXPECT_FALSE(fake.form.IsRunning);
}

TEST_F(RunTest, AToolThatCannotStartPassesEveryRowSilently) {
    fake.list.rows = {"http://a/1", "http://a/2", "http://a/3"};
    fake.processes.startError = 2;
    PushButton2_Click(fake.form);
    EXPECT_EQ(fake.processes.started.size(), 3u);
    EXPECT_EQ(fake.sleeper.count, 0);
    EXPECT_THAT(messageTexts(), ElementsAre("Done."));
}

TEST_F(RunTest, ConvertsListsBeyondSixteenBitRowNumbers) {
    constexpr std::size_t kRows = 32768;
    for (std::size_t row = 1; row <= kRows; ++row)
        fake.list.rows.push_back("s/" + std::to_string(row));
    PushButton2_Click(fake.form);
    ASSERT_EQ(fake.processes.started.size(), kRows);
    EXPECT_EQ(fake.processes.started.back().commandLine,
              CommandFor("s/32768", "/shots/s_32768.jpg"));
    EXPECT_THAT(messageTexts(), ElementsAre("Done."));
}

}  // namespace
}  // namespace orlenda
