#pragma once

#include <string>

namespace orlenda::iecapt {

// The folder the running tool's executable is in, in UTF-8: the files that
// ship with the tool are found from there, wherever it was installed. Empty
// when the system does not say.
std::string ownFolder();

}  // namespace orlenda::iecapt
