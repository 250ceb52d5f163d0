#include "deletion/DeleteWorker.h"

#include "deletion/FileOperations.h"
#include "system/FileIdentity.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

// Opened for reading with writing shared to nobody: while it is open nobody
// can change it, so the file the checks saw is the file that goes. The shell
// moves a file to the Recycle Bin while it is open here, so that mode shares
// deletion; the others share reading only, which also keeps it where it is.
// A link is moved over the name while the file is still held where the
// system allows it, which needs deletion shared too; nothing is removed or
// changed through this handle then.
KernelHandle OpenForDelete(const std::wstring& path, DeleteMode mode)
{
    const bool shareDelete = mode == DeleteMode::ToRecycleBin || mode == DeleteMode::HardLink;
    const DWORD share = shareDelete ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
    const DWORD access = mode == DeleteMode::HardLink ? GENERIC_READ : GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES;
    return KernelHandle(
        ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
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

// Renames the open file to `target`, replacing what is there. With
// `keepTargetOpen` the replaced file may still be open (here too): the
// system then replaces it the way Unix does, where it knows how.
bool RenameOver(HANDLE file, const std::wstring& target, bool keepTargetOpen)
{
    constexpr auto kRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22); // FileRenameInfoEx
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->Flags = keepTargetOpen ? FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS : TRUE;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    memcpy(rename->FileName, target.data(), nameBytes);
    return ::SetFileInformationByHandle(file, keepTargetOpen ? kRenameInfoEx : FileRenameInfo, rename,
               static_cast<DWORD>(buffer.size())) != FALSE;
}

std::wstring FolderOf(const std::wstring& path)
{
    return path.substr(0, path.rfind(L'\\'));
}

std::wstring VolumeOf(const std::wstring& path)
{
    std::vector<wchar_t> volume(path.size() + 2);
    return ::GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size())) ? volume.data()
                                                                                                : FolderOf(path);
}

// Removes the name the handle was opened by once it is closed.
void RemoveOpenName(HANDLE file)
{
    FILE_DISPOSITION_INFO remove{TRUE};
    ::SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof(remove));
}

// The open file has more than one name and the size, last write time and
// attributes the kept copy had (a link changes its other times).
bool IsNameOf(HANDLE file, const OpenFileState& kept)
{
    const std::optional<OpenFileState> state = StateOf(file);
    return state && state->links > 1 && state->size == kept.size &&
           state->basic.LastWriteTime.QuadPart == kept.basic.LastWriteTime.QuadPart &&
           state->basic.FileAttributes == kept.basic.FileAttributes;
}

// The FAT family never holds hard links, whatever error a failed link gave.
// The volume's flags cannot tell: not every system that links says so in
// them (Wine's never do).
bool HoldsNoLinks(const std::wstring& volume)
{
    wchar_t system[MAX_PATH + 1] = {};
    return ::GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1) &&
           (wcscmp(system, L"FAT") == 0 || wcscmp(system, L"FAT32") == 0 || wcscmp(system, L"exFAT") == 0);
}

FILETIME FileTimeOf(const LARGE_INTEGER& time)
{
    return FILETIME{time.LowPart, static_cast<DWORD>(time.HighPart)};
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
    BeginJournal();
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
        uint64_t freed = 0;
        const std::optional<std::wstring> reason = Handle(*item, path, freed);
        if (!reason && parameters_.deleteEmptyFolders && parameters_.mode != DeleteMode::HardLink) {
            RemoveEmptyParents(path);
        }
        if (callback_ == nullptr) {
            continue;
        }
        if (reason) {
            callback_->OnFileFailed(item.get(), *reason);
        } else if (parameters_.mode == DeleteMode::HardLink) {
            callback_->OnFileLinked(item.get(), freed);
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
    journal_.Close();
    deleter_->Uninitialize();
    if (callback_ != nullptr) {
        callback_->OnFinished();
    }
}

// The journal of the last run is replaced; first, names a stopped run left
// while linking are tidied away. A permanent run keeps a journal too, with
// nothing to undo in it: the last deletion cannot be undone.
void DeleteWorker::BeginJournal()
{
    if (parameters_.journalFile.empty()) {
        return;
    }
    Journal last;
    if (ReadJournal(parameters_.journalFile, last)) {
        TidyStoppedLinks(last);
    }
    journal_.Begin(parameters_.journalFile, parameters_.mode);
}

void DeleteWorker::DiscardQueue()
{
    queue_.clear(); // not reported: the run was stopped before them
}

std::optional<std::wstring> DeleteWorker::Handle(const IDeleteItem& item, const std::wstring& path, uint64_t& freed)
{
    // The shell gets the plain name, which the system tidies: a name it would
    // change could reach another file.
    if (parameters_.mode == DeleteMode::ToRecycleBin && !ShellTakesName(path)) {
        return ReasonText("name-not-for-shell");
    }
    // A link needs a kept copy to share, even in a group confirmed whole, and
    // one with the same bytes: similar pictures differ.
    if (parameters_.mode == DeleteMode::HardLink && !item.GetCheck().sameContent) {
        return ReasonText("link-not-exact");
    }
    if (parameters_.mode == DeleteMode::HardLink && item.GetCheck().keptCopies.empty()) {
        return ReasonText("no-kept-copy");
    }
    KernelHandle file = OpenForDelete(path, parameters_.mode);
    if (!file) {
        const DWORD error = ::GetLastError();
        return SystemErrorText(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
    }
    OpenFileState state;
    if (std::optional<std::wstring> refused = guard_.Check(item.GetCheck(), file.Get(), state)) {
        return refused;
    }
    JournalEntry entry;
    entry.id = nextId_++;
    entry.path = item.GetPath();
    entry.size = state.size;
    entry.basic = state.basic;
    switch (parameters_.mode) {
    case DeleteMode::Permanently:
        return RemoveOpenFile(file, path, state.basic.FileAttributes);
    case DeleteMode::BackupInFolder:
        return ToBackup(file, path, state, entry);
    case DeleteMode::HardLink:
        return LinkToKeptCopy(file, path, state, entry, freed);
    case DeleteMode::ToRecycleBin:
        break;
    }
    return ToRecycleBin(file, path, state, entry);
}

std::optional<std::wstring> DeleteWorker::ToRecycleBin(
    KernelHandle& file, const std::wstring& path, const OpenFileState& state, JournalEntry& entry)
{
    const DWORD attributes = state.basic.FileAttributes;
    ClearReadOnly(file.Get(), attributes);
    ::GetSystemTimeAsFileTime(&entry.when);
    // Held open until the shell is done, so that nobody writes to it meanwhile.
    const RecycleResult result = deleter_->DeleteToRecycleBin(path);
    file.Reset();
    // The shell's word alone is not enough: the file must have left its place.
    if (IsGone(path)) {
        journal_.Gone(entry);
        return std::nullopt;
    }
    RestoreAttributes(path, attributes);
    return ReasonText(result == RecycleResult::Refused ? "recycle-bin-refused" : "cannot-delete-to-recycle-bin");
}

std::optional<std::wstring> DeleteWorker::ToBackup(
    KernelHandle& file, const std::wstring& path, const OpenFileState& state, JournalEntry& entry)
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
    const bool copied = overwrite ? CopyOver(file.Get(), path, target) : CopyOpenFile(file.Get(), path, target);
    if (!copied) {
        return ReasonText("cannot-backup-file") + SystemErrorText();
    }
    entry.where = StripLongPathPrefix(target);
    ::GetSystemTimeAsFileTime(&entry.when);
    std::optional<std::wstring> reason = RemoveOpenFile(file, path, state.basic.FileAttributes);
    if (!reason) {
        journal_.Gone(entry);
    }
    return reason;
}

// The name goes to a hard link to the kept copy: made beside the file under
// a name of its own, checked to be that copy, then renamed over the file in
// one step, so that the name always holds one of the two. The file's own
// attributes go with it; a read-only file says its owner wants it as it is.
std::optional<std::wstring> DeleteWorker::LinkToKeptCopy(
    KernelHandle& file, const std::wstring& path, const OpenFileState& state, JournalEntry& entry, uint64_t& freed)
{
    if ((state.basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ReasonText("link-read-only");
    }
    // Two names of one file: nothing to do, and nothing freed.
    if (state.links > 1 && vandrelcommon::system::SameFile(file.Get(), guard_.HeldFile())) {
        return std::nullopt;
    }
    if (!volumesWithoutLinks_.empty() && volumesWithoutLinks_.contains(VolumeOf(path))) {
        return ReasonText("no-hard-links-here");
    }
    const std::wstring kept = AddLongPathPrefix(guard_.HeldPath());
    const OpenFileState keptState = guard_.HeldState();
    entry.where = guard_.HeldPath();
    entry.when = FileTimeOf(keptState.basic.LastWriteTime);
    // The kept copy is held open with writing and deletion shared to nobody:
    // the link made now is surely a name of it.
    std::wstring temporary;
    for (;;) {
        temporary = FolderOf(path) + L"\\~clonarium-link-" + std::to_wstring(nextTemporary_++) + L".tmp";
        entry.temporary = StripLongPathPrefix(temporary);
        journal_.Linking(entry);
        if (makeLink_ ? makeLink_(temporary, kept) : ::CreateHardLinkW(temporary.c_str(), kept.c_str(), nullptr)) {
            break;
        }
        if (const DWORD error = ::GetLastError(); error != ERROR_ALREADY_EXISTS) {
            journal_.Abandoned(entry.id);
            return LinkFailure(error, path);
        }
    }
    // The rename needs the kept copy open for deletion, which the guard
    // shares with nobody.
    guard_.Release();
    if (beforeLinkMoves_) {
        beforeLinkMoves_();
    }
    KernelHandle link(::CreateFileW(temporary.c_str(), DELETE | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!link) {
        return SystemErrorText(); // left for the next run to tidy
    }
    // Its name was free to others for a moment. Its id would tell surely, but
    // costs as much as the whole link under Wine; another file cannot pass
    // for the kept copy by chance.
    if (!IsNameOf(link.Get(), keptState)) {
        journal_.Abandoned(entry.id);
        return ReasonText("no-kept-copy");
    }
    if (!MoveLinkOver(file, link.Get(), path)) {
        const DWORD error = ::GetLastError();
        RemoveOpenName(link.Get()); // one of two names of the kept copy
        journal_.Abandoned(entry.id);
        return SystemErrorText(error);
    }
    journal_.Linked(entry.id);
    freed = state.links > 1 ? 0 : state.size; // other names keep the old data
    return std::nullopt;
}

// Where the system allows, the file stays open until its name is taken, so
// that nobody writes to it in between; elsewhere it is closed first.
bool DeleteWorker::MoveLinkOver(KernelHandle& file, HANDLE link, const std::wstring& path)
{
    if (posixRename_) {
        if (RenameOver(link, path, true)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) {
            return false;
        }
        posixRename_ = false;
    }
    file.Reset();
    return RenameOver(link, path, false);
}

// A volume without hard links (FAT, exFAT, some network shares) is told in
// full for its first file; its other files fail at once with a short reason.
std::optional<std::wstring> DeleteWorker::LinkFailure(DWORD error, const std::wstring& path)
{
    if (error == ERROR_NOT_SAME_DEVICE) {
        return ReasonText("link-other-volume");
    }
    const std::wstring volume = VolumeOf(path);
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED || HoldsNoLinks(volume)) {
        volumesWithoutLinks_.insert(volume);
        return ReasonText("no-hard-links");
    }
    return SystemErrorText(error);
}

} // namespace clonarium
