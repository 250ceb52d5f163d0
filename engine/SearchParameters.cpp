#include "engine/SearchParameters.h"

#include <shlobj.h>

#include <array>
#include <limits>

namespace clonarium {

namespace {

// Values are read into buffers of this many characters, the last one always
// the terminator.
constexpr DWORD kFolderBufferLength = 255;

const std::array<int, 9> kProtectedShellFolders = {
    CSIDL_WINDOWS,          // 36
    CSIDL_PROGRAM_FILES,    // 38
    CSIDL_PROGRAM_FILESX86, // 42
    CSIDL_APPDATA,          // 26
    CSIDL_BITBUCKET,        // 10
    CSIDL_COMMON_APPDATA,   // 35
    CSIDL_LOCAL_APPDATA,    // 28
    CSIDL_STARTMENU,        // 11
    CSIDL_COMMON_STARTMENU, // 22
};

FILETIME LocalNow()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FILETIME result{};
    ::SystemTimeToFileTime(&now, &result);
    return result;
}

FILETIME ToLocal(const FILETIME& utc)
{
    FILETIME local{};
    ::FileTimeToLocalFileTime(&utc, &local);
    return local;
}

bool Equal(const FILETIME& a, const FILETIME& b)
{
    return FileTimeToUInt64(a) == FileTimeToUInt64(b);
}

// Excluded unless `time` is strictly later than `bound`.
bool FailsAfter(bool use, uint64_t time, const FILETIME& bound)
{
    return use && !(time > FileTimeToUInt64(bound));
}

// Excluded unless `time` is strictly earlier than `bound`.
bool FailsBefore(bool use, uint64_t time, const FILETIME& bound)
{
    return use && !(time < FileTimeToUInt64(bound));
}

} // namespace

StringSet DefaultProtectedFolders()
{
    StringSet folders;
    wchar_t value[kFolderBufferLength] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"ProgramW6432", value, kFolderBufferLength);
    value[kFolderBufferLength - 1] = L'\0';
    if (length > 0 && length < kFolderBufferLength && value[0] != L'\0') {
        folders.insert(value);
    }
    for (int csidl : kProtectedShellFolders) {
        // The shell writes up to MAX_PATH characters; the value is then cut to
        // the length a 255-character buffer keeps.
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
            path[kFolderBufferLength - 1] = L'\0';
            if (path[0] != L'\0') {
                folders.insert(path);
            }
        }
    }
    return folders;
}

SearchParameters::SearchParameters(bool isDefault) : IsDefault(isDefault)
{
    Reset();
}

void SearchParameters::Reset()
{
    PresetName = L"(Untitled)";
    const FILETIME now = LocalNow();
    ModifiedBefore = ModifiedAfter = now;
    CreatedBefore = CreatedAfter = now;
    AccessedBefore = AccessedAfter = now;
    LessBound = 0;
    GreaterBound = 0;
    IgnoreMasks = {L"*.dll", L"*.inf", L"*.drv", L"*.ini", L"*.sys", L"*.lnk", L"*.exe"};
    ScanMasks.clear();
    ProtectedFolders = DefaultProtectedFolders();
    LessMultiplier = Bytes;
    GreaterMultiplier = Bytes;
    ProtectFolders = true;
    UseIgnoreMasks = true;
    UseScanMasks = false;
    UseLess = false;
    UseGreater = false;
    UseModifiedBefore = false;
    UseModifiedAfter = false;
    UseCreatedBefore = false;
    UseCreatedAfter = false;
    UseAccessedBefore = false;
    UseAccessedAfter = false;
    SearchHidden = false;
    SearchSystem = false;
    SearchReadOnly = false;
    SearchCompressed = false;
    SearchEncrypted = false;
    SearchArchive = true;
    DoRotations = true;
    DoMirrors = true;
    SearchMode = ExactDuplicates;
    Similarity = 85;
}

// Storage path, preset name, the is-default flag and do-rotations are not
// part of what a search looks for, so they are not compared; similarity and
// do-mirrors only matter to a similar-images search.
bool SearchParameters::operator==(const SearchParameters& other) const
{
    const bool same =
        SearchMode == other.SearchMode && LessBound == other.LessBound && GreaterBound == other.GreaterBound &&
        LessMultiplier == other.LessMultiplier && GreaterMultiplier == other.GreaterMultiplier &&
        UseIgnoreMasks == other.UseIgnoreMasks && UseScanMasks == other.UseScanMasks && UseLess == other.UseLess &&
        UseGreater == other.UseGreater && UseModifiedBefore == other.UseModifiedBefore &&
        UseModifiedAfter == other.UseModifiedAfter && UseCreatedBefore == other.UseCreatedBefore &&
        UseCreatedAfter == other.UseCreatedAfter && UseAccessedBefore == other.UseAccessedBefore &&
        UseAccessedAfter == other.UseAccessedAfter && ProtectFolders == other.ProtectFolders &&
        SearchHidden == other.SearchHidden && SearchSystem == other.SearchSystem &&
        SearchReadOnly == other.SearchReadOnly && SearchCompressed == other.SearchCompressed &&
        SearchEncrypted == other.SearchEncrypted && SearchArchive == other.SearchArchive &&
        Equal(ModifiedBefore, other.ModifiedBefore) && Equal(ModifiedAfter, other.ModifiedAfter) &&
        Equal(CreatedBefore, other.CreatedBefore) && Equal(CreatedAfter, other.CreatedAfter) &&
        Equal(AccessedBefore, other.AccessedBefore) && Equal(AccessedAfter, other.AccessedAfter) &&
        IgnoreMasks == other.IgnoreMasks && ScanMasks == other.ScanMasks && ProtectedFolders == other.ProtectedFolders;
    if (!same) {
        return false;
    }
    return SearchMode != SimilarImages || (Similarity == other.Similarity && DoMirrors == other.DoMirrors);
}

// A multiplier beyond gigabytes can only come from a hand-edited preset; a
// product that does not fit 64 bits saturates instead of wrapping round.
uint64_t SearchParameters::BoundInBytes(uint32_t bound, uint16_t multiplier)
{
    const unsigned shift = 10u * multiplier;
    if (bound == 0) {
        return 0;
    }
    if (shift >= 64 || bound > (std::numeric_limits<uint64_t>::max() >> shift)) {
        return std::numeric_limits<uint64_t>::max();
    }
    return static_cast<uint64_t>(bound) << shift;
}

bool SearchParameters::IsExcludedBySize(uint64_t size) const
{
    if (UseGreater && size < BoundInBytes(GreaterBound, GreaterMultiplier)) {
        return true;
    }
    return UseLess && size > BoundInBytes(LessBound, LessMultiplier);
}

bool SearchParameters::IsExcludedByDates(
    const FILETIME& creation, const FILETIME& lastAccess, const FILETIME& lastWrite) const
{
    const uint64_t written = FileTimeToUInt64(ToLocal(lastWrite));
    const uint64_t created = FileTimeToUInt64(ToLocal(creation));
    const uint64_t accessed = FileTimeToUInt64(ToLocal(lastAccess));
    return FailsAfter(UseModifiedAfter, written, ModifiedAfter) ||
           FailsBefore(UseModifiedBefore, written, ModifiedBefore) ||
           FailsAfter(UseCreatedAfter, created, CreatedAfter) ||
           FailsBefore(UseCreatedBefore, created, CreatedBefore) ||
           FailsAfter(UseAccessedAfter, accessed, AccessedAfter) ||
           FailsBefore(UseAccessedBefore, accessed, AccessedBefore);
}

} // namespace clonarium
