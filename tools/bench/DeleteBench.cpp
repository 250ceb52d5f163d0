// The delete worker under faults and against bare loops.
//
//   delete-bench fault recycle|permanent|backup [QUEUED]
//     QUEUED files in nested folders (groups of 10 with one kept copy each:
//     the kept copies, never queued, are the control set), a tenth of them
//     held open by this program, one in a hundred read-only. Afterwards every
//     queued file must be gone and reported deleted, or present, unchanged and
//     reported failed with a reason; every control file as before; the
//     counters must add up. Prints what it found; exit 1 if a promise broke.
//
//   delete-bench speed permanent|recycle [FILES [RUNS]]
//     The worker against a bare loop of DeleteFileW (or of SHFileOperationW)
//     over the same number of fresh files; prints the medians and the ratio.
#include "deletion/BackupNames.h"
#include "deletion/DeleteWorker.h"
#include "deletion/FileOperations.h"
#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace clonarium;
using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FindHandle;
using vandrelcommon::system::KernelHandle;

namespace {

std::wstring MakeRoot(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + name + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(root.c_str(), nullptr);
    return root;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    const FindHandle find(::FindFirstFileW((AddLongPathPrefix(path) + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = AddLongPathPrefix(path + L"\\" + name);
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path + L"\\" + name);
            } else {
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find.Get(), &entry));
    }
    ::RemoveDirectoryW(AddLongPathPrefix(path).c_str());
}

void MakeFolders(const std::wstring& path)
{
    for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    KernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadBytes(const std::wstring& path)
{
    KernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char block[4096];
    DWORD got = 0;
    while (file && ::ReadFile(file.Get(), block, sizeof(block), &got, nullptr) && got > 0) {
        bytes.append(block, got);
    }
    return bytes;
}

FileRecord SeenNow(const std::wstring& path)
{
    FileRecord record;
    record.path = path;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    record.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    record.lastWriteTime = data.ftLastWriteTime;
    return record;
}

std::string Content(int group)
{
    return "group " + std::to_string(group) + std::string(200, char('a' + group % 26));
}

// Counts and keeps every report, as the progress dialog would.
class Tally : public IDeleteProcessCallback {
public:
    void OnFileStarted(const std::wstring&) override { ++started; }
    void OnFileDeleted(IDeleteItem* item) override { outcome[item->GetPath()] += L"deleted;"; }
    void OnFileFailed(IDeleteItem* item, const std::wstring& reason) override
    {
        outcome[item->GetPath()] += L"failed;";
        reasons[item->GetPath()] = reason;
    }
    void OnDeleteStarted(uint64_t count) override { announced = count; }
    ConflictAction OnFileExists(const std::wstring&, std::wstring& target) override
    {
        target = MakeAutoBackupName(target);
        return ConflictAction::AutoGenerate;
    }

    uint64_t announced = 0;
    uint64_t started = 0;
    std::map<std::wstring, std::wstring> outcome;
    std::map<std::wstring, std::wstring> reasons;
};

struct Planted {
    std::wstring path;
    std::string content;
    DWORD attributes = 0;
};

int FaultRun(DeleteMode mode, const char* modeName, int queuedCount)
{
    const std::wstring root = MakeRoot(L"clonarium-delete-fault-");
    const std::wstring backup = root + L"\\backup";
    ::CreateDirectoryW(backup.c_str(), nullptr);
    std::vector<Planted> queued;
    std::vector<Planted> control;
    DeleteWorker worker;
    for (int i = 0; i < queuedCount; ++i) {
        const int group = i / 10;
        const std::wstring folder = root + L"\\d" + std::to_wstring(group % 10) + L"\\e" +
                                    std::to_wstring(group / 10 % 10) + L"\\f" + std::to_wstring(group);
        if (i % 10 == 0) {
            MakeFolders(folder);
            control.push_back({folder + L"\\kept.bin", Content(group), 0});
            WriteBytes(control.back().path, control.back().content);
        }
        Planted file{folder + L"\\file" + std::to_wstring(i) + L".bin", Content(group), 0};
        WriteBytes(file.path, file.content);
        if (i % 100 == 5) {
            ::SetFileAttributesW(file.path.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        file.attributes = ::GetFileAttributesW(file.path.c_str());
        DeleteCheck check;
        const FileRecord seen = SeenNow(file.path);
        check.size = seen.size;
        check.lastWriteTime = seen.lastWriteTime;
        check.sameContent = true;
        check.keptCopies.push_back(SeenNow(control.back().path));
        worker.Enqueue(std::make_unique<FileDeleteItem>(file.path, std::move(check)));
        queued.push_back(file);
    }
    // A tenth held open, as a viewer or a virus scanner would.
    std::vector<KernelHandle> holders;
    for (size_t i = 3; i < queued.size(); i += 10) {
        holders.emplace_back(
            ::CreateFileW(queued[i].path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    Tally tally;
    worker.SetParameters({mode, true, backup});
    worker.SetCallback(&tally);
    const ULONGLONG start = ::GetTickCount64();
    worker.Run();
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    const size_t held = holders.size();
    holders.clear();

    int deleted = 0, failed = 0, broken = 0, heldDeleted = 0;
    for (size_t i = 0; i < queued.size(); ++i) {
        const Planted& file = queued[i];
        const std::wstring outcome = tally.outcome[file.path];
        const DWORD attributes = ::GetFileAttributesW(file.path.c_str());
        bool kept = false;
        if (outcome == L"deleted;") {
            ++deleted;
            heldDeleted += i % 10 == 3;
            kept = attributes == INVALID_FILE_ATTRIBUTES;
            if (kept && mode == DeleteMode::BackupInFolder) {
                std::wstring mirror;
                PrepareBackupFolder(backup, file.path.substr(0, file.path.rfind(L'\\')), mirror);
                kept = ReadBytes(mirror + file.path.substr(file.path.rfind(L'\\'))) == file.content;
            }
        } else if (outcome == L"failed;") {
            ++failed;
            kept = attributes == file.attributes && ReadBytes(file.path) == file.content &&
                   !tally.reasons[file.path].empty();
        }
        if (!kept) {
            if (++broken <= 5) {
                std::wprintf(L"  broken: %ls reported \"%ls\", attributes %lx, reason %ls\n", file.path.c_str(),
                    outcome.c_str(), attributes, tally.reasons[file.path].c_str());
            }
        }
    }
    int controlBroken = 0;
    for (const Planted& file : control) {
        controlBroken += ReadBytes(file.path) != file.content;
    }
    const bool countersAddUp =
        tally.announced == queued.size() && tally.started == queued.size() && deleted + failed == int(queued.size());
    std::map<std::wstring, int> reasonCounts;
    for (const auto& [path, reason] : tally.reasons) {
        ++reasonCounts[reason];
    }
    std::printf("fault run %s: %d queued, %d deleted, %d failed, %zu held open (%d of them deleted anyway), "
                "%d read-only; %llu ms\n",
        modeName, queuedCount, deleted, failed, held, heldDeleted, queuedCount / 100, elapsed);
    for (const auto& [reason, count] : reasonCounts) {
        std::wstring shown = reason;
        while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) {
            shown.pop_back();
        }
        std::wprintf(L"  %d failed with \"%ls\"\n", count, shown.c_str());
    }
    std::printf("  queued files whose promise broke: %d; control files changed: %d of %zu; counters add up: %s\n",
        broken, controlBroken, control.size(), countersAddUp ? "yes" : "no");
    RemoveTree(root);
    return broken == 0 && controlBroken == 0 && countersAddUp ? 0 : 1;
}

// Every name differs from the names of the other runs and loops: Wine's Trash
// slows down on a name it holds already.
std::vector<std::wstring> MakeFiles(const std::wstring& folder, const std::wstring& prefix, int count)
{
    std::vector<std::wstring> paths;
    MakeFolders(folder);
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder + L"\\" + prefix + std::to_wstring(i) + L".bin");
        WriteBytes(paths.back(), Content(i / 10));
    }
    return paths;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// With `checkGone`, each shell call is followed by the worker's check that the
// file has left its place. Under Wine that check of a missing name reads the
// whole folder, so it costs more the more files the folder holds; timed on
// its own, it shows how much of the worker's time it is.
double BareLoop(const std::vector<std::wstring>& paths, bool recycle, bool checkGone = false)
{
    LARGE_INTEGER from, to;
    ::QueryPerformanceCounter(&from);
    for (const std::wstring& path : paths) {
        if (recycle) {
            std::wstring list = path;
            list.append(2, L'\0');
            SHFILEOPSTRUCTW request{};
            request.wFunc = FO_DELETE;
            request.pFrom = list.c_str();
            request.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI;
            ::SHFileOperationW(&request);
            if (checkGone) {
                IsGone(AddLongPathPrefix(path));
            }
        } else {
            ::DeleteFileW(AddLongPathPrefix(path).c_str());
        }
    }
    ::QueryPerformanceCounter(&to);
    return Seconds(from, to);
}

// Groups of ten with a kept copy each, checked (and, for permanent deletion,
// compared byte for byte) before every file, as in a real run.
double ThroughWorker(const std::vector<std::wstring>& paths, const std::wstring& keptFolder, bool recycle, int& left)
{
    DeleteWorker worker;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::wstring kept = keptFolder + L"\\kept" + std::to_wstring(i / 10) + L".bin";
        if (i % 10 == 0) {
            WriteBytes(kept, Content(int(i / 10)));
        }
        DeleteCheck check;
        const FileRecord seen = SeenNow(paths[i]);
        check.size = seen.size;
        check.lastWriteTime = seen.lastWriteTime;
        check.sameContent = true;
        check.keptCopies.push_back(SeenNow(kept));
        worker.Enqueue(std::make_unique<FileDeleteItem>(paths[i], std::move(check)));
    }
    Tally tally;
    worker.SetParameters({recycle ? DeleteMode::ToRecycleBin : DeleteMode::Permanently, false, L""});
    worker.SetCallback(&tally);
    LARGE_INTEGER from, to;
    ::QueryPerformanceCounter(&from);
    worker.Run();
    ::QueryPerformanceCounter(&to);
    left = int(tally.reasons.size());
    return Seconds(from, to);
}

// Wine's Recycle Bin is the desktop Trash under XDG_DATA_HOME, and putting a
// file there costs more the more the Trash holds. Each timed loop starts
// with it empty, so that neither pays for what the other put there.
void EmptyTrash()
{
    wchar_t data[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"XDG_DATA_HOME", data, MAX_PATH) == 0) {
        return;
    }
    std::wstring trash = std::wstring(L"Z:") + data + L"\\Trash";
    std::replace(trash.begin(), trash.end(), L'/', L'\\');
    for (const wchar_t* part : {L"\\files", L"\\info"}) {
        if (::GetFileAttributesW((trash + part).c_str()) != INVALID_FILE_ATTRIBUTES) {
            RemoveTree(trash + part);
            ::CreateDirectoryW((trash + part).c_str(), nullptr); // Wine keeps using the folders it found
        }
    }
}

int Speed(bool recycle, int count, int runs)
{
    const std::wstring root = MakeRoot(L"clonarium-delete-speed-");
    std::vector<double> bare, checked, worker;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        const std::wstring folder = root + L"\\run" + std::to_wstring(run);
        const std::wstring tag = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(run);
        const std::vector<std::wstring> bareFiles = MakeFiles(folder + L"\\bare", L"bare-" + tag + L"-", count);
        EmptyTrash();
        bare.push_back(BareLoop(bareFiles, recycle));
        if (recycle) {
            const std::vector<std::wstring> checkedFiles =
                MakeFiles(folder + L"\\checked", L"checked-" + tag + L"-", count);
            EmptyTrash();
            checked.push_back(BareLoop(checkedFiles, recycle, true));
        }
        MakeFolders(folder + L"\\kept");
        const std::vector<std::wstring> workerFiles = MakeFiles(folder + L"\\worker", L"worker-" + tag + L"-", count);
        EmptyTrash();
        int left = 0;
        worker.push_back(ThroughWorker(workerFiles, folder + L"\\kept", recycle, left));
        failures += left;
    }
    const double bareMedian = Median(bare);
    const double workerMedian = Median(worker);
    std::printf("%s, %d files, median of %d runs: bare loop of %s %.3f s (%.1f us a file), worker %.3f s "
                "(%.1f us a file), ratio %.2f; files the worker failed: %d\n",
        recycle ? "recycle bin" : "permanent", count, runs, recycle ? "SHFileOperationW" : "DeleteFileW", bareMedian,
        bareMedian * 1e6 / count, workerMedian, workerMedian * 1e6 / count, workerMedian / bareMedian, failures);
    if (recycle) {
        const double checkedMedian = Median(checked);
        std::printf("  the bare loop with the worker's check that each file is gone: %.3f s (%.1f us a file); "
                    "worker against it: ratio %.2f\n",
            checkedMedian, checkedMedian * 1e6 / count, workerMedian / checkedMedian);
    }
    RemoveTree(root);
    return failures == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // The reasons as the user reads them: the English table, from its source.
    const std::string table = ReadBytes(L"Z:" CLONARIUM_SOURCE_DIR L"/i18n/en.lng");
    vandrelcommon::system::Localizer::Instance().LoadTable(
        std::wstring(reinterpret_cast<const wchar_t*>(table.data()), table.size() / 2));
    const std::wstring what = argc > 1 ? argv[1] : L"";
    const std::wstring mode = argc > 2 ? argv[2] : L"";
    if (what == L"fault") {
        const int queued = argc > 3 ? _wtoi(argv[3]) : 10000;
        if (mode == L"recycle") {
            return FaultRun(DeleteMode::ToRecycleBin, "recycle bin", queued);
        }
        if (mode == L"permanent") {
            return FaultRun(DeleteMode::Permanently, "permanent", queued);
        }
        if (mode == L"backup") {
            return FaultRun(DeleteMode::BackupInFolder, "backup in folder", queued);
        }
    } else if (what == L"speed" && (mode == L"permanent" || mode == L"recycle")) {
        return Speed(mode == L"recycle", argc > 3 ? _wtoi(argv[3]) : 10000, argc > 4 ? _wtoi(argv[4]) : 3);
    }
    std::fprintf(stderr, "usage: delete-bench fault recycle|permanent|backup [QUEUED]\n"
                         "       delete-bench speed permanent|recycle [FILES [RUNS]]\n");
    return 2;
}
