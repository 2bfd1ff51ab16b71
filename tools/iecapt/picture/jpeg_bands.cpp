#include "picture/jpeg_bands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/jpeg_output.h"

// libjpeg reports errors by a long jump back to where the call was made: each
// call that may fail sits alone in a function that sets the jump point and
// holds no object with a destructor.

namespace orlenda::iecapt {
namespace {

using jpeg_output::failToEncode;
using jpeg_output::failToRead;

// What the browser writes besides the picture itself (its colour profile),
// kept as the first band has it. JFIF's own header the library writes.
bool isCopiedMarker(int marker) {
    return marker == JPEG_COM || (marker > JPEG_APP0 && marker <= JPEG_APP0 + 15);
}

// A band the library would read with a warning (cut short, a damaged scan)
// is no band to keep: its missing blocks would be made up.
void failOnWarning(j_common_ptr info, int level) {
    if (level < 0) (*info->err->error_exit)(info);
}

// One band, read as far as its DCT coefficients.
class Band {
public:
    explicit Band(std::string_view jpeg) {
        if (!read(jpeg)) {
            jpeg_destroy_decompress(&info);  // no destructor runs
            failToRead(errors.message);
        }
    }
    ~Band() { jpeg_destroy_decompress(&info); }
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;

    // The band's rows of a component's blocks, or nothing when it cannot
    // be read.
    JBLOCKARRAY blockRow(int component, JDIMENSION row) {
        if (setjmp(errors.jump)) return nullptr;
        return (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info),
                                               coefficients[component], row, 1, FALSE);
    }

    jpeg_decompress_struct info{};
    jpeg_output::JpegErrors errors{};
    jvirt_barray_ptr* coefficients = nullptr;

private:
    bool read(std::string_view jpeg) {
        jpeg_output::jumpOnError(reinterpret_cast<j_common_ptr>(&info), errors);
        errors.manager.emit_message = failOnWarning;
        if (setjmp(errors.jump)) return false;
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
        jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
        for (int marker = JPEG_APP0 + 1; marker <= JPEG_APP0 + 15; ++marker) {
            jpeg_save_markers(&info, marker, 0xFFFF);
        }
        jpeg_read_header(&info, TRUE);
        coefficients = jpeg_read_coefficients(&info);
        return true;
    }
};

// Why the band cannot follow the ones before it; empty when it can.
std::string misfit(const jpeg_decompress_struct& band, const jpeg_compress_struct& whole) {
    if (band.num_components != whole.num_components ||
        band.jpeg_color_space != whole.jpeg_color_space) {
        return "its colours are encoded otherwise";
    }
    for (int c = 0; c < band.num_components; ++c) {
        const jpeg_component_info& a = band.comp_info[c];
        const jpeg_component_info& b = whole.comp_info[c];
        const JQUANT_TBL* tableA = band.quant_tbl_ptrs[a.quant_tbl_no];
        const JQUANT_TBL* tableB = whole.quant_tbl_ptrs[b.quant_tbl_no];
        if (a.h_samp_factor != b.h_samp_factor || a.v_samp_factor != b.v_samp_factor ||
            tableA == nullptr || tableB == nullptr ||
            !std::equal(std::begin(tableA->quantval), std::end(tableA->quantval),
                        std::begin(tableB->quantval))) {
            return "it is encoded otherwise";
        }
    }
    return {};
}

}  // namespace

// The whole picture's coefficients, written out once all bands are in.
struct JpegBandJoiner::Output {
    jpeg_output::JpegOutput out;
    std::vector<jvirt_barray_ptr> whole;
    std::vector<JDIMENSION> blockRowsFilled;
    std::vector<std::pair<int, std::string>> markers;

    ~Output() { jpeg_destroy_compress(&out.info); }

    // Sets the picture up as the first band is encoded, at its full height.
    bool start(jpeg_decompress_struct& first, int height) {
        jpeg_compress_struct& info = out.info;
        if (setjmp(out.errors.jump)) return false;
        jpeg_create_compress(&info);
        out.attach();
        jpeg_copy_critical_parameters(&first, &info);
        info.image_height = static_cast<JDIMENSION>(height);
        info.optimize_coding = TRUE;
        whole.resize(static_cast<std::size_t>(info.num_components));
        blockRowsFilled.assign(whole.size(), 0);
        for (int c = 0; c < info.num_components; ++c) {
            const jpeg_component_info& component = info.comp_info[c];
            const auto blocks = [&](JDIMENSION pixels, int factor, int most) {
                return (pixels * factor + 8 * most - 1) / (8 * most);
            };
            const JDIMENSION rows =
                blocks(info.image_height, component.v_samp_factor, first.max_v_samp_factor);
            // Rounded up to whole block rows of the component, as the writer
            // reads them; the rows past the picture stay zero, and unused.
            const JDIMENSION factor = static_cast<JDIMENSION>(component.v_samp_factor);
            whole[c] = (*info.mem->request_virt_barray)(
                reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, TRUE,
                blocks(info.image_width, component.h_samp_factor, first.max_h_samp_factor),
                (rows + factor - 1) / factor * factor, factor);
        }
        (*info.mem->realize_virt_arrays)(reinterpret_cast<j_common_ptr>(&info));
        return true;
    }

    JBLOCKARRAY blockRow(int component, JDIMENSION row) {
        if (setjmp(out.errors.jump)) return nullptr;
        return (*out.info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&out.info),
                                                   whole[component], row, 1, TRUE);
    }

    bool write() {
        if (setjmp(out.errors.jump)) return false;
        jpeg_write_coefficients(&out.info, whole.data());
        for (const auto& [marker, data] : markers) {
            jpeg_write_marker(&out.info, marker, reinterpret_cast<const JOCTET*>(data.data()),
                              static_cast<unsigned>(data.size()));
        }
        jpeg_finish_compress(&out.info);
        return true;
    }
};

JpegBandJoiner::JpegBandJoiner(int width, int height)
    : m_output(std::make_unique<Output>()), m_width(width), m_height(height) {}

JpegBandJoiner::~JpegBandJoiner() = default;

void JpegBandJoiner::addBand(std::string_view jpeg) {
    Band band(jpeg);
    const int height = static_cast<int>(band.info.image_height);
    if (static_cast<int>(band.info.image_width) != m_width || m_rowsAdded % kJpegBandRows != 0 ||
        m_rowsAdded + height > m_height) {
        failToRead("a band of " + std::to_string(band.info.image_width) + "x" +
                   std::to_string(height) + " after " + std::to_string(m_rowsAdded) + " rows of " +
                   std::to_string(m_width) + "x" + std::to_string(m_height));
    }
    Output& output = *m_output;
    if (m_rowsAdded == 0) {
        if (!output.start(band.info, m_height)) failToEncode(output.out.errors.message);
        for (auto marker = band.info.marker_list; marker != nullptr; marker = marker->next) {
            if (isCopiedMarker(marker->marker)) {
                output.markers.emplace_back(
                    marker->marker,
                    std::string(reinterpret_cast<const char*>(marker->data), marker->data_length));
            }
        }
    }
    if (const std::string why = misfit(band.info, output.out.info); !why.empty()) failToRead(why);
    for (int c = 0; c < band.info.num_components; ++c) {
        const jpeg_component_info& component = band.info.comp_info[c];
        for (JDIMENSION row = 0; row < component.height_in_blocks; ++row) {
            const JBLOCKARRAY from = band.blockRow(c, row);
            if (from == nullptr) failToRead(band.errors.message);
            const JBLOCKARRAY to = output.blockRow(c, output.blockRowsFilled[c] + row);
            if (to == nullptr) failToEncode(output.out.errors.message);
            std::memcpy(to[0], from[0], sizeof(JBLOCK) * component.width_in_blocks);
        }
        output.blockRowsFilled[c] += component.height_in_blocks;
    }
    m_rowsAdded += height;
}

std::string JpegBandJoiner::finish() {
    if (m_rowsAdded != m_height) {
        failToEncode("it has " + std::to_string(m_rowsAdded) + " of its " +
                     std::to_string(m_height) + " rows");
    }
    if (!m_output->write()) failToEncode(m_output->out.errors.message);
    return m_output->out.take();
}

}  // namespace orlenda::iecapt
