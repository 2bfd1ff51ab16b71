#include "startup/pointer_feedback.h"

namespace orlenda {

void ShowHandUnlessBusy(Form1& form) {
    if (!form.isBusy()) form.Me.setMousePointer(platform::kPointerCustom);
}

void ShowDefaultPointerUnlessBusy(Form1& form) {
    if (!form.isBusy()) form.Me.setMousePointer(platform::kPointerDefault);
}

}  // namespace orlenda
