#pragma once
// Asks the maker's web site which version is current and tells a receiver
// whether the running one is it, on a worker thread of its own.
#include "system/Worker.h"
#include "update/UpdateCheckResult.h"

#include <windows.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <wininet.h>

namespace vandrelcommon::system {

class UpdateChecker : public IWorker {
public:
    // A reply is read up to this many bytes; anything after is ignored.
    static constexpr std::size_t kMaxReplyBytes = 64 * 1024;

    // `siteAddress` is scheme and host ("https://www.example.com"), no path;
    // `productIdentifier` is sent as the user agent. The receiver is not owned.
    UpdateChecker(IUpdateCheckResult* receiver, DWORD delay, std::wstring siteAddress, std::wstring productIdentifier);
    // Stops a running check and waits for it.
    ~UpdateChecker() override;

    // Starts a check at normal priority; false when no thread could be made.
    // A check already running is left alone (false): it reports as usual.
    bool StartCheck();
    // True from StartCheck until the thread has ended.
    bool IsRunning() const;
    // Ends a running check without a result: cuts a delay short, closes the
    // session of a request (which ends the request on Windows; under Wine it
    // ends at the latest at its 20-second time-outs) and waits for the
    // thread, dispatching this thread's window messages meanwhile. Once it
    // returns, the receiver is not called any more, so the receiver's owner
    // calls it before the receiver goes away.
    void Stop();

    void Run() override;

private:
    // Asks the thread to stop and closes the session of a running request.
    void CutShort();
    // The reply's bytes, at most kMaxReplyBytes; false when the site could not
    // be reached (or the check was stopped meanwhile).
    bool Fetch(std::string& reply);
    // The GET of the version page in `session`, or null; `connection` is
    // what the request was opened on.
    HINTERNET OpenRequest(HINTERNET session, HINTERNET& connection) const;
    // Closes the handles unless Stop closed the session, which takes what was
    // opened in it along.
    void EndSession(HINTERNET session, HINTERNET connection, HINTERNET request);

    IUpdateCheckResult* receiver_;
    DWORD delay_;
    std::wstring siteAddress_;
    std::wstring productIdentifier_;
    // The open session while a request runs; Stop closes it to cut the
    // request short.
    std::mutex sessionLock_;
    HINTERNET session_ = nullptr;
};

} // namespace vandrelcommon::system
