#pragma once
// What the preview knows about a file without a window: whether it is shown
// as text or as a hex dump, a read-only mapping read one window per thread,
// the line structure of a text file and the rows of a hex dump.
#include "system/Handles.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace clonarium {

enum class PreviewKind : int32_t { None = -2, Hex = 0, Text = 1, Image = 2 };

// At most this many leading bytes decide between text and hex.
constexpr size_t kTextProbeBytes = 1024;
constexpr uint32_t kHexBytesPerLine = 16;
constexpr uint32_t kTabWidth = 4;

// Text or hex from the file's first bytes (at most kTextProbeBytes of them):
// a short file of 7-bit bytes is text; otherwise its extension decides.
PreviewKind ClassifyBytes(const uint8_t* bytes, size_t count, const std::wstring& path);
// Text or hex for the file at `path`; an unreadable file counts as text.
PreviewKind ClassifyFile(const std::wstring& path);

// Hex digits of the dump's offsets: eight, more for files past 4 GiB so that
// offsets never wrap.
int HexOffsetDigits(uint64_t fileSize);
// Characters of a full row of the dump (75 for files below 4 GiB).
int HexRowColumns(uint64_t fileSize);
// One row of the hex dump: the offset, two spaces, the bytes in hex, a space
// and the bytes as characters (32 to 128; others as "."), padded with spaces
// to a full row.
std::string HexRow(const uint8_t* bytes, size_t count, uint64_t offset, int offsetDigits);

// Where a picture of `width` x `height` goes in a client area of W x H:
// smaller pictures keep their size, larger ones are shrunk to fit with their
// proportions kept; either way centred.
RECT FitPicture(uint32_t width, uint32_t height, int clientWidth, int clientHeight);

// A file opened for reading (others may read) and mapped read-only. Every
// thread reads through a view of its own, replaced on each Map; views start
// at the allocation granularity.
class MappedFile {
public:
    MappedFile();
    ~MappedFile() { Close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False when the file cannot be opened; an empty file opens but cannot
    // be mapped.
    bool Open(const std::wstring& path);
    // Unmaps every view and closes both handles; no thread may be reading.
    void Close();
    bool IsOpen() const { return file_.IsValid(); }
    HANDLE File() const { return file_.Get(); }
    // Size when opened; the mapping never reaches further.
    uint64_t Size() const { return size_; }

    // The bytes [offset, offset + length) through the calling thread's view,
    // or null. The range is cut at the file's current end, so a file that
    // shrank since it was opened is not read past its end; `length` tells
    // what is left.
    const uint8_t* Map(uint64_t offset, size_t& length);
    // Unmaps the calling thread's view.
    void Unmap();

private:
    uint64_t CurrentSize() const;

    vandrelcommon::system::KernelHandle file_;
    vandrelcommon::system::KernelHandle mapping_;
    uint64_t size_ = 0;
    DWORD granularity_;
    std::mutex viewsLock_;
    std::map<DWORD, void*> views_; // thread id -> its view
};

// Offsets of line starts are kept sparsely: a mark at the first line that
// starts at least kLineMarkSpacing bytes after the previous mark. Every other
// line start lies less than that after its mark, so a line is found by
// reading one short window, and memory grows with the file size / 64 KiB,
// not with the number of lines.
constexpr uint64_t kLineMarkSpacing = 64 * 1024;

struct LineMark {
    uint64_t line;
    uint64_t offset;
};

// The line structure as a scan has found it so far.
struct LineScan {
    std::vector<LineMark> marks;
    uint64_t lineCount = 0;
    uint64_t widest = 0;     // display columns, tabs counted kTabWidth wide
    uint64_t scannedEnd = 0; // bytes looked at
    uint64_t lineStart = 0;  // of the line being scanned
    uint64_t tabs = 0;       // in that line so far

    // Starts a scan of a file of `size` bytes.
    void Begin(uint64_t size);
    // The next `count` bytes of the file, at scannedEnd.
    void Feed(const uint8_t* bytes, size_t count);
    // The file's last line (without a line feed) counts for the width too.
    void Finish();

private:
    // A line feed ends the line; the next one starts at `next`.
    void EndLine(uint64_t next);
};

// Columns [first, first + count) of a line as 8-bit text, each tab taken to
// the next multiple of kTabWidth columns. Only what is shown is walked past,
// so a line of a gigabyte scrolled to its start costs nothing.
std::string VisibleColumns(const uint8_t* bytes, size_t length, uint64_t first, size_t count);

// The bytes of one line: [begin, end), the line feed left out.
struct LineSpan {
    uint64_t begin;
    uint64_t end;
};

// The spans of lines first, first + 1, ... (at most `count`) from a scan's
// marks. `block` holds the marks from the one at or before `first` on;
// `lineCount` and `scannedEnd` are what the scan has published.
std::vector<LineSpan> FindLines(MappedFile& file, const std::vector<LineMark>& block, uint64_t lineCount,
    uint64_t scannedEnd, uint64_t first, size_t count);

} // namespace clonarium
