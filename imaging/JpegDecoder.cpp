// JPEG through libjpeg-turbo. A picture stored in one scan is decoded a band
// of rows at a time; one stored in several (progressive) is held as its
// coefficients, at two bytes a sample, which the sink is asked for first.
// libjpeg reports errors by calling back, and leaves by longjmp: the code
// between setjmp and the libjpeg calls holds nothing that needs destroying.
#include "imaging/PictureDecoders.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace ImageClonarium {

namespace {

// A hostile file may hold thousands of scans of nothing, each of which costs
// a pass over all coefficients; real ones have at most a few dozen.
constexpr int MaxScans = 500;

struct Session {
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Errors{};
    jpeg_progress_mgr Progress{};
    std::jmp_buf Jump{};
    bool Created = false;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session()
    {
        if (Created) {
            jpeg_destroy_decompress(&Info); // frees every buffer libjpeg took
        }
    }
};

[[noreturn]] void Leave(j_common_ptr info)
{
    std::longjmp(static_cast<Session*>(info->client_data)->Jump, 1);
}

// Damaged data draws warnings; the picture is read as far as it goes.
void Quiet(j_common_ptr)
{ }

void LimitScans(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxScans) {
        Leave(info);
    }
}

// 1 to 8 eighths: the fewest that keep each side at least `minSide`.
unsigned ScaleEighths(const jpeg_decompress_struct& info, uint32_t minSide)
{
    if (minSide == 0) {
        return 8;
    }
    for (unsigned eighths = 1; eighths < 8; ++eighths) {
        if ((uint64_t(info.image_width) * eighths + 7) / 8 >= minSide &&
            (uint64_t(info.image_height) * eighths + 7) / 8 >= minSide) {
            return eighths;
        }
    }
    return 8;
}

// What libjpeg holds beyond the rows: every coefficient of every component
// when the picture comes in several scans.
uint64_t HeldBytes(j_decompress_ptr info)
{
    uint64_t bytes = (uint64_t(info->image_width) * 128) + (1u << 20); // component rows, tables
    if (jpeg_has_multiple_scans(info)) {
        for (int c = 0; c < info->num_components; ++c) {
            const jpeg_component_info& component = info->comp_info[c];
            bytes += uint64_t(component.width_in_blocks + component.h_samp_factor) *
                     (component.height_in_blocks + component.v_samp_factor) * sizeof(JBLOCK);
        }
    }
    return bytes;
}

// Adobe's CMYK is stored inverted (0 is full ink), as nearly every CMYK JPEG
// is; mixed over white into BGRA in place.
void CmykToBgra(uint8_t* row, uint32_t width, bool inverted)
{
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        uint32_t c = row[0], m = row[1], y = row[2], k = row[3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        row[0] = uint8_t(y * k / 255);
        row[1] = uint8_t(m * k / 255);
        row[2] = uint8_t(c * k / 255);
        row[3] = 255;
    }
}

bool Run(Session& session, std::span<const uint8_t> file, uint32_t minSide, IRowSink& sink)
{
    jpeg_decompress_struct* info = &session.Info;
    if (setjmp(session.Jump) != 0) {
        return false;
    }
    info->err = jpeg_std_error(&session.Errors);
    session.Errors.error_exit = Leave;
    session.Errors.output_message = Quiet;
    info->client_data = &session;
    jpeg_create_decompress(info);
    session.Created = true;
    session.Progress.progress_monitor = LimitScans;
    info->progress = &session.Progress;
    jpeg_mem_src(info, file.data(), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    info->scale_num = ScaleEighths(*info, minSide);
    info->scale_denom = 8;
    const uint64_t held = HeldBytes(info);
    if (held > LONG_MAX || !sink.Reserve(held)) {
        return false;
    }
    info->mem->max_memory_to_use = long(held); // beyond it libjpeg fails rather than takes more
    jpeg_start_decompress(info);
    const uint32_t width = info->output_width, height = info->output_height;
    const size_t stride = size_t(width) * 4;
    const uint32_t bandRows = BandRows(stride, height);
    auto* band = static_cast<uint8_t*>((*info->mem->alloc_large)(j_common_ptr(info), JPOOL_IMAGE, stride * bandRows));
    auto* rows =
        static_cast<JSAMPROW*>((*info->mem->alloc_small)(j_common_ptr(info), JPOOL_IMAGE, sizeof(JSAMPROW) * bandRows));
    for (uint32_t r = 0; r < bandRows; ++r) {
        rows[r] = band + r * stride;
    }
    sink.Start(width, height);
    while (info->output_scanline < height) {
        const uint32_t first = info->output_scanline;
        const uint32_t wanted = std::min(bandRows, height - first);
        uint32_t got = 0;
        while (got < wanted) {
            const JDIMENSION read = jpeg_read_scanlines(info, rows + got, wanted - got);
            if (read == 0) {
                return false; // no more data will come from memory
            }
            got += read;
        }
        if (cmyk) {
            for (uint32_t r = 0; r < got; ++r) {
                CmykToBgra(rows[r], width, info->saw_Adobe_marker);
            }
        }
        sink.Rows(band, stride, first, got);
    }
    return true;
}

} // namespace

bool DecodeJpeg(std::span<const uint8_t> file, uint32_t minSide, IRowSink& sink)
{
    Session session;
    return Run(session, file, minSide, sink);
}

} // namespace ImageClonarium
