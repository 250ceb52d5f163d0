// The update check against a server on 127.0.0.1 run by this program. The
// program carries the resources of Clonarium.exe, so its own version is the
// program's (3.0.0.0).
#include "tests/update/LoopbackServer.h"
#include "update/UpdateChecker.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vandrelcommon::system;
using updatetest::Connection;
using updatetest::HttpReply;
using updatetest::LoopbackServer;

namespace {

struct Outcome {
    UpdateResult result;
    std::wstring fileName;
};

class RecordingReceiver : public IUpdateCheckResult {
public:
    void OnUpdateCheckResult(UpdateResult result, const std::wstring& fileName) override
    {
        std::lock_guard lock(lock_);
        outcomes_.push_back({result, fileName});
    }
    std::vector<Outcome> Outcomes() const
    {
        std::lock_guard lock(lock_);
        return outcomes_;
    }

private:
    mutable std::mutex lock_;
    std::vector<Outcome> outcomes_;
};

// One check of `site` from start to end: what the receiver was told.
std::vector<Outcome> CheckOnce(const std::wstring& site)
{
    RecordingReceiver receiver;
    UpdateChecker checker(&receiver, 0, site, L"Clonarium64");
    EXPECT_TRUE(checker.StartCheck());
    checker.WaitForFinish();
    return receiver.Outcomes();
}

void ExpectOneOutcome(
    const std::vector<Outcome>& outcomes, UpdateResult result, const std::wstring& fileName, const std::string& reply)
{
    ASSERT_EQ(outcomes.size(), 1u) << reply;
    EXPECT_EQ(outcomes[0].result, result) << reply;
    EXPECT_EQ(outcomes[0].fileName, fileName) << reply;
}

// Holds its answer until released (or for ten seconds), then sends `reply`.
class HeldReply {
public:
    explicit HeldReply(std::string reply)
        : reply_(std::move(reply)), release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
    { }
    ~HeldReply() { ::CloseHandle(release_); }
    LoopbackServer::Handler Handler()
    {
        return [this](const Connection& connection) {
            ::WaitForSingleObject(release_, 10000);
            answered_ = true;
            connection.Send(reply_);
        };
    }
    void Release() const { ::SetEvent(release_); }
    bool Answered() const { return answered_; }

private:
    std::string reply_;
    HANDLE release_;
    std::atomic<bool> answered_ = false;
};

void WaitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i) {
        ::Sleep(10);
    }
}

} // namespace

TEST(UpdateChecker, JudgesTheVersionByteForByteAndTakesTheFileNameFromTheSecondField)
{
    struct Case {
        std::string body;
        UpdateResult result;
        std::wstring fileName;
    };
    const Case cases[] = {
        {"3.0.0.0|setup.exe", UpdateResult::Latest, L"setup.exe"},
        {"3.0.0.1|setup.exe", UpdateResult::NewVersion, L"setup.exe"},
        {"2.9.0.0|setup.exe", UpdateResult::NewVersion, L"setup.exe"},
        {"3.0.0.0", UpdateResult::Latest, L""},
        {"3.0.0.0 |setup.exe", UpdateResult::NewVersion, L"setup.exe"},
        {"3.00.0.0|setup.exe", UpdateResult::NewVersion, L"setup.exe"},
        {"", UpdateResult::NewVersion, L""},
        {"3.0.0.1|Clonarium Setup \xC3\xBC.exe|ignored|fields", UpdateResult::NewVersion,
            L"Clonarium Setup \u00FC.exe"},
        // Headers the site's script wrote itself come before a blank line.
        {"Status: fine\r\nX-Other: 1|2\r\n\r\n3.0.0.0|setup.exe", UpdateResult::Latest, L"setup.exe"},
        {"a\r\n\r\n3.0.0.0|one.exe\r\n\r\n3.0.0.1|two.exe", UpdateResult::Latest, L"one.exe\r\n\r\n3.0.0.1"},
        // A name that is not UTF-8 names no file.
        {"3.0.0.1|setup\xFF.exe", UpdateResult::NewVersion, L""},
    };
    for (const Case& c : cases) {
        LoopbackServer server(HttpReply(c.body));
        ASSERT_TRUE(server.Listening());
        ExpectOneOutcome(CheckOnce(server.Address()), c.result, c.fileName, c.body);
        EXPECT_EQ(server.Requests(), 1);
    }
}

TEST(UpdateChecker, AsksForTheVersionPageWithTheProductAsAgent)
{
    LoopbackServer server(HttpReply("3.0.0.0|setup.exe"));
    CheckOnce(server.Address());
    const std::string request = server.LastRequest();
    EXPECT_EQ(request.rfind("GET /interop/version.php HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: Clonarium64\r\n"), std::string::npos) << request;
}

TEST(UpdateChecker, ASiteThatCannotBeAskedIsUnreachable)
{
    ExpectOneOutcome(CheckOnce(updatetest::UnusedAddress()), UpdateResult::Unreachable, L"", "nothing listening");
    // An error page is no answer, whatever it says.
    LoopbackServer missing(HttpReply("3.0.0.1|setup.exe", 404));
    ExpectOneOutcome(CheckOnce(missing.Address()), UpdateResult::Unreachable, L"", "404");
    LoopbackServer failing(HttpReply("3.0.0.0|setup.exe", 500));
    ExpectOneOutcome(CheckOnce(failing.Address()), UpdateResult::Unreachable, L"", "500");
}

TEST(UpdateChecker, AReplyCutShortIsJudgedByWhatArrived)
{
    LoopbackServer server([](const Connection& connection) {
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n3.0.0.0|set");
    });
    ExpectOneOutcome(CheckOnce(server.Address()), UpdateResult::Latest, L"set", "closed mid-body");
}

TEST(UpdateChecker, AHugeReplyIsReadOnlyUpToTheLimit)
{
    constexpr std::size_t kReplyBytes = 10 * 1024 * 1024;
    const std::string head = "3.0.0.1|";
    std::atomic<bool> sentAll = false;
    LoopbackServer server([&](const Connection& connection) {
        const std::string chunk(64 * 1024, 'x');
        bool sending = connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kReplyBytes) +
                                       "\r\nConnection: close\r\n\r\n" + head);
        for (std::size_t sent = head.size(); sending && sent < kReplyBytes; sent += chunk.size()) {
            sending = connection.Send(chunk.substr(0, std::min(chunk.size(), kReplyBytes - sent)));
        }
        sentAll = sending;
    });
    const std::vector<Outcome> outcomes = CheckOnce(server.Address());
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result, UpdateResult::NewVersion);
    EXPECT_EQ(outcomes[0].fileName, std::wstring(UpdateChecker::kMaxReplyBytes - head.size(), L'x'));
}

TEST(UpdateChecker, AStopDuringTheDelayAsksNothingAndReportsNothing)
{
    LoopbackServer server(HttpReply("3.0.0.1|setup.exe"));
    RecordingReceiver receiver;
    UpdateChecker checker(&receiver, 60 * 1000, server.Address(), L"Clonarium64");
    ASSERT_TRUE(checker.StartCheck());
    EXPECT_TRUE(checker.IsRunning());
    checker.Stop();
    EXPECT_FALSE(checker.IsRunning());
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_TRUE(receiver.Outcomes().empty());
}

TEST(UpdateChecker, AStopDuringTheRequestReportsNothing)
{
    HeldReply held(HttpReply("3.0.0.1|setup.exe"));
    LoopbackServer server(held.Handler());
    RecordingReceiver receiver;
    UpdateChecker checker(&receiver, 0, server.Address(), L"Clonarium64");
    ASSERT_TRUE(checker.StartCheck());
    WaitUntil([&] { return server.Requests() == 1; });
    ASSERT_EQ(server.Requests(), 1);
    // The reply comes while Stop waits (where closing the session cannot cut
    // the request short, as under Wine) or finds the request gone.
    std::thread releaser([&] {
        ::Sleep(200);
        held.Release();
    });
    checker.Stop();
    releaser.join();
    EXPECT_FALSE(checker.IsRunning());
    EXPECT_TRUE(receiver.Outcomes().empty());
}

TEST(UpdateChecker, RunsOneCheckAtATimeAndRunsAgainAfterItsResult)
{
    HeldReply held(HttpReply("3.0.0.0|setup.exe"));
    LoopbackServer server(held.Handler());
    RecordingReceiver receiver;
    UpdateChecker checker(&receiver, 0, server.Address(), L"Clonarium64");
    ASSERT_TRUE(checker.StartCheck());
    EXPECT_FALSE(checker.StartCheck()) << "a second check started while the first ran";
    held.Release();
    checker.WaitForFinish();
    ASSERT_TRUE(checker.StartCheck());
    checker.WaitForFinish();
    EXPECT_EQ(server.Requests(), 2);
    const std::vector<Outcome> outcomes = receiver.Outcomes();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[1].result, UpdateResult::Latest);
}
