#pragma once

#include "form/form1.h"

namespace orlenda {

// The pointer over the window: the hand over the six buttons, the default one
// over the background, the frame and the list. Each only reads and sets the
// window's pointer code, and leaves the hourglass of a run in place. Nothing
// reacts to the mouse leaving a control.
void ShowHandUnlessBusy(Form1& form);
void ShowDefaultPointerUnlessBusy(Form1& form);

inline void PushButton1_MouseMove(Form1& form) { ShowHandUnlessBusy(form); }
inline void PushButton2_MouseMove(Form1& form) { ShowHandUnlessBusy(form); }
inline void PushButton3_MouseMove(Form1& form) { ShowHandUnlessBusy(form); }
inline void PushButton6_MouseMove(Form1& form) { ShowHandUnlessBusy(form); }
inline void PushButton7_MouseMove(Form1& form) { ShowHandUnlessBusy(form); }
inline void PushButton8_MouseMove(Form1& form) { ShowHandUnlessBusy(form); }

inline void Form_MouseMove(Form1& form) { ShowDefaultPointerUnlessBusy(form); }
inline void Frame1_MouseMove(Form1& form) { ShowDefaultPointerUnlessBusy(form); }
inline void ListView1_MouseMove(Form1& form) { ShowDefaultPointerUnlessBusy(form); }

}  // namespace orlenda
