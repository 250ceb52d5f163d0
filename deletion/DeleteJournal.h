#pragma once
// What a run did to each file, written as the run goes into a file beside
// the settings, so that the last run can be undone, after a restart too.
// UTF-16LE, one record a line, its fields separated by tabs; a "%", a tab or
// a line end inside a field is written as "%" and two hex digits.
//   mode     MODE
//   gone     ID PATH SIZE CREATED ACCESSED WRITTEN ATTRIBUTES WHERE WHEN
//   linking  ID PATH SIZE CREATED ACCESSED WRITTEN ATTRIBUTES WHERE WHEN TEMPORARY
//   linked   ID
//   abandoned ID
//   undone   ID
// "gone" is written once the file left its place (WHERE: its backup copy, or
// nothing for the Recycle Bin; WHEN: the time it went). "linking" is written
// before a hard link to the kept copy WHERE is made under the name TEMPORARY
// beside the file, "linked" once that link took the file's name (WHEN: the
// kept copy's last write time then), "abandoned" when it was not (and may be
// written again, with another TEMPORARY, when that name was taken). An undo
// marks what it put back.
#include "deletion/DeleteTypes.h"
#include "system/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace clonarium {

struct JournalEntry {
    enum class State { Linking, Gone, Undone };

    uint64_t id = 0;
    State state = State::Gone;
    std::wstring path; // where the file was, plain
    uint64_t size = 0;
    FILE_BASIC_INFO basic{}; // its times and attributes then
    std::wstring where;
    FILETIME when{};
    std::wstring temporary;
};

struct Journal {
    DeleteMode mode = DeleteMode::Permanently;
    std::vector<JournalEntry> entries;

    // The files the run took away that were not put back yet. A "linking"
    // record without its "linked" counts: the run may have stopped after the
    // link took the name, and the undo looks at the disk.
    size_t Undoable() const;
};

// False when there is no journal at `path` or it is none of ours.
bool ReadJournal(const std::wstring& path, Journal& journal);

// Appends records to the journal of a run, each as it comes, but "linked" and
// "abandoned", which wait for the next record: the undo and the tidying find
// a stopped run's last link on the disk.
class JournalWriter {
public:
    JournalWriter() = default;
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    ~JournalWriter() { Close(); }

    // Replaces the journal at `path` with a new one for a run in `mode`;
    // false when it cannot be written (the run then keeps none).
    bool Begin(const std::wstring& path, DeleteMode mode);
    // Opens the existing journal to mark what an undo put back.
    bool Continue(const std::wstring& path);
    bool IsOpen() const { return file_.IsValid(); }
    void Close();

    void Gone(const JournalEntry& entry);
    void Linking(const JournalEntry& entry);
    void Linked(uint64_t id);
    void Abandoned(uint64_t id);
    void Undone(uint64_t id);

private:
    void Write(const std::wstring& line);

    vandrelcommon::system::KernelHandle file_;
    std::wstring deferred_;
};

// After a run that stopped between making a link and moving it over the
// file's name: removes the temporary names its "linking" records left, where
// the name is a link to the kept copy and the kept copy has a name of its
// own besides (so removing it loses nothing).
void TidyStoppedLinks(const Journal& journal);

} // namespace clonarium
