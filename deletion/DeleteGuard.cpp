#include "deletion/DeleteGuard.h"

#include "deletion/FileOperations.h"
#include "system/LongPath.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

constexpr size_t kCompareBlock = 1 << 20;

struct FileState {
    uint64_t size = 0;
    FILETIME lastWriteTime{};
    DWORD attributes = 0;
};

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

bool ReadWhole(HANDLE file, char* data, DWORD want)
{
    DWORD got = 0;
    return ::ReadFile(file, data, want, &got, nullptr) && got == want;
}

} // namespace

std::optional<std::wstring> DeleteGuard::Check(const DeleteCheck& check, HANDLE file, DWORD& attributes)
{
    const std::optional<FileState> state = StateOf(file);
    if (!state) {
        return SystemErrorText();
    }
    attributes = state->attributes;
    if (!Matches(state, check.size, check.lastWriteTime)) {
        return ReasonText("file-changed");
    }
    if (check.keptCopies.empty() && check.wholeGroupConfirmed) {
        return std::nullopt;
    }
    for (const FileRecord& kept : check.keptCopies) {
        if (KeptCopyStands(kept, file, check.size, check.sameContent)) {
            return std::nullopt;
        }
    }
    return ReasonText("no-kept-copy");
}

bool DeleteGuard::KeptCopyStands(const FileRecord& kept, HANDLE file, uint64_t size, bool compareContent)
{
    if (!held_ || heldPath_ != kept.path) {
        Release();
        const std::wstring keptPath = AddLongPathPrefix(kept.path);
        KernelHandle copy(::CreateFileW(keptPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!copy || !Matches(StateOf(copy.Get()), kept.size, kept.lastWriteTime)) {
            return false;
        }
        held_ = std::move(copy);
        heldPath_ = kept.path;
    }
    return !compareContent || (kept.size == size && SameContent(file, held_.Get(), size));
}

// Both files hold `size` bytes; neither can change meanwhile, as both are
// open with writing shared to nobody.
bool DeleteGuard::SameContent(HANDLE a, HANDLE b, uint64_t size)
{
    const LARGE_INTEGER start{};
    if (!::SetFilePointerEx(a, start, nullptr, FILE_BEGIN) || !::SetFilePointerEx(b, start, nullptr, FILE_BEGIN)) {
        return false;
    }
    blockA_.resize(kCompareBlock);
    blockB_.resize(kCompareBlock);
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(size, kCompareBlock));
        if (!ReadWhole(a, blockA_.data(), want) || !ReadWhole(b, blockB_.data(), want) ||
            !std::equal(blockA_.begin(), blockA_.begin() + want, blockB_.begin())) {
            return false;
        }
        size -= want;
    }
    return true;
}

void DeleteGuard::Release()
{
    held_.Reset();
    heldPath_.clear();
}

} // namespace clonarium
