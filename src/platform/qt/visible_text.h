#pragma once

#include <QString>
#include <string_view>

namespace orlenda::platform {

// UTF-8 text as the window shows it in the list and on the progress bar.
// Characters that are invisible or reorder the text around them (controls,
// bidirectional and other formatting marks, line and paragraph separators)
// are shown as escapes such as \u202E, so that a row cannot pass for another:
// "http://evil\u202Egpj.exe" must not read "http://evilexe.jpg". A text
// longer than any screen is shown cut with an ellipsis, as laying out
// megabytes would stall every repaint. The text itself is never changed.
QString VisibleText(std::string_view utf8);

}  // namespace orlenda::platform
