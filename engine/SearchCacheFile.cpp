#include "engine/SearchCacheFile.h"

#include "system/Handles.h"
#include "system/LongPath.h"

#include <algorithm>
#include <cstring>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

constexpr char kMagic[8] = {'C', 'l', 'n', 'C', 'a', 'c', 'h', 'e'};
constexpr uint32_t kChecksumSeed = 0x436c6e43;
// Size, time, last seen, path length, what it holds.
constexpr size_t kEntryFixedSize = 8 + 8 + 4 + 2 + 1;
constexpr size_t kPictureSize = sizeof(ImageClonarium::PictureSignature);
// Volume serial and file index.
constexpr size_t kIdentitySize = 4 + 8;

std::wstring PathKey(std::wstring path)
{
    if (!path.empty()) {
        ::CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    }
    return path;
}

uint64_t TimeValue(FILETIME time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The checksum follows the magic and covers everything after itself.
constexpr size_t kChecksumOffset = sizeof(kMagic);
constexpr size_t kCoveredOffset = kChecksumOffset + sizeof(ContentDigest);

ContentDigest Checksum(const std::vector<uint8_t>& bytes)
{
    return MurmurHash3_x86_128(bytes.data() + kCoveredOffset, bytes.size() - kCoveredOffset, kChecksumSeed);
}

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) { }
    template <typename T>
    void Put(const T& value)
    {
        const auto* first = reinterpret_cast<const uint8_t*>(&value);
        bytes_.insert(bytes_.end(), first, first + sizeof(T));
    }
    void Put(const void* data, size_t length)
    {
        const auto* first = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), first, first + length);
    }

private:
    std::vector<uint8_t>& bytes_;
};

// Reads from a byte range; every read past its end fails.
class ByteReader {
public:
    ByteReader(const uint8_t* bytes, size_t length) : next_(bytes), end_(bytes + length) { }
    template <typename T>
    bool Take(T& value)
    {
        return Take(&value, sizeof(T));
    }
    bool Take(void* data, size_t length)
    {
        if (static_cast<size_t>(end_ - next_) < length) {
            return false;
        }
        std::memcpy(data, next_, length);
        next_ += length;
        return true;
    }
    bool AtEnd() const { return next_ == end_; }

private:
    const uint8_t* next_;
    const uint8_t* end_;
};

constexpr int kReplaceAttempts = 100;
constexpr DWORD kReplacePause = 10; // ms

bool ReadWholeFile(const std::wstring& path, uint64_t maxSize, std::vector<uint8_t>& bytes)
{
    // Another search may replace the file while it is read.
    const KernelHandle file(::CreateFileW(AddLongPathPrefix(path).c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
        nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > maxSize) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() || (::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                                read == bytes.size());
}

bool WriteWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    const KernelHandle file(::CreateFileW(
        AddLongPathPrefix(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

} // namespace

bool SearchCacheFile::Load(const std::wstring& path)
{
    entries_.clear();
    search_ = 1;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, maxFileSize_, bytes) || !Parse(bytes)) {
        entries_.clear();
        search_ = 1;
        return false;
    }
    return true;
}

bool SearchCacheFile::Parse(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < kHeaderSize) {
        return false;
    }
    ByteReader header(bytes.data(), kHeaderSize);
    char magic[sizeof(kMagic)] = {};
    uint32_t version = 0;
    uint32_t lastSearch = 0;
    uint32_t count = 0;
    ContentDigest checksum{};
    if (!header.Take(magic, sizeof(magic)) || std::memcmp(magic, kMagic, sizeof(kMagic)) != 0 ||
        !header.Take(checksum) || checksum != Checksum(bytes) || !header.Take(version) || version != kVersion ||
        !header.Take(lastSearch) || !header.Take(count)) {
        return false;
    }
    ByteReader body(bytes.data() + kHeaderSize, bytes.size() - kHeaderSize);
    for (uint32_t i = 0; i < count; ++i) {
        Entry entry;
        uint16_t pathLength = 0;
        if (!body.Take(entry.size) || !body.Take(entry.lastWriteTime) || !body.Take(entry.lastSeen) ||
            !body.Take(pathLength) || !body.Take(entry.holds) || pathLength == 0 || entry.holds == 0 ||
            (entry.holds & ~(kHoldsDigest | kHoldsPicture | kHoldsIdentity)) != 0) {
            return false;
        }
        std::wstring key(pathLength, L'\0');
        if (!body.Take(key.data(), pathLength * sizeof(wchar_t)) ||
            ((entry.holds & kHoldsDigest) != 0 && !body.Take(entry.digest)) ||
            ((entry.holds & kHoldsPicture) != 0 && !body.Take(&entry.picture, kPictureSize)) ||
            ((entry.holds & kHoldsIdentity) != 0 &&
                (!body.Take(entry.identity.volumeSerial) || !body.Take(entry.identity.index)))) {
            return false;
        }
        entries_.insert_or_assign(std::move(key), entry);
    }
    if (!body.AtEnd()) {
        return false;
    }
    search_ = lastSearch + 1;
    return true;
}

bool SearchCacheFile::Save(const std::wstring& path) const
{
    // A name of this thread's own: two searches never write one new file.
    const std::wstring fresh = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                               std::to_wstring(::GetCurrentThreadId()) + L".new";
    if (!WriteWholeFile(fresh, Serialize())) {
        ::DeleteFileW(AddLongPathPrefix(fresh).c_str());
        return false;
    }
    // The old file cannot be replaced while another search reads it; a read
    // takes moments, so the move is tried again for up to a second.
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (::MoveFileExW(
                AddLongPathPrefix(fresh).c_str(), AddLongPathPrefix(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return true;
        }
        ::Sleep(kReplacePause);
    }
    ::DeleteFileW(AddLongPathPrefix(fresh).c_str());
    return false;
}

std::vector<uint8_t> SearchCacheFile::Serialize() const
{
    // The entries still kept, seen most recently first, as many as fit.
    std::vector<const std::pair<const std::wstring, Entry>*> kept;
    for (const auto& item : entries_) {
        if (search_ - item.second.lastSeen < kSearchesKept && item.first.size() <= UINT16_MAX) {
            kept.push_back(&item);
        }
    }
    std::sort(
        kept.begin(), kept.end(), [](const auto* a, const auto* b) { return a->second.lastSeen > b->second.lastSeen; });
    std::vector<uint8_t> bytes(kHeaderSize);
    ByteWriter writer(bytes);
    uint32_t count = 0;
    for (const auto* item : kept) {
        const auto& [key, entry] = *item;
        const size_t entrySize = kEntryFixedSize + key.size() * sizeof(wchar_t) +
                                 ((entry.holds & kHoldsDigest) != 0 ? sizeof(ContentDigest) : 0) +
                                 ((entry.holds & kHoldsPicture) != 0 ? kPictureSize : 0) +
                                 ((entry.holds & kHoldsIdentity) != 0 ? kIdentitySize : 0);
        if (bytes.size() + entrySize > maxFileSize_) {
            break;
        }
        writer.Put(entry.size);
        writer.Put(entry.lastWriteTime);
        writer.Put(entry.lastSeen);
        writer.Put(static_cast<uint16_t>(key.size()));
        writer.Put(entry.holds);
        writer.Put(key.data(), key.size() * sizeof(wchar_t));
        if ((entry.holds & kHoldsDigest) != 0) {
            writer.Put(entry.digest);
        }
        if ((entry.holds & kHoldsPicture) != 0) {
            writer.Put(&entry.picture, kPictureSize);
        }
        if ((entry.holds & kHoldsIdentity) != 0) {
            writer.Put(entry.identity.volumeSerial);
            writer.Put(entry.identity.index);
        }
        ++count;
    }
    std::vector<uint8_t> header;
    ByteWriter headerWriter(header);
    headerWriter.Put(kMagic, sizeof(kMagic));
    headerWriter.Put(ContentDigest{});
    headerWriter.Put(kVersion);
    headerWriter.Put(search_);
    headerWriter.Put(count);
    std::copy(header.begin(), header.end(), bytes.begin());
    const ContentDigest checksum = Checksum(bytes);
    std::copy(checksum.begin(), checksum.end(), bytes.begin() + kChecksumOffset);
    return bytes;
}

bool SearchCacheFile::Clear(const std::wstring& path)
{
    if (path.empty()) {
        return true;
    }
    const std::wstring prefixed = AddLongPathPrefix(path);
    if (!::DeleteFileW(prefixed.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    // The removal may be left to the close of the file and fail there unseen.
    if (::GetFileAttributesW(prefixed.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

SearchCacheFile::Entry* SearchCacheFile::FindEntry(const std::wstring& path, uint64_t size, FILETIME lastWriteTime)
{
    const auto it = entries_.find(PathKey(path));
    if (it == entries_.end() || it->second.size != size || it->second.lastWriteTime != TimeValue(lastWriteTime)) {
        return nullptr;
    }
    it->second.lastSeen = search_;
    return &it->second;
}

SearchCacheFile::Entry& SearchCacheFile::EntryToKeep(const std::wstring& path, uint64_t size, FILETIME lastWriteTime)
{
    Entry& entry = entries_[PathKey(path)];
    if (entry.size != size || entry.lastWriteTime != TimeValue(lastWriteTime)) {
        entry = Entry{};
        entry.size = size;
        entry.lastWriteTime = TimeValue(lastWriteTime);
    }
    entry.lastSeen = search_;
    return entry;
}

bool SearchCacheFile::KnowsFile(const std::wstring& path, uint64_t size, FILETIME lastWriteTime)
{
    return FindEntry(path, size, lastWriteTime) != nullptr;
}

bool SearchCacheFile::FindDigest(const std::wstring& path, uint64_t size, FILETIME lastWriteTime, ContentDigest& digest)
{
    const Entry* entry = FindEntry(path, size, lastWriteTime);
    if (entry == nullptr || (entry->holds & kHoldsDigest) == 0) {
        return false;
    }
    digest = entry->digest;
    return true;
}

void SearchCacheFile::KeepDigest(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const ContentDigest& digest)
{
    Entry& entry = EntryToKeep(path, size, lastWriteTime);
    entry.digest = digest;
    entry.holds |= kHoldsDigest;
}

bool SearchCacheFile::FindIdentity(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, vandrelcommon::system::FileIdentity& identity)
{
    const Entry* entry = FindEntry(path, size, lastWriteTime);
    if (entry == nullptr || (entry->holds & kHoldsIdentity) == 0) {
        return false;
    }
    identity = entry->identity;
    return true;
}

void SearchCacheFile::KeepIdentity(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
    const vandrelcommon::system::FileIdentity& identity)
{
    Entry& entry = EntryToKeep(path, size, lastWriteTime);
    entry.identity = identity;
    entry.holds |= kHoldsIdentity;
}

bool SearchCacheFile::FindPicture(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, ImageClonarium::PictureSignature& signature)
{
    const Entry* entry = FindEntry(path, size, lastWriteTime);
    if (entry == nullptr || (entry->holds & kHoldsPicture) == 0) {
        return false;
    }
    signature = entry->picture;
    return true;
}

void SearchCacheFile::KeepPicture(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const ImageClonarium::PictureSignature& signature)
{
    Entry& entry = EntryToKeep(path, size, lastWriteTime);
    entry.picture = signature;
    entry.holds |= kHoldsPicture;
}

} // namespace clonarium
