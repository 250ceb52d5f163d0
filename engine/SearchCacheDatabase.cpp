#include "engine/SearchCacheDatabase.h"

#include "system/LongPath.h"
#include "system/TextEncoding.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <unordered_set>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

void sqlite::ConnectionTraits::Close(Handle h)
{
    ::sqlite3_close_v2(h);
}

void sqlite::StatementTraits::Close(Handle h)
{
    ::sqlite3_finalize(h);
}

namespace {

// "ClnC": the database is ours.
constexpr int kApplicationId = 0x436c6e43;
// Pages of the database read through a mapping of the file: a lookup then
// costs no system call. Room for a cache well beyond kMaxFiles.
constexpr int64_t kMappedBytes = 1ll << 30;
// Pages a write changes are kept in memory up to this much before they go
// to the log ahead of the commit.
constexpr int kCacheKiB = 16 * 1024;

constexpr const char* kLayoutSql = R"sql(
CREATE TABLE folders(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER,
    path BLOB NOT NULL UNIQUE);
CREATE INDEX folders_by_parent ON folders(parent);
CREATE TABLE files(
    folder INTEGER NOT NULL,
    name BLOB NOT NULL,
    size INTEGER NOT NULL,
    written INTEGER NOT NULL,
    head INTEGER,
    tail INTEGER,
    digest BLOB,
    volume INTEGER,
    file_index INTEGER,
    picture BLOB,
    picture_format INTEGER,
    PRIMARY KEY(folder, name)) WITHOUT ROWID;
CREATE TABLE counts(name TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT INTO counts VALUES('files', 0);
)sql";

constexpr const char* kUpdateFileSql = R"sql(
UPDATE files SET
    head = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?5, head) ELSE ?5 END,
    tail = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?6, tail) ELSE ?6 END,
    digest = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?7, digest) ELSE ?7 END,
    picture = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?8, picture) ELSE ?8 END,
    picture_format = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?9, picture_format) ELSE ?9 END,
    volume = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?10, volume) ELSE ?10 END,
    file_index = CASE WHEN size = ?3 AND written = ?4 THEN coalesce(?11, file_index) ELSE ?11 END,
    size = ?3,
    written = ?4
WHERE folder = ?1 AND name = ?2
)sql";

// The folder and everything below it.
constexpr const char* kFolderTreeSql =
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT folders.id FROM folders JOIN tree ON folders.parent = "
    "tree.id) ";

std::wstring Upper(std::wstring text)
{
    if (!text.empty()) {
        ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

uint64_t TimeValue(FILETIME time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Where the folder ends and the name begins; npos for a path without a folder.
size_t NameStart(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos || slash == 0 ? std::wstring::npos : slash + 1;
}

// The folder a folder is in; empty for a drive's root or a path of backslashes.
std::wstring ParentOf(const std::wstring& folder)
{
    const size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return {};
    }
    std::wstring parent = folder.substr(0, slash);
    return parent.find_first_not_of(L'\\') == std::wstring::npos ? std::wstring() : parent;
}

bool BindText(sqlite3_stmt* statement, int index, const std::wstring& text)
{
    return ::sqlite3_bind_blob(statement, index, text.data(), static_cast<int>(text.size() * sizeof(wchar_t)),
               SQLITE_STATIC) == SQLITE_OK;
}

std::wstring ColumnText(sqlite3_stmt* statement, int index)
{
    const auto* bytes = static_cast<const wchar_t*>(::sqlite3_column_blob(statement, index));
    const int length = ::sqlite3_column_bytes(statement, index);
    return bytes == nullptr ? std::wstring() : std::wstring(bytes, static_cast<size_t>(length) / sizeof(wchar_t));
}

void BindOptionalInteger(sqlite3_stmt* statement, int index, bool present, uint64_t value)
{
    if (present) {
        ::sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(value));
    } else {
        ::sqlite3_bind_null(statement, index);
    }
}

void BindOptionalBlob(sqlite3_stmt* statement, int index, bool present, const void* data, size_t length)
{
    if (present) {
        ::sqlite3_bind_blob(statement, index, data, static_cast<int>(length), SQLITE_STATIC);
    } else {
        ::sqlite3_bind_null(statement, index);
    }
}

// Resets the statement when the caller is done with its rows.
class Step {
public:
    explicit Step(sqlite3_stmt* statement) : statement_(statement) { }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    ~Step()
    {
        ::sqlite3_reset(statement_);
        ::sqlite3_clear_bindings(statement_);
    }
    int Next() { return ::sqlite3_step(statement_); }

private:
    sqlite3_stmt* statement_;
};

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(AddLongPathPrefix(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteIfThere(const std::wstring& path)
{
    const std::wstring prefixed = AddLongPathPrefix(path);
    if (!::DeleteFileW(prefixed.c_str())) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND;
    }
    // The removal may be left to the close of the file and fail there unseen.
    if (Exists(path)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

// The database and the two files SQLite keeps beside it while it is open.
bool DeleteDatabaseFiles(const std::wstring& path)
{
    return DeleteIfThere(path) && DeleteIfThere(path + L"-wal") && DeleteIfThere(path + L"-shm");
}

std::wstring OldFileBeside(const std::wstring& path)
{
    const size_t start = NameStart(path);
    return (start == std::wstring::npos ? std::wstring() : path.substr(0, start)) + SearchCacheDatabase::kOldFileName;
}

bool IsDamage(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

} // namespace

SearchCacheDatabase::OpenResult SearchCacheDatabase::Open(const std::wstring& path)
{
    Close();
    const std::wstring oldFile = OldFileBeside(path);
    droppedOldFile_ = Exists(oldFile) && ::DeleteFileW(AddLongPathPrefix(oldFile).c_str());
    const bool existed = Exists(path);
    const bool opened = OpenConnection(path);
    if (!opened && !damaged_) {
        Close(); // busy, or a folder that cannot be written: nothing is touched
        return OpenResult::Failed;
    }
    if (opened) {
        switch (Judge()) {
        case Layout::Ours:
            usable_ = true;
            return OpenResult::Opened;
        case Layout::Newer:
            Close();
            return OpenResult::Newer;
        case Layout::Unknown:
            Close();
            return OpenResult::Failed;
        case Layout::None:
            if (PrepareLayout()) {
                usable_ = true;
                return OpenResult::Created;
            }
            break;
        case Layout::Other:
            break;
        }
    }
    // Not a sound database of ours (damaged, foreign, of an earlier layout):
    // made anew, unless another program holds it open.
    Close();
    if (!DeleteDatabaseFiles(path) || !OpenConnection(path) || !PrepareLayout()) {
        Close();
        return OpenResult::Failed;
    }
    usable_ = true;
    return existed ? OpenResult::Replaced : OpenResult::Created;
}

SearchCacheDatabase::Layout SearchCacheDatabase::Judge()
{
    int64_t applicationId = 0;
    int64_t layout = 0;
    int64_t tables = 0;
    if (!QueryInteger("PRAGMA application_id", applicationId) || !QueryInteger("PRAGMA user_version", layout) ||
        !QueryInteger("SELECT count(*) FROM sqlite_schema", tables)) {
        return damaged_ ? Layout::Other : Layout::Unknown;
    }
    if (applicationId == kApplicationId && layout == kLayout) {
        return Layout::Ours;
    }
    if (applicationId == kApplicationId && layout > kLayout) {
        return Layout::Newer;
    }
    return tables == 0 && applicationId == 0 && layout == 0 ? Layout::None : Layout::Other;
}

bool SearchCacheDatabase::QueryInteger(const char* sql, int64_t& value)
{
    sqlite::Statement query;
    sqlite3_stmt* statement = Prepared(query, sql);
    const int result = statement == nullptr ? SQLITE_ERROR : ::sqlite3_step(statement);
    if (result != SQLITE_ROW) {
        NoteDamage(result);
        return false;
    }
    value = ::sqlite3_column_int64(statement, 0);
    return true;
}

bool SearchCacheDatabase::OpenConnection(const std::wstring& path)
{
    path_ = path;
    sqlite3* db = nullptr;
    const int opened = ::sqlite3_open_v2(vandrelcommon::system::Utf8FromWide(AddLongPathPrefix(path)).c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_.Reset(db); // closed even when opening failed
    if (opened != SQLITE_OK) {
        return false;
    }
    ::sqlite3_busy_timeout(db, kBusyWaitMs);
    // The write-ahead log lets one search read while another writes; it
    // needs no flush to disk at every commit to stay whole.
    return Execute("PRAGMA journal_mode = WAL") && Execute("PRAGMA synchronous = NORMAL") &&
           Execute(("PRAGMA mmap_size = " + std::to_string(kMappedBytes)).c_str()) &&
           Execute(("PRAGMA cache_size = -" + std::to_string(kCacheKiB)).c_str());
}

bool SearchCacheDatabase::PrepareLayout()
{
    if (!Execute("BEGIN IMMEDIATE")) {
        return false;
    }
    // Another search may have made the tables while this one waited.
    int64_t layout = 0;
    const bool ready =
        (QueryInteger("PRAGMA user_version", layout) && layout == kLayout) ||
        (Execute(kLayoutSql) && Execute(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str()) &&
            Execute(("PRAGMA user_version = " + std::to_string(kLayout)).c_str()));
    if (!ready) {
        Execute("ROLLBACK");
        return false;
    }
    return Execute("COMMIT");
}

bool SearchCacheDatabase::Close()
{
    if (!db_) {
        return true;
    }
    bool written = true;
    if (usable_) {
        written = WritePending() && (FileCount() <= maxFiles_ || KeepAtMost(maxFiles_ - maxFiles_ / 10));
    }
    EndTransaction();
    for (sqlite::Statement* statement : {&findFolder_, &findFile_, &listFiles_, &listSubfolders_, &insertFile_,
             &updateFile_, &insertFolder_, &deleteFile_}) {
        statement->Reset();
    }
    db_.Reset();
    const bool sound = !damaged_;
    if (!sound && usable_) {
        DeleteDatabaseFiles(path_); // the next search starts anew
    }
    usable_ = false;
    damaged_ = false;
    folders_.clear();
    pending_.clear();
    pendingIndex_.clear();
    goneFiles_.clear();
    goneFolders_.clear();
    fileCountChange_ = 0;
    return written && sound;
}

bool SearchCacheDatabase::Clear(const std::wstring& path)
{
    if (path.empty()) {
        return true;
    }
    DeleteIfThere(OldFileBeside(path));
    if (DeleteDatabaseFiles(path)) {
        return true;
    }
    // Held open by another search: its rows go, in one transaction. Should
    // that fail too, the caller learns why the file could not be deleted.
    const DWORD error = ::GetLastError();
    SearchCacheDatabase cache;
    const bool emptied = cache.OpenConnection(path) && cache.Execute("BEGIN IMMEDIATE") &&
                         cache.Execute("DELETE FROM files; DELETE FROM folders; UPDATE counts SET value = 0") &&
                         cache.Execute("COMMIT");
    cache.Close();
    ::SetLastError(emptied ? ERROR_SUCCESS : error);
    return emptied;
}

uint64_t SearchCacheDatabase::FileCount()
{
    int64_t count = 0;
    return usable_ && QueryInteger("SELECT value FROM counts WHERE name = 'files'", count) && count > 0
               ? static_cast<uint64_t>(count)
               : 0;
}

bool SearchCacheDatabase::Execute(const char* sql)
{
    const int result = ::sqlite3_exec(db_.Get(), sql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        NoteDamage(result);
        return false;
    }
    return true;
}

sqlite3_stmt* SearchCacheDatabase::Prepared(sqlite::Statement& statement, const char* sql)
{
    if (!statement) {
        sqlite3_stmt* made = nullptr;
        const int result = ::sqlite3_prepare_v3(db_.Get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &made, nullptr);
        statement.Reset(made);
        if (result != SQLITE_OK) {
            NoteDamage(result);
        }
    }
    return statement.Get();
}

void SearchCacheDatabase::NoteDamage(int code)
{
    if (IsDamage(code)) {
        damaged_ = true;
    }
}

bool SearchCacheDatabase::Reading()
{
    if (!usable_ || damaged_) {
        return false;
    }
    if (!inTransaction_) {
        inTransaction_ = Execute("BEGIN");
    }
    return inTransaction_;
}

bool SearchCacheDatabase::EndTransaction()
{
    if (!inTransaction_) {
        return true;
    }
    inTransaction_ = false;
    return Execute("COMMIT");
}

SearchCacheDatabase::FolderEntry& SearchCacheDatabase::FolderOf(const std::wstring& upperFolder)
{
    return *folders_.try_emplace(upperFolder).first;
}

int64_t SearchCacheDatabase::FolderId(FolderEntry& folder)
{
    if (!folder.second.looked) {
        sqlite3_stmt* statement = Prepared(findFolder_, "SELECT id FROM folders WHERE path = ?1");
        if (statement == nullptr || !BindText(statement, 1, folder.first)) {
            return 0;
        }
        Step step(statement);
        const int result = step.Next();
        if (result == SQLITE_ROW) {
            folder.second.id = ::sqlite3_column_int64(statement, 0);
        } else if (result != SQLITE_DONE) {
            NoteDamage(result);
            return 0;
        }
        folder.second.looked = true;
    }
    return folder.second.id;
}

bool SearchCacheDatabase::FindRow(const std::wstring& path, uint64_t size, FILETIME lastWriteTime, Row& row)
{
    const size_t nameStart = NameStart(path);
    if (nameStart == std::wstring::npos || !Reading()) {
        return false;
    }
    const std::wstring upper = Upper(path);
    const int64_t folder = FolderId(FolderOf(upper.substr(0, nameStart - 1)));
    return folder != 0 && ReadRow(folder, upper.substr(nameStart), size, TimeValue(lastWriteTime), row);
}

bool SearchCacheDatabase::ReadRow(
    int64_t folder, const std::wstring& upperName, uint64_t size, uint64_t written, Row& row)
{
    sqlite3_stmt* statement = Prepared(findFile_,
        "SELECT size, written, head, tail, digest, picture, picture_format, volume, file_index FROM files WHERE folder "
        "= ?1 AND name = ?2");
    if (statement == nullptr) {
        return false;
    }
    ::sqlite3_bind_int64(statement, 1, folder);
    BindText(statement, 2, upperName);
    Step step(statement);
    const int result = step.Next();
    if (result != SQLITE_ROW) {
        NoteDamage(result);
        return false;
    }
    row.size = static_cast<uint64_t>(::sqlite3_column_int64(statement, 0));
    row.written = static_cast<uint64_t>(::sqlite3_column_int64(statement, 1));
    if (row.size != size || row.written != written) {
        return false;
    }
    if (::sqlite3_column_type(statement, 2) == SQLITE_INTEGER) {
        row.content.head = static_cast<uint64_t>(::sqlite3_column_int64(statement, 2));
        row.content.parts |= KnownContent::kHead;
    }
    if (::sqlite3_column_type(statement, 3) == SQLITE_INTEGER) {
        row.content.tail = static_cast<uint64_t>(::sqlite3_column_int64(statement, 3));
        row.content.parts |= KnownContent::kTail;
    }
    if (::sqlite3_column_bytes(statement, 4) == static_cast<int>(sizeof(ContentDigest))) {
        std::memcpy(row.content.digest.data(), ::sqlite3_column_blob(statement, 4), sizeof(ContentDigest));
        row.content.parts |= KnownContent::kDigest;
    }
    if (::sqlite3_column_type(statement, 7) == SQLITE_INTEGER &&
        ::sqlite3_column_type(statement, 8) == SQLITE_INTEGER) {
        row.content.identity.volumeSerial = static_cast<DWORD>(::sqlite3_column_int64(statement, 7));
        row.content.identity.index = static_cast<uint64_t>(::sqlite3_column_int64(statement, 8));
        row.content.parts |= KnownContent::kIdentity;
    }
    if (::sqlite3_column_int(statement, 6) == kPictureFormat &&
        ::sqlite3_column_bytes(statement, 5) == static_cast<int>(sizeof(row.picture))) {
        std::memcpy(&row.picture, ::sqlite3_column_blob(statement, 5), sizeof(row.picture));
        row.hasPicture = true;
    }
    return true;
}

std::vector<KnownContent> SearchCacheDatabase::FindContents(const std::vector<const FileRecord*>& files)
{
    std::vector<KnownContent> contents(files.size());
    if (!Reading()) {
        return contents;
    }
    std::vector<std::pair<int64_t, size_t>> order; // folder, file
    for (size_t i = 0; i < files.size(); ++i) {
        const std::wstring& path = files[i]->path;
        const size_t nameStart = NameStart(path);
        if (nameStart != std::wstring::npos) {
            if (const int64_t folder = FolderId(FolderOf(Upper(path.substr(0, nameStart - 1)))); folder != 0) {
                order.emplace_back(folder, i);
            }
        }
    }
    std::sort(order.begin(), order.end());
    for (const auto& [folder, i] : order) {
        const FileRecord& file = *files[i];
        Row row;
        if (ReadRow(
                folder, Upper(file.path.substr(NameStart(file.path))), file.size, TimeValue(file.lastWriteTime), row)) {
            contents[i] = row.content;
        }
    }
    return contents;
}

bool SearchCacheDatabase::KnowsFile(const std::wstring& path, uint64_t size, FILETIME lastWriteTime)
{
    Row row;
    return FindRow(path, size, lastWriteTime, row);
}

KnownContent SearchCacheDatabase::FindContent(const std::wstring& path, uint64_t size, FILETIME lastWriteTime)
{
    Row row;
    return FindRow(path, size, lastWriteTime, row) ? row.content : KnownContent{};
}

bool SearchCacheDatabase::FindPicture(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, ImageClonarium::PictureSignature& signature)
{
    Row row;
    if (!FindRow(path, size, lastWriteTime, row) || !row.hasPicture) {
        return false;
    }
    signature = row.picture;
    return true;
}

SearchCacheDatabase::Pending& SearchCacheDatabase::PendingFor(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime)
{
    const std::wstring upper = Upper(path);
    const auto [it, added] = pendingIndex_.try_emplace(upper, pending_.size());
    if (added) {
        if (pending_.empty()) {
            firstPending_ = std::chrono::steady_clock::now();
        }
        const size_t nameStart = NameStart(upper);
        Pending& pending = pending_.emplace_back();
        pending.folder = &FolderOf(upper.substr(0, nameStart - 1));
        pending.name = upper.substr(nameStart);
        pending.row.size = size;
        pending.row.written = TimeValue(lastWriteTime);
    }
    return pending_[it->second];
}

void SearchCacheDatabase::KeepContent(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const KnownContent& content)
{
    if (!usable_ || damaged_ || NameStart(path) == std::wstring::npos) {
        return;
    }
    KnownContent& kept = PendingFor(path, size, lastWriteTime).row.content;
    if (content.Has(KnownContent::kHead)) {
        kept.head = content.head;
    }
    if (content.Has(KnownContent::kTail)) {
        kept.tail = content.tail;
    }
    if (content.Has(KnownContent::kDigest)) {
        kept.digest = content.digest;
    }
    if (content.Has(KnownContent::kIdentity)) {
        kept.identity = content.identity;
    }
    kept.parts |= content.parts;
    WriteWhenDue();
}

void SearchCacheDatabase::KeepPicture(
    const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const ImageClonarium::PictureSignature& signature)
{
    if (!usable_ || damaged_ || NameStart(path) == std::wstring::npos) {
        return;
    }
    Row& row = PendingFor(path, size, lastWriteTime).row;
    row.picture = signature;
    row.hasPicture = true;
    WriteWhenDue();
}

void SearchCacheDatabase::FolderListed(const std::wstring& folder, const std::unordered_set<std::wstring>& fileNames,
    const std::unordered_set<std::wstring>& subfolderNames)
{
    if (!Reading()) {
        return;
    }
    const int64_t id = FolderId(FolderOf(Upper(folder)));
    sqlite3_stmt* files = id == 0 ? nullptr : Prepared(listFiles_, "SELECT name FROM files WHERE folder = ?1");
    sqlite3_stmt* subfolders =
        files == nullptr ? nullptr : Prepared(listSubfolders_, "SELECT id, path FROM folders WHERE parent = ?1");
    if (subfolders == nullptr) {
        return;
    }
    {
        ::sqlite3_bind_int64(files, 1, id);
        Step step(files);
        int result;
        while ((result = step.Next()) == SQLITE_ROW) {
            std::wstring name = ColumnText(files, 0);
            if (!fileNames.contains(name)) {
                goneFiles_.emplace_back(id, std::move(name));
            }
        }
        NoteDamage(result);
    }
    {
        ::sqlite3_bind_int64(subfolders, 1, id);
        Step step(subfolders);
        int result;
        while ((result = step.Next()) == SQLITE_ROW) {
            const std::wstring path = ColumnText(subfolders, 1);
            const size_t nameStart = NameStart(path);
            if (nameStart != std::wstring::npos && !subfolderNames.contains(path.substr(nameStart))) {
                goneFolders_.push_back(::sqlite3_column_int64(subfolders, 0));
            }
        }
        NoteDamage(result);
    }
    WriteWhenDue();
}

void SearchCacheDatabase::WriteWhenDue()
{
    const size_t waiting = pending_.size() + goneFiles_.size() + goneFolders_.size();
    if (waiting >= kWriteBatch ||
        (waiting > 0 && !pending_.empty() && std::chrono::steady_clock::now() - firstPending_ >= kWriteDelay)) {
        WritePending();
    }
}

bool SearchCacheDatabase::WritePending()
{
    if (pending_.empty() && goneFiles_.empty() && goneFolders_.empty()) {
        return true;
    }
    EndTransaction();
    bool written = Execute("BEGIN IMMEDIATE");
    ForgetFolderIds(); // looked up again inside the write: another search may have made or dropped some
    if (written) {
        for (const auto& [folder, name] : goneFiles_) {
            sqlite3_stmt* statement =
                written ? Prepared(deleteFile_, "DELETE FROM files WHERE folder = ?1 AND name = ?2") : nullptr;
            if (statement == nullptr) {
                written = false;
                break;
            }
            ::sqlite3_bind_int64(statement, 1, folder);
            BindText(statement, 2, name);
            Step step(statement);
            const int result = step.Next();
            written = result == SQLITE_DONE;
            NoteDamage(result);
            fileCountChange_ -= ::sqlite3_changes(db_.Get());
        }
        for (const int64_t folder : goneFolders_) {
            written = written && DeleteGoneFolder(folder);
        }
        // In the order the rows lie, so that each page is changed once.
        std::vector<const Pending*> rows;
        for (const Pending& pending : pending_) {
            rows.push_back(&pending);
        }
        std::sort(rows.begin(), rows.end(), [](const Pending* a, const Pending* b) {
            return std::tie(a->folder->first, a->name) < std::tie(b->folder->first, b->name);
        });
        for (const Pending* pending : rows) {
            written = written && WriteRow(*pending);
        }
        written = written && Execute(("UPDATE counts SET value = max(0, value + " + std::to_string(fileCountChange_) +
                                      ") WHERE name = 'files'")
                                         .c_str());
        written = written && Execute("COMMIT");
        if (!written) {
            Execute("ROLLBACK");
        }
    }
    // Whether written or not, the news is let go: a cache that cannot be
    // written is no reason to hold memory, and the next search reads again.
    pending_.clear();
    pendingIndex_.clear();
    goneFiles_.clear();
    goneFolders_.clear();
    fileCountChange_ = 0;
    ForgetFolderIds(); // those of folders made by a write rolled back are no more
    return written;
}

void SearchCacheDatabase::ForgetFolderIds()
{
    for (auto& entry : folders_) {
        entry.second = Folder{};
    }
}

bool SearchCacheDatabase::WriteRow(const Pending& pending)
{
    const int64_t folder = MakeFolder(pending.folder->first);
    sqlite3_stmt* insert = folder == 0 ? nullptr
                                       : Prepared(insertFile_, "INSERT OR IGNORE INTO files(folder, name, size, "
                                                               "written, head, tail, digest, picture, "
                                                               "picture_format, volume, file_index) VALUES(?1, ?2, "
                                                               "?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    sqlite3_stmt* update = insert == nullptr ? nullptr : Prepared(updateFile_, kUpdateFileSql);
    if (update == nullptr) {
        return false;
    }
    const Row& row = pending.row;
    const KnownContent& content = row.content;
    const auto bind = [&](sqlite3_stmt* statement) {
        ::sqlite3_bind_int64(statement, 1, folder);
        BindText(statement, 2, pending.name);
        ::sqlite3_bind_int64(statement, 3, static_cast<sqlite3_int64>(row.size));
        ::sqlite3_bind_int64(statement, 4, static_cast<sqlite3_int64>(row.written));
        BindOptionalInteger(statement, 5, content.Has(KnownContent::kHead), content.head);
        BindOptionalInteger(statement, 6, content.Has(KnownContent::kTail), content.tail);
        BindOptionalBlob(
            statement, 7, content.Has(KnownContent::kDigest), content.digest.data(), sizeof(ContentDigest));
        BindOptionalBlob(statement, 8, row.hasPicture, &row.picture, sizeof(row.picture));
        BindOptionalInteger(statement, 9, row.hasPicture, kPictureFormat);
        const bool identified = content.Has(KnownContent::kIdentity);
        BindOptionalInteger(statement, 10, identified, content.identity.volumeSerial);
        BindOptionalInteger(statement, 11, identified, content.identity.index);
    };
    int result;
    {
        bind(insert);
        Step step(insert);
        result = step.Next();
    }
    if (result == SQLITE_DONE && ::sqlite3_changes(db_.Get()) == 1) {
        ++fileCountChange_;
        return true;
    }
    if (result == SQLITE_DONE) { // the file has a row: what is new goes into it
        bind(update);
        Step step(update);
        result = step.Next();
    }
    NoteDamage(result);
    return result == SQLITE_DONE;
}

int64_t SearchCacheDatabase::MakeFolder(const std::wstring& upperPath)
{
    FolderEntry& folder = FolderOf(upperPath);
    if (FolderId(folder) != 0 || damaged_) {
        return folder.second.id;
    }
    // The folders above it are made too, so that a search of any of them
    // tells when this one is gone.
    const std::wstring parentPath = ParentOf(upperPath);
    const int64_t parent = parentPath.empty() ? 0 : MakeFolder(parentPath);
    sqlite3_stmt* statement = Prepared(insertFolder_, "INSERT INTO folders(parent, path) VALUES(?1, ?2)");
    if (statement == nullptr || (!parentPath.empty() && parent == 0)) {
        return 0;
    }
    BindOptionalInteger(statement, 1, parent != 0, static_cast<uint64_t>(parent));
    BindText(statement, 2, upperPath);
    Step step(statement);
    const int result = step.Next();
    if (result != SQLITE_DONE) {
        NoteDamage(result);
        return 0;
    }
    folder.second.id = ::sqlite3_last_insert_rowid(db_.Get());
    return folder.second.id;
}

bool SearchCacheDatabase::DeleteGoneFolder(int64_t id)
{
    sqlite::Statement files;
    sqlite::Statement folders;
    sqlite3_stmt* deleteFiles =
        Prepared(files, (std::string(kFolderTreeSql) + "DELETE FROM files WHERE folder IN tree").c_str());
    sqlite3_stmt* deleteFolders =
        Prepared(folders, (std::string(kFolderTreeSql) + "DELETE FROM folders WHERE id IN tree").c_str());
    if (deleteFiles == nullptr || deleteFolders == nullptr) {
        return false;
    }
    for (sqlite3_stmt* statement : {deleteFiles, deleteFolders}) {
        ::sqlite3_bind_int64(statement, 1, id);
        const int result = ::sqlite3_step(statement);
        if (result != SQLITE_DONE) {
            NoteDamage(result);
            return false;
        }
        if (statement == deleteFiles) {
            fileCountChange_ -= ::sqlite3_changes(db_.Get());
        }
    }
    return true;
}

bool SearchCacheDatabase::KeepAtMost(uint64_t maxFiles)
{
    std::unordered_set<int64_t> met;
    for (FolderEntry& folder : folders_) {
        if (const int64_t id = FolderId(folder); id != 0) {
            met.insert(id);
        }
    }
    std::vector<int64_t> others;
    {
        sqlite::Statement all;
        sqlite3_stmt* statement = Prepared(all, "SELECT id FROM folders ORDER BY id");
        while (statement != nullptr && ::sqlite3_step(statement) == SQLITE_ROW) {
            const int64_t id = ::sqlite3_column_int64(statement, 0);
            if (!met.contains(id)) {
                others.push_back(id);
            }
        }
    }
    if (!Execute("BEGIN IMMEDIATE")) {
        return false;
    }
    sqlite::Statement files;
    sqlite::Statement folder;
    sqlite3_stmt* deleteFiles = Prepared(files, "DELETE FROM files WHERE folder = ?1");
    sqlite3_stmt* deleteFolder = Prepared(folder, "DELETE FROM folders WHERE id = ?1");
    int64_t count = static_cast<int64_t>(FileCount());
    for (size_t i = 0; i < others.size() && count > static_cast<int64_t>(maxFiles) && deleteFolder != nullptr; ++i) {
        for (sqlite3_stmt* statement : {deleteFiles, deleteFolder}) {
            ::sqlite3_bind_int64(statement, 1, others[i]);
            ::sqlite3_step(statement);
            ::sqlite3_reset(statement);
            if (statement == deleteFiles) {
                count -= ::sqlite3_changes(db_.Get());
            }
        }
    }
    const bool written =
        deleteFolder != nullptr &&
        Execute(("UPDATE counts SET value = " + std::to_string(count) + " WHERE name = 'files'").c_str()) &&
        Execute("COMMIT");
    if (!written) {
        Execute("ROLLBACK");
    }
    return written;
}

} // namespace clonarium
