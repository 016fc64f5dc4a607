#include "IppClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "companions/ipp/WinsockSession.h"

#include <string>

#include "HttpResponse.h"

namespace ipp {

namespace {

class Socket {
public:
    Socket() = default;
    ~Socket() {
        if (s_ != INVALID_SOCKET)
            ::closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return s_; }
    void reset(SOCKET s) {
        if (s_ != INVALID_SOCKET)
            ::closesocket(s_);
        s_ = s;
    }

private:
    SOCKET s_ = INVALID_SOCKET;
};

class Deadline {
public:
    explicit Deadline(unsigned ms) : end_(::GetTickCount64() + ms) {}
    // Time left, as a select() timeout; false when it has passed.
    bool Left(timeval& tv) const {
        ULONGLONG now = ::GetTickCount64();
        if (now >= end_)
            return false;
        ULONGLONG left = end_ - now;
        tv.tv_sec = static_cast<long>(left / 1000);
        tv.tv_usec = static_cast<long>((left % 1000) * 1000);
        return true;
    }

private:
    ULONGLONG end_;
};

enum class Wait { Ready, Timeout, Error };

Wait WaitFor(SOCKET s, bool forWrite, const Deadline& deadline) {
    timeval tv;
    if (!deadline.Left(tv))
        return Wait::Timeout;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    fd_set errors;
    FD_ZERO(&errors);
    FD_SET(s, &errors);
    int n = ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &errors, &tv);
    if (n == 0)
        return Wait::Timeout;
    if (n < 0 || FD_ISSET(s, &errors))
        return Wait::Error;
    return Wait::Ready;
}

ExchangeResult Connect(const IppUri& uri, Socket& sock, const Deadline& deadline) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string port = std::to_string(uri.port);
    if (::getaddrinfo(uri.host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return ExchangeResult::Unreachable;
    ExchangeResult result = ExchangeResult::Unreachable;
    for (addrinfo* a = found; a; a = a->ai_next) {
        sock.reset(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (sock.get() == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ::ioctlsocket(sock.get(), FIONBIO, &nonBlocking);
        if (::connect(sock.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
            result = ExchangeResult::Ok;
            break;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK)
            continue;
        Wait w = WaitFor(sock.get(), true, deadline);
        if (w == Wait::Ready) {
            int error = 0;
            int len = sizeof error;
            ::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
            if (error == 0) {
                result = ExchangeResult::Ok;
                break;
            }
        } else if (w == Wait::Timeout) {
            result = ExchangeResult::Timeout;
            break;
        }
    }
    ::freeaddrinfo(found);
    return result;
}

ExchangeResult SendAll(SOCKET s, const std::string& bytes, const Deadline& deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = ::send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            Wait w = WaitFor(s, true, deadline);
            if (w == Wait::Timeout)
                return ExchangeResult::Timeout;
            if (w == Wait::Error)
                return ExchangeResult::Unreachable;
            continue;
        }
        return ExchangeResult::Unreachable;
    }
    return ExchangeResult::Ok;
}

} // namespace

const char* ExchangeResultText(ExchangeResult result) {
    switch (result) {
    case ExchangeResult::Ok:
        return "ok";
    case ExchangeResult::BadUri:
        return "not an ipp:// printer URI";
    case ExchangeResult::Unreachable:
        return "printer unreachable";
    case ExchangeResult::Timeout:
        return "printer did not answer in time";
    case ExchangeResult::HttpError:
        return "printer answered with an HTTP error";
    case ExchangeResult::BadResponse:
        return "printer's answer could not be read";
    }
    return "unknown";
}

ExchangeResult Exchange(const std::string& uriText, const Message& request, Message& response,
                        unsigned timeoutMs) {
    IppUri uri;
    if (!ParseIppUri(uriText, uri))
        return ExchangeResult::BadUri;
    WinsockSession winsock;
    if (!winsock.ok())
        return ExchangeResult::Unreachable;
    Deadline deadline(timeoutMs);
    Socket sock;
    ExchangeResult r = Connect(uri, sock, deadline);
    if (r != ExchangeResult::Ok)
        return r;

    std::string body = Encode(request);
    r = SendAll(sock.get(), MakeIppPost(uri.host, uri.port, uri.path, body.size()) + body,
                deadline);
    if (r != ExchangeResult::Ok)
        return r;

    // Each piece received is read once, where it arrived; interim answers are
    // skipped by the reader.
    char chunk[8192];
    HttpResponseReader reader;
    for (;;) {
        Wait w = WaitFor(sock.get(), false, deadline);
        if (w == Wait::Timeout)
            return ExchangeResult::Timeout;
        if (w == Wait::Error)
            return ExchangeResult::Unreachable;
        int n = ::recv(sock.get(), chunk, sizeof chunk, 0);
        if (n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        HttpParse p = n > 0 ? reader.Feed(chunk, static_cast<std::size_t>(n)) : reader.Finish();
        if (p == HttpParse::Complete)
            break;
        if (p != HttpParse::NeedMore)
            return ExchangeResult::BadResponse;
    }
    const HttpResponse& http = reader.Response();
    if (http.status != 200)
        return ExchangeResult::HttpError;
    if (Decode(reinterpret_cast<const uint8_t*>(http.body.data()), http.body.size(), response) !=
        DecodeResult::Ok)
        return ExchangeResult::BadResponse;
    return ExchangeResult::Ok;
}

} // namespace ipp
