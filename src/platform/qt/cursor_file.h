#pragma once

#include <QCursor>
#include <string>

namespace orlenda::platform {

// A Windows cursor file (.cur) as a pointer, with the hot spot it names; an
// icon file (.ico) is taken too, its hot spot in the middle. Throws when the
// file cannot be read or holds neither.
QCursor ReadCursorFile(const std::string& path);

}  // namespace orlenda::platform
