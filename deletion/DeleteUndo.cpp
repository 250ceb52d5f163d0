#include "deletion/DeleteUndo.h"

#include "deletion/FileOperations.h"
#include "deletion/RecycleBinRestore.h"
#include "system/FileIdentity.h"
#include "system/LongPath.h"

#include <objbase.h>

#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

KernelHandle OpenAttributes(const std::wstring& path)
{
    return KernelHandle(::CreateFileW(
        AddLongPathPrefix(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
}

bool HasState(HANDLE file, uint64_t size, const LARGE_INTEGER& lastWrite)
{
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER length{};
    return ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic)) &&
           ::GetFileSizeEx(file, &length) && static_cast<uint64_t>(length.QuadPart) == size &&
           basic.LastWriteTime.QuadPart == lastWrite.QuadPart;
}

LARGE_INTEGER Large(const FILETIME& time)
{
    LARGE_INTEGER value{};
    value.LowPart = time.dwLowDateTime;
    value.HighPart = static_cast<LONG>(time.dwHighDateTime);
    return value;
}

// The folders on the way to `path`, which an emptied-folder removal may have
// taken away.
void MakeFoldersFor(const std::wstring& path)
{
    const std::wstring full = AddLongPathPrefix(path);
    for (size_t slash = full.find(L'\\', 7); slash != std::wstring::npos; slash = full.find(L'\\', slash + 1)) {
        ::CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
    }
}

// A link a stopped run made took the file's name when the name is the kept
// copy's file now.
bool LinkTookName(const JournalEntry& entry)
{
    const KernelHandle name = OpenAttributes(entry.path);
    const KernelHandle kept = OpenAttributes(entry.where);
    return name && kept && vandrelcommon::system::SameFile(name.Get(), kept.Get());
}

std::optional<std::wstring> PlaceTaken()
{
    return ReasonText("undo-place-taken");
}

} // namespace

size_t UndoableFiles(const std::wstring& journalFile, DeleteMode* mode)
{
    Journal journal;
    if (journalFile.empty() || !ReadJournal(journalFile, journal)) {
        return 0;
    }
    if (mode != nullptr) {
        *mode = journal.mode;
    }
    return journal.Undoable();
}

void UndoWorker::Run()
{
    if (callback_ != nullptr) {
        callback_->OnStarted();
    }
    Journal journal;
    const bool read = ReadJournal(journalFile_, journal);
    JournalWriter marks;
    if (read) {
        TidyStoppedLinks(journal);
        marks.Continue(journalFile_);
    }
    // The last file first: a folder a later file emptied is made again for it.
    std::vector<const JournalEntry*> files;
    for (auto entry = journal.entries.rbegin(); entry != journal.entries.rend(); ++entry) {
        if (entry->state == JournalEntry::State::Linking && !LinkTookName(*entry)) {
            marks.Undone(entry->id); // the run stopped before the link took the name
        } else if (entry->state != JournalEntry::State::Undone) {
            files.push_back(&*entry);
        }
    }
    // The Recycle Bin is a shell folder, reached through COM.
    const bool com = journal.mode == DeleteMode::ToRecycleBin &&
                     SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    if (callback_ != nullptr) {
        callback_->OnUndoStarted(journal.mode, files.size());
    }
    size_t restored = 0;
    for (const JournalEntry* entry : files) {
        if (callback_ != nullptr) {
            callback_->OnFileStarted(entry->path);
        }
        const std::optional<std::wstring> reason = Restore(journal.mode, *entry);
        if (!reason) {
            marks.Undone(entry->id);
            ++restored;
        }
        if (callback_ == nullptr) {
            continue;
        }
        if (reason) {
            callback_->OnFileSkipped(entry->path, *reason);
        } else {
            callback_->OnFileRestored(entry->path);
        }
        if (callback_->IsCanceled()) {
            break;
        }
    }
    marks.Close();
    if (com) {
        ::CoUninitialize();
    }
    if (read && restored == files.size()) {
        ::DeleteFileW(journalFile_.c_str()); // nothing is left to undo
    }
    if (callback_ != nullptr) {
        callback_->OnFinished();
    }
}

std::optional<std::wstring> UndoWorker::Restore(DeleteMode mode, const JournalEntry& entry)
{
    switch (mode) {
    case DeleteMode::BackupInFolder:
        return FromBackup(entry);
    case DeleteMode::ToRecycleBin:
        return FromRecycleBin(entry);
    case DeleteMode::HardLink:
        return FromLink(entry);
    case DeleteMode::Permanently:
        break;
    }
    return ReasonText("undo-copy-gone");
}

std::optional<std::wstring> UndoWorker::FromBackup(const JournalEntry& entry)
{
    const std::wstring target = AddLongPathPrefix(entry.path);
    if (!IsGone(target)) {
        return PlaceTaken();
    }
    {
        const KernelHandle copy = OpenAttributes(entry.where);
        if (!copy) {
            return ReasonText("undo-copy-gone");
        }
        if (!HasState(copy.Get(), entry.size, entry.basic.LastWriteTime)) {
            return ReasonText("undo-copy-changed");
        }
    }
    MakeFoldersFor(entry.path);
    // Never over a file that took the place meanwhile: no replacing here.
    if (!::MoveFileExW(AddLongPathPrefix(entry.where).c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? PlaceTaken() : SystemErrorText(error);
    }
    return std::nullopt;
}

std::optional<std::wstring> UndoWorker::FromRecycleBin(const JournalEntry& entry)
{
    if (!IsGone(AddLongPathPrefix(entry.path))) {
        return PlaceTaken();
    }
    MakeFoldersFor(entry.path);
    switch (RestoreFromRecycleBin(entry.path, entry.size)) {
    case RestoreResult::Restored:
        return std::nullopt;
    case RestoreResult::NotInBin:
        return ReasonText("undo-not-in-recycle-bin");
    case RestoreResult::Refused:
        break;
    }
    return ReasonText("undo-recycle-bin-refused");
}

// The shared data is copied into a file of its own beside the name, with the
// times and attributes the file had, and that file is renamed over the name
// in one step.
std::optional<std::wstring> UndoWorker::FromLink(const JournalEntry& entry)
{
    const std::wstring target = AddLongPathPrefix(entry.path);
    const std::wstring keptPath = AddLongPathPrefix(entry.where);
    // Writing shared to nobody while the copy is made.
    KernelHandle kept(::CreateFileW(
        keptPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!kept) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReasonText("undo-copy-gone")
                                                                              : SystemErrorText(error);
    }
    if (!HasState(kept.Get(), entry.size, Large(entry.when))) {
        return ReasonText("undo-link-changed");
    }
    const bool named = !IsGone(target);
    if (const KernelHandle name = OpenAttributes(entry.path);
        named && !(name && vandrelcommon::system::SameFile(name.Get(), kept.Get()))) {
        return PlaceTaken();
    }
    const std::wstring folder = target.substr(0, target.rfind(L'\\'));
    std::wstring copy;
    for (;;) {
        copy = folder + L"\\~clonarium-undo-" + std::to_wstring(nextTemporary_++) + L".tmp";
        if (CopyOpenFile(kept.Get(), keptPath, copy, &entry.basic)) {
            break;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            return SystemErrorText();
        }
    }
    kept.Reset(); // a name still open cannot be replaced
    if (!::MoveFileExW(copy.c_str(), target.c_str(), named ? MOVEFILE_REPLACE_EXISTING : 0)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(copy.c_str());
        return SystemErrorText(error);
    }
    return std::nullopt;
}

} // namespace clonarium
