#include "results/Reports.h"

#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "system/LongPath.h"

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

// A report file written through a buffer: a system call per megabyte, not
// per field. A failed open or a short write makes every later call a no-op.
class ReportFile {
public:
    explicit ReportFile(const std::wstring& path)
        : file_(CreateFileW(AddLongPathPrefix(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        ok_ = file_.IsValid();
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

    void Decimal(int64_t value) { Bytes(std::to_string(value)); }
    void WideDecimal(int64_t value) { Wide(std::to_wstring(value)); }

    // The text with markup characters escaped, as UTF-8.
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
                i += AppendUtf8(text, i);
            }
        }
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

    // Appends the character at `i` (a surrogate pair as one); answers how
    // many extra units it took. An unpaired surrogate becomes U+FFFD.
    size_t AppendUtf8(std::wstring_view text, size_t i)
    {
        uint32_t code = text[i];
        size_t extra = 0;
        if (code >= 0xD800 && code <= 0xDFFF) {
            const bool paired = code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
            code = paired ? 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00) : 0xFFFD;
            extra = paired ? 1 : 0;
        }
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
        return extra;
    }

    void Flush()
    {
        if (ok_ && !buffer_.empty()) {
            DWORD written = 0;
            ok_ = WriteFile(file_.Get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) &&
                  written == buffer_.size();
        }
        buffer_.clear();
    }

    KernelHandle file_;
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

void WriteCsvGroup(ReportFile& out, CVirtualNode* group, ResultMode mode)
{
    out.Wide(CsvField(Text(group, kNameColumn)));
    out.Wide(L",,");
    out.WideDecimal(GroupTotalSize(group));
    out.Wide(L"\n");
    ForEachFile(group, [&](CVirtualNode* file, CDuplicateItem* item) {
        for (const int column : {kNameColumn, kFolderColumn}) {
            out.Wide(CsvField(Text(file, column)));
            out.Wide(L",");
        }
        out.WideDecimal(item->size);
        for (const int column : {kModifiedColumn, kCreatedColumn, kAccessedColumn}) {
            out.Wide(L",");
            out.Wide(CsvField(Text(file, column)));
        }
        if (const CDuplicateImageItem* image = ImageOf(item, mode)) {
            out.Wide(L",");
            out.WideDecimal(image->width);
            out.Wide(L",");
            out.WideDecimal(image->height);
        }
        out.Wide(L"\n");
    });
    out.Wide(L"\n");
}

void WriteHtmlHead(ReportFile& out, const ReportContext& context)
{
    const bool images = context.mode == SimilarImages;
    out.Bytes(images ? R"(<html><head><style type="text/css">td { width: 14%; })"
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

void WriteHtmlGroup(ReportFile& out, CVirtualNode* group, ResultMode mode)
{
    out.Bytes("\n<table><tr><th colspan=\"2\">");
    out.Escaped(Text(group, kNameColumn));
    out.Bytes("</th><th>");
    out.Escaped(Text(group, kSizeColumn));
    out.Bytes(mode == SimilarImages ? "</th><th colspan=\"4\"></th></tr>\n" : "</th><th colspan=\"3\"></th></tr>\n");
    ForEachFile(group, [&](CVirtualNode* file, CDuplicateItem* item) {
        out.Bytes("\n<tr>");
        const int columns = item->GetColumnCount();
        for (int column = 0; column + 1 < columns; ++column) {
            if (column != kLockColumn) {
                out.Bytes("<td>");
                out.Escaped(Text(file, column));
                out.Bytes("</td>");
            }
        }
        out.Bytes("</tr>");
    });
    out.Bytes("\n</table><br/>");
}

void Line(ReportFile& out, int tabs, std::string_view text)
{
    out.Bytes(std::string(tabs, '\t'));
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
    int64_t files = 0;
    int64_t total = 0;
    int64_t wasted = 0;
    ForEachGroup(tree, [&](CVirtualNode* group) {
        const int64_t groupTotal = GroupTotalSize(group);
        files += group->childCount;
        total += groupTotal;
        if (group->childCount > 0) {
            wasted += groupTotal / group->childCount * (group->childCount - 1);
        }
    });
    const bool images = context.mode == SimilarImages;
    Line(out, 0, "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n");
    Line(out, 0, "<clonarium-report>\n");
    Line(out, 1, "<general>\n");
    Element(out, 2, "date", context.date);
    Element(
        out, 2, "type", Localize(images ? "search-options.cbi-similar-images" : "search-options.cbi-exact-duplicates"));
    Element(out, 2, "total-size", std::to_wstring(total));
    if (!images) {
        Element(out, 2, "wasted-size", std::to_wstring(wasted));
    }
    Element(out, 2, "duplicates-count", std::to_wstring(files));
    Line(out, 1, "</general>\n");
}

void WriteXmlGroup(ReportFile& out, CVirtualNode* group, ResultMode mode)
{
    Line(out, 2, "<duplicate-group");
    Attribute(out, "total-size", GroupTotalSize(group));
    Attribute(out, "count", group->childCount);
    out.Bytes(">\n");
    ForEachFile(group, [&](CVirtualNode* file, CDuplicateItem* item) {
        Line(out, 3, "<duplicate-file>\n");
        Element(out, 4, "path", item->path);
        Element(out, 4, "last-write-time", Text(file, kModifiedColumn));
        Element(out, 4, "creation-time", Text(file, kCreatedColumn));
        Element(out, 4, "last-access-time", Text(file, kAccessedColumn));
        Element(out, 4, "size", std::to_wstring(item->size));
        if (const CDuplicateImageItem* image = ImageOf(item, mode)) {
            Line(out, 4, "<image-info");
            Attribute(out, "width", image->width);
            Attribute(out, "height", image->height);
            out.Bytes(" />\n");
        }
        Line(out, 3, "</duplicate-file>\n");
    });
    Line(out, 2, "</duplicate-group>\n");
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
    field.reserve(text.size() + 2);
    bool quote = false;
    for (const wchar_t c : text) {
        if (c == L'"') {
            field += L'"';
        }
        quote = quote || c == L'"' || c == L',' || c == L'\n';
        field += c;
    }
    return quote ? L"\"" + field + L"\"" : field;
}

bool WriteCsvReport(CVirtualTree& tree, ResultMode mode, const std::wstring& path)
{
    ReportFile out(path);
    out.Bytes("\xFF\xFE");
    ForEachGroup(tree, [&](CVirtualNode* group) { WriteCsvGroup(out, group, mode); });
    return out.Finish();
}

bool WriteHtmlReport(CVirtualTree& tree, const ReportContext& context, const std::wstring& path)
{
    ReportFile out(path);
    out.Bytes("\xEF\xBB\xBF");
    WriteHtmlHead(out, context);
    ForEachGroup(tree, [&](CVirtualNode* group) { WriteHtmlGroup(out, group, context.mode); });
    out.Bytes("</body></html>");
    return out.Finish();
}

bool WriteXmlReport(CVirtualTree& tree, const ReportContext& context, const std::wstring& path)
{
    ReportFile out(path);
    out.Bytes("\xEF\xBB\xBF");
    WriteXmlGeneral(out, tree, context);
    Line(out, 1, "<report>\n");
    ForEachGroup(tree, [&](CVirtualNode* group) { WriteXmlGroup(out, group, context.mode); });
    Line(out, 1, "</report>\n");
    Line(out, 0, "</clonarium-report>");
    return out.Finish();
}

} // namespace clonarium
