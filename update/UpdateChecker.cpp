#include "update/UpdateChecker.h"

#include "system/ProgramVersion.h"
#include "system/TextEncoding.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace vandrelcommon::system {

namespace {

constexpr wchar_t kVersionPath[] = L"/interop/version.php";
constexpr DWORD kChunkBytes = 1024;
constexpr DWORD kTimeoutMilliseconds = 20 * 1000;

// What follows the first blank line, or the whole reply when it has none.
std::string_view ReplyBody(std::string_view reply)
{
    const std::size_t blankLine = reply.find("\r\n\r\n");
    return blankLine == std::string_view::npos ? reply : reply.substr(blankLine + 4);
}

std::vector<std::string_view> SplitFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t bar = text.find('|');
        fields.push_back(text.substr(0, bar));
        if (bar == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(bar + 1);
    }
}

// "3.0.0.0" for the running executable; nothing when it has no version.
std::optional<std::string> OwnVersionText()
{
    ProgramVersion version;
    if (!ReadProgramVersion(nullptr, version)) {
        return std::nullopt;
    }
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.build) +
           "." + std::to_string(version.revision);
}

// An error page (404, 500...) is no answer to the question.
bool Succeeded(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        return true; // not HTTP: nothing to judge by
    }
    return status >= 200 && status < 300;
}

} // namespace

UpdateChecker::UpdateChecker(
    IUpdateCheckResult* receiver, DWORD delay, std::wstring siteAddress, std::wstring productIdentifier)
    : receiver_(receiver),
      delay_(delay),
      siteAddress_(std::move(siteAddress)),
      productIdentifier_(std::move(productIdentifier))
{ }

UpdateChecker::~UpdateChecker()
{
    // The owner has normally stopped the check already. Waiting here without
    // dispatching messages is safe: the thread never waits for this one.
    CutShort();
    if (Thread() != nullptr) {
        ::WaitForSingleObject(Thread(), INFINITE);
    }
}

bool UpdateChecker::StartCheck()
{
    return !IsRunning() && Start(THREAD_PRIORITY_NORMAL) != 0;
}

bool UpdateChecker::IsRunning() const
{
    return Thread() != nullptr && ::WaitForSingleObject(Thread(), 0) == WAIT_TIMEOUT;
}

void UpdateChecker::CutShort()
{
    std::lock_guard lock(sessionLock_);
    RequestStop();
    if (session_ != nullptr) {
        ::InternetCloseHandle(session_);
        session_ = nullptr;
    }
}

void UpdateChecker::Stop()
{
    CutShort();
    WaitForFinish();
}

void UpdateChecker::Run()
{
    if (WaitForStopRequest(delay_)) {
        return;
    }
    std::string reply;
    const bool reached = Fetch(reply);
    if (IsStopRequested()) {
        return;
    }
    if (!reached) {
        receiver_->OnUpdateCheckResult(UpdateResult::Unreachable, L"");
        return;
    }
    const std::vector<std::string_view> fields = SplitFields(ReplyBody(reply));
    std::wstring fileName;
    if (fields.size() >= 2) {
        // A name that is not UTF-8 names no file we could offer.
        fileName = StrictWideFromUtf8(fields[1]).value_or(L"");
    }
    const std::optional<std::string> ownVersion = OwnVersionText();
    const UpdateResult result =
        ownVersion && *ownVersion == fields[0] ? UpdateResult::Latest : UpdateResult::NewVersion;
    receiver_->OnUpdateCheckResult(result, fileName);
}

bool UpdateChecker::Fetch(std::string& reply)
{
    HINTERNET session = ::InternetOpenW(productIdentifier_.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) {
        return false;
    }
    {
        std::lock_guard lock(sessionLock_);
        if (IsStopRequested()) {
            ::InternetCloseHandle(session);
            return false;
        }
        session_ = session;
    }
    HINTERNET connection = nullptr;
    HINTERNET request = OpenRequest(session, connection);
    const bool sent = request != nullptr && ::HttpSendRequestW(request, nullptr, 0, nullptr, 0) && Succeeded(request);
    if (sent) {
        char chunk[kChunkBytes];
        while (reply.size() < kMaxReplyBytes) {
            DWORD read = 0;
            const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(kChunkBytes, kMaxReplyBytes - reply.size()));
            // A failed read ends the reply; what came so far is judged.
            if (!::InternetReadFile(request, chunk, wanted, &read) || read == 0) {
                break;
            }
            reply.append(chunk, read);
        }
    }
    EndSession(session, connection, request);
    return sent;
}

HINTERNET UpdateChecker::OpenRequest(HINTERNET session, HINTERNET& connection) const
{
    const std::wstring address = siteAddress_ + kVersionPath;
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH + 1;
    if (!::InternetCrackUrlW(address.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        return nullptr;
    }
    connection = ::InternetConnectW(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr) {
        return nullptr;
    }
    // No dialog of any kind (authentication, certificates) and no cached answer.
    DWORD flags =
        INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    }
    HINTERNET request = ::HttpOpenRequestW(connection, L"GET", kVersionPath, nullptr, nullptr, nullptr, flags, 0);
    // A site that accepts and then says nothing must not hold the check (and
    // whoever waits for it) for long.
    DWORD timeout = kTimeoutMilliseconds;
    for (const DWORD option :
        {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        ::InternetSetOptionW(request, option, &timeout, sizeof(timeout));
    }
    return request;
}

void UpdateChecker::EndSession(HINTERNET session, HINTERNET connection, HINTERNET request)
{
    std::lock_guard lock(sessionLock_);
    if (session_ != session) {
        return; // Stop closed the session, and what was opened in it
    }
    for (HINTERNET handle : {request, connection, session}) {
        if (handle != nullptr) {
            ::InternetCloseHandle(handle);
        }
    }
    session_ = nullptr;
}

} // namespace vandrelcommon::system
