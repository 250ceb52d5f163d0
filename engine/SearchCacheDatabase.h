#pragma once
// The search cache, kept in an SQLite database beside the settings. Two
// tables: the folders (upper-cased path, parent folder) and the files of each
// (upper-cased name, size, last-write time, the hashes of the start and the
// end, the whole content's digest, the file's identity as volume serial and
// file index, the picture signature with the number of its format). Paths and
// names are UTF-16 as the system gives them.
//
// A search reads inside one read transaction; what it learns waits in memory
// and is written in short write transactions of its own, so that another
// search using the same database (in this process or another) waits
// moments, never for a whole search. Every write is one transaction, so a
// crash or a power cut leaves the database as it was before it or after it.
// Only rows that change are written: a repeat search of an unchanged tree
// writes nothing.
#include "engine/SearchCache.h"
#include "system/Handles.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace clonarium {

namespace sqlite {

struct ConnectionTraits {
    using Handle = sqlite3*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h);
};
struct StatementTraits {
    using Handle = sqlite3_stmt*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h);
};
using Connection = vandrelcommon::system::UniqueHandle<ConnectionTraits>;
using Statement = vandrelcommon::system::UniqueHandle<StatementTraits>;

} // namespace sqlite

class SearchCacheDatabase : public ISearchCache {
public:
    // The layout of the tables (the database's user version). A database
    // of a later layout belongs to a newer program and is left alone.
    static constexpr int kLayout = 1;
    // The layout of the picture signatures kept (1: the 136 bytes that hold
    // the hashes of parts of the picture): one of another number is never
    // handed to the picture library. Raise it whenever PictureSignature changes.
    static constexpr int kPictureFormat = 1;
    // Beyond this many files, those of folders the search did not list go,
    // the folders first kept going first.
    static constexpr uint64_t kMaxFiles = 4'000'000;
    // What waits in memory is written once this many files have news, or
    // this long after the first of them. A write touches pages all over the
    // database, the files of a batch lying in every folder: writing every
    // few seconds, a slow first search of 100,000 files wrote nine times the
    // database's size to disk.
    static constexpr size_t kWriteBatch = 50'000;
    static constexpr std::chrono::seconds kWriteDelay{60};
    // How long a write waits for another search's write to end.
    static constexpr int kBusyWaitMs = 10'000;

    enum class OpenResult {
        Opened,   // the database as it was
        Created,  // none was there: a new, empty one
        Replaced, // what was there was not a sound database of ours (damaged, foreign, of an earlier layout)
        Newer,    // of a newer program: not used, left as it is
        Failed,   // cannot be opened or made (a folder that cannot be written, or held by another program)
    };

    explicit SearchCacheDatabase(uint64_t maxFiles = kMaxFiles) : maxFiles_(maxFiles) { }
    SearchCacheDatabase(const SearchCacheDatabase&) = delete;
    SearchCacheDatabase& operator=(const SearchCacheDatabase&) = delete;
    ~SearchCacheDatabase() { Close(); }

    // Opens the database, making it when missing. The cache file of earlier
    // versions beside it (kOldFileName), which held far fewer files and no
    // record of what was read of a file short of all of it, is deleted.
    OpenResult Open(const std::wstring& path);
    // True between an Open that gave the database to use and Close.
    bool IsOpen() const { return usable_; }
    // True when Open deleted the cache file of an earlier version.
    bool DroppedOldFile() const { return droppedOldFile_; }
    // Writes what is still waiting and closes; true when all of it was written.
    bool Close();
    // Empties the cache at `path`: deletes the database, or where another
    // search holds it open, its rows. True when nothing is left.
    static bool Clear(const std::wstring& path);

    // Files kept, as far as the open database knows.
    uint64_t FileCount();

    // What earlier searches read of this very file; no parts when nothing.
    KnownContent FindContent(const std::wstring& path, uint64_t size, FILETIME lastWriteTime);

    bool KnowsFile(const std::wstring& path, uint64_t size, FILETIME lastWriteTime) override;
    // Looked up folder by folder, in the order the rows lie, which reads
    // the database from one end to the other rather than all over.
    std::vector<KnownContent> FindContents(const std::vector<const FileRecord*>& files) override;
    void KeepContent(
        const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const KnownContent& content) override;
    bool FindPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        ImageClonarium::PictureSignature& signature) override;
    void KeepPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        const ImageClonarium::PictureSignature& signature) override;
    void FolderListed(const std::wstring& folder, const std::unordered_set<std::wstring>& fileNames,
        const std::unordered_set<std::wstring>& subfolderNames) override;

    static constexpr const wchar_t* kOldFileName = L"search-cache.dat";

private:
    // A folder the search met; `id` 0 while the database has no row for it.
    struct Folder {
        int64_t id = 0;
        bool looked = false; // `id` was asked for
    };
    using FolderEntry = std::pair<const std::wstring, Folder>;
    // What the database holds of one file.
    struct Row {
        uint64_t size = 0;
        uint64_t written = 0;
        KnownContent content;
        bool hasPicture = false;
        ImageClonarium::PictureSignature picture{};
    };
    // News of one file, waiting to be written.
    struct Pending {
        FolderEntry* folder = nullptr;
        std::wstring name;
        Row row;
    };

    // What an opened file holds: our layout, a newer one of ours, nothing
    // yet, something else (damaged or foreign), or cannot be told (busy).
    enum class Layout { Ours, Newer, None, Other, Unknown };

    bool OpenConnection(const std::wstring& path);
    Layout Judge();
    bool PrepareLayout();
    bool QueryInteger(const char* sql, int64_t& value);
    bool Execute(const char* sql);
    sqlite3_stmt* Prepared(sqlite::Statement& statement, const char* sql);
    // Inside the read transaction, begun when none is open.
    bool Reading();
    bool EndTransaction();
    // Notes what a call answered: a damaged database is not used again.
    void NoteDamage(int code);

    FolderEntry& FolderOf(const std::wstring& upperFolder);
    int64_t FolderId(FolderEntry& folder);
    // The row of this very file (path, size and time alike).
    bool FindRow(const std::wstring& path, uint64_t size, FILETIME lastWriteTime, Row& row);
    bool ReadRow(int64_t folder, const std::wstring& upperName, uint64_t size, uint64_t written, Row& row);
    Pending& PendingFor(const std::wstring& path, uint64_t size, FILETIME lastWriteTime);
    void WriteWhenDue();
    // Writes everything waiting in one transaction; false when it could not.
    bool WritePending();
    bool WriteRow(const Pending& pending);
    int64_t MakeFolder(const std::wstring& upperPath);
    bool DeleteGoneFolder(int64_t id);
    void ForgetFolderIds();
    // Drops the files of folders this search never met until at most `maxFiles` are left.
    bool KeepAtMost(uint64_t maxFiles);

    const uint64_t maxFiles_;
    sqlite::Connection db_;
    std::wstring path_;
    bool droppedOldFile_ = false;
    bool usable_ = false;
    bool damaged_ = false;
    bool inTransaction_ = false;
    std::unordered_map<std::wstring, Folder> folders_; // by upper-cased path
    std::vector<Pending> pending_;
    std::unordered_map<std::wstring, size_t> pendingIndex_;   // by upper-cased path
    std::vector<std::pair<int64_t, std::wstring>> goneFiles_; // folder id, upper-cased name
    std::vector<int64_t> goneFolders_;
    std::chrono::steady_clock::time_point firstPending_{};
    int64_t fileCountChange_ = 0; // not yet written to the database

    sqlite::Statement findFolder_;
    sqlite::Statement findFile_;
    sqlite::Statement listFiles_;
    sqlite::Statement listSubfolders_;
    sqlite::Statement insertFile_;
    sqlite::Statement updateFile_;
    sqlite::Statement insertFolder_;
    sqlite::Statement deleteFile_;
};

} // namespace clonarium
