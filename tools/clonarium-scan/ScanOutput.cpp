#include "tools/clonarium-scan/ScanOutput.h"

#include <cstdio>

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

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr,
                          nullptr);
    return utf8;
}

void AppendGroup(const FileGroup& group, std::string& out)
{
    for (const FileRecord& file : group.files) {
        out += ToUtf8(file.path);
        out += "\r\n";
    }
    out += "\r\n";
}

bool WriteText(HANDLE handle, const std::string& utf8)
{
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = FromUtf8(utf8);
        DWORD written = 0;
        return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
    }
    return WriteBytes(handle, utf8.data(), utf8.size());
}

void ScanCallback::OnGroupFound(const FileGroup& group)
{
    ++groups_;
    duplicateFiles_ += group.files.size();
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
                  "files indexed: %lld\r\nfiles skipped: %llu\r\nprotected folders skipped: %llu\r\n"
                  "groups: %llu\r\nduplicate files: %llu\r\nseconds: %.3f\r\n",
                  static_cast<long long>(filesToCompare_), static_cast<unsigned long long>(filesSkipped_),
                  static_cast<unsigned long long>(protectedFoldersSkipped_),
                  static_cast<unsigned long long>(groups_), static_cast<unsigned long long>(duplicateFiles_),
                  seconds);
    return text;
}
