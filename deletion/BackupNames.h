#pragma once
// New names for a backup copy whose name is taken.
#include <windows.h>

#include <string>

namespace clonarium {

// "[2026-12-06] name", then "[2026-12-06] [1] name", ... in the target's
// folder: the first that does not exist. The target itself when all 10001
// are taken. `target` is in long-path form.
std::wstring MakeAutoBackupName(const std::wstring& target);
std::wstring MakeAutoBackupName(const std::wstring& target, const SYSTEMTIME& today);

// The first free "base (n).ext" for n = 1..1000, as a file name without its
// folder; empty when all are taken. `target` is a plain path.
std::wstring SuggestBackupName(const std::wstring& target);

// A typed name is accepted when it holds no character a file name may not
// hold and nothing of that name exists in the target's folder.
bool IsFreeBackupName(const std::wstring& target, const std::wstring& name);

// Drops the dots and blanks that end the file name. The file system drops
// them from plain paths but keeps them in long-path form, where they would
// make a name the user cannot easily open or delete.
std::wstring TrimNameEnd(const std::wstring& path);

} // namespace clonarium
