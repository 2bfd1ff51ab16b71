#pragma once

#include <iconv.h>

#include <string>

#include "platform/list_files.h"

namespace orlenda::platform {

// List files read with the system calls, their text taken in a code page:
// by default the one of the current locale (set it before constructing).
class PosixListFiles final : public ListFiles {
public:
    PosixListFiles();
    explicit PosixListFiles(const std::string& codeset);
    ~PosixListFiles() override;
    PosixListFiles(const PosixListFiles&) = delete;
    PosixListFiles& operator=(const PosixListFiles&) = delete;

    std::unique_ptr<ListFile> open(const std::string& path) override;
    std::string toUtf8(std::string bytes) override;

private:
    std::string convertWithIconv(const std::string& bytes);

    // iconv_open's own value for "no converter".
    static inline const iconv_t kNoConverter =
        reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
    // Open only when the code page is neither UTF-8 nor plain ASCII.
    iconv_t m_converter = kNoConverter;
};

}  // namespace orlenda::platform
