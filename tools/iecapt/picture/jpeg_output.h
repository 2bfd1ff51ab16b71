#pragma once

// What picture/'s JPEG writers share: libjpeg's errors as a long jump back
// to the call that failed, and its output into a string of ours.

#include <csetjmp>
#include <cstdio>
#include <string>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace orlenda::iecapt::jpeg_output {

[[noreturn]] void failToRead(const std::string& why);
[[noreturn]] void failToEncode(const std::string& why);

// Grows the bytes to the size; false when there is no memory for it. Lets the
// libraries' output callbacks fail by their own jump, outside any catch.
bool tryResize(std::string& bytes, std::size_t size) noexcept;

// Where libjpeg's error handler jumps, with the reason it leaves.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Points the object's errors at these: a jump to errors.jump, the message kept.
void jumpOnError(j_common_ptr info, JpegErrors& errors);

// A compress object (still to be created) whose output goes into a string
// of ours that grows as the library fills it. (libjpeg's own memory
// destination replaces its buffer as it grows and tells the caller only at
// the end, so a writer given up half-way would free a stale pointer.)
class JpegOutput {
public:
    JpegOutput();
    JpegOutput(const JpegOutput&) = delete;
    JpegOutput& operator=(const JpegOutput&) = delete;

    jpeg_compress_struct info{};
    JpegErrors errors{};
    // Once created, the object writes here.
    void attach() { info.dest = &m_destination; }
    std::string take() { return std::move(m_bytes); }

private:
    static JpegOutput& of(j_compress_ptr info);
    void offerRoomFrom(std::size_t used);
    static void startOutput(j_compress_ptr info);
    static boolean growOutput(j_compress_ptr info);
    static void endOutput(j_compress_ptr info);

    jpeg_destination_mgr m_destination{};
    std::string m_bytes;
};

}  // namespace orlenda::iecapt::jpeg_output
