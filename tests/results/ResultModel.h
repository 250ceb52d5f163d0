#pragma once
// Small results built in memory for the results tests.
#include "results/DuplicateResult.h"

#include <string>
#include <vector>

namespace clonarium {

// Loads the English table from the source tree once.
void LoadEnglish();

FILETIME FileTimeOf(uint64_t value);

// A file record with all three times set to `time`.
FileRecord Record(const std::wstring& path, uint64_t size = 0, uint64_t time = 0);
FileRecord ImageRecord(
    const std::wstring& path, uint64_t size, uint32_t width, uint32_t height, uint16_t similarity = 100);

// Adds one group of the records (the first record's size is the group's).
CVirtualNode* AddRecords(CVirtualTree& tree, std::vector<FileRecord> records, ResultMode mode = ExactDuplicates);

// The files of a group, in their current order.
std::vector<CVirtualNode*> FilesOf(const CVirtualNode* group);
std::vector<std::wstring> PathsOf(const CVirtualNode* group);
std::vector<CVirtualNode*> GroupsOf(CVirtualTree& tree);

} // namespace clonarium
