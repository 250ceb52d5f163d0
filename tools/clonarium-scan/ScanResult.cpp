#include "tools/clonarium-scan/ScanResult.h"

#include "deletion/BackupNames.h"
#include "deletion/DeleteWorker.h"
#include "deletion/TreeDeleteItem.h"
#include "results/Reports.h"
#include "system/TextEncoding.h"
#include "tools/clonarium-scan/ScanOutput.h"
#include "update/SiteAddresses.h"

namespace clonarium {

using vandrelcommon::system::Utf8FromWide;

namespace {

std::vector<std::wstring> ColumnHeaders(ResultMode mode)
{
    std::vector<std::wstring> headers;
    for (const ResultColumn& column : ResultColumns(mode)) {
        headers.push_back(ColumnHeader(column));
    }
    return headers;
}

// Prints each outcome as it comes; conflicts get a generated name.
class ConsoleDeleteCallback : public IDeleteProcessCallback {
public:
    explicit ConsoleDeleteCallback(HANDLE output) : output_(output) { }

    void OnFileStarted(const std::wstring&) override { }
    void OnDeleteStarted(uint64_t) override { }
    void OnFileDeleted(IDeleteItem* item) override { Print("deleted " + Utf8FromWide(item->GetPath())); }
    void OnFileFailed(IDeleteItem* item, const std::wstring& reason) override
    {
        ++failures_;
        Print("failed " + Utf8FromWide(item->GetPath()) + ": " + Utf8FromWide(reason));
    }
    ConflictAction OnFileExists(const std::wstring&, std::wstring& target) override
    {
        target = MakeAutoBackupName(target);
        return ConflictAction::AutoGenerate;
    }

    uint64_t Failures() const { return failures_; }

private:
    void Print(const std::string& line) { WriteText(output_, line + "\r\n"); }

    HANDLE output_;
    uint64_t failures_ = 0;
};

} // namespace

void PrepareResult(CVirtualTree& tree, const ScanOptions& options)
{
    SortGroups(tree, GroupSortOrder::TotalSize, false);
    if (options.selectRule) {
        for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
            ApplySmartRule(tree, group, *options.selectRule);
        }
    }
}

void AppendResult(CVirtualTree& tree, bool marks, std::string& out)
{
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            if (const CDuplicateItem* item = ItemOf(file)) {
                if (marks) {
                    out += file->GetCheckState() == vandrelcommon::ui::Checked ? "x " : "  ";
                }
                out += Utf8FromWide(item->Path());
                out += "\r\n";
            }
        }
        out += "\r\n";
    }
}

bool WriteScanReport(CVirtualTree& tree, ResultMode mode, const ScanReport& report, uint64_t filesNotRead)
{
    switch (report.kind) {
    case ReportKind::Csv:
        return WriteCsvReport(tree, mode, report.path);
    case ReportKind::Json: {
        JsonReportContext context{mode, {}, filesNotRead};
        ::GetSystemTimeAsFileTime(&context.date);
        return report.ToStandardOutput() ? WriteJsonReport(tree, context, ::GetStdHandle(STD_OUTPUT_HANDLE))
                                         : WriteJsonReport(tree, context, report.path);
    }
    case ReportKind::Html:
    case ReportKind::Xml:
        break;
    }
    ReportContext context;
    context.mode = mode;
    context.date = ReportDate();
    context.statusLine = StatisticsText(ComputeStatistics(tree), mode);
    context.headers = ColumnHeaders(mode);
    context.productAddress = SiteAddress();
    return report.kind == ReportKind::Html ? WriteHtmlReport(tree, context, report.path)
                                           : WriteXmlReport(tree, context, report.path);
}

uint64_t DeleteMarkedFiles(CVirtualTree& tree, ResultMode mode, const DeleteParameters& parameters, HANDLE output)
{
    ConsoleDeleteCallback callback(output);
    DeleteWorker worker;
    worker.SetParameters(parameters);
    worker.SetCallback(&callback);
    for (auto& item : CollectCheckedFiles(tree, mode, false)) {
        worker.Enqueue(std::move(item));
    }
    worker.Run(); // on this thread: nothing else runs meanwhile
    return callback.Failures();
}

} // namespace clonarium
