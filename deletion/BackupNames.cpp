#include "deletion/BackupNames.h"

#include "results/DuplicateResult.h"
#include "system/LongPath.h"

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

namespace {

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(AddLongPathPrefix(TrimNameEnd(path)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring DateStamp(const SYSTEMTIME& today)
{
    wchar_t buffer[20] = {};
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &today, L"[yyyy-MM-dd] ", buffer, 20) == 0) {
        return {};
    }
    return buffer;
}

} // namespace

std::wstring TrimNameEnd(const std::wstring& path)
{
    const size_t end = path.find_last_not_of(L". ");
    const size_t slash = path.rfind(L'\\');
    if (end == std::wstring::npos || (slash != std::wstring::npos && end <= slash)) {
        return path; // a name of dots and blanks only is left to fail as it is
    }
    return path.substr(0, end + 1);
}

std::wstring MakeAutoBackupName(const std::wstring& target)
{
    SYSTEMTIME today{};
    ::GetLocalTime(&today);
    return MakeAutoBackupName(target, today);
}

std::wstring MakeAutoBackupName(const std::wstring& target, const SYSTEMTIME& today)
{
    const size_t slash = target.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
    const std::wstring stamp = DateStamp(today);
    for (int n = 0; n <= 10000; ++n) {
        std::wstring candidate = folder + stamp;
        if (n > 0) {
            candidate += L"[" + std::to_wstring(n) + L"] ";
        }
        candidate += name;
        if (::GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return candidate;
        }
    }
    return target;
}

std::wstring SuggestBackupName(const std::wstring& target)
{
    const std::wstring extension = ExtensionOf(target);
    const std::wstring base = extension.empty() ? target : target.substr(0, target.rfind(L'.'));
    for (int n = 1; n <= 1000; ++n) {
        const std::wstring candidate = base + L" (" + std::to_wstring(n) + L")." + extension;
        if (!Exists(candidate)) {
            return candidate.substr(candidate.rfind(L'\\') + 1);
        }
    }
    return {};
}

bool IsFreeBackupName(const std::wstring& target, const std::wstring& name)
{
    return name.find_first_of(L"<>:\"/\\|?*") == std::wstring::npos && !Exists(FolderOf(target) + L"\\" + name);
}

} // namespace clonarium
