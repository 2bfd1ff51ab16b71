#include "form/folder_text.h"

#include "platform/files.h"

namespace orlenda {

bool EndsWithSeparator(const std::string& folder) {
    return !folder.empty() && folder.back() == platform::kPathSeparator;
}

std::string WithTrailingSeparator(const std::string& folder) {
    return EndsWithSeparator(folder) ? folder : folder + platform::kPathSeparator;
}

}  // namespace orlenda
