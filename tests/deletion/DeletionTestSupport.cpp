#include "tests/deletion/DeletionTestSupport.h"

#include "i18n/Localizer.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace clonarium {

void LoadEnglish()
{
    static const bool loaded = [] {
        const std::string bytes = ReadFileBytes(L"Z:" CLONARIUM_SOURCE_DIR L"/i18n/en.lng");
        std::wstring text(bytes.size() / 2, L'\0');
        memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        vandrelcommon::system::Localizer::Instance().LoadTable(text);
        return !bytes.empty();
    }();
    ASSERT_TRUE(loaded) << "the English table could not be read";
}

std::wstring English(const char* key)
{
    return vandrelcommon::system::Localize(std::string("duplicates-pane.") + key);
}

std::wstring TrashFiles()
{
    wchar_t data[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"XDG_DATA_HOME", data, MAX_PATH) == 0 || data[0] != L'/') {
        return {};
    }
    std::wstring trash = std::wstring(L"Z:") + data + L"/Trash/files";
    std::replace(trash.begin(), trash.end(), L'/', L'\\');
    return trash;
}

FileRecord Seen(const std::wstring& path)
{
    FileRecord record;
    record.path = path;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) << "no file to record";
    record.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    record.creationTime = data.ftCreationTime;
    record.lastAccessTime = data.ftLastAccessTime;
    record.lastWriteTime = data.ftLastWriteTime;
    return record;
}

std::unique_ptr<IDeleteItem> Queued(
    const std::wstring& path, const std::vector<std::wstring>& kept, bool sameContent, bool wholeGroupConfirmed)
{
    DeleteCheck check;
    const FileRecord self = Seen(path);
    check.size = self.size;
    check.lastWriteTime = self.lastWriteTime;
    check.sameContent = sameContent;
    check.wholeGroupConfirmed = wholeGroupConfirmed;
    for (const std::wstring& keptPath : kept) {
        check.keptCopies.push_back(Seen(keptPath));
    }
    return std::make_unique<FileDeleteItem>(path, std::move(check));
}

} // namespace clonarium
