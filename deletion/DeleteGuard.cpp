#include "deletion/DeleteGuard.h"

#include "deletion/FileOperations.h"
#include "system/LongPath.h"

#include <algorithm>
#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

struct FileState {
    uint64_t size = 0;
    FILETIME lastWriteTime{};
    DWORD attributes = 0;
};

std::optional<FileState> StateOf(const std::wstring& longPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(longPath.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return FileState{(static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, data.ftLastWriteTime,
        data.dwFileAttributes};
}

std::optional<FileState> StateOf(HANDLE file)
{
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER size{};
    if (!::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic)) || !::GetFileSizeEx(file, &size)) {
        return std::nullopt;
    }
    const FILETIME lastWrite{
        static_cast<DWORD>(basic.LastWriteTime.LowPart), static_cast<DWORD>(basic.LastWriteTime.HighPart)};
    return FileState{static_cast<uint64_t>(size.QuadPart), lastWrite, basic.FileAttributes};
}

bool Matches(const std::optional<FileState>& state, uint64_t size, const FILETIME& lastWrite)
{
    return state && (state->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && state->size == size &&
           state->lastWriteTime.dwLowDateTime == lastWrite.dwLowDateTime &&
           state->lastWriteTime.dwHighDateTime == lastWrite.dwHighDateTime;
}

// Both files hold the same `size` bytes. Neither can change meanwhile: both
// are open with reading shared only.
bool SameContent(HANDLE a, HANDLE b, uint64_t size)
{
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(a, start, nullptr, FILE_BEGIN) || !::SetFilePointerEx(b, start, nullptr, FILE_BEGIN)) {
        return false;
    }
    std::vector<char> blockA(1 << 16);
    std::vector<char> blockB(blockA.size());
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(size, blockA.size()));
        DWORD gotA = 0;
        DWORD gotB = 0;
        if (!::ReadFile(a, blockA.data(), want, &gotA, nullptr) ||
            !::ReadFile(b, blockB.data(), want, &gotB, nullptr) || gotA != want || gotB != want ||
            !std::equal(blockA.begin(), blockA.begin() + want, blockB.begin())) {
            return false;
        }
        size -= want;
    }
    return true;
}

std::wstring UnreachableReason(DWORD error)
{
    if (error == ERROR_PATH_NOT_FOUND) {
        error = ERROR_FILE_NOT_FOUND;
    }
    return SystemErrorText(error);
}

} // namespace

std::optional<std::wstring> DeleteGuard::Check(
    const std::wstring& path, const DeleteCheck& check, HANDLE openFile, DWORD& attributes)
{
    const std::optional<FileState> state = openFile != nullptr ? StateOf(openFile) : StateOf(path);
    if (!state) {
        return UnreachableReason(::GetLastError());
    }
    attributes = state->attributes;
    if (!Matches(state, check.size, check.lastWriteTime)) {
        return ReasonText("file-changed");
    }
    if (check.keptCopies.empty() && check.wholeGroupConfirmed) {
        return std::nullopt;
    }
    const bool compareContent = openFile != nullptr && check.sameContent;
    for (const FileRecord& kept : check.keptCopies) {
        if (KeptCopyStands(kept, openFile, check.size, compareContent)) {
            return std::nullopt;
        }
    }
    return ReasonText("no-kept-copy");
}

bool DeleteGuard::KeptCopyStands(const FileRecord& kept, HANDLE openFile, uint64_t size, bool compareContent)
{
    if (!held_ || heldPath_ != kept.path) {
        Release();
        const std::wstring keptPath = AddLongPathPrefix(kept.path);
        KernelHandle file(::CreateFileW(keptPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file || !Matches(StateOf(file.Get()), kept.size, kept.lastWriteTime)) {
            return false;
        }
        held_ = std::move(file);
        heldPath_ = kept.path;
    }
    return !compareContent || (kept.size == size && SameContent(openFile, held_.Get(), size));
}

void DeleteGuard::Release()
{
    held_.Reset();
    heldPath_.clear();
}

} // namespace clonarium
