#include "system/FileIdentity.h"

#include "system/Handles.h"

namespace vandrelcommon::system {

bool IdentifyFile(HANDLE file, FileIdentity& identity, BY_HANDLE_FILE_INFORMATION* information)
{
    BY_HANDLE_FILE_INFORMATION own{};
    BY_HANDLE_FILE_INFORMATION& answer = information ? *information : own;
    if (!::GetFileInformationByHandle(file, &answer)) {
        return false;
    }
    identity.volumeSerial = answer.dwVolumeSerialNumber;
    identity.index = (static_cast<uint64_t>(answer.nFileIndexHigh) << 32) | answer.nFileIndexLow;
    return true;
}

bool IdentifyFile(const std::wstring& path, FileIdentity& identity)
{
    const KernelHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && IdentifyFile(file.Get(), identity);
}

bool GetFileId(HANDLE file, FileId& id)
{
    FILE_ID_INFO info{};
    if (::GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof(info))) {
        id.volume = info.VolumeSerialNumber;
        id.id = info.FileId;
        return true;
    }
    FileIdentity identity;
    if (!IdentifyFile(file, identity)) {
        return false;
    }
    id = FileId{identity.volumeSerial, {}};
    memcpy(id.id.Identifier, &identity.index, sizeof(identity.index));
    return true;
}

bool SameFile(HANDLE a, HANDLE b)
{
    FileId first;
    FileId second;
    return GetFileId(a, first) && GetFileId(b, second) && first == second;
}

} // namespace vandrelcommon::system
