#include "system/DiskFile.h"

namespace vandrelcommon::system {

bool IsDiskFile(HANDLE file)
{
    FILE_STANDARD_INFO standard{};
    return ::GetFileType(file) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof(standard)) && !standard.Directory;
}

KernelHandle OpenWholeFile(const std::wstring& path, uint64_t maxBytes)
{
    KernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !IsDiskFile(file.Get()) || !::GetFileSizeEx(file.Get(), &size) ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        return {};
    }
    return file;
}

} // namespace vandrelcommon::system
