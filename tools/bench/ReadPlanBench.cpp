// Which read plan suits the exact search: runs the finder (no cache) over a
// tree once per plan and round, the plans taking turns within each round,
// and prints for each the median time, the files opened, the bytes read and
// the groups found (which must not differ between plans).
//   read-plan-bench FOLDER ROUNDS HEAD:TAIL:WHOLE:CHUNK...    (sizes in KiB)
#include "engine/DuplicateFinder.h"
#include "tools/clonarium-scan/ScanCommandLine.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace clonarium;

namespace {

// Counts the groups and sums their files' paths' lengths: two plans that
// find the same groups give the same pair.
class CountingCallback : public ISearchProcessCallback {
public:
    void OnFileCompared(uint64_t) override { ++compared; }
    void OnGroupFound(const FileGroup& group) override
    {
        ++groups;
        for (const FileRecord& file : group.files) {
            pathCharacters += file.path.size();
        }
    }
    void SetFilesToCompare(int64_t count) override { toCompare = static_cast<uint64_t>(count); }
    void OnFileIndexed(bool) override { }
    void RefreshProgress() override { }
    void OnProtectedFolderSkipped() override { }
    void SetStage(int32_t) override { }
    void OnFileNotRead(const std::wstring&) override { }
    void OnFolderNotRead(const std::wstring&) override { }

    uint64_t compared = 0;
    uint64_t toCompare = 0;
    uint64_t groups = 0;
    uint64_t pathCharacters = 0;
};

struct Plan {
    std::wstring name;
    ReadPlan plan;
    std::vector<double> seconds;
    size_t opened = 0;
    uint64_t bytes = 0;
    uint64_t groups = 0;
    uint64_t pathCharacters = 0;
    bool countsMeet = true; // every file compared once
};

bool ParsePlan(const std::wstring& text, ReadPlan& plan)
{
    unsigned head = 0;
    unsigned tail = 0;
    unsigned whole = 0;
    unsigned chunk = 0;
    if (std::swscanf(text.c_str(), L"%u:%u:%u:%u", &head, &tail, &whole, &chunk) != 4 || head == 0 || tail == 0 ||
        whole < head + tail || chunk == 0) {
        return false;
    }
    plan.headSize = head * 1024;
    plan.tailSize = tail * 1024;
    plan.wholeAtOnce = whole * 1024;
    plan.chunkSize = chunk * 1024;
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<Plan> plans;
    for (int i = 3; i < argc; ++i) {
        Plan plan;
        plan.name = argv[i];
        if (!ParsePlan(argv[i], plan.plan)) {
            plans.clear();
            break;
        }
        plans.push_back(plan);
    }
    if (argc < 4 || plans.empty()) {
        std::fprintf(stderr, "usage: read-plan-bench FOLDER ROUNDS HEAD:TAIL:WHOLE:CHUNK... (KiB; WHOLE at least "
                             "HEAD + TAIL)\n");
        return 2;
    }
    SearchParameters parameters;
    AdmitEveryFile(parameters);
    const int rounds = std::max(1, _wtoi(argv[2]));
    for (int round = 0; round < rounds; ++round) {
        for (Plan& plan : plans) {
            DuplicateFinder finder(parameters, true, plan.plan);
            CountingCallback callback;
            const auto start = std::chrono::steady_clock::now();
            finder.FindDuplicates({{argv[1], true}}, &callback);
            plan.seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            plan.opened = finder.FilesOpened();
            plan.bytes = finder.BytesRead();
            plan.groups = callback.groups;
            plan.pathCharacters = callback.pathCharacters;
            plan.countsMeet = plan.countsMeet && callback.compared == callback.toCompare;
        }
    }
    std::printf("%d rounds; sizes in KiB\n%-18s %9s %9s %12s %8s  %s\n", rounds, "head:tail:whole:chunk", "median s",
        "opened", "MB read", "groups", "every file compared once");
    bool same = true;
    for (Plan& plan : plans) {
        std::sort(plan.seconds.begin(), plan.seconds.end());
        std::printf("%-18ls %9.3f %9zu %12.1f %8llu  %s\n", plan.name.c_str(), plan.seconds[plan.seconds.size() / 2],
            plan.opened, static_cast<double>(plan.bytes) / 1e6, static_cast<unsigned long long>(plan.groups),
            plan.countsMeet ? "yes" : "NO");
        same =
            same && plan.groups == plans[0].groups && plan.pathCharacters == plans[0].pathCharacters && plan.countsMeet;
    }
    std::printf("groups of every plan: %s\n", same ? "the same" : "DIFFERENT");
    return same ? 0 : 1;
}
