#pragma once
// The size a picture file claims, read from its own headers before any
// decoder sees it. Some decoders allocate the whole picture as soon as they
// are opened, so a file of a few kilobytes that claims a huge size must be
// refused here: JPEG frame header, PNG header chunk, GIF screen and image
// descriptors, BMP header, the first TIFF directory, every entry of an ICO.
#include <cstdint>
#include <span>

namespace ImageClonarium {

enum class PictureFormat { Jpeg, Png, Gif, Bmp, Tiff, Ico };

struct DeclaredSize {
    PictureFormat Format = PictureFormat::Jpeg;
    // The first picture, the one that is read.
    uint32_t Width = 0, Height = 0;
    // Every pixel a decoder may hold at once on opening the file: a GIF's
    // screen and first frame (the decoder is given no more, see
    // FirstPictureEnd), the largest entry of an ICO, the larger of a TIFF's
    // picture and one of its tiles.
    uint64_t Pixels = 0;
    // The most of them the platform's decoder holds at once: all of them,
    // but a TIFF's, which is decoded a strip or a tile at a time (the largest
    // counts).
    uint64_t HeldPixels = 0;
    // The fewest bytes a file can have that really holds such a picture, by
    // the best any of the format's codings can do (deflate, Huffman codes of
    // at least a bit a block, rows stored as they are); 0 where a coding
    // has no such floor (arithmetic JPEG, run-length BMP, TIFF). A file
    // shorter than this claims a size its data cannot fill, which some
    // decoders take in whole all the same.
    uint64_t MinimumBytes = 0;
    // GIF: where the first frame's data ends. Some decoders read every frame
    // on opening (ten thousand frames took 39 s and 372 MB), so they are
    // given the file up to here and a trailer: only the first frame is shown
    // anyway. 0 for the other formats, and for a GIF cut short in its first
    // frame.
    uint64_t FirstPictureEnd = 0;
};

// False when the file is none of the formats above or its headers are
// damaged, cut short or claim an empty picture; also when an icon entry is
// shorter than its picture's minimum.
bool ReadDeclaredSize(std::span<const uint8_t> file, DeclaredSize& size);

} // namespace ImageClonarium
