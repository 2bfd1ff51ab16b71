#include "app/skin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/pointer_feedback.h"
#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using platform::ControlKind;
using ::testing::ElementsAre;
using testing::FakeForm;
using ::testing::IsEmpty;

const std::string kButtonFace = std::to_string(platform::kColourButtonFace);
constexpr char kSkinPath[] = "/opt/orlenda/x/o.cjs";

TEST(ApplySkin, WithoutASkinFileNothingIsTouched) {
    for (const bool folderOfThatName : {false, true}) {
        FakeForm fake;
        if (folderOfThatName) {
            fake.files.files.push_back(kSkinPath);
            fake.files.folders.push_back(kSkinPath);
        }
        ApplySkin(fake.form);
        EXPECT_THAT(fake.me.journal, IsEmpty());
    }
}

TEST(ApplySkin, RecoloursThenLoadsSetsOptionsAndAttachesInThatOrder) {
    FakeForm fake;
    fake.files.files.push_back(kSkinPath);
    fake.me.controls = {ControlKind::Frame,    ControlKind::Other,        ControlKind::Label,
                        ControlKind::CheckBox, ControlKind::OptionButton, ControlKind::Other};
    fake.skin.bits = 0x40000102;

    ApplySkin(fake.form);

    EXPECT_THAT(fake.me.journal, ElementsAre("setBackColor(" + kButtonFace + ")",
                                             "setControlBackColor(0, " + kButtonFace + ")",
                                             "setControlBackColor(2, " + kButtonFace + ")",
                                             "setControlBackColor(3, " + kButtonFace + ")",
                                             "setControlBackColor(4, " + kButtonFace + ")",
                                             std::string("loadSkin(") + kSkinPath + ", )",
                                             "setOptions(" + std::to_string(0x40000103) + ")",
                                             "setSkinAllWindows(true)",
                                             "setKeepWindowColours(true)", "attachToWindow"));
    EXPECT_EQ(fake.skin.attachedTo, &fake.me);
}

TEST(ApplySkin, RejectedSkinStopsBeforeTheOptionsButKeepsTheColours) {
    FakeForm fake;
    fake.files.files.push_back(kSkinPath);
    fake.skin.failLoad = true;
    EXPECT_THROW(ApplySkin(fake.form), std::runtime_error);
    EXPECT_THAT(fake.me.journal, ElementsAre("setBackColor(" + kButtonFace + ")",
                                             std::string("loadSkin(") + kSkinPath + ", )"));
}

struct PointerMove {
    const char* name;
    void (*handler)(Form1&);
    int pointerAfter;
};

void PrintTo(const PointerMove& param, std::ostream* out) { *out << param.name; }

class PointerFeedback : public ::testing::TestWithParam<PointerMove> {};

TEST_P(PointerFeedback, SetsItsPointerFromAnyButTheHourglass) {
    for (const int before : {platform::kPointerDefault, platform::kPointerCustom}) {
        FakeForm fake;
        fake.me.pointer = before;
        GetParam().handler(fake.form);
        EXPECT_EQ(fake.me.pointer, GetParam().pointerAfter);
    }
    FakeForm busy;
    busy.me.pointer = platform::kPointerHourglass;
    GetParam().handler(busy.form);
    EXPECT_EQ(busy.me.pointer, platform::kPointerHourglass);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, PointerFeedback,
    ::testing::Values(PointerMove{"PushButton1", PushButton1_MouseMove, platform::kPointerCustom},
                      PointerMove{"PushButton2", PushButton2_MouseMove, platform::kPointerCustom},
                      PointerMove{"PushButton3", PushButton3_MouseMove, platform::kPointerCustom},
                      PointerMove{"PushButton6", PushButton6_MouseMove, platform::kPointerCustom},
                      PointerMove{"PushButton7", PushButton7_MouseMove, platform::kPointerCustom},
                      PointerMove{"PushButton8", PushButton8_MouseMove, platform::kPointerCustom},
                      PointerMove{"Form", Form_MouseMove, platform::kPointerDefault},
                      PointerMove{"Frame1", Frame1_MouseMove, platform::kPointerDefault},
                      PointerMove{"ListView1", ListView1_MouseMove, platform::kPointerDefault}),
    [](const ::testing::TestParamInfo<PointerMove>& info) { return info.param.name; });

}  // namespace
}  // namespace orlenda
