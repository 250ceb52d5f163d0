#pragma once
// A small HTTP server on 127.0.0.1 inside the test program: it accepts one
// connection at a time on a port of its own and lets a handler answer it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace updatetest {

// A Winsock SOCKET, kept out of this header so that it can come after windows.h.
using SocketHandle = std::uintptr_t;

// One accepted connection; the request has been read when the handler runs.
class Connection {
public:
    Connection(SocketHandle socket, std::string request) : socket_(socket), request_(std::move(request)) { }
    const std::string& Request() const { return request_; }
    // False once the client has gone.
    bool Send(const std::string& bytes) const;

private:
    SocketHandle socket_;
    std::string request_;
};

// "HTTP/1.1 <status>" with a Content-Length for `body`, then the body.
std::string HttpReply(const std::string& body, int status = 200);

class LoopbackServer {
public:
    using Handler = std::function<void(const Connection&)>;
    // Serves `reply` to every request.
    explicit LoopbackServer(std::string reply);
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool Listening() const;
    // "http://127.0.0.1:<port>"
    std::wstring Address() const;
    int Requests() const { return requests_; }
    std::string LastRequest() const;

private:
    void Serve();
    void Answer(SocketHandle client);

    Handler handler_;
    SocketHandle listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_ = false;
    std::atomic<int> requests_ = 0;
    mutable std::mutex lock_;
    std::string lastRequest_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
std::wstring UnusedAddress();

} // namespace updatetest
