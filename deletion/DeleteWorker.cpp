#include "deletion/DeleteWorker.h"

#include "deletion/FileOperations.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

// Opened for reading and for its own deletion, with writing shared to nobody:
// while it is open nobody can change it, so the file the checks saw is the
// file that goes. The shell moves a file to the Recycle Bin while it is open
// here, so that mode shares deletion; the others share reading only, which
// also keeps it where it is.
KernelHandle OpenForDelete(const std::wstring& path, DeleteMode mode)
{
    const DWORD share = mode == DeleteMode::ToRecycleBin ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
    return KernelHandle(::CreateFileW(path.c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, share, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool SetAttributes(HANDLE file, DWORD attributes)
{
    FILE_BASIC_INFO basic{}; // zero times are left as they are
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic)) != FALSE;
}

// Only the read-only bit stands in the way of a delete; it is cleared through
// the open file. True when it was set.
bool ClearReadOnly(HANDLE file, DWORD attributes)
{
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return false;
    }
    SetAttributes(file, attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

// The reason for a file that is still there after every step of its removal
// reported success (the system may defer the removal to the close and then
// fail without a word, for an immutable file or a folder it may not change).
std::wstring StillThereReason(const std::wstring& path, DWORD attributes)
{
    RestoreAttributes(path, attributes);
    return SystemErrorText(ERROR_ACCESS_DENIED);
}

// Deletes the open file when it is closed, and closes it.
std::optional<std::wstring> RemoveOpenFile(KernelHandle& file, const std::wstring& path, DWORD attributes)
{
    const bool readOnly = ClearReadOnly(file.Get(), attributes);
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof(disposition))) {
        const DWORD error = ::GetLastError();
        if (readOnly) {
            SetAttributes(file.Get(), attributes);
        }
        return SystemErrorText(error);
    }
    file.Reset();
    if (!IsGone(path)) {
        return StillThereReason(path, attributes);
    }
    return std::nullopt;
}

} // namespace

DeleteWorker::DeleteWorker(std::unique_ptr<IDeleteOperation> deleter) : deleter_(std::move(deleter))
{ }

DeleteWorker::~DeleteWorker() = default;

void DeleteWorker::Run()
{
    if (callback_ != nullptr) {
        callback_->OnStarted();
    }
    if (!deleter_->Initialize()) {
        deleter_ = std::make_unique<WindowsXPDeleter>();
        deleter_->Initialize();
    }
    if (callback_ != nullptr) {
        callback_->OnDeleteStarted(queue_.size());
    }
    while (!queue_.empty()) {
        std::unique_ptr<IDeleteItem> item = std::move(queue_.front());
        queue_.pop_front();
        const std::wstring path = AddLongPathPrefix(item->GetPath());
        if (callback_ != nullptr) {
            callback_->OnFileStarted(path);
        }
        const std::optional<std::wstring> reason = Handle(*item, path);
        if (!reason && parameters_.deleteEmptyFolders) {
            RemoveEmptyParents(path);
        }
        if (callback_ == nullptr) {
            continue;
        }
        if (reason) {
            callback_->OnFileFailed(item.get(), *reason);
        } else {
            callback_->OnFileDeleted(item.get());
        }
        item.reset();
        if (callback_->IsPaused()) {
            guard_.Release(); // the user may want to work on the kept copy meanwhile
        }
        if (callback_->IsCanceled()) {
            DiscardQueue();
            break;
        }
    }
    guard_.Release();
    deleter_->Uninitialize();
    if (callback_ != nullptr) {
        callback_->OnFinished();
    }
}

void DeleteWorker::DiscardQueue()
{
    queue_.clear(); // not reported: the run was stopped before them
}

std::optional<std::wstring> DeleteWorker::Handle(const IDeleteItem& item, const std::wstring& path)
{
    // The shell gets the plain name, which the system tidies: a name it would
    // change could reach another file.
    if (parameters_.mode == DeleteMode::ToRecycleBin && !ShellTakesName(path)) {
        return ReasonText("name-not-for-shell");
    }
    KernelHandle file = OpenForDelete(path, parameters_.mode);
    if (!file) {
        const DWORD error = ::GetLastError();
        return SystemErrorText(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
    }
    DWORD attributes = 0;
    if (std::optional<std::wstring> refused = guard_.Check(item.GetCheck(), file.Get(), attributes)) {
        return refused;
    }
    switch (parameters_.mode) {
    case DeleteMode::Permanently:
        return RemoveOpenFile(file, path, attributes);
    case DeleteMode::BackupInFolder:
        return ToBackup(file, path, attributes);
    case DeleteMode::ToRecycleBin:
        break;
    }
    return ToRecycleBin(file, path, attributes);
}

std::optional<std::wstring> DeleteWorker::ToRecycleBin(KernelHandle& file, const std::wstring& path, DWORD attributes)
{
    ClearReadOnly(file.Get(), attributes);
    // Held open until the shell is done, so that nobody writes to it meanwhile.
    const RecycleResult result = deleter_->DeleteToRecycleBin(path);
    file.Reset();
    // The shell's word alone is not enough: the file must have left its place.
    if (IsGone(path)) {
        return std::nullopt;
    }
    RestoreAttributes(path, attributes);
    return ReasonText(result == RecycleResult::Refused ? "recycle-bin-refused" : "cannot-delete-to-recycle-bin");
}

std::optional<std::wstring> DeleteWorker::ToBackup(KernelHandle& file, const std::wstring& path, DWORD attributes)
{
    const std::wstring plain = StripLongPathPrefix(path);
    const size_t slash = plain.rfind(L'\\');
    std::wstring mirror;
    if (slash == std::wstring::npos || !PrepareBackupFolder(parameters_.backupFolder, plain.substr(0, slash), mirror)) {
        return ReasonText("cannot-create-backup-folder");
    }
    std::wstring target = AddLongPathPrefix(mirror + plain.substr(slash));
    bool overwrite = false;
    if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES && callback_ != nullptr) {
        switch (callback_->OnFileExists(path, target)) {
        case ConflictAction::Cancel:
            callback_->Stop();
            return ReasonText("canceled");
        case ConflictAction::Skip:
            return ReasonText("skipped");
        case ConflictAction::Overwrite:
            overwrite = true;
            break;
        default:
            break;
        }
    }
    // The copy is read from the file the checks saw. The old backup may be
    // the last copy of a file deleted in an earlier run: it goes only once
    // the new copy is whole.
    const bool copied = overwrite ? CopyOver(file.Get(), target) : CopyOpenFile(file.Get(), target);
    if (!copied) {
        return ReasonText("cannot-backup-file") + SystemErrorText();
    }
    return RemoveOpenFile(file, path, attributes);
}

} // namespace clonarium
