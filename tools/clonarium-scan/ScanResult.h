#pragma once
// What clonarium-scan does with a result it keeps: the groups in the order a
// loaded result has them, a keep-one rule's marks, a report and a deletion of
// the marked files, all through the program's own code.
#include "deletion/DeleteTypes.h"
#include "results/DuplicateResult.h"
#include "tools/clonarium-scan/ScanCommandLine.h"

#include <windows.h>

#include <string>

namespace clonarium {

// Groups by total size, descending; then the rule's marks when one is given.
void PrepareResult(CVirtualTree& tree, const ScanOptions& options);

// Each group's file lines and an empty line after it. With `marks`, a line
// starts with "x " when its file is marked and with two spaces when not.
void AppendResult(CVirtualTree& tree, bool marks, std::string& out);

// The report as the program exports it, or the JSON report for scripts;
// false when it could not be written.
bool WriteScanReport(CVirtualTree& tree, ResultMode mode, const ScanReport& report, uint64_t filesNotRead);

// Deletes the marked files, writing "deleted PATH" or "failed PATH: REASON"
// to `output` for each; a backup name that is taken gets a generated one.
// Answers the number of files that failed.
uint64_t DeleteMarkedFiles(CVirtualTree& tree, ResultMode mode, const DeleteParameters& parameters, HANDLE output);

} // namespace clonarium
