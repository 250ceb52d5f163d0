#pragma once
// Pictures that lie about their size: valid files whose headers are changed
// to claim another width and height (checksums kept right, so that a decoder
// believes them), and icons built around such pictures; and honest pictures
// that are huge once decoded but small on disk. Used by the imaging tests and
// by the fuzz tool.
#include "tests/support/TestPictures.h"

#include <cstdint>
#include <string>
#include <vector>

// The bytes of the canvas written in the format; empty when writing failed.
std::string PictureBytes(const Canvas& canvas, Format format);

// `picture` (as written by PictureBytes in `format`) claiming width x height:
// the JPEG frame header, the PNG header chunk, the GIF screen and first
// image, the BMP header or the first TIFF directory. Empty when the file has
// no such header.
std::string ClaimingSize(const std::string& picture, Format format, uint32_t width, uint32_t height);

// An icon file whose entries hold these pictures (PNG or bitmap data).
std::string IconOf(const std::vector<std::string>& entries);

// Honest pictures of four squares, black top left and bottom right, white
// elsewhere, written by hand so that their every row is really stored: a PNG
// of one bit a pixel whose repeated rows deflate packs small (15,000 pixels
// a side take a few hundred kilobytes, and 900 MB as 32-bit pixels), and a
// grey baseline JPEG of flat blocks at two bits a block.
std::string HugeCheckerPng(uint32_t side);
std::string HugeCheckerJpeg(uint32_t side);
