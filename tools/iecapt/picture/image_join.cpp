#include "picture/image_join.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
// After jpeglib.h, which it needs first.
#include <jerror.h>

#include "common/exit_code.h"

// libpng and libjpeg report errors by a long jump back to where the call was
// made. Each call that may fail sits alone in a function that sets the jump
// point and holds no object with a destructor, so the jump skips nothing; no
// jump starts inside a catch block, which would leave its exception behind.

namespace orlenda::iecapt {
namespace {

[[noreturn]] void failToRead(const std::string& why) {
    throw CaptureFailure(ExitCode::BrowserFailed,
                         "the browser sent a part of the page the tool cannot read: " + why);
}

[[noreturn]] void failToEncode(const std::string& why) {
    throw CaptureFailure(ExitCode::OutputNotWritten, "cannot encode the image: " + why);
}

// Grows the bytes to the size; false when there is no memory for it. Lets the
// libraries' output callbacks fail by their own jump, outside any catch.
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

// Where libpng's error handler leaves the reason before it jumps back.
struct PngErrors {
    // A copy: libpng may build the message on the stack that the jump leaves.
    char text[256] = "";
    std::string reason;

    static void onError(png_structp png, png_const_charp message) {
        auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
        std::snprintf(errors->text, sizeof errors->text, "%s", message);
        png_longjmp(png, 1);
    }
    static void onWarning(png_structp, png_const_charp) {}
    // For the jump point: keeps the reason and says the call failed.
    bool failed(const char* otherwise) {
        reason = text[0] != '\0' ? text : otherwise;
        return false;
    }
};

// Reads a PNG from memory a row at a time, as 8-bit RGB.
class PngRowReader {
public:
    explicit PngRowReader(std::string_view png) : m_data(png) {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_errors, PngErrors::onError,
                                       PngErrors::onWarning);
        if (m_png == nullptr || (m_info = png_create_info_struct(m_png)) == nullptr) {
            failToRead("out of memory");
        }
        png_set_read_fn(m_png, this, readFromMemory);
        if (!readHeader()) {
            png_destroy_read_struct(&m_png, &m_info, nullptr);  // no destructor runs
            failToRead(m_errors.reason);
        }
    }
    ~PngRowReader() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    PngRowReader(const PngRowReader&) = delete;
    PngRowReader& operator=(const PngRowReader&) = delete;

    int width() const { return static_cast<int>(m_width); }
    int height() const { return static_cast<int>(m_height); }
    void readRow(unsigned char* row) {
        if (!readRowInto(row)) failToRead(m_errors.reason);
    }

private:
    static void readFromMemory(png_structp png, png_bytep into, png_size_t length) {
        auto* reader = static_cast<PngRowReader*>(png_get_io_ptr(png));
        if (length > reader->m_data.size() - reader->m_offset)
            png_error(png, "the PNG is cut short");
        std::copy_n(reader->m_data.data() + reader->m_offset, length, into);
        reader->m_offset += length;
    }

    bool readHeader() {
        if (setjmp(png_jmpbuf(m_png))) return m_errors.failed("not a PNG");
        png_read_info(m_png, m_info);
        int depth = 0;
        int colourType = 0;
        int interlace = 0;
        png_get_IHDR(m_png, m_info, &m_width, &m_height, &depth, &colourType, &interlace, nullptr,
                     nullptr);
        if (interlace != PNG_INTERLACE_NONE) png_error(m_png, "an interlaced PNG");
        png_set_strip_16(m_png);
        png_set_palette_to_rgb(m_png);
        png_set_gray_to_rgb(m_png);
        png_set_strip_alpha(m_png);
        png_set_expand_gray_1_2_4_to_8(m_png);
        png_read_update_info(m_png, m_info);
        if (png_get_rowbytes(m_png, m_info) != std::size_t{m_width} * 3)
            png_error(m_png, "not an RGB image");
        return true;
    }
    bool readRowInto(unsigned char* row) {
        if (setjmp(png_jmpbuf(m_png))) return m_errors.failed("not a PNG");
        png_read_row(m_png, row, nullptr);
        return true;
    }

    std::string_view m_data;
    std::size_t m_offset = 0;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    png_uint_32 m_width = 0;
    png_uint_32 m_height = 0;
    PngErrors m_errors;
};

}  // namespace

// Takes the image a row at a time: 8-bit RGB, top to bottom.
class ImageJoiner::Encoder {
public:
    virtual ~Encoder() = default;
    virtual void writeRow(const unsigned char* row) = 0;
    virtual std::string finish() = 0;
};

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Baseline JPEG with the library's usual settings at the given quality, into
// a string of ours that grows as the library fills it. (libjpeg's own memory
// destination replaces its buffer as it grows and tells the caller only at
// the end, so an encoder given up half-way would free a stale pointer.)
class JpegEncoder : public ImageJoiner::Encoder {
public:
    JpegEncoder(int width, int height, int quality) {
        m_info.err = jpeg_std_error(&m_errors.manager);
        m_errors.manager.error_exit = onJpegError;
        m_info.client_data = this;
        m_destination.init_destination = startOutput;
        m_destination.empty_output_buffer = growOutput;
        m_destination.term_destination = endOutput;
        if (!start(width, height, quality)) {
            jpeg_destroy_compress(&m_info);  // no destructor runs
            failToEncode(m_errors.message);
        }
    }
    ~JpegEncoder() override { jpeg_destroy_compress(&m_info); }

    void writeRow(const unsigned char* row) override {
        if (!writeScanline(row)) failToEncode(m_errors.message);
    }
    std::string finish() override {
        if (!finishCompress()) failToEncode(m_errors.message);
        return std::move(m_out);
    }

private:
    static constexpr std::size_t kFirstOutputBytes = 1 << 16;

    static JpegEncoder& of(j_compress_ptr info) {
        return *static_cast<JpegEncoder*>(info->client_data);
    }
    // Hands the library the room after the bytes written so far.
    void offerRoomFrom(std::size_t used) {
        m_destination.next_output_byte = reinterpret_cast<JOCTET*>(m_out.data() + used);
        m_destination.free_in_buffer = m_out.size() - used;
    }
    static void startOutput(j_compress_ptr info) {
        JpegEncoder& encoder = of(info);
        if (!tryResize(encoder.m_out, kFirstOutputBytes)) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
        encoder.offerRoomFrom(0);
    }
    // Called when all the room is used.
    static boolean growOutput(j_compress_ptr info) {
        JpegEncoder& encoder = of(info);
        const std::size_t used = encoder.m_out.size();
        if (!tryResize(encoder.m_out, used * 2)) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
        encoder.offerRoomFrom(used);
        return TRUE;
    }
    static void endOutput(j_compress_ptr info) {
        JpegEncoder& encoder = of(info);
        encoder.m_out.resize(encoder.m_out.size() - encoder.m_destination.free_in_buffer);
    }

    bool start(int width, int height, int quality) {
        if (setjmp(m_errors.jump)) return false;
        jpeg_create_compress(&m_info);
        m_info.dest = &m_destination;
        m_info.image_width = static_cast<JDIMENSION>(width);
        m_info.image_height = static_cast<JDIMENSION>(height);
        m_info.input_components = 3;
        m_info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&m_info);
        jpeg_set_quality(&m_info, quality, TRUE);
        jpeg_start_compress(&m_info, TRUE);
        return true;
    }
    bool writeScanline(const unsigned char* row) {
        if (setjmp(m_errors.jump)) return false;
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
        jpeg_write_scanlines(&m_info, rows, 1);
        return true;
    }
    bool finishCompress() {
        if (setjmp(m_errors.jump)) return false;
        jpeg_finish_compress(&m_info);
        return true;
    }

    jpeg_compress_struct m_info{};
    JpegErrors m_errors{};
    jpeg_destination_mgr m_destination{};
    std::string m_out;
};

// 8-bit RGB PNG, compressed for speed rather than the last byte.
class PngEncoder : public ImageJoiner::Encoder {
public:
    PngEncoder(int width, int height) {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &m_errors, PngErrors::onError,
                                        PngErrors::onWarning);
        if (m_png == nullptr || (m_info = png_create_info_struct(m_png)) == nullptr) {
            failToEncode("out of memory");
        }
        png_set_write_fn(m_png, this, writeToMemory, nullptr);
        if (!start(width, height)) {
            png_destroy_write_struct(&m_png, &m_info);  // no destructor runs
            failToEncode(m_errors.reason);
        }
    }
    ~PngEncoder() override { png_destroy_write_struct(&m_png, &m_info); }

    void writeRow(const unsigned char* row) override {
        if (!writeRowOut(row)) failToEncode(m_errors.reason);
    }
    std::string finish() override {
        if (!end()) failToEncode(m_errors.reason);
        return std::move(m_out);
    }

private:
    static void writeToMemory(png_structp png, png_bytep bytes, png_size_t length) {
        std::string& out = static_cast<PngEncoder*>(png_get_io_ptr(png))->m_out;
        const std::size_t used = out.size();
        if (!tryResize(out, used + length)) png_error(png, "out of memory");
        std::copy_n(bytes, length, out.data() + used);
    }

    bool start(int width, int height) {
        if (setjmp(png_jmpbuf(m_png))) return m_errors.failed("unknown error");
        png_set_IHDR(m_png, m_info, static_cast<png_uint_32>(width),
                     static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(m_png, 3);
        png_write_info(m_png, m_info);
        return true;
    }
    bool writeRowOut(const unsigned char* row) {
        if (setjmp(png_jmpbuf(m_png))) return m_errors.failed("unknown error");
        png_write_row(m_png, row);
        return true;
    }
    bool end() {
        if (setjmp(png_jmpbuf(m_png))) return m_errors.failed("unknown error");
        png_write_end(m_png, nullptr);
        return true;
    }

    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    std::string m_out;
    PngErrors m_errors;
};

}  // namespace

ImageJoiner::ImageJoiner(ImageFormat format, int width, int height, int quality)
    : m_width(width), m_height(height) {
    if (format == ImageFormat::Png) {
        m_encoder = std::make_unique<PngEncoder>(width, height);
    } else {
        m_encoder = std::make_unique<JpegEncoder>(width, height, quality);
    }
}

ImageJoiner::~ImageJoiner() = default;

void ImageJoiner::addPart(std::string_view png, int height) {
    PngRowReader reader(png);
    if (reader.width() != m_width || reader.height() != height || m_rowsAdded + height > m_height) {
        failToRead("it is " + std::to_string(reader.width()) + "x" +
                   std::to_string(reader.height()) + ", not " + std::to_string(m_width) + "x" +
                   std::to_string(height));
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(m_width) * 3);
    for (int y = 0; y < height; ++y) {
        reader.readRow(row.data());
        m_encoder->writeRow(row.data());
    }
    m_rowsAdded += height;
}

std::string ImageJoiner::finish() {
    if (m_rowsAdded != m_height) {
        failToEncode("it has " + std::to_string(m_rowsAdded) + " of its " +
                     std::to_string(m_height) + " rows");
    }
    return m_encoder->finish();
}

}  // namespace orlenda::iecapt
