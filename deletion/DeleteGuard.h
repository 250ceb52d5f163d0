#pragma once
// The checks made before a file is touched: it is still the file the search
// saw, and a file of its group that stays is still there unchanged.
#include "deletion/DeleteTypes.h"
#include "system/Handles.h"

#include <windows.h>

#include <optional>
#include <string>

namespace clonarium {

class DeleteGuard {
public:
    // The reason to leave the file alone, or nothing when it may go. `path` is
    // in long-path form. `openFile` is the file opened by the caller, or null:
    // given, the file's state is read through it and exact duplicates are
    // compared with the kept copy byte for byte. `attributes` receives the
    // file's attributes.
    std::optional<std::wstring> Check(
        const std::wstring& path, const DeleteCheck& check, HANDLE openFile, DWORD& attributes);
    // Lets go of the kept copy held open.
    void Release();

private:
    bool KeptCopyStands(const FileRecord& kept, HANDLE openFile, uint64_t size, bool compareContent);

    // The kept copy found last, held open with reading shared only: while it
    // is held nobody changes or removes it, so the next files of its group
    // need not look for it again.
    std::wstring heldPath_;
    vandrelcommon::system::KernelHandle held_;
};

} // namespace clonarium
