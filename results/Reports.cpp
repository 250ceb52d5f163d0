#include "results/Reports.h"

#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;
using vandrelcommon::system::Localize;

namespace {

// Report column numbers, as the result's rows number them.
constexpr int kNameColumn = 0;
constexpr int kLockColumn = 1;
constexpr int kFolderColumn = 2;
constexpr int kSizeColumn = 3;
constexpr int kModifiedColumn = 4;
constexpr int kCreatedColumn = 5;
constexpr int kAccessedColumn = 6;

// True when a spreadsheet would take the text for a formula: it begins with
// "=", "+", "-" or "@". So that the mark stays reversible, a text that begins
// with apostrophes followed by one of them counts as well.
bool LooksLikeFormula(std::wstring_view text)
{
    const size_t first = text.find_first_not_of(L'\'');
    return first != std::wstring_view::npos && std::wstring_view(L"=+-@").find(text[first]) != std::wstring_view::npos;
}

// Hands the pieces of a CSV field to `piece` in order: an apostrophe in front
// of what looks like a formula, so that spreadsheets show it as text; quotes
// doubled; and the whole in quotes when it holds a quote, a comma or a line
// feed.
template <typename Piece>
void ForEachCsvPiece(std::wstring_view text, Piece piece)
{
    const bool quoted = text.find_first_of(L"\",\n") != std::wstring_view::npos;
    if (quoted) {
        piece(L"\"");
    }
    if (LooksLikeFormula(text)) {
        piece(L"'");
    }
    size_t start = 0;
    for (size_t quote = text.find(L'"'); quote != std::wstring_view::npos; quote = text.find(L'"', quote + 1)) {
        piece(text.substr(start, quote + 1 - start));
        start = quote; // the quote goes out once more
    }
    piece(text.substr(start));
    if (quoted) {
        piece(L"\"");
    }
}

// A report file written through a buffer: a system call per megabyte, not
// per field. A failed open or a short write makes every later call a no-op.
class ReportFile {
public:
    explicit ReportFile(const std::wstring& path)
        : file_(CreateFileW(AddLongPathPrefix(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
              FILE_ATTRIBUTE_NORMAL, nullptr)),
          target_(file_.Get())
    {
        ok_ = file_.IsValid();
        buffer_.reserve(kFlushSize + 4096);
    }

    // Writes to a handle the caller keeps, such as standard output.
    explicit ReportFile(HANDLE output) : target_(output)
    {
        ok_ = output != nullptr && output != INVALID_HANDLE_VALUE;
        buffer_.reserve(kFlushSize + 4096);
    }

    void Bytes(std::string_view bytes)
    {
        buffer_.append(bytes);
        if (buffer_.size() >= kFlushSize) {
            Flush();
        }
    }

    void Wide(std::wstring_view text)
    {
        Bytes(std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
    }

    void Decimal(int64_t value)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
        Bytes(std::string_view(digits, static_cast<size_t>(end - digits)));
    }

    void WideDecimal(int64_t value)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
        wchar_t wide[24];
        std::copy(digits, end, wide);
        Wide(std::wstring_view(wide, static_cast<size_t>(end - digits)));
    }

    void CsvField(std::wstring_view text)
    {
        ForEachCsvPiece(text, [this](std::wstring_view piece) { Wide(piece); });
    }

    // The text with markup characters escaped, as UTF-8. XML 1.0 cannot
    // carry control characters other than tab, line feed and carriage
    // return, not even as references: their pictures (U+2400 on) stand in
    // for them, and U+FFFD for the two non-characters U+FFFE and U+FFFF.
    void Escaped(std::wstring_view text)
    {
        for (size_t i = 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            switch (c) {
            case L'"':
                buffer_ += "&quot;";
                break;
            case L'&':
                buffer_ += "&amp;";
                break;
            case L'\'':
                buffer_ += "&apos;";
                break;
            case L'<':
                buffer_ += "&lt;";
                break;
            case L'>':
                buffer_ += "&gt;";
                break;
            default:
                if (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') {
                    AppendUtf8(0x2400 + static_cast<uint32_t>(c));
                } else if (c == 0xFFFE || c == 0xFFFF) {
                    AppendUtf8(0xFFFD);
                } else {
                    i += AppendCharacter(text, i);
                }
            }
        }
        if (buffer_.size() >= kFlushSize) {
            Flush();
        }
    }

    // The text as a JSON string in quotes, as UTF-8. Quote, backslash, the
    // control characters and the two line separators are escaped, and so is
    // a surrogate without its partner: a reader turns the escape back into
    // the same UTF-16 unit, so a name the system allows but UTF-8 cannot
    // carry survives the trip.
    void JsonString(std::wstring_view text)
    {
        buffer_.push_back('"');
        for (size_t i = 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            switch (c) {
            case L'"':
                buffer_ += "\\\"";
                break;
            case L'\\':
                buffer_ += "\\\\";
                break;
            case L'\n':
                buffer_ += "\\n";
                break;
            case L'\r':
                buffer_ += "\\r";
                break;
            case L'\t':
                buffer_ += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x2028 || c == 0x2029 || IsLoneSurrogate(text, i)) {
                    char escape[8];
                    std::snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned>(c));
                    buffer_ += escape;
                } else {
                    i += AppendCharacter(text, i);
                }
            }
        }
        buffer_.push_back('"');
        if (buffer_.size() >= kFlushSize) {
            Flush();
        }
    }

    bool Finish()
    {
        Flush();
        return ok_;
    }

private:
    static constexpr size_t kFlushSize = 1 << 20;

    static bool IsLoneSurrogate(std::wstring_view text, size_t i)
    {
        const wchar_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) {
            return true; // a low one that ends a pair is taken with its high one
        }
        return c >= 0xD800 && c <= 0xDBFF && !(i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF);
    }

    // Appends the character at `i` (a surrogate pair as one); answers how
    // many extra units it took. An unpaired surrogate becomes U+FFFD.
    size_t AppendCharacter(std::wstring_view text, size_t i)
    {
        const uint32_t code = text[i];
        if (code < 0xD800 || code > 0xDFFF) {
            AppendUtf8(code);
            return 0;
        }
        const bool paired = code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        AppendUtf8(paired ? 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00) : 0xFFFD);
        return paired ? 1 : 0;
    }

    void AppendUtf8(uint32_t code)
    {
        if (code < 0x80) {
            buffer_.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            buffer_.push_back(static_cast<char>(0xC0 | (code >> 6)));
            buffer_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            buffer_.push_back(static_cast<char>(0xE0 | (code >> 12)));
            buffer_.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            buffer_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            buffer_.push_back(static_cast<char>(0xF0 | (code >> 18)));
            buffer_.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            buffer_.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            buffer_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    void Flush()
    {
        if (ok_ && !buffer_.empty()) {
            DWORD written = 0;
            ok_ = WriteFile(target_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) &&
                  written == buffer_.size();
        }
        buffer_.clear();
    }

    KernelHandle file_;
    HANDLE target_;
    std::string buffer_;
    bool ok_ = false;
};

template <typename Visit>
void ForEachGroup(CVirtualTree& tree, Visit visit)
{
    for (CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        if (GroupOf(group) != nullptr) {
            visit(group);
        }
    }
}

template <typename Visit>
void ForEachFile(CVirtualNode* group, Visit visit)
{
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        if (CDuplicateItem* item = ItemOf(file)) {
            visit(file, item);
        }
    }
}

const CDuplicateImageItem* ImageOf(const CDuplicateItem* item, ResultMode mode)
{
    return mode == SimilarImages ? dynamic_cast<const CDuplicateImageItem*>(item) : nullptr;
}

std::wstring Text(CVirtualNode* node, int column)
{
    return node->Columns()->GetColumnText(column, node);
}

// The column texts of file rows as GetColumnText gives them, for rows one
// after another: names and folders are views into the path, times go through
// one formatter, and a size is formatted once for a run of equal sizes.
class RowTexts {
public:
    // Kept until the next call.
    std::wstring_view Text(CVirtualNode* file, CDuplicateItem& item, int column)
    {
        switch (column) {
        case kNameColumn:
            return FileNameView(item.Path());
        case kFolderColumn:
            return FolderView(item.Path());
        case kSizeColumn:
            if (item.size != size_ || sizeText_.empty()) {
                size_ = item.size;
                sizeText_ = FormatByteSize(size_);
            }
            return sizeText_;
        case kModifiedColumn:
            return times_.Format(item.lastWriteTime);
        case kCreatedColumn:
            return times_.Format(item.creationTime);
        case kAccessedColumn:
            return times_.Format(item.lastAccessTime);
        default:
            other_ = item.GetColumnText(column, file);
            return other_;
        }
    }

private:
    FileTimeFormatter times_;
    int64_t size_ = 0;
    std::wstring sizeText_;
    std::wstring other_;
};

void WriteCsvGroup(ReportFile& out, RowTexts& texts, CVirtualNode* group, ResultMode mode)
{
    out.CsvField(Text(group, kNameColumn));
    out.Wide(L",,");
    out.WideDecimal(GroupTotalSize(group));
    out.Wide(L"\n");
    ForEachFile(group, [&](CVirtualNode* file, CDuplicateItem* item) {
        for (const int column : {kNameColumn, kFolderColumn}) {
            out.CsvField(texts.Text(file, *item, column));
            out.Wide(L",");
        }
        out.WideDecimal(item->size);
        for (const int column : {kModifiedColumn, kCreatedColumn, kAccessedColumn}) {
            out.Wide(L",");
            out.CsvField(texts.Text(file, *item, column));
        }
        if (const CDuplicateImageItem* image = ImageOf(item, mode)) {
            out.Wide(L",");
            out.WideDecimal(image->width);
            out.Wide(L",");
            out.WideDecimal(image->height);
            out.Wide(L",");
            out.WideDecimal(image->similarity);
        }
        out.Wide(L"\n");
    });
    out.Wide(L"\n");
}

void WriteHtmlHead(ReportFile& out, const ReportContext& context)
{
    const bool images = context.mode == SimilarImages;
    out.Bytes(images ? R"(<html><head><style type="text/css">td { width: 12%; })"
                     : R"(<html><head><style type="text/css">td { width: 17%; })");
    out.Bytes(" th { text-align: left; } table { width: 100%; background-color: #F6F7F9; border-color: #E3E3E3; "
              "border-style: solid; border-width: 1px !important; }</style></head><body>");
    out.Bytes("<p>");
    out.Escaped(Localize(images ? "reports.created-similar-images" : "reports.created-exact-duplicates"));
    out.Bytes(" <a href=\"");
    out.Escaped(context.productAddress);
    out.Bytes("\">Clonarium</a> (");
    out.Escaped(context.date);
    out.Bytes(").</p>\n<p>");
    out.Escaped(context.statusLine);
    out.Bytes("</p>");
    out.Bytes("<table><tr>");
    for (size_t column = 0; column + 1 < context.headers.size(); ++column) {
        if (column != kLockColumn) {
            out.Bytes("<td><i>");
            out.Escaped(context.headers[column]);
            out.Bytes("</i></td>");
        }
    }
    out.Bytes("</tr></table>\n<br/>");
}

void WriteHtmlGroup(ReportFile& out, RowTexts& texts, CVirtualNode* group, ResultMode mode)
{
    out.Bytes("\n<table><tr><th colspan=\"2\">");
    out.Escaped(Text(group, kNameColumn));
    out.Bytes("</th><th>");
    out.Escaped(Text(group, kSizeColumn));
    out.Bytes(mode == SimilarImages ? "</th><th colspan=\"5\"></th></tr>\n" : "</th><th colspan=\"3\"></th></tr>\n");
    ForEachFile(group, [&](CVirtualNode* file, CDuplicateItem* item) {
        out.Bytes("\n<tr>");
        const int columns = item->GetColumnCount();
        for (int column = 0; column + 1 < columns; ++column) {
            if (column != kLockColumn) {
                out.Bytes("<td>");
                out.Escaped(texts.Text(file, *item, column));
                out.Bytes("</td>");
            }
        }
        out.Bytes("</tr>");
    });
    out.Bytes("\n</table><br/>");
}

void Line(ReportFile& out, int tabs, std::string_view text)
{
    out.Bytes(std::string_view("\t\t\t\t").substr(0, static_cast<size_t>(tabs)));
    out.Bytes(text);
}

void Element(ReportFile& out, int tabs, std::string_view name, std::wstring_view text)
{
    Line(out, tabs, "<");
    out.Bytes(name);
    out.Bytes(">");
    out.Escaped(text);
    out.Bytes("</");
    out.Bytes(name);
    out.Bytes(">\n");
}

void DecimalElement(ReportFile& out, int tabs, std::string_view name, int64_t value)
{
    Line(out, tabs, "<");
    out.Bytes(name);
    out.Bytes(">");
    out.Decimal(value);
    out.Bytes("</");
    out.Bytes(name);
    out.Bytes(">\n");
}

void Attribute(ReportFile& out, std::string_view name, int64_t value)
{
    out.Bytes(" ");
    out.Bytes(name);
    out.Bytes("=\"");
    out.Decimal(value);
    out.Bytes("\"");
}

void WriteXmlGeneral(ReportFile& out, CVirtualTree& tree, const ReportContext& context)
{
    const ResultStatistics statistics = ComputeStatistics(tree);
    const bool images = context.mode == SimilarImages;
    Line(out, 0, "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n");
    Line(out, 0, "<clonarium-report>\n");
    Line(out, 1, "<general>\n");
    Element(out, 2, "date", context.date);
    Element(
        out, 2, "type", Localize(images ? "search-options.cbi-similar-images" : "search-options.cbi-exact-duplicates"));
    DecimalElement(out, 2, "total-size", statistics.total);
    if (!images) {
        DecimalElement(out, 2, "wasted-size", statistics.wasted);
    }
    DecimalElement(out, 2, "duplicates-count", static_cast<int64_t>(statistics.files));
    Line(out, 1, "</general>\n");
}

void WriteXmlGroup(ReportFile& out, RowTexts& texts, CVirtualNode* group, ResultMode mode)
{
    Line(out, 2, "<duplicate-group");
    Attribute(out, "total-size", GroupTotalSize(group));
    Attribute(out, "count", group->childCount);
    out.Bytes(">\n");
    ForEachFile(group, [&](CVirtualNode* file, CDuplicateItem* item) {
        Line(out, 3, "<duplicate-file>\n");
        Element(out, 4, "path", item->Path());
        Element(out, 4, "last-write-time", texts.Text(file, *item, kModifiedColumn));
        Element(out, 4, "creation-time", texts.Text(file, *item, kCreatedColumn));
        Element(out, 4, "last-access-time", texts.Text(file, *item, kAccessedColumn));
        DecimalElement(out, 4, "size", item->size);
        if (const CDuplicateImageItem* image = ImageOf(item, mode)) {
            Line(out, 4, "<image-info");
            Attribute(out, "width", image->width);
            Attribute(out, "height", image->height);
            Attribute(out, "similarity", image->similarity);
            out.Bytes(" />\n");
        }
        Line(out, 3, "</duplicate-file>\n");
    });
    Line(out, 2, "</duplicate-group>\n");
}

int64_t Ticks(const FILETIME& time)
{
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// A JSON member holding the time in ISO 8601, or null for a time the file
// system does not keep.
void JsonTime(ReportFile& out, std::string_view name, const FILETIME& time)
{
    out.Bytes(",\"");
    out.Bytes(name);
    out.Bytes("\":");
    const std::string text = IsoLocalTime(time);
    if (text.empty()) {
        out.Bytes("null");
        return;
    }
    out.Bytes("\"");
    out.Bytes(text);
    out.Bytes("\"");
}

void JsonNumber(ReportFile& out, std::string_view name, int64_t value)
{
    out.Bytes(",\"");
    out.Bytes(name);
    out.Bytes("\":");
    out.Decimal(value);
}

void WriteJsonGeneral(ReportFile& out, CVirtualTree& tree, const JsonReportContext& context)
{
    const ResultStatistics statistics = ComputeStatistics(tree);
    const bool images = context.mode == SimilarImages;
    out.Bytes("{\"date\":\"");
    out.Bytes(IsoLocalTime(context.date));
    out.Bytes(images ? "\",\"mode\":\"similar-images\"" : "\",\"mode\":\"exact-duplicates\"");
    JsonNumber(out, "total-size", statistics.total);
    if (!images) {
        JsonNumber(out, "wasted-size", statistics.wasted);
    }
    JsonNumber(out, "duplicates-count", static_cast<int64_t>(statistics.files));
    JsonNumber(out, "groups-count", static_cast<int64_t>(statistics.groups));
    JsonNumber(out, "files-not-read", static_cast<int64_t>(context.filesNotRead));
    out.Bytes(",\"groups\":[");
}

void WriteJsonGroup(ReportFile& out, CVirtualNode* group, ResultMode mode)
{
    out.Bytes("\n{\"caption\":");
    out.JsonString(Text(group, kNameColumn));
    JsonNumber(out, "total-size", GroupTotalSize(group));
    JsonNumber(out, "count", group->childCount);
    out.Bytes(",\"files\":[");
    const char* separator = "\n";
    ForEachFile(group, [&](CVirtualNode*, CDuplicateItem* item) {
        out.Bytes(separator);
        separator = ",\n";
        out.Bytes("{\"path\":");
        out.JsonString(item->Path());
        out.Bytes(",\"name\":");
        out.JsonString(FileNameView(item->Path()));
        out.Bytes(",\"folder\":");
        out.JsonString(FolderView(item->Path()));
        JsonNumber(out, "size", item->size);
        JsonTime(out, "last-write-time", item->lastWriteTime);
        JsonTime(out, "creation-time", item->creationTime);
        JsonTime(out, "last-access-time", item->lastAccessTime);
        if (const CDuplicateImageItem* image = ImageOf(item, mode)) {
            JsonNumber(out, "width", image->width);
            JsonNumber(out, "height", image->height);
        }
        out.Bytes("}");
    });
    out.Bytes("]}");
}

bool WriteJson(ReportFile& out, CVirtualTree& tree, const JsonReportContext& context)
{
    WriteJsonGeneral(out, tree, context);
    const char* separator = "";
    ForEachGroup(tree, [&](CVirtualNode* group) {
        out.Bytes(separator);
        separator = ",";
        WriteJsonGroup(out, group, context.mode);
    });
    out.Bytes("]}\n");
    return out.Finish();
}

std::wstring FormatNow(const wchar_t* picture, bool time)
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t buffer[64] = {};
    const int length = time ? GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &now, picture, buffer, 64)
                            : GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &now, picture, buffer, 64, nullptr);
    return length <= 0 ? std::wstring() : std::wstring(buffer);
}

} // namespace

std::wstring ReportDate()
{
    return FormatNow(L"dd-MM-yyyy", false) + FormatNow(L" HH:mm:ss", true);
}

std::wstring CsvField(std::wstring_view text)
{
    std::wstring field;
    ForEachCsvPiece(text, [&field](std::wstring_view piece) { field += piece; });
    return field;
}

bool WriteCsvReport(CVirtualTree& tree, ResultMode mode, const std::wstring& path)
{
    ReportFile out(path);
    out.Bytes("\xFF\xFE");
    RowTexts texts;
    ForEachGroup(tree, [&](CVirtualNode* group) { WriteCsvGroup(out, texts, group, mode); });
    return out.Finish();
}

bool WriteHtmlReport(CVirtualTree& tree, const ReportContext& context, const std::wstring& path)
{
    ReportFile out(path);
    out.Bytes("\xEF\xBB\xBF");
    WriteHtmlHead(out, context);
    RowTexts texts;
    ForEachGroup(tree, [&](CVirtualNode* group) { WriteHtmlGroup(out, texts, group, context.mode); });
    out.Bytes("</body></html>");
    return out.Finish();
}

bool WriteXmlReport(CVirtualTree& tree, const ReportContext& context, const std::wstring& path)
{
    ReportFile out(path);
    out.Bytes("\xEF\xBB\xBF");
    WriteXmlGeneral(out, tree, context);
    Line(out, 1, "<report>\n");
    RowTexts texts;
    ForEachGroup(tree, [&](CVirtualNode* group) { WriteXmlGroup(out, texts, group, context.mode); });
    Line(out, 1, "</report>\n");
    Line(out, 0, "</clonarium-report>");
    return out.Finish();
}

} // namespace clonarium

namespace clonarium {

std::string IsoLocalTime(const FILETIME& utc)
{
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    FILETIME whole{}; // to the millisecond, as the local time is
    FILETIME localWhole{};
    if (Ticks(utc) == 0 || !FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local) || !SystemTimeToFileTime(&universal, &whole) ||
        !SystemTimeToFileTime(&local, &localWhole)) {
        return {};
    }
    constexpr int64_t kTicksPerMinute = 600000000;
    const int64_t offset = (Ticks(localWhole) - Ticks(whole)) / kTicksPerMinute;
    const int64_t distance = offset < 0 ? -offset : offset;
    char text[40];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u%c%02lld:%02lld", local.wYear, local.wMonth,
        local.wDay, local.wHour, local.wMinute, local.wSecond, offset < 0 ? '-' : '+',
        static_cast<long long>(distance / 60), static_cast<long long>(distance % 60));
    return text;
}

bool WriteJsonReport(CVirtualTree& tree, const JsonReportContext& context, const std::wstring& path)
{
    ReportFile out(path);
    return WriteJson(out, tree, context);
}

bool WriteJsonReport(CVirtualTree& tree, const JsonReportContext& context, HANDLE output)
{
    ReportFile out(output);
    return WriteJson(out, tree, context);
}

} // namespace clonarium
