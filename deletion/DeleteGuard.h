#pragma once
// The checks made before a file is touched: it is still the file the search
// saw, and a file of its group that stays is still there unchanged and, for
// exact duplicates, holds the same bytes.
#include "deletion/DeleteTypes.h"
#include "system/Handles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace clonarium {

class DeleteGuard {
public:
    // The reason to leave the file alone, or nothing when it may go. `file`
    // is the queued file, opened by the caller so that nobody can write to it
    // while it is open; its state is read through it, and exact duplicates
    // are compared with the kept copy byte for byte. `attributes` receives the
    // file's attributes.
    std::optional<std::wstring> Check(const DeleteCheck& check, HANDLE file, DWORD& attributes);
    // Lets go of the kept copy held open.
    void Release();

private:
    bool KeptCopyStands(const FileRecord& kept, HANDLE file, uint64_t size, bool compareContent);
    bool SameContent(HANDLE a, HANDLE b, uint64_t size);

    // The kept copy found last, held open with reading shared only: while it
    // is held nobody changes or removes it, so the next files of its group
    // need not look for it again. Nor can a queued file that is that very
    // file under another name be opened for its deletion.
    std::wstring heldPath_;
    vandrelcommon::system::KernelHandle held_;
    // Large reads, one file after the other, keep the comparison sequential.
    std::vector<char> blockA_;
    std::vector<char> blockB_;
};

} // namespace clonarium
