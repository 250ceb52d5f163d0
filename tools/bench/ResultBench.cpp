// Times the result model over a large result: building it, its memory per
// file row, every keep-one rule over all groups, both sorts, the three
// reports and clearing it.
//   result-bench [GROUPS [FILES_PER_GROUP]]   (default 200,000 groups of 5)
#include "results/DuplicateResult.h"
#include "results/Reports.h"
#include "results/SmartSelect.h"
#include "results/TreeCleaner.h"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>

using namespace clonarium;

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's private (committed) memory. Wine leaves the private-bytes
// field at 0 but keeps the page-file usage, which Windows reports as the
// same number.
int64_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(
        ::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return static_cast<int64_t>(counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage);
}

const wchar_t* const kExtensions[50] = {L"jpg", L"png", L"gif", L"bmp", L"tif", L"doc", L"docx", L"xls", L"xlsx",
    L"ppt", L"pdf", L"txt", L"rtf", L"odt", L"mp3", L"wav", L"flac", L"ogg", L"mp4", L"avi", L"mkv", L"mov", L"zip",
    L"rar", L"7z", L"iso", L"exe", L"dll", L"msi", L"cab", L"html", L"css", L"js", L"json", L"xml", L"csv", L"psd",
    L"ai", L"svg", L"ico", L"ttf", L"otf", L"epub", L"mobi", L"db", L"sqlite", L"log", L"ini", L"cfg", L"bak"};

// A realistic path: a user folder, two levels of named folders, a file name.
std::wstring MakePath(int group, int file)
{
    static const wchar_t* const kRoots[] = {L"C:\\Users\\Margaret\\Pictures\\", L"D:\\Archive\\Backups\\",
        L"C:\\Users\\Margaret\\Documents\\Projects\\", L"E:\\Photos\\Camera Roll\\"};
    return std::wstring(kRoots[(group + file) % 4]) + L"Holiday " + std::to_wstring(2000 + group % 25) + L"\\Album " +
           std::to_wstring(group % 997) + L"\\IMG_" + std::to_wstring(group * 7 + file) + L"." +
           kExtensions[group % 50];
}

FileGroup MakeGroup(int group, int files)
{
    FileGroup result;
    result.size = 1000 + static_cast<uint64_t>(group % 5000) * 37;
    for (int file = 0; file < files; ++file) {
        FileRecord record;
        record.path = MakePath(group, file);
        record.size = result.size;
        const uint64_t time = 130000000000000000ull + static_cast<uint64_t>((group * 31 + file * 17) % 1000) * 10000000;
        record.lastWriteTime = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
        record.creationTime = record.lastWriteTime;
        record.lastAccessTime = record.lastWriteTime;
        result.files.push_back(std::move(record));
    }
    return result;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int groups = argc > 1 ? _wtoi(argv[1]) : 200000;
    const int files = argc > 2 ? _wtoi(argv[2]) : 5;
    const uint64_t rows = static_cast<uint64_t>(groups) * files;

    CVirtualTree tree;
    ExtensionIcons icons;
    icons.IconOf(L"warm.up"); // the shell's first answer loads its image lists
    const int64_t before = PrivateBytes();
    uint64_t pathBytes = 0;
    auto start = std::chrono::steady_clock::now();
    for (int group = 0; group < groups; ++group) {
        const FileGroup found = MakeGroup(group, files);
        for (const FileRecord& record : found.files) {
            pathBytes += (record.path.size() + 1) * sizeof(wchar_t);
        }
        AddGroup(tree, found, ExactDuplicates, icons, 0);
    }
    const double build = Seconds(start);

    start = std::chrono::steady_clock::now();
    size_t formatted = 0;
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            formatted += FormatFileTime(ItemOf(file)->lastWriteTime).size();
        }
    }
    std::printf("FormatFileTime once a row: %.3f s (%zu)\n", Seconds(start), formatted);
    const int64_t after = PrivateBytes();
    std::printf(
        "result: %d groups of %d files (%llu file rows)\n", groups, files, static_cast<unsigned long long>(rows));
    std::printf("build: %.3f s (goal 2 s)\n", build);
    std::printf("memory: %.1f MB private, %.1f MB of it path characters; %.0f bytes per file row beyond its path "
                "(goal 200; the group rows' share included)\n",
        (after - before) / 1e6, pathBytes / 1e6, (static_cast<double>(after - before) - pathBytes) / rows);

    double slowest = 0;
    for (int rule = 0; rule < kSmartSelectRuleCount; ++rule) {
        start = std::chrono::steady_clock::now();
        SelectionChanges changes;
        for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
            DecideSmartRule(group, static_cast<SmartSelectRule>(rule), changes);
        }
        changes.Apply(tree);
        const double took = Seconds(start);
        slowest = std::max(slowest, took);
        std::printf("rule %-22s %.3f s\n", SmartRuleKey(static_cast<SmartSelectRule>(rule)), took);
    }
    std::printf("slowest rule: %.3f s (goal 1 s)\n", slowest);

    start = std::chrono::steady_clock::now();
    SortGroups(tree, GroupSortOrder::TotalSize, false);
    std::printf("SortGroups by total size: %.3f s (goal 0.5 s)\n", Seconds(start));
    for (const auto& [key, name] : {std::pair{FileSortKey::FileName, "file name"}, {FileSortKey::Folder, "folder"},
             {FileSortKey::Modified, "modified"}}) {
        start = std::chrono::steady_clock::now();
        SortFiles(tree, key, true);
        std::printf("SortFiles by %s: %.3f s (goal 1 s)\n", name, Seconds(start));
    }

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"result-bench-" + std::to_wstring(::GetCurrentProcessId());
    ReportContext context;
    context.date = ReportDate();
    context.statusLine = StatisticsText(ComputeStatistics(tree), ExactDuplicates);
    context.headers = {L"File name", L"", L"Folder", L"Size", L"Modified", L"Created", L"Last access", L"Remark"};
    for (const char* kind : {"csv", "html", "xml"}) {
        const std::wstring path = base + L"." + std::wstring(kind, kind + std::strlen(kind));
        start = std::chrono::steady_clock::now();
        const bool written = kind[0] == 'c'   ? WriteCsvReport(tree, ExactDuplicates, path)
                             : kind[0] == 'h' ? WriteHtmlReport(tree, context, path)
                                              : WriteXmlReport(tree, context, path);
        const double took = Seconds(start);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        std::printf("report %-4s %.3f s, %.1f MB%s (goal 3 s)\n", kind, took,
            (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1e6,
            written ? "" : " FAILED");
        ::DeleteFileW(path.c_str());
    }

    double clear = 0;
    start = std::chrono::steady_clock::now();
    {
        TreeCleaners cleaners;
        const auto clearStart = std::chrono::steady_clock::now();
        cleaners.ClearTree(tree);
        clear = Seconds(clearStart);
    } // waits for the cleaner
    std::printf("ClearTree returned in %.2f ms (goal 10 ms); the cleaner thread freed %.1f MB in %.3f s\n",
        clear * 1000, (after - PrivateBytes()) / 1e6, Seconds(start));
    return 0;
}
