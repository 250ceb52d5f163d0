#include "tools/clonarium-scan/ScanOutput.h"

#include "system/TextEncoding.h"

#include <cstdio>

namespace clonarium {

using vandrelcommon::system::Utf8FromWide;
using vandrelcommon::system::WideFromUtf8;

namespace {

constexpr size_t kWriteThreshold = 1 << 16;

bool WriteBytes(HANDLE handle, const char* data, size_t size)
{
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, data, piece, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

void AppendGroup(const FileGroup& group, std::string& out)
{
    for (const FileRecord& file : group.files) {
        out += Utf8FromWide(file.path);
        out += "\r\n";
    }
    out += "\r\n";
}

bool WriteText(HANDLE handle, const std::string& utf8)
{
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideFromUtf8(utf8);
        DWORD written = 0;
        return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
    }
    return WriteBytes(handle, utf8.data(), utf8.size());
}

void ScanCallback::OnFileCompared(uint64_t)
{
    if (stage_ == StageComparing) {
        ++filesIndexed_;
    }
}

void ScanCallback::OnGroupFound(const FileGroup& group)
{
    ++groups_;
    duplicateFiles_ += group.files.size();
    if (tree_ != nullptr) {
        AddGroup(*tree_, group, mode_, icons_, 0);
        return;
    }
    AppendGroup(group, pending_);
    if (pending_.size() >= kWriteThreshold) {
        Flush();
    }
}

void ScanCallback::OnFileIndexed(bool excluded)
{
    if (excluded) {
        ++filesSkipped_;
    }
}

void ScanCallback::OnFileNotRead(const std::wstring& path)
{
    ++filesNotRead_;
    WriteText(errors_, "not read: " + Utf8FromWide(path) + "\r\n");
}

void ScanCallback::OnFolderNotRead(const std::wstring& path)
{
    ++foldersNotRead_;
    WriteText(errors_, "not read: " + Utf8FromWide(path) + "\\\r\n");
}

bool ScanCallback::Flush()
{
    if (!pending_.empty() && !WriteText(output_, pending_)) {
        writeFailed_ = true;
    }
    pending_.clear();
    return !writeFailed_;
}

std::string ScanCallback::Summary(double seconds) const
{
    char text[512];
    std::snprintf(text, sizeof(text),
        "files indexed: %llu\r\nfiles skipped: %llu\r\nfiles not read: %llu\r\nfolders not read: %llu\r\n"
        "protected folders skipped: %llu\r\ngroups: %llu\r\nduplicate files: %llu\r\nseconds: %.3f\r\n",
        static_cast<unsigned long long>(filesIndexed_), static_cast<unsigned long long>(filesSkipped_),
        static_cast<unsigned long long>(filesNotRead_), static_cast<unsigned long long>(foldersNotRead_),
        static_cast<unsigned long long>(protectedFoldersSkipped_), static_cast<unsigned long long>(groups_),
        static_cast<unsigned long long>(duplicateFiles_), seconds);
    return text;
}

} // namespace clonarium
