#include "engine/FileIndexer.h"

#include "engine/SearchCache.h"
#include "system/DiskFile.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FileIdentity;
using vandrelcommon::system::FindHandle;
using vandrelcommon::system::IdentifyFile;
using vandrelcommon::system::IsDiskFile;
using vandrelcommon::system::KernelHandle;

namespace {

std::wstring ToUpper(std::wstring text)
{
    if (!text.empty()) {
        ::CharUpperW(text.data());
    }
    return text;
}

// A path as the file system compares it: ignoring case.
std::wstring PathKey(const std::wstring& path)
{
    return ToUpper(path);
}

// Classic greedy scan with one backtrack point, on upper-cased strings.
bool MatchUpperMask(const std::wstring& mask, const std::wstring& name)
{
    size_t m = 0;
    size_t n = 0;
    size_t starMask = std::wstring::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == L'*') {
            starMask = ++m;
            starName = n;
        } else if (m < mask.size() && (mask[m] == L'?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::wstring::npos) {
            m = starMask;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*') {
        ++m;
    }
    return m == mask.size();
}

bool EqualIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    return ::CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) == CSTR_EQUAL;
}

std::wstring WithoutTrailingBackslashes(std::wstring path)
{
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

bool IsDotEntry(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

uint64_t JoinSize(DWORD high, DWORD low)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

KernelHandle OpenForReading(const std::wstring& path)
{
    return KernelHandle(::CreateFileW(AddLongPathPrefix(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadFileTimes(HANDLE file, FileRecord& record)
{
    return ::GetFileTime(file, &record.creationTime, &record.lastAccessTime, &record.lastWriteTime) != FALSE;
}

} // namespace

bool ReadFileTimes(FileRecord& record)
{
    const KernelHandle file = OpenForReading(record.path);
    return file && ReadFileTimes(file.Get(), record);
}

bool RecordFile(const std::wstring& path, FileRecord& record)
{
    record = FileRecord{};
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed > 0 ? ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr) : 0;
    record.path = length > 0 && length < needed ? full.substr(0, length) : path;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(AddLongPathPrefix(record.path).c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    record.size = JoinSize(data.nFileSizeHigh, data.nFileSizeLow);
    record.creationTime = data.ftCreationTime;
    record.lastAccessTime = data.ftLastAccessTime;
    record.lastWriteTime = data.ftLastWriteTime;
    return true;
}

bool ReadFileTimesAndIdentity(FileRecord& record, FileIdentity& identity)
{
    const KernelHandle file = OpenForReading(record.path);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !IdentifyFile(file.Get(), identity, &information)) {
        return false;
    }
    record.creationTime = information.ftCreationTime;
    record.lastAccessTime = information.ftLastAccessTime;
    record.lastWriteTime = information.ftLastWriteTime;
    return true;
}

bool NamesMayCollide(const std::vector<const std::wstring*>& paths, bool severalRoots)
{
    return severalRoots || std::any_of(paths.begin(), paths.end(),
                               [](const std::wstring* path) { return path->find(L'~') != std::wstring::npos; });
}

void SizeMap::Add(FileRecord record)
{
    bySize[record.size].push_back(std::move(record));
}

void PathList::Add(FileRecord record)
{
    sizes.push_back(record.size);
    times.push_back({record.creationTime, record.lastAccessTime, record.lastWriteTime});
    paths.push_back(std::move(record.path));
}

// One open directory listing of the walk; the walk keeps a stack of them
// rather than recursing, so that however deep a tree is, the thread's stack
// is not what limits it.
struct FileIndexer::Listing {
    std::wstring path; // without trailing backslash
    FindHandle handle;
    WIN32_FIND_DATAW entry{};
    bool hasEntry = false;
    bool complete = false;                  // the last entry was met: no error cut the listing short
    std::unordered_set<std::wstring> names; // upper-cased, of the files admitted so far
    // With a cache, every file and subfolder met, upper-cased: what the cache
    // holds of others is gone.
    std::unordered_set<std::wstring> allFiles;
    std::unordered_set<std::wstring> subfolders;
};

FileIndexer::FileIndexer(const SearchParameters& parameters, ISearchProcessCallback* callback)
    : parameters_(parameters), callback_(callback)
{
    for (const std::wstring& mask : parameters.IgnoreMasks) {
        ignoreMasks_.push_back(ToUpper(mask));
    }
    for (const std::wstring& mask : parameters.ScanMasks) {
        scanMasks_.push_back(ToUpper(mask));
    }
    for (const std::wstring& folder : parameters.ProtectedFolders) {
        protectedFolders_.push_back({folder, WithoutTrailingBackslashes(folder) + L"\\"});
    }
}

bool FileIndexer::MatchMask(const std::wstring& mask, const std::wstring& name)
{
    return MatchUpperMask(ToUpper(mask), ToUpper(name));
}

bool FileIndexer::MatchesAny(const std::vector<std::wstring>& upperMasks, const std::wstring& upperName) const
{
    for (const std::wstring& mask : upperMasks) {
        if (MatchUpperMask(mask, upperName)) {
            return true;
        }
    }
    return false;
}

bool FileIndexer::IsExcludedByMasks(const std::wstring& name) const
{
    const std::wstring upperName = ToUpper(name);
    if (parameters_.UseIgnoreMasks && MatchesAny(ignoreMasks_, upperName)) {
        return true;
    }
    if (!parameters_.UseScanMasks) {
        return false;
    }
    return !MatchesAny(scanMasks_, upperName);
}

// A switch that is off excludes files carrying its attribute; none requires one.
bool FileIndexer::IsExcludedByAttributes(DWORD attributes) const
{
    const struct {
        bool admitted;
        DWORD bit;
    } switches[] = {
        {parameters_.SearchHidden, FILE_ATTRIBUTE_HIDDEN},
        {parameters_.SearchSystem, FILE_ATTRIBUTE_SYSTEM},
        {parameters_.SearchArchive, FILE_ATTRIBUTE_ARCHIVE},
        {parameters_.SearchReadOnly, FILE_ATTRIBUTE_READONLY},
        {parameters_.SearchCompressed, FILE_ATTRIBUTE_COMPRESSED},
        {parameters_.SearchEncrypted, FILE_ATTRIBUTE_ENCRYPTED},
    };
    for (const auto& s : switches) {
        if (!s.admitted && (attributes & s.bit) != 0) {
            return true;
        }
    }
    return false;
}

bool FileIndexer::IsExcludedByFilters(const WIN32_FIND_DATAW& entry) const
{
    return IsExcludedByMasks(entry.cFileName) ||
           parameters_.IsExcludedBySize(JoinSize(entry.nFileSizeHigh, entry.nFileSizeLow)) ||
           IsExcludedByAttributes(entry.dwFileAttributes) ||
           parameters_.IsExcludedByDates(entry.ftCreationTime, entry.ftLastAccessTime, entry.ftLastWriteTime);
}

bool FileIndexer::IsProtectedFolder(const std::wstring& path) const
{
    for (const ProtectedFolder& folder : protectedFolders_) {
        if (EqualIgnoringCase(folder.asStored.c_str(), folder.asStored.size(), path.c_str(), path.size())) {
            return true;
        }
        const std::wstring& prefix = folder.prefix;
        if (path.size() >= prefix.size() &&
            EqualIgnoringCase(prefix.c_str(), prefix.size(), path.c_str(), prefix.size())) {
            return true;
        }
    }
    return false;
}

bool FileIndexer::IsCanceled() const
{
    return callback_ != nullptr && callback_->IsCanceled();
}

void FileIndexer::IndexRoot(const SearchRoot& root, FileCollection& collection, uint32_t& count)
{
    if (root.isFolder) {
        WalkFolder(root.path, collection, count);
    } else {
        IndexFileRoot(root.path, collection, count);
    }
}

// Entering a folder: the protected-folder test, then its listing. Returns
// false when the folder contributes nothing (stop, protected, unreadable).
bool FileIndexer::OpenListing(const std::wstring& folderPath, std::vector<Listing>& listings)
{
    const std::wstring path = WithoutTrailingBackslashes(folderPath);
    if (parameters_.ProtectFolders) {
        if (IsCanceled()) {
            return false;
        }
        if (IsProtectedFolder(path)) {
            if (callback_ != nullptr) {
                callback_->OnProtectedFolderSkipped();
            }
            return false;
        }
    }
    if (listedFolders_.contains(PathKey(path))) {
        return false; // reached before, through another root
    }
    Listing listing;
    listing.path = path;
    listing.handle = FindHandle(::FindFirstFileW(AddLongPathPrefix(path + L"\\*").c_str(), &listing.entry));
    if (!listing.handle) {
        // An empty drive root lists nothing at all; any other failure leaves
        // the folder unsearched.
        if (::GetLastError() != ERROR_FILE_NOT_FOUND && callback_ != nullptr) {
            callback_->OnFolderNotRead(path);
        }
        return false;
    }
    listedFolders_.insert(PathKey(path));
    listing.hasEntry = true;
    listings.push_back(std::move(listing));
    return true;
}

// Depth-first, in listing order: a subfolder is walked as soon as it is met,
// before the entries that follow it.
void FileIndexer::WalkFolder(const std::wstring& rootPath, FileCollection& collection, uint32_t& count)
{
    std::vector<Listing> listings;
    OpenListing(rootPath, listings);
    while (!listings.empty()) {
        Listing& current = listings.back();
        if (!current.hasEntry || IsCanceled()) {
            if (current.complete && cache_ != nullptr) {
                cache_->FolderListed(current.path, current.allFiles, current.subfolders);
            }
            listings.pop_back();
            if (!listings.empty()) {
                NextEntry(listings.back());
            }
            continue;
        }
        const WIN32_FIND_DATAW& entry = current.entry;
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (cache_ != nullptr && !IsDotEntry(entry.cFileName)) {
            (isFolder ? current.subfolders : current.allFiles).insert(PathKey(entry.cFileName));
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // Junctions, symbolic links and the like are neither followed nor indexed.
        } else if (isFolder) {
            if (!IsDotEntry(entry.cFileName) && OpenListing(current.path + L"\\" + entry.cFileName, listings)) {
                continue; // `current` moves on when the subfolder is done
            }
        } else {
            const std::wstring path = current.path + L"\\" + entry.cFileName;
            const uint64_t size = JoinSize(entry.nFileSizeHigh, entry.nFileSizeLow);
            const bool excluded = IsExcludedByFilters(entry) || IsLeftOut(current, path, size);
            if (callback_ != nullptr) {
                callback_->OnFileIndexed(excluded);
            }
            if (!excluded) {
                ++count;
                collection.Add({path, entry.ftCreationTime, entry.ftLastAccessTime, entry.ftLastWriteTime, size});
            }
        }
        NextEntry(listings.back());
    }
}

void FileIndexer::NextEntry(Listing& listing) const
{
    listing.hasEntry = ::FindNextFileW(listing.handle.Get(), &listing.entry) != FALSE;
    listing.complete = !listing.hasEntry && ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool FileIndexer::IsLeftOut(Listing& listing, const std::wstring& path, uint64_t size)
{
    if (!listing.names.insert(PathKey(listing.entry.cFileName)).second) {
        return true; // a second name the system cannot tell from the first
    }
    if (!fileRoots_.empty() && fileRoots_.contains(PathKey(path))) {
        return true;
    }
    return size == 0 && IsDevice(path, listing.entry.ftLastWriteTime);
}

// Devices, pipes and sockets are listed with size 0; only such files pay for an open.
bool FileIndexer::IsDevice(const std::wstring& path, FILETIME lastWriteTime)
{
    if (cache_ != nullptr && cache_->KnowsFile(path, 0, lastWriteTime)) {
        return false;
    }
    ++filesOpened_;
    const KernelHandle file = OpenForReading(path);
    return file && !IsDiskFile(file.Get());
}

void FileIndexer::IndexFileRoot(const std::wstring& path, FileCollection& collection, uint32_t& count)
{
    const size_t folderEnd = path.find_last_of(L'\\');
    if (fileRoots_.contains(PathKey(path)) ||
        (folderEnd != std::wstring::npos && listedFolders_.contains(PathKey(path.substr(0, folderEnd))))) {
        return; // indexed already
    }
    const DWORD attributes = ::GetFileAttributesW(AddLongPathPrefix(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || IsExcludedByAttributes(attributes)) {
        return;
    }
    const size_t slash = path.find_last_of(L'\\');
    if (IsExcludedByMasks(slash == std::wstring::npos ? path : path.substr(slash + 1))) {
        return;
    }
    // One open gives both the times and the size.
    ++filesOpened_;
    const KernelHandle file = OpenForReading(path);
    FileRecord record;
    record.path = path;
    if (!file || !ReadFileTimes(file.Get(), record) ||
        parameters_.IsExcludedByDates(record.creationTime, record.lastAccessTime, record.lastWriteTime)) {
        return;
    }
    LARGE_INTEGER size{};
    if (!IsDiskFile(file.Get()) || !::GetFileSizeEx(file.Get(), &size)) {
        return;
    }
    record.size = static_cast<uint64_t>(size.QuadPart);
    if (parameters_.IsExcludedBySize(record.size)) {
        return;
    }
    fileRoots_.insert(PathKey(path));
    ++count;
    collection.Add(std::move(record));
}

} // namespace clonarium
