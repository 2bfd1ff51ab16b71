#include "picture/jpeg_output.h"

#include <new>
#include <stdexcept>

// After jpeglib.h, which it needs first.
#include <jerror.h>

#include "common/exit_code.h"

namespace orlenda::iecapt::jpeg_output {
namespace {

constexpr std::size_t kFirstOutputBytes = 1 << 16;

void onJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

}  // namespace

void failToRead(const std::string& why) {
    throw CaptureFailure(ExitCode::BrowserFailed,
                         "the browser sent a part of the page the tool cannot read: " + why);
}

void failToEncode(const std::string& why) {
    throw CaptureFailure(ExitCode::OutputNotWritten, "cannot encode the image: " + why);
}

bool tryResize(std::string& bytes, std::size_t size) noexcept {
    try {
        bytes.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

void jumpOnError(j_common_ptr info, JpegErrors& errors) {
    info->err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
}

JpegOutput::JpegOutput() {
    jumpOnError(reinterpret_cast<j_common_ptr>(&info), errors);
    info.client_data = this;
    m_destination.init_destination = startOutput;
    m_destination.empty_output_buffer = growOutput;
    m_destination.term_destination = endOutput;
}

JpegOutput& JpegOutput::of(j_compress_ptr info) {
    return *static_cast<JpegOutput*>(info->client_data);
}

// Hands the library the room after the bytes written so far.
void JpegOutput::offerRoomFrom(std::size_t used) {
    m_destination.next_output_byte = reinterpret_cast<JOCTET*>(m_bytes.data() + used);
    m_destination.free_in_buffer = m_bytes.size() - used;
}

void JpegOutput::startOutput(j_compress_ptr info) {
    JpegOutput& output = of(info);
    if (!tryResize(output.m_bytes, kFirstOutputBytes)) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    output.offerRoomFrom(0);
}

// Called when all the room is used.
boolean JpegOutput::growOutput(j_compress_ptr info) {
    JpegOutput& output = of(info);
    const std::size_t used = output.m_bytes.size();
    if (!tryResize(output.m_bytes, used * 2)) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    output.offerRoomFrom(used);
    return TRUE;
}

void JpegOutput::endOutput(j_compress_ptr info) {
    JpegOutput& output = of(info);
    output.m_bytes.resize(output.m_bytes.size() - output.m_destination.free_in_buffer);
}

}  // namespace orlenda::iecapt::jpeg_output
