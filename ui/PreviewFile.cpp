#include "ui/PreviewFile.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <cwctype>

namespace clonarium {

using vandrelcommon::system::KernelHandle;

namespace {

bool IsTextExtension(const std::wstring& path)
{
    static const wchar_t* const kTextExtensions[] = {
        L"DFM", L"PAS", L"TXT", L"INI", L"LOG", L"XML", L"HTM", L"HTML", L"JS", L"C", L"H", L"CPP", L"HPP"};
    const size_t slash = path.find_last_of(L'\\');
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos || dot == 0) {
        return false;
    }
    std::wstring extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return std::any_of(std::begin(kTextExtensions), std::end(kTextExtensions),
        [&](const wchar_t* listed) { return extension == listed; });
}

} // namespace

PreviewKind ClassifyBytes(const uint8_t* bytes, size_t count, const std::wstring& path)
{
    count = std::min(count, kTextProbeBytes);
    const bool sevenBit = std::all_of(bytes, bytes + count, [](uint8_t b) { return b <= 127; });
    if (sevenBit && count < kTextProbeBytes) {
        return PreviewKind::Text;
    }
    return IsTextExtension(path) ? PreviewKind::Text : PreviewKind::Hex;
}

PreviewKind ClassifyFile(const std::wstring& path)
{
    KernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    uint8_t bytes[kTextProbeBytes];
    DWORD read = 0;
    if (!file || !::ReadFile(file.Get(), bytes, sizeof(bytes), &read, nullptr)) {
        return PreviewKind::Text;
    }
    return ClassifyBytes(bytes, read, path);
}

int HexOffsetDigits(uint64_t fileSize)
{
    int digits = 8;
    for (uint64_t last = fileSize > 0 ? fileSize - 1 : 0; (last >> (4 * digits)) != 0 && digits < 16;) {
        ++digits;
    }
    return digits;
}

int HexRowColumns(uint64_t fileSize)
{
    return HexOffsetDigits(fileSize) + 2 + 3 * kHexBytesPerLine + 1 + kHexBytesPerLine;
}

std::string HexRow(const uint8_t* bytes, size_t count, uint64_t offset, int offsetDigits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    count = std::min<size_t>(count, kHexBytesPerLine);
    std::string row;
    row.reserve(offsetDigits + 2 + 4 * kHexBytesPerLine + 1);
    for (int shift = 4 * (offsetDigits - 1); shift >= 0; shift -= 4) {
        row += kDigits[(offset >> shift) & 0xF];
    }
    row += "  ";
    for (size_t i = 0; i < kHexBytesPerLine; ++i) {
        if (i < count) {
            row += kDigits[bytes[i] >> 4];
            row += kDigits[bytes[i] & 0xF];
            row += ' ';
        } else {
            row += "   ";
        }
    }
    row += ' ';
    for (size_t i = 0; i < kHexBytesPerLine; ++i) {
        if (i >= count) {
            row += ' ';
        } else {
            row += bytes[i] >= 32 && bytes[i] <= 128 ? static_cast<char>(bytes[i]) : '.';
        }
    }
    return row;
}

RECT FitPicture(uint32_t width, uint32_t height, int clientWidth, int clientHeight)
{
    int w = static_cast<int>(width);
    int h = static_cast<int>(height);
    if (width > 0 && height > 0 && clientWidth > 0 && clientHeight > 0 && (h >= clientHeight || w >= clientWidth)) {
        const float heightShare = static_cast<float>(height) / static_cast<float>(clientHeight);
        const float widthShare = static_cast<float>(width) / static_cast<float>(clientWidth);
        if (heightShare > widthShare) {
            h = clientHeight;
            w = static_cast<int>(static_cast<float>(clientHeight) / static_cast<float>(height) * width);
        } else {
            w = clientWidth;
            h = static_cast<int>(static_cast<float>(clientWidth) / static_cast<float>(width) * height);
        }
    }
    const int x = (clientWidth - w) / 2;
    const int y = (clientHeight - h) / 2;
    return RECT{x, y, x + w, y + h};
}

MappedFile::MappedFile()
{
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    granularity_ = system.dwAllocationGranularity;
}

bool MappedFile::Open(const std::wstring& path)
{
    Close();
    file_.Reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file_) {
        return false;
    }
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file_.Get(), &size);
    size_ = static_cast<uint64_t>(size.QuadPart);
    // An empty file cannot be mapped: it simply shows no lines.
    mapping_.Reset(::CreateFileMappingW(file_.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    return true;
}

void MappedFile::Close()
{
    {
        std::lock_guard lock(viewsLock_);
        for (const auto& [thread, view] : views_) {
            ::UnmapViewOfFile(view);
        }
        views_.clear();
    }
    mapping_.Reset();
    file_.Reset();
    size_ = 0;
}

uint64_t MappedFile::CurrentSize() const
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.Get(), &size)) {
        return 0;
    }
    return std::min(size_, static_cast<uint64_t>(size.QuadPart));
}

const uint8_t* MappedFile::Map(uint64_t offset, size_t& length)
{
    Unmap();
    const uint64_t end = CurrentSize();
    if (!mapping_ || offset >= end) {
        length = 0;
        return nullptr;
    }
    length = static_cast<size_t>(std::min<uint64_t>(length, end - offset));
    const uint64_t base = offset - offset % granularity_;
    const size_t viewSize = static_cast<size_t>(offset - base) + length;
    void* view = ::MapViewOfFile(
        mapping_.Get(), FILE_MAP_READ, static_cast<DWORD>(base >> 32), static_cast<DWORD>(base), viewSize);
    if (view == nullptr) {
        length = 0;
        return nullptr;
    }
    std::lock_guard lock(viewsLock_);
    views_[::GetCurrentThreadId()] = view;
    return static_cast<const uint8_t*>(view) + (offset - base);
}

void MappedFile::Unmap()
{
    std::lock_guard lock(viewsLock_);
    const auto found = views_.find(::GetCurrentThreadId());
    if (found != views_.end()) {
        ::UnmapViewOfFile(found->second);
        views_.erase(found);
    }
}

void LineScan::Begin(uint64_t size)
{
    *this = LineScan{};
    if (size > 0) {
        marks.push_back(LineMark{0, 0});
        lineCount = 1;
    }
}

void LineScan::EndLine(uint64_t next)
{
    widest = std::max(widest, next - lineStart + tabs * (kTabWidth - 1));
    if (next - marks.back().offset >= kLineMarkSpacing) {
        marks.push_back(LineMark{lineCount, next});
    }
    ++lineCount;
    lineStart = next;
    tabs = 0;
}

// Sixteen bytes at a time: masks of line feeds and tabs, then one step per
// line feed. Plain text rarely has more than one in sixteen bytes.
void LineScan::Feed(const uint8_t* bytes, size_t count)
{
    const uint64_t base = scannedEnd;
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i tab = _mm_set1_epi8('\t');
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, feed)));
        unsigned tabMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tab)));
        while (feeds != 0) {
            const int bit = std::countr_zero(feeds);
            const unsigned upToFeed = (2u << bit) - 1;
            tabs += static_cast<uint64_t>(std::popcount(tabMask & upToFeed));
            tabMask &= ~upToFeed;
            EndLine(base + i + static_cast<uint64_t>(bit) + 1);
            feeds &= feeds - 1;
        }
        tabs += static_cast<uint64_t>(std::popcount(tabMask));
    }
    for (; i < count; ++i) {
        if (bytes[i] == '\t') {
            ++tabs;
        } else if (bytes[i] == '\n') {
            EndLine(base + i + 1);
        }
    }
    scannedEnd = base + count;
}

void LineScan::Finish()
{
    if (scannedEnd > lineStart) {
        widest = std::max(widest, scannedEnd - lineStart + tabs * (kTabWidth - 1));
    }
}

std::string VisibleColumns(const uint8_t* bytes, size_t length, uint64_t first, size_t count)
{
    std::string text;
    const uint64_t last = first + count;
    uint64_t column = 0;
    for (size_t i = 0; i < length && column < last; ++i) {
        const bool tab = bytes[i] == '\t';
        const uint64_t end = tab ? (column / kTabWidth + 1) * kTabWidth : column + 1;
        for (uint64_t c = std::max(column, first); c < std::min(end, last); ++c) {
            text += tab ? ' ' : static_cast<char>(bytes[i]);
        }
        column = end;
    }
    return text;
}

std::vector<LineSpan> FindLines(MappedFile& file, const std::vector<LineMark>& block, uint64_t lineCount,
    uint64_t scannedEnd, uint64_t first, size_t count)
{
    std::vector<LineSpan> spans;
    const uint64_t last = std::min(first + count, lineCount);
    for (size_t k = 0; k < block.size() && first + spans.size() < last; ++k) {
        const bool hasNext = k + 1 < block.size();
        const uint64_t nextLine = hasNext ? block[k + 1].line : lineCount;
        const uint64_t blockEnd = hasNext ? block[k + 1].offset : scannedEnd;
        if (nextLine <= first) {
            continue;
        }
        // Every line start of the block but the next mark lies in this window.
        size_t length = static_cast<size_t>(std::min(blockEnd, block[k].offset + kLineMarkSpacing) - block[k].offset);
        const uint8_t* bytes = length > 0 ? file.Map(block[k].offset, length) : nullptr;
        std::vector<uint64_t> starts{block[k].offset};
        for (size_t i = 0; i < length; ++i) {
            const uint64_t start = block[k].offset + i + 1;
            if (bytes[i] == '\n' && (start < blockEnd || !hasNext)) {
                starts.push_back(start);
            }
        }
        for (uint64_t line = std::max(first, block[k].line); line < std::min(last, nextLine); ++line) {
            const size_t index = static_cast<size_t>(line - block[k].line);
            if (index >= starts.size()) {
                break; // the file shrank under us
            }
            const uint64_t end = index + 1 < starts.size() ? starts[index + 1] - 1
                                 : hasNext                 ? blockEnd - 1
                                                           : scannedEnd;
            spans.push_back(LineSpan{starts[index], std::max(end, starts[index])});
        }
    }
    file.Unmap();
    return spans;
}

} // namespace clonarium
