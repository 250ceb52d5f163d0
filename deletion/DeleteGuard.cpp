#include "deletion/DeleteGuard.h"

#include "deletion/FileOperations.h"
#include "system/LongPath.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

constexpr size_t kCompareBlock = 1 << 20;

bool Matches(const std::optional<OpenFileState>& state, uint64_t size, const FILETIME& lastWrite)
{
    return state && (state->basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && state->size == size &&
           state->basic.LastWriteTime.LowPart == lastWrite.dwLowDateTime &&
           static_cast<DWORD>(state->basic.LastWriteTime.HighPart) == lastWrite.dwHighDateTime;
}

bool ReadWhole(HANDLE file, char* data, DWORD want)
{
    DWORD got = 0;
    return ::ReadFile(file, data, want, &got, nullptr) && got == want;
}

} // namespace

std::optional<OpenFileState> StateOf(HANDLE file)
{
    OpenFileState state;
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(file, FileBasicInfo, &state.basic, sizeof(state.basic)) ||
        !::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof(standard))) {
        return std::nullopt;
    }
    state.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    state.links = standard.NumberOfLinks;
    return state;
}

std::optional<std::wstring> DeleteGuard::Check(const DeleteCheck& check, HANDLE file, OpenFileState& state)
{
    const std::optional<OpenFileState> seen = StateOf(file);
    if (!seen) {
        return SystemErrorText();
    }
    state = *seen;
    if (!Matches(seen, check.size, check.lastWriteTime)) {
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
        const std::optional<OpenFileState> state = copy ? StateOf(copy.Get()) : std::nullopt;
        if (!Matches(state, kept.size, kept.lastWriteTime)) {
            return false;
        }
        held_ = std::move(copy);
        heldPath_ = kept.path;
        heldState_ = *state;
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
