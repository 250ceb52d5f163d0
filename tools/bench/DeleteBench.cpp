// The delete worker under faults and against bare loops.
//
//   delete-bench fault recycle|permanent|backup [QUEUED]
//     QUEUED files in nested folders, in groups of 10 with one kept copy each
//     (never queued: the control set), under the faults FaultRun lists.
//     Prints the files deleted, failed with a reason and lost; exit 1 if any
//     was lost, a control file changed or the counters do not add up.
//
//   delete-bench speed recycle|permanent|backup [FILES [RUNS [BYTES]]]
//     The worker comparing each file with its kept copy byte for byte, the
//     worker checking size and time only, and a bare loop of the same work,
//     over the same number of fresh files (of 207 bytes, or BYTES); prints
//     the medians and ratios.
#include "deletion/BackupNames.h"
#include "deletion/DeleteWorker.h"
#include "deletion/FileOperations.h"
#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "system/LongPath.h"
#include "tests/support/TempTree.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <string>
#include <thread>
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

// At least 207 bytes; `bytes` more makes it that long.
std::string Content(int group, size_t bytes = 0)
{
    std::string content = "group " + std::to_string(group) + std::string(200, char('a' + group % 26));
    content.resize(std::max(content.size(), bytes), char('A' + group % 26));
    return content;
}

// Wine's Recycle Bin is the desktop Trash under XDG_DATA_HOME; empty without one.
std::wstring TrashFolder()
{
    wchar_t data[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"XDG_DATA_HOME", data, MAX_PATH) == 0) {
        return {};
    }
    std::wstring trash = std::wstring(L"Z:") + data + L"\\Trash";
    std::replace(trash.begin(), trash.end(), L'/', L'\\');
    return trash;
}

// Counts and keeps every report, as the progress dialog would; with a bin
// folder given, makes the bin refuse every file from the 40% to the 60% mark.
class Tally : public IDeleteProcessCallback {
public:
    void OnFileStarted(const std::wstring&) override
    {
        ++started;
        if (!refusingBin.empty() && (started == announced * 2 / 5 + 1 || started == announced * 3 / 5 + 1)) {
            refusing = !refusing;
            if (!SetImmutable(refusingBin, refusing)) {
                std::printf("  (the bin could not be made to refuse files here)\n");
                refusingBin.clear();
            }
        }
    }
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
    std::wstring refusingBin;
    bool refusing = false;
    std::map<std::wstring, std::wstring> outcome;
    std::map<std::wstring, std::wstring> reasons;
};

struct Planted {
    std::wstring path;
    std::string content;
    DWORD attributes = 0;
};

// The names the bin holds, by the original name: Wine keeps a file's name,
// with a number after it when the bin held that name already.
std::map<std::wstring, std::vector<std::wstring>> BinContents(const std::wstring& trash)
{
    std::map<std::wstring, std::vector<std::wstring>> held;
    WIN32_FIND_DATAW entry;
    const FindHandle find(::FindFirstFileW((AddLongPathPrefix(trash + L"\\files") + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            const size_t dash = name.find(L'-', name.find(L".bin"));
            held[name.substr(0, dash)].push_back(trash + L"\\files\\" + name);
        } while (::FindNextFileW(find.Get(), &entry));
    }
    return held;
}

// QUEUED files in groups of 10, each group with a kept copy never queued,
// and faults: a tenth held open by this program for the whole run, a tenth
// opened again and again for moments by a thread of it (reading and writing,
// deleting shared with nobody), one in a hundred read-only, in one group of
// twenty the kept copy rewritten after the search with bytes of its size and
// its time kept, and in Recycle Bin mode a bin that refuses every file from
// the 40% to the 60% mark of the run. Each queued file is then deleted (gone,
// reported deleted, its content still in its unchanged kept copy and in the
// bin or the backup), failed (in its place, unchanged, reported failed with a
// reason) or lost (anything else).
int FaultRun(DeleteMode mode, const char* modeName, int queuedCount)
{
    const std::wstring root = MakeRoot(L"clonarium-delete-fault-");
    const std::wstring backup = root + L"\\backup";
    ::CreateDirectoryW(backup.c_str(), nullptr);
    std::vector<Planted> queued;
    std::vector<Planted> control;
    std::vector<std::wstring> rewritten;
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
    // After the search: kept copies rewritten with their size and time kept.
    for (Planted& kept : control) {
        const int group = int(&kept - control.data());
        if (group % 20 != 11) {
            continue;
        }
        const FileRecord seen = SeenNow(kept.path);
        std::string other = kept.content;
        std::reverse(other.begin(), other.end());
        WriteBytes(kept.path, other);
        KernelHandle times(::CreateFileW(kept.path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, 0));
        ::SetFileTime(times.Get(), nullptr, nullptr, &seen.lastWriteTime);
        kept.content = other;
        rewritten.push_back(kept.path);
    }
    std::vector<KernelHandle> holders;
    for (size_t i = 3; i < queued.size(); i += 10) {
        holders.emplace_back(
            ::CreateFileW(queued[i].path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    std::atomic<bool> done = false;
    std::thread flicker([&] {
        for (size_t i = 7; !done; i = i + 10 < queued.size() ? i + 10 : 7) {
            KernelHandle held(::CreateFileW(queued[i].path.c_str(), GENERIC_READ | GENERIC_WRITE,
                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
            ::Sleep(i % 3 == 0 ? 1 : 0);
        }
    });
    Tally tally;
    const std::wstring trash = TrashFolder();
    if (mode == DeleteMode::ToRecycleBin && !trash.empty()) {
        ::CreateDirectoryW(trash.c_str(), nullptr);
        ::CreateDirectoryW((trash + L"\\files").c_str(), nullptr);
        tally.refusingBin = trash + L"\\files";
    }
    worker.SetParameters({mode, true, backup});
    worker.SetCallback(&tally);
    const ULONGLONG start = ::GetTickCount64();
    worker.Run();
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    done = true;
    flicker.join();
    const size_t heldThroughout = holders.size();
    holders.clear();
    if (tally.refusing) {
        SetImmutable(tally.refusingBin, false);
    }

    const auto bin = mode == DeleteMode::ToRecycleBin && !trash.empty()
                         ? BinContents(trash)
                         : std::map<std::wstring, std::vector<std::wstring>>{};
    int deleted = 0, failed = 0, lost = 0;
    for (const Planted& file : queued) {
        const std::wstring outcome = tally.outcome[file.path];
        const DWORD attributes = ::GetFileAttributesW(file.path.c_str());
        const size_t slash = file.path.rfind(L'\\');
        const std::string kept = ReadBytes(file.path.substr(0, slash) + L"\\kept.bin");
        bool sound = false;
        if (outcome == L"deleted;") {
            sound = attributes == INVALID_FILE_ATTRIBUTES && kept == file.content;
            if (sound && mode == DeleteMode::BackupInFolder) {
                std::wstring mirror;
                PrepareBackupFolder(backup, file.path.substr(0, slash), mirror);
                sound = ReadBytes(mirror + file.path.substr(slash)) == file.content;
            } else if (sound && !bin.empty()) {
                const auto held = bin.find(file.path.substr(slash + 1));
                sound =
                    held != bin.end() && std::any_of(held->second.begin(), held->second.end(),
                                             [&](const std::wstring& path) { return ReadBytes(path) == file.content; });
            }
            deleted += sound;
        } else if (outcome == L"failed;") {
            sound = attributes == file.attributes && ReadBytes(file.path) == file.content &&
                    !tally.reasons[file.path].empty();
            failed += sound;
        }
        if (!sound && ++lost <= 5) {
            std::wprintf(L"  lost: %ls reported \"%ls\", attributes %lx, reason %ls\n", file.path.c_str(),
                outcome.c_str(), attributes, tally.reasons[file.path].c_str());
        }
    }
    int controlChanged = 0;
    for (const Planted& file : control) {
        controlChanged += ReadBytes(file.path) != file.content;
    }
    const bool countersAddUp =
        tally.announced == queued.size() && tally.started == queued.size() && tally.outcome.size() == queued.size();
    std::map<std::wstring, int> reasonCounts;
    for (const auto& [path, reason] : tally.reasons) {
        ++reasonCounts[reason];
    }
    std::printf("fault run %s: %d queued: %d deleted, %d failed with a reason, %d lost; %llu ms\n", modeName,
        queuedCount, deleted, failed, lost, elapsed);
    std::printf("  faults: %zu held open throughout, %zu opened again and again, %d read-only, %zu kept copies "
                "rewritten%s\n",
        heldThroughout, (queued.size() + 2) / 10, queuedCount / 100, rewritten.size(),
        tally.refusingBin.empty() ? "" : ", the bin refusing from 40% to 60%");
    for (const auto& [reason, count] : reasonCounts) {
        std::wstring shown = reason; // a reason of the old code ended in a line break
        while (!shown.empty() && iswspace(shown.back())) {
            shown.pop_back();
        }
        std::wprintf(L"  %d failed with \"%ls\"\n", count, shown.c_str());
    }
    std::printf("  kept copies changed by the run: %d of %zu; counters add up: %s\n", controlChanged, control.size(),
        countersAddUp ? "yes" : "no");
    RemoveTree(root);
    return lost == 0 && controlChanged == 0 && countersAddUp ? 0 : 1;
}

// Every name differs from the names of the other runs and loops: Wine's Trash
// slows down on a name it holds already.
std::vector<std::wstring> MakeFiles(const std::wstring& folder, const std::wstring& prefix, int count, size_t bytes)
{
    std::vector<std::wstring> paths;
    MakeFolders(folder);
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder + L"\\" + prefix + std::to_wstring(i) + L".bin");
        WriteBytes(paths.back(), Content(i / 10, bytes));
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

// The same work without the worker: DeleteFileW, SHFileOperationW, or
// CopyFileW into `backup` and DeleteFileW.
double BareLoop(const std::vector<std::wstring>& paths, DeleteMode mode, const std::wstring& backup)
{
    LARGE_INTEGER from, to;
    ::QueryPerformanceCounter(&from);
    for (const std::wstring& path : paths) {
        if (mode == DeleteMode::ToRecycleBin) {
            std::wstring list = path;
            list.append(2, L'\0');
            SHFILEOPSTRUCTW request{};
            request.wFunc = FO_DELETE;
            request.pFrom = list.c_str();
            request.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI;
            ::SHFileOperationW(&request);
            continue;
        }
        if (mode == DeleteMode::BackupInFolder) {
            ::CopyFileW(AddLongPathPrefix(path).c_str(),
                AddLongPathPrefix(backup + path.substr(path.rfind(L'\\'))).c_str(), TRUE);
        }
        ::DeleteFileW(AddLongPathPrefix(path).c_str());
    }
    ::QueryPerformanceCounter(&to);
    return Seconds(from, to);
}

// Groups of ten with a kept copy each, checked before every file as in a real
// run: with `compare`, byte for byte, as for exact duplicates; without, by
// size and time alone, as for similar pictures.
double ThroughWorker(const std::vector<std::wstring>& paths, const std::wstring& keptFolder, DeleteMode mode,
    bool compare, const std::wstring& backup, size_t bytes, int& left)
{
    DeleteWorker worker;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::wstring kept = keptFolder + L"\\kept" + std::to_wstring(i / 10) + L".bin";
        if (i % 10 == 0) {
            WriteBytes(kept, Content(int(i / 10), bytes));
        }
        DeleteCheck check;
        const FileRecord seen = SeenNow(paths[i]);
        check.size = seen.size;
        check.lastWriteTime = seen.lastWriteTime;
        check.sameContent = compare;
        check.keptCopies.push_back(SeenNow(kept));
        worker.Enqueue(std::make_unique<FileDeleteItem>(paths[i], std::move(check)));
    }
    Tally tally;
    worker.SetParameters({mode, false, backup});
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
    const std::wstring trash = TrashFolder();
    for (const wchar_t* part : {L"\\files", L"\\info"}) {
        if (!trash.empty() && ::GetFileAttributesW((trash + part).c_str()) != INVALID_FILE_ATTRIBUTES) {
            RemoveTree(trash + part);
            ::CreateDirectoryW((trash + part).c_str(), nullptr); // Wine keeps using the folders it found
        }
    }
}

// The worker with and without the byte comparison, against the bare loop,
// interleaved within each run so that the machine's load falls on all three.
int Speed(DeleteMode mode, const char* modeName, int count, int runs, size_t bytes)
{
    const std::wstring root = MakeRoot(L"clonarium-delete-speed-");
    std::vector<double> bare, sizeAndTime, compared;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        const std::wstring folder = root + L"\\run" + std::to_wstring(run);
        const std::wstring tag = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(run);
        MakeFolders(folder + L"\\kept");
        MakeFolders(folder + L"\\backup");
        const std::vector<std::wstring> bareFiles = MakeFiles(folder + L"\\bare", L"bare-" + tag + L"-", count, bytes);
        EmptyTrash();
        bare.push_back(BareLoop(bareFiles, mode, folder + L"\\backup"));
        for (const bool compare : {false, true}) {
            const std::wstring name = compare ? L"compared" : L"unchecked";
            const std::vector<std::wstring> files =
                MakeFiles(folder + L"\\" + name, name + L"-" + tag + L"-", count, bytes);
            EmptyTrash();
            int left = 0;
            (compare ? compared : sizeAndTime)
                .push_back(ThroughWorker(files, folder + L"\\kept", mode, compare, folder + L"\\backup", bytes, left));
            failures += left;
        }
    }
    const double bareMedian = Median(bare);
    const double sizeAndTimeMedian = Median(sizeAndTime);
    const double comparedMedian = Median(compared);
    std::printf("%s, %d files of %zu bytes, median of %d runs: bare loop %.3f s (%.1f us a file); worker checking "
                "size and time %.3f s (%.1f us a file, ratio %.2f); worker comparing bytes %.3f s (%.1f us a file, "
                "ratio %.2f); the comparison costs %.1f us a file (%+.1f%%); files the worker failed: %d\n",
        modeName, count, Content(0, bytes).size(), runs, bareMedian, bareMedian * 1e6 / count, sizeAndTimeMedian,
        sizeAndTimeMedian * 1e6 / count, sizeAndTimeMedian / bareMedian, comparedMedian, comparedMedian * 1e6 / count,
        comparedMedian / bareMedian, (comparedMedian - sizeAndTimeMedian) * 1e6 / count,
        (comparedMedian / sizeAndTimeMedian - 1) * 100, failures);
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
    } else if (what == L"speed") {
        const int files = argc > 3 ? _wtoi(argv[3]) : 10000;
        const int runs = argc > 4 ? _wtoi(argv[4]) : 3;
        const size_t bytes = argc > 5 ? size_t(_wtoi64(argv[5])) : 0;
        if (mode == L"recycle") {
            return Speed(DeleteMode::ToRecycleBin, "recycle bin", files, runs, bytes);
        }
        if (mode == L"permanent") {
            return Speed(DeleteMode::Permanently, "permanent", files, runs, bytes);
        }
        if (mode == L"backup") {
            return Speed(DeleteMode::BackupInFolder, "backup in folder", files, runs, bytes);
        }
    }
    std::fprintf(stderr, "usage: delete-bench fault recycle|permanent|backup [QUEUED]\n"
                         "       delete-bench speed recycle|permanent|backup [FILES [RUNS [BYTES]]]\n");
    return 2;
}
