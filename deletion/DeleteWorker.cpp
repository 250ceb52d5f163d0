#include "deletion/DeleteWorker.h"

#include "deletion/FileOperations.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

// Opened for reading and for its own deletion, sharing reading only: while
// it is open nobody can change, rename or remove it, so the file the checks
// saw is the file that goes.
KernelHandle OpenForDelete(const std::wstring& path)
{
    return KernelHandle(::CreateFileW(path.c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool SetAttributes(HANDLE file, DWORD attributes)
{
    FILE_BASIC_INFO basic{}; // zero times are left as they are
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic)) != FALSE;
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
    if (parameters_.mode == DeleteMode::Permanently) {
        return Permanently(path, item.GetCheck());
    }
    DWORD attributes = 0;
    if (std::optional<std::wstring> refused = guard_.Check(path, item.GetCheck(), nullptr, attributes)) {
        return refused;
    }
    if (parameters_.mode == DeleteMode::BackupInFolder) {
        return ToBackup(path);
    }
    return ToRecycleBin(path);
}

std::optional<std::wstring> DeleteWorker::ToRecycleBin(const std::wstring& path)
{
    const DWORD attributes = ClearReadOnly(path);
    // The shell's word alone is not enough: the file must be gone as well.
    if (deleter_->DeleteToRecycleBin(path) && IsGone(path)) {
        return std::nullopt;
    }
    RestoreAttributes(path, attributes);
    return ReasonText("cannot-delete-to-recycle-bin");
}

std::optional<std::wstring> DeleteWorker::Permanently(const std::wstring& path, const DeleteCheck& check)
{
    KernelHandle file = OpenForDelete(path);
    if (!file) {
        const DWORD error = ::GetLastError();
        return SystemErrorText(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
    }
    DWORD attributes = 0;
    if (std::optional<std::wstring> refused = guard_.Check(path, check, file.Get(), attributes)) {
        return refused;
    }
    // Only the read-only bit stands in the way of the delete; the file goes
    // when the handle closes.
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        SetAttributes(file.Get(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof(disposition))) {
        return std::nullopt;
    }
    const DWORD error = ::GetLastError();
    if (readOnly) {
        SetAttributes(file.Get(), attributes);
    }
    return SystemErrorText(error);
}

std::optional<std::wstring> DeleteWorker::ToBackup(const std::wstring& path)
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
    // The old backup may be the last copy of a file deleted in an earlier
    // run: it goes only once the new copy is whole.
    const bool copied = overwrite ? CopyOver(path, target) : ::CopyFileW(path.c_str(), target.c_str(), TRUE) != FALSE;
    if (!copied) {
        return ReasonText("cannot-backup-file") + SystemErrorText();
    }
    const DWORD attributes = ClearReadOnly(path);
    if (::DeleteFileW(path.c_str())) {
        return std::nullopt;
    }
    std::wstring reason = SystemErrorText();
    RestoreAttributes(path, attributes);
    return reason;
}

} // namespace clonarium
