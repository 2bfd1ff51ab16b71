#include "sitelist/sitelist_handlers.h"

#include <gtest/gtest.h>

#include "app/error_trap.h"
#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using Rows = std::vector<std::string>;
using testing::FakeForm;

TEST(AddSingleSite, AppendsTheTextExactlyAsEnteredUnlessEmpty) {
    struct Case {
        const char* answer;
        Rows expected;
    };
    const Case cases[] = {
        {"http://a/b", {"old", "http://a/b"}},
        {" ", {"old", " "}},
        {"  HTTP://X.example/Path?q=1  ", {"old", "  HTTP://X.example/Path?q=1  "}},
        {"old", {"old", "old"}},  // duplicates are allowed
        {"", {"old"}},            // OK on an empty field, or Cancel
    };
    for (const Case& c : cases) {
        FakeForm f;
        f.list.rows = {"old"};
        f.dialogs.answers = {c.answer};
        PushButton1_Click(f.form);
        EXPECT_EQ(f.list.rows, c.expected) << '"' << c.answer << '"';
        EXPECT_TRUE(f.dialogs.messages.empty());
        ASSERT_EQ(f.dialogs.prompts.size(), 1u);
        EXPECT_EQ(f.dialogs.prompts[0].text, "Enter website address to add: ");
        EXPECT_EQ(f.dialogs.prompts[0].caption, "Orlenda");
    }
}

TEST(AddSingleSite, AddsEvenWhileARunIsInProgress) {
    FakeForm f;
    f.me.pointer = platform::kPointerHourglass;
    f.dialogs.answers = {"http://a"};
    PushButton1_Click(f.form);
    EXPECT_EQ(f.list.rows, Rows{"http://a"});
}

TEST(AddSingleSite, AFailingInputBoxIsReportedAndAddsNothing) {
    FakeForm f;
    f.dialogs.failInput = true;
    PushButton1_Click(f.form);
    EXPECT_TRUE(f.list.rows.empty());
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text,
              ComposeErrorMessage("input box failed",
                                  "in Orlenda2021/08/31.Form1.PushButton1_Click ", 100));
}

TEST(AddSingleSite, AFailingAppendIsReportedAsTheLastStep) {
    FakeForm f;
    f.dialogs.answers = {"http://a"};
    f.list.failingAppends = 1;
    PushButton1_Click(f.form);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].text.find("PushButton1_Click at line 104\r\r"),
              std::string::npos);
}

TEST(SampleSites, AppendsThePairAfterTheRowsAtEveryPress) {
    FakeForm f;
    f.list.rows = {"mine"};
    PushButton3_Click(f.form);
    PushButton3_Click(f.form);
    EXPECT_EQ(f.list.rows, (Rows{"mine", kFirstSampleAddress, kSecondSampleAddress,
                                 kFirstSampleAddress, kSecondSampleAddress}));
}

TEST(SampleSites, AreCompleteHttpAddressesOfWellKnownPortals) {
    for (const std::string sample : {kFirstSampleAddress, kSecondSampleAddress}) {
        EXPECT_EQ(sample.rfind("http://www.", 0), 0u) << sample;
        EXPECT_NE(sample.back(), '/') << sample;
        EXPECT_EQ(sample.find('/', 7), std::string::npos) << sample;
    }
}

TEST(SampleSites, AFailingFirstAppendStillAppendsTheSecond) {
    FakeForm f;
    f.list.failingAppends = 1;
    PushButton3_Click(f.form);
    EXPECT_EQ(f.list.rows, Rows{kSecondSampleAddress});
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].text.find("PushButton3_Click at line 100\r\r"),
              std::string::npos);
}

TEST(ClearList, ClearsUnlessARunIsInProgress) {
    struct Case {
        int pointer;
        Rows expected;
    };
    const Case cases[] = {
        {platform::kPointerDefault, {}},
        {platform::kPointerCustom, {}},
        {platform::kPointerHourglass, {"a", "b"}},
    };
    for (const Case& c : cases) {
        FakeForm f;
        f.list.rows = {"a", "b"};
        f.me.pointer = c.pointer;
        PushButton7_Click(f.form);
        EXPECT_EQ(f.list.rows, c.expected) << "pointer " << c.pointer;
        EXPECT_TRUE(f.dialogs.messages.empty());
    }
}

TEST(ClearList, AFailingBusyTestIsReportedAndStillClears) {
    FakeForm f;
    f.me.failPointerRead = true;
    f.list.rows = {"a"};
    PushButton7_Click(f.form);
    EXPECT_TRUE(f.list.rows.empty());
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].text.find("PushButton7_Click at line 100\r\r"),
              std::string::npos);
}

TEST(RemoveCurrentRow, RemovesOnlyWhenIdleAndARowIsSelected) {
    struct Case {
        const char* name;
        Rows rows;
        std::int64_t current;
        int pointer;
        Rows expected;
    };
    const Case cases[] = {
        {"middle row", {"a", "b", "c"}, 2, platform::kPointerDefault, {"a", "c"}},
        {"last row", {"a", "b", "c"}, 3, platform::kPointerCustom, {"a", "b"}},
        {"first row", {"a", "b", "c"}, 1, platform::kPointerDefault, {"b", "c"}},
        {"during a run", {"a", "b"}, 1, platform::kPointerHourglass, {"a", "b"}},
        {"empty list", {}, 0, platform::kPointerDefault, {}},
        {"no current row", {"a", "b"}, 0, platform::kPointerDefault, {"a", "b"}},
    };
    for (const Case& c : cases) {
        for (const bool byKey : {false, true}) {
            FakeForm f;
            f.list.rows = c.rows;
            f.list.current = c.current;
            f.me.pointer = c.pointer;
            if (byKey) {
                ListView1_KeyDown(f.form, kDeleteKeyCode);
            } else {
                ListView1_DblClick(f.form);
            }
            EXPECT_EQ(f.list.rows, c.expected) << c.name << (byKey ? " (Delete)" : " (double-click)");
        }
    }
}

TEST(RemoveCurrentRow, OtherKeysLeaveTheListAlone) {
    for (const int keyCode : {8, 13, 32, 45, 47}) {
        FakeForm f;
        f.list.rows = {"a"};
        f.list.current = 1;
        ListView1_KeyDown(f.form, keyCode);
        EXPECT_EQ(f.list.rows, Rows{"a"}) << keyCode;
    }
}

}  // namespace
}  // namespace orlenda
