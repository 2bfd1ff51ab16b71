#pragma once

#include <iconv.h>

#include <string>

#include "platform/list_files.h"

namespace orlenda::platform {

// List files read and written with the system calls, their text in a code
// page: by default the one of the current locale (set it before constructing).
class PosixListFiles final : public ListFiles {
public:
    PosixListFiles();
    explicit PosixListFiles(const std::string& codeset);
    ~PosixListFiles() override;
    PosixListFiles(const PosixListFiles&) = delete;
    PosixListFiles& operator=(const PosixListFiles&) = delete;

    std::unique_ptr<ListFile> open(const std::string& path) override;
    std::string toUtf8(std::string bytes) override;
    // Lines end with LF. A character the code page cannot hold is written
    // percent-encoded, as a browser sends it.
    bool createListFile(const std::string& path, const std::vector<std::string>& rows) override;

private:
    std::string fromUtf8(const std::string& text);

    // iconv_open's own value for "no converter".
    static inline const iconv_t kNoConverter =
        reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
    // Open only when the code page is neither UTF-8 nor plain ASCII.
    iconv_t m_toUtf8 = kNoConverter;
    iconv_t m_fromUtf8 = kNoConverter;
};

}  // namespace orlenda::platform
