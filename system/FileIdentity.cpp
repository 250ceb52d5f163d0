#include "system/FileIdentity.h"

#include "system/Handles.h"

#include <cstring>

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

bool SameFile(HANDLE a, HANDLE b)
{
    FILE_ID_INFO idA{};
    FILE_ID_INFO idB{};
    if (::GetFileInformationByHandleEx(a, FileIdInfo, &idA, sizeof(idA)) &&
        ::GetFileInformationByHandleEx(b, FileIdInfo, &idB, sizeof(idB))) {
        return idA.VolumeSerialNumber == idB.VolumeSerialNumber &&
               memcmp(&idA.FileId, &idB.FileId, sizeof(idA.FileId)) == 0;
    }
    FileIdentity first;
    FileIdentity second;
    return IdentifyFile(a, first) && IdentifyFile(b, second) && first == second;
}

} // namespace vandrelcommon::system
