#pragma once

#include <string>

namespace orlenda {

// The folder box holds a folder with a separator at its end, whether the
// browse button or start-up put it there.
bool EndsWithSeparator(const std::string& folder);
// The folder with one separator at its end: a path that already ends with
// one, such as the root folder, is kept as it is.
std::string WithTrailingSeparator(const std::string& folder);

}  // namespace orlenda
