#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/update/LoopbackServer.h"

namespace updatetest {

namespace {

class WinsockSession {
public:
    WinsockSession()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() { ::WSACleanup(); }
};

void EnsureWinsock()
{
    static WinsockSession session;
}

// A socket listening on 127.0.0.1 at a port the system chose.
SOCKET ListenOnLoopback(uint16_t& port)
{
    EnsureWinsock();
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 8) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener != INVALID_SOCKET) {
            ::closesocket(listener);
        }
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return listener;
}

std::wstring LoopbackAddress(uint16_t port)
{
    return L"http://127.0.0.1:" + std::to_wstring(port);
}

} // namespace

bool Connection::Send(const std::string& bytes) const
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = ::send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string HttpReply(const std::string& body, int status)
{
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

LoopbackServer::LoopbackServer(std::string reply)
    : LoopbackServer([reply = std::move(reply)](const Connection& connection) { connection.Send(reply); })
{ }

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)), listener_(INVALID_SOCKET)
{
    listener_ = ListenOnLoopback(port_);
    if (listener_ != INVALID_SOCKET) {
        thread_ = std::thread([this] { Serve(); });
    }
}

LoopbackServer::~LoopbackServer()
{
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ != INVALID_SOCKET) {
        ::closesocket(listener_);
    }
}

bool LoopbackServer::Listening() const
{
    return listener_ != INVALID_SOCKET;
}

std::wstring LoopbackServer::Address() const
{
    return LoopbackAddress(port_);
}

std::string LoopbackServer::LastRequest() const
{
    std::lock_guard lock(lock_);
    return lastRequest_;
}

void LoopbackServer::Serve()
{
    while (!stopping_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener_, &ready);
        timeval wait{0, 50 * 1000};
        if (::select(0, &ready, nullptr, nullptr, &wait) <= 0) {
            continue;
        }
        SOCKET client = ::accept(listener_, nullptr, nullptr);
        if (client != INVALID_SOCKET) {
            Answer(client);
            ::closesocket(client);
        }
    }
}

void LoopbackServer::Answer(SOCKET client)
{
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard lock(lock_);
        lastRequest_ = request;
    }
    ++requests_;
    handler_(Connection(client, request));
    ::shutdown(client, SD_SEND);
}

std::wstring UnusedAddress()
{
    uint16_t port = 0;
    SOCKET probe = ListenOnLoopback(port);
    ::closesocket(probe);
    return LoopbackAddress(port);
}

} // namespace updatetest
