#pragma once
// The file-system steps of a deletion, on plain wide paths.
#include <windows.h>

#include <cstdint>
#include <string>

namespace clonarium {

// Drops a leading "\\?\" (and turns "\\?\UNC\" back into "\\"), for texts
// shown to the user and for the shell, which wants plain paths.
std::wstring StripLongPathPrefix(const std::wstring& path);

// Clears the read-only attribute only, keeping hidden, system and the rest.
// Returns the attributes the file had (INVALID_FILE_ATTRIBUTES when they could
// not be read), for RestoreAttributes.
DWORD ClearReadOnly(const std::wstring& path);
// Puts the attributes back after a failure, when the file is still there.
void RestoreAttributes(const std::wstring& path, DWORD attributes);

// The user's text of a failure reason, by its key among the duplicates
// pane's texts.
std::wstring ReasonText(const char* key);

// The system's text for the calling thread's last error, without the line
// end the message table puts after it.
std::wstring SystemErrorText();
std::wstring SystemErrorText(DWORD error);

// Removes the folder of `path`, then each ancestor that became empty; stops at
// the first folder that cannot be removed (it still holds something).
void RemoveEmptyParents(const std::wstring& path);

// Mirrors `folder` (C:\Photos\2019) under `root` (D:\Backup\C\Photos\2019),
// creating what is missing. `out` receives the mirrored folder.
bool PrepareBackupFolder(const std::wstring& root, const std::wstring& folder, std::wstring& out);

// Puts a copy of the open file `source` in the place of the existing file
// `target`, which stays as it was until the whole copy is there: the copy is
// made under a free name beside it and then renamed over it, read-only or
// not. False with the last error set when `target` could not be replaced; no
// partial copy is left.
bool CopyOver(HANDLE source, const std::wstring& target);

// True when nothing exists at `path` (its attributes cannot be read because
// it is not there, not because it is out of reach).
bool IsGone(const std::wstring& path);

// True when the shell, which takes plain paths and tidies them as every plain
// path is tidied, would reach exactly this file: no part of the name ends in a
// dot or a blank (the system would drop them and reach a sibling), none is a
// reserved device name, and the whole fits into MAX_PATH. `path` may carry
// the long-path prefix.
bool ShellTakesName(const std::wstring& path);

// Copies the open file, from its start, into the new file `target` (which
// must not exist), with the source's times and attributes. False with the last
// error set; nothing is left at `target` then.
bool CopyOpenFile(HANDLE source, const std::wstring& target);

} // namespace clonarium
