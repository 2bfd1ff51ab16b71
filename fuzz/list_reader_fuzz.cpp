// Any list file, read in pieces of any size: the import never fails on it,
// and its rows are the file's lines (cut at CR LF, CR and LF), but for an
// empty last line after a final line end, which may or may not be a row.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/fake_form.h"
#include "sitelist/file_to_list.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

bool IsLineEnd(char byte) { return byte == '\r' || byte == '\n'; }

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines{""};
    for (std::size_t at = 0; at < content.size(); ++at) {
        if (content.compare(at, 2, "\r\n") == 0) ++at;
        if (IsLineEnd(content[at])) {
            lines.emplace_back();
        } else {
            lines.back() += content[at];
        }
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    orlenda::testing::FakeForm f;
    f.listFiles.bytesPerRead = input.ConsumeIntegralInRange<std::size_t>(1, 64);
    const std::string content = input.ConsumeRemainingBytesAsString();
    const std::string path = "/lists/fuzz.txt";
    f.files.files.push_back(path);
    f.listFiles.contents[path] = content;

    orlenda::FileToList(f.form, path, std::chrono::nanoseconds::zero());

    Check(f.dialogs.messages.empty());
    if (content.empty()) {
        Check(f.list.rows.empty());
        return 0;
    }
    std::vector<std::string> lines = Lines(content);
    if (f.list.rows != lines && IsLineEnd(content.back())) lines.pop_back();
    Check(f.list.rows == lines);
    return 0;
}
