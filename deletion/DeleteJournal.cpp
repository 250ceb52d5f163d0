#include "deletion/DeleteJournal.h"

#include "system/DiskFile.h"
#include "system/FileIdentity.h"
#include "system/LongPath.h"

#include <cwchar>
#include <map>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

namespace {

constexpr wchar_t kByteOrderMark = 0xFEFF;
// A journal of a million files stays well below this.
constexpr uint64_t kMaxJournalBytes = 1ull << 30;

std::wstring Escaped(const std::wstring& field)
{
    std::wstring out;
    for (const wchar_t c : field) {
        if (c == L'%' || c < 0x20) {
            wchar_t hex[4];
            std::swprintf(hex, 4, L"%%%02X", static_cast<unsigned>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring Unescaped(const std::wstring& field)
{
    std::wstring out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == L'%' && i + 2 < field.size()) {
            out += static_cast<wchar_t>(std::wcstoul(field.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::wstring Number(uint64_t value)
{
    return std::to_wstring(value);
}

uint64_t Time64(const LARGE_INTEGER& time)
{
    return static_cast<uint64_t>(time.QuadPart);
}

uint64_t Time64(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::vector<std::wstring> Fields(const std::wstring& line)
{
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find(L'\t', start)) != std::wstring::npos; start = tab + 1) {
        fields.push_back(Unescaped(line.substr(start, tab - start)));
    }
    fields.push_back(Unescaped(line.substr(start)));
    return fields;
}

bool ParseNumber(const std::wstring& text, uint64_t& value)
{
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return false;
    }
    value = std::wcstoull(text.c_str(), nullptr, 10);
    return true;
}

// The fields of "gone" and "linking" after the record's name.
std::wstring EntryFields(const JournalEntry& entry)
{
    return Number(entry.id) + L'\t' + Escaped(entry.path) + L'\t' + Number(entry.size) + L'\t' +
           Number(Time64(entry.basic.CreationTime)) + L'\t' + Number(Time64(entry.basic.LastAccessTime)) + L'\t' +
           Number(Time64(entry.basic.LastWriteTime)) + L'\t' + Number(entry.basic.FileAttributes) + L'\t' +
           Escaped(entry.where) + L'\t' + Number(Time64(entry.when));
}

bool ParseEntry(const std::vector<std::wstring>& fields, JournalEntry& entry)
{
    uint64_t created = 0, accessed = 0, written = 0, attributes = 0, when = 0;
    if (fields.size() < 10 || !ParseNumber(fields[1], entry.id) || !ParseNumber(fields[3], entry.size) ||
        !ParseNumber(fields[4], created) || !ParseNumber(fields[5], accessed) || !ParseNumber(fields[6], written) ||
        !ParseNumber(fields[7], attributes) || !ParseNumber(fields[9], when)) {
        return false;
    }
    entry.path = fields[2];
    entry.basic.CreationTime.QuadPart = static_cast<LONGLONG>(created);
    entry.basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(accessed);
    entry.basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(written);
    entry.basic.FileAttributes = static_cast<DWORD>(attributes);
    entry.where = fields[8];
    entry.when = FILETIME{static_cast<DWORD>(when), static_cast<DWORD>(when >> 32)};
    return true;
}

bool ReadText(const std::wstring& path, std::wstring& text)
{
    const KernelHandle file = vandrelcommon::system::OpenWholeFile(path, kMaxJournalBytes);
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 2) {
        return false;
    }
    text.resize(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t));
    const DWORD want = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD got = 0;
    if (!::ReadFile(file.Get(), text.data(), want, &got, nullptr) || got != want || text[0] != kByteOrderMark) {
        return false;
    }
    text.erase(0, 1);
    return true;
}

} // namespace

size_t Journal::Undoable() const
{
    size_t count = 0;
    for (const JournalEntry& entry : entries) {
        count += entry.state != JournalEntry::State::Undone;
    }
    return count;
}

bool ReadJournal(const std::wstring& path, Journal& journal)
{
    journal = Journal();
    std::wstring text;
    if (!ReadText(path, text)) {
        return false;
    }
    bool hasMode = false;
    std::map<uint64_t, size_t> byId;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        const std::vector<std::wstring> fields = Fields(text.substr(start, end - start));
        const std::wstring& kind = fields[0];
        uint64_t value = 0;
        if (kind == L"mode" && fields.size() == 2 && ParseNumber(fields[1], value) && value <= 3) {
            journal.mode = static_cast<DeleteMode>(value);
            hasMode = true;
        } else if (kind == L"gone" || kind == L"linking") {
            JournalEntry entry;
            if (!ParseEntry(fields, entry)) {
                continue; // a line cut short by a stopped run
            }
            if (kind == L"linking") {
                entry.state = JournalEntry::State::Linking;
                entry.temporary = fields.size() > 10 ? fields[10] : std::wstring();
            }
            // A link tried again under another name replaces its record.
            if (const auto known = byId.find(entry.id); known != byId.end()) {
                journal.entries[known->second] = std::move(entry);
            } else {
                byId[entry.id] = journal.entries.size();
                journal.entries.push_back(std::move(entry));
            }
        } else if ((kind == L"linked" || kind == L"abandoned" || kind == L"undone") && fields.size() == 2 &&
                   ParseNumber(fields[1], value)) {
            if (const auto found = byId.find(value); found != byId.end()) {
                journal.entries[found->second].state =
                    kind == L"linked" ? JournalEntry::State::Gone : JournalEntry::State::Undone;
            }
        }
    }
    return hasMode;
}

bool JournalWriter::Begin(const std::wstring& path, DeleteMode mode)
{
    Close();
    file_.Reset(::CreateFileW(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        return false;
    }
    Write(std::wstring(1, kByteOrderMark) + L"mode\t" + Number(static_cast<uint32_t>(mode)) + L'\n');
    return file_.IsValid();
}

bool JournalWriter::Continue(const std::wstring& path)
{
    Close();
    file_.Reset(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file_.IsValid();
}

void JournalWriter::Close()
{
    if (file_ && !deferred_.empty()) {
        Write(L"");
    }
    file_.Reset();
    deferred_.clear();
}

void JournalWriter::Gone(const JournalEntry& entry)
{
    Write(L"gone\t" + EntryFields(entry) + L'\n');
}

void JournalWriter::Linking(const JournalEntry& entry)
{
    Write(L"linking\t" + EntryFields(entry) + L'\t' + Escaped(entry.temporary) + L'\n');
}

void JournalWriter::Linked(uint64_t id)
{
    deferred_ += L"linked\t" + Number(id) + L'\n';
}

void JournalWriter::Abandoned(uint64_t id)
{
    deferred_ += L"abandoned\t" + Number(id) + L'\n';
}

void JournalWriter::Undone(uint64_t id)
{
    Write(L"undone\t" + Number(id) + L'\n');
}

// A journal that cannot be written is given up: the run goes on without it.
void JournalWriter::Write(const std::wstring& line)
{
    if (!file_) {
        return;
    }
    const std::wstring text = deferred_ + line;
    deferred_.clear();
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (!::WriteFile(file_.Get(), text.data(), bytes, &written, nullptr) || written != bytes) {
        file_.Reset();
    }
}

void TidyStoppedLinks(const Journal& journal)
{
    for (const JournalEntry& entry : journal.entries) {
        if (entry.state != JournalEntry::State::Linking || entry.temporary.empty()) {
            continue;
        }
        const KernelHandle temporary(
            ::CreateFileW(AddLongPathPrefix(entry.temporary).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
        const KernelHandle kept(::CreateFileW(AddLongPathPrefix(entry.where).c_str(), FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
        FILE_STANDARD_INFO standard{};
        if (!temporary || !kept || !vandrelcommon::system::SameFile(temporary.Get(), kept.Get()) ||
            !::GetFileInformationByHandleEx(temporary.Get(), FileStandardInfo, &standard, sizeof(standard)) ||
            standard.NumberOfLinks < 2) {
            continue;
        }
        FILE_DISPOSITION_INFO remove{TRUE};
        ::SetFileInformationByHandle(temporary.Get(), FileDispositionInfo, &remove, sizeof(remove));
    }
}

} // namespace clonarium
