#pragma once
// The CSV, HTML, XML and JSON reports of a result: every group and every
// file, in tree order, whatever their check marks.
#include "results/DuplicateResult.h"

#include <string>
#include <vector>

namespace clonarium {

// What the HTML and XML reports take from the window besides the tree.
struct ReportContext {
    ResultMode mode = ExactDuplicates;
    std::wstring date;                 // ReportDate()
    std::wstring statusLine;           // the main window's status text
    std::vector<std::wstring> headers; // the tree's column headers, by column
    std::wstring productAddress;       // where the product name links to
};

// What the JSON report takes besides the tree.
struct JsonReportContext {
    ResultMode mode = ExactDuplicates;
    FILETIME date{};           // when the report was made, UTC
    uint64_t filesNotRead = 0; // by the search, so in no group
};

// Now, as "dd-MM-yyyy HH:mm:ss" in the user's locale.
std::wstring ReportDate();

// Each writer creates or replaces the file and answers false when it cannot
// be opened or a write comes up short; the file is closed either way.
bool WriteCsvReport(CVirtualTree& tree, ResultMode mode, const std::wstring& path);
bool WriteHtmlReport(CVirtualTree& tree, const ReportContext& context, const std::wstring& path);
bool WriteXmlReport(CVirtualTree& tree, const ReportContext& context, const std::wstring& path);
// One UTF-8 JSON document for scripts: numbers as numbers, times in ISO 8601
// with their offset, texts as strings a strict reader gives back unchanged.
bool WriteJsonReport(CVirtualTree& tree, const JsonReportContext& context, const std::wstring& path);
// The same to a handle the caller keeps open, such as standard output.
bool WriteJsonReport(CVirtualTree& tree, const JsonReportContext& context, HANDLE output);

// "2020-01-02T04:04:05+01:00": the time by the local time zone's rules for
// that date, with its offset from UTC, to the second; empty for a zero time.
std::string IsoLocalTime(const FILETIME& utc);

// A field of a CSV line: quotes doubled, and the whole in quotes when it
// holds a quote, a comma or a line feed. A text a spreadsheet would run as a
// formula (it begins with "=", "+", "-" or "@", or with apostrophes and then
// one of them) gets one more apostrophe in front; a reader drops it again.
std::wstring CsvField(std::wstring_view text);

} // namespace clonarium
