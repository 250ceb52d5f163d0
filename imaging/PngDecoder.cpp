// PNG through libpng, every kind turned into 8-bit BGRA. A picture stored
// row by row is decoded a band of rows at a time; an interlaced one comes in
// seven passes over the whole picture, so it is held whole. libpng reports
// errors by longjmp: the code between setjmp and the libpng calls holds
// nothing that needs destroying.
#include "imaging/PictureDecoders.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <png.h>

namespace ImageClonarium {

namespace {

struct Session {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::span<const uint8_t> File;
    size_t At = 0;
    std::unique_ptr<uint8_t[]> Pixels;
    std::unique_ptr<png_bytep[]> Rows;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

void ReadBytes(png_structp png, png_bytep out, size_t length)
{
    auto* session = static_cast<Session*>(png_get_io_ptr(png));
    if (length > session->File.size() - session->At) {
        png_error(png, "cut short");
    }
    std::memcpy(out, session->File.data() + session->At, length);
    session->At += length;
}

// Damaged ancillary chunks draw warnings; the picture is read all the same.
void Quiet(png_structp, png_const_charp)
{ }

bool Run(Session& session, IRowSink& sink)
{
    png_structp png = session.Png;
    png_infop info = session.Info;
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_read_fn(png, &session, ReadBytes);
    // Damage that leaves the pixels readable (extra data, a wrong checksum of
    // the compressed stream) does not keep a picture out.
    png_set_benign_errors(png, 1);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    png_set_expand(png); // palette and grey below 8 bits to 8 bits, transparency to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER); // opaque alpha where none is stored
    const bool interlaced = interlace != PNG_INTERLACE_NONE;
    if (interlaced) {
        png_set_interlace_handling(png);
    }
    png_read_update_info(png, info);
    const size_t stride = png_get_rowbytes(png, info);
    if (stride != size_t(width) * 4) {
        return false;
    }
    // libpng's own buffers: the stored row, the previous one for filtering,
    // and (interlaced) a pass row.
    const uint64_t working = 3 * uint64_t(width) * 8 + (1u << 20);
    const uint32_t bandRows = interlaced ? height : BandRows(stride, height);
    if (!sink.Reserve(working + uint64_t(stride + sizeof(png_bytep)) * bandRows)) {
        return false;
    }
    session.Pixels.reset(new uint8_t[stride * bandRows]);
    session.Rows.reset(new png_bytep[bandRows]);
    for (uint32_t r = 0; r < bandRows; ++r) {
        session.Rows[r] = session.Pixels.get() + r * stride;
    }
    sink.Start(width, height);
    if (interlaced) {
        png_read_image(png, session.Rows.get());
        sink.Rows(session.Pixels.get(), stride, 0, height);
        return true;
    }
    for (uint32_t first = 0; first < height; first += bandRows) {
        const uint32_t rows = std::min(bandRows, height - first);
        png_read_rows(png, session.Rows.get(), nullptr, rows);
        sink.Rows(session.Pixels.get(), stride, first, rows);
    }
    return true;
}

} // namespace

bool DecodePng(std::span<const uint8_t> file, IRowSink& sink)
{
    Session session;
    session.File = file;
    session.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, Quiet);
    session.Info = session.Png ? png_create_info_struct(session.Png) : nullptr;
    return session.Info != nullptr && Run(session, sink);
}

} // namespace ImageClonarium
