#include "deletion/DeleteWorker.h"

#include "deletion/FileOperations.h"
#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;
using vandrelcommon::system::Localize;

namespace {

std::wstring Text(const char* key)
{
    return Localize(std::string("duplicates-pane.") + key);
}

bool SameFileTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The file is there with the size and last-write time the search saw.
bool MatchesRecord(const std::wstring& longPath, uint64_t size, const FILETIME& lastWrite)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(longPath.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    const uint64_t found = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return found == size && SameFileTime(data.ftLastWriteTime, lastWrite);
}

KernelHandle OpenToRead(const std::wstring& longPath)
{
    return KernelHandle(::CreateFileW(
        longPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool ReadBlock(HANDLE file, std::vector<char>& block, DWORD& got)
{
    return ::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) != FALSE;
}

// Byte for byte the same; false also when either cannot be read whole.
bool SameContent(HANDLE a, HANDLE b)
{
    std::vector<char> blockA(1 << 16);
    std::vector<char> blockB(1 << 16);
    for (;;) {
        DWORD gotA = 0;
        DWORD gotB = 0;
        if (!ReadBlock(a, blockA, gotA) || !ReadBlock(b, blockB, gotB) || gotA != gotB ||
            !std::equal(blockA.begin(), blockA.begin() + gotA, blockB.begin())) {
            return false;
        }
        if (gotA == 0) {
            return true;
        }
    }
}

} // namespace

std::optional<std::wstring> CheckBeforeDelete(const std::wstring& path, const DeleteCheck& check, bool compareContent)
{
    if (!MatchesRecord(path, check.size, check.lastWriteTime)) {
        if (IsGone(path)) {
            return SystemErrorText(ERROR_FILE_NOT_FOUND);
        }
        return Text("file-changed");
    }
    if (check.keptCopies.empty()) {
        if (check.wholeGroupConfirmed) {
            return std::nullopt;
        }
        return Text("no-kept-copy");
    }
    // Opened before the kept copies are looked at, so that a file that cannot
    // be read (held open by another program) fails with the system's text.
    KernelHandle file;
    if (compareContent) {
        file = OpenToRead(path);
        if (!file) {
            return SystemErrorText();
        }
    }
    for (const FileRecord& kept : check.keptCopies) {
        const std::wstring keptPath = AddLongPathPrefix(kept.path);
        if (_wcsicmp(keptPath.c_str(), path.c_str()) == 0 || !MatchesRecord(keptPath, kept.size, kept.lastWriteTime)) {
            continue;
        }
        if (!compareContent) {
            return std::nullopt;
        }
        KernelHandle keptFile = OpenToRead(keptPath);
        LARGE_INTEGER start{};
        if (keptFile && ::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) &&
            SameContent(file.Get(), keptFile.Get())) {
            return std::nullopt;
        }
    }
    return Text("no-kept-copy");
}

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
        if (callback_->IsCanceled()) {
            DiscardQueue();
            break;
        }
    }
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
    const bool compareContent = parameters_.mode == DeleteMode::Permanently && item.GetCheck().sameContent;
    if (std::optional<std::wstring> refused = CheckBeforeDelete(path, item.GetCheck(), compareContent)) {
        return refused;
    }
    switch (parameters_.mode) {
    case DeleteMode::BackupInFolder:
        return ToBackup(path);
    case DeleteMode::Permanently:
        return Permanently(path);
    default:
        return ToRecycleBin(path);
    }
}

std::optional<std::wstring> DeleteWorker::ToRecycleBin(const std::wstring& path)
{
    const DWORD attributes = ClearReadOnly(path);
    // The shell's word alone is not enough: the file must be gone as well.
    if (deleter_->DeleteToRecycleBin(path) && IsGone(path)) {
        return std::nullopt;
    }
    RestoreAttributes(path, attributes);
    return Text("cannot-delete-to-recycle-bin");
}

std::optional<std::wstring> DeleteWorker::Permanently(const std::wstring& path)
{
    const DWORD attributes = ClearReadOnly(path);
    if (::DeleteFileW(path.c_str())) {
        return std::nullopt;
    }
    std::wstring reason = SystemErrorText();
    RestoreAttributes(path, attributes);
    return reason;
}

std::optional<std::wstring> DeleteWorker::ToBackup(const std::wstring& path)
{
    const std::wstring plain = StripLongPathPrefix(path);
    const size_t slash = plain.rfind(L'\\');
    std::wstring mirror;
    if (slash == std::wstring::npos || !PrepareBackupFolder(parameters_.backupFolder, plain.substr(0, slash), mirror)) {
        return Text("cannot-create-backup-folder");
    }
    std::wstring target = AddLongPathPrefix(mirror + plain.substr(slash));
    if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES && callback_ != nullptr) {
        switch (callback_->OnFileExists(path, target)) {
        case ConflictAction::Cancel:
            callback_->Stop();
            return Text("canceled");
        case ConflictAction::Skip:
            return Text("skipped");
        case ConflictAction::Overwrite: {
            const DWORD attributes = ClearReadOnly(target);
            if (!::DeleteFileW(target.c_str())) {
                RestoreAttributes(target, attributes); // the copy below then fails with the reason
            }
            break;
        }
        default:
            break;
        }
    }
    if (!::CopyFileW(path.c_str(), target.c_str(), TRUE)) {
        return Text("cannot-backup-file") + SystemErrorText();
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
