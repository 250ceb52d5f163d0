#include "tests/results/ResultModel.h"

#include "i18n/Localizer.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace clonarium {

void LoadEnglish()
{
    static const bool loaded = [] {
        const std::string bytes = ReadFileBytes(L"Z:" CLONARIUM_SOURCE_DIR L"/i18n/en.lng");
        std::wstring text(bytes.size() / 2, L'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        vandrelcommon::system::Localizer::Instance().LoadTable(text);
        return !bytes.empty();
    }();
    ASSERT_TRUE(loaded) << "the English table could not be read";
}

FILETIME FileTimeOf(uint64_t value)
{
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FileRecord Record(const std::wstring& path, uint64_t size, uint64_t time)
{
    FileRecord record;
    record.path = path;
    record.size = size;
    record.creationTime = record.lastAccessTime = record.lastWriteTime = FileTimeOf(time);
    return record;
}

FileRecord ImageRecord(const std::wstring& path, uint64_t size, uint32_t width, uint32_t height, uint16_t similarity)
{
    FileRecord record = Record(path, size);
    record.isImage = true;
    record.width = width;
    record.height = height;
    record.similarity = similarity;
    return record;
}

CVirtualNode* AddRecords(CVirtualTree& tree, std::vector<FileRecord> records, ResultMode mode)
{
    static ExtensionIcons icons;
    FileGroup group;
    group.size = records.empty() ? 0 : records.front().size;
    group.files = std::move(records);
    return AddGroup(tree, group, mode, icons, 0);
}

std::vector<CVirtualNode*> FilesOf(const CVirtualNode* group)
{
    std::vector<CVirtualNode*> files;
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        files.push_back(file);
    }
    return files;
}

std::vector<std::wstring> PathsOf(const CVirtualNode* group)
{
    std::vector<std::wstring> paths;
    for (const CVirtualNode* file : FilesOf(group)) {
        paths.emplace_back(ItemOf(file)->Path());
    }
    return paths;
}

std::vector<CVirtualNode*> GroupsOf(CVirtualTree& tree)
{
    return FilesOf(&tree.Root());
}

} // namespace clonarium
