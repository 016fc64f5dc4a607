#include "SnmpClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "companions/ipp/WinsockSession.h"

#include <vector>

namespace snmp {

namespace {

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() {
        if (s_ != INVALID_SOCKET)
            ::closesocket(s_);
    }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Connected to the agent, so that only its datagrams arrive.
    bool Open(const std::string& host, uint16_t port) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        hints.ai_protocol = IPPROTO_UDP;
        addrinfo* found = nullptr;
        std::string service = std::to_string(port);
        if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
            return false;
        s_ = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        bool ok = s_ != INVALID_SOCKET &&
                  ::connect(s_, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
        ::freeaddrinfo(found);
        return ok;
    }
    SOCKET get() const { return s_; }

private:
    SOCKET s_ = INVALID_SOCKET;
};

class Client {
public:
    Client(const Agent& agent, SOCKET s, ClientStats& stats)
        : agent_(agent), s_(s), stats_(stats),
          nextId_(static_cast<int32_t>((::GetTickCount() ^ (::GetCurrentProcessId() << 16)) &
                                       0x3FFFFFFF)) {}

    bool Exchange(uint8_t pdu, const std::vector<Oid>& names, Response& out) {
        Message request;
        request.version = agent_.version;
        request.community = agent_.community;
        request.pdu = pdu;
        for (const Oid& name : names)
            request.varbinds.push_back(VarBind{name, Value{}});
        for (unsigned attempt = 0; attempt <= agent_.retries; ++attempt) {
            // A new id per attempt: a late answer to the last one is not taken for this one.
            request.requestId = nextId_++ & 0x7FFFFFFF;
            std::string bytes = Encode(request);
            ++stats_.requests;
            if (::send(s_, bytes.data(), static_cast<int>(bytes.size()), 0) < 0)
                return false;
            if (Await(request, out))
                return true;
        }
        return false;
    }

private:
    // Waits for the answer to `request` until the timeout of one attempt.
    bool Await(const Message& request, Response& out) {
        ULONGLONG end = ::GetTickCount64() + agent_.timeoutMs;
        std::vector<char> buffer(kMaxMessage + 1);
        for (;;) {
            ULONGLONG now = ::GetTickCount64();
            if (now >= end)
                return false;
            ULONGLONG left = end - now;
            timeval tv{static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s_, &set);
            int ready = ::select(0, &set, nullptr, nullptr, &tv);
            if (ready == 0)
                return false;
            if (ready < 0)
                return false;
            int n = ::recv(s_, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (n < 0) {
                // No agent at the port (an ICMP answer): this attempt is over.
                if (::WSAGetLastError() == WSAECONNRESET)
                    return false;
                ++stats_.dropped;
                continue;
            }
            Message answer;
            if (Decode(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(n),
                       answer) != DecodeResult::Ok ||
                answer.pdu != kPduResponse || answer.requestId != request.requestId ||
                answer.version != request.version || answer.community != request.community ||
                (answer.errorStatus == kErrorNone &&
                 answer.varbinds.size() != request.varbinds.size())) {
                ++stats_.dropped;
                continue;
            }
            out.errorStatus = answer.errorStatus;
            out.errorIndex = answer.errorIndex;
            out.varbinds = std::move(answer.varbinds);
            return true;
        }
    }

    const Agent& agent_;
    SOCKET s_;
    ClientStats& stats_;
    int32_t nextId_;
};

} // namespace

bool ParseAgentAddress(const std::string& text, std::string& host, uint16_t& port) {
    std::size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    port = 161;
    if (host.empty() || host.size() > 253 || host.find_first_of(" \t/[]") != std::string::npos)
        return false;
    if (colon == std::string::npos)
        return true;
    std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long value = std::stoul(digits);
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

ClientResult ReadPrinter(const Agent& agent, PrinterMib& out, ClientStats* stats) {
    ClientStats local;
    ClientStats& s = stats ? *stats : local;
    WinsockSession winsock;
    if (!winsock.ok())
        return ClientResult::NoAnswer;
    UdpSocket socket;
    if (!socket.Open(agent.host, agent.port))
        return ClientResult::BadAddress;
    Client client(agent, socket.get(), s);
    Exchange exchange = [&client](uint8_t pdu, const std::vector<Oid>& names, Response& r) {
        return client.Exchange(pdu, names, r);
    };
    switch (ReadPrinterMib(exchange, out)) {
    case ReadResult::Ok:
        return ClientResult::Ok;
    case ReadResult::NotAPrinter:
        return ClientResult::NotAPrinter;
    case ReadResult::NoAnswer:
        break;
    }
    return ClientResult::NoAnswer;
}

const char* ClientResultText(ClientResult result) {
    switch (result) {
    case ClientResult::Ok:
        return "ok";
    case ClientResult::NoAnswer:
        return "the agent did not answer";
    case ClientResult::NotAPrinter:
        return "the agent has no printer";
    case ClientResult::BadAddress:
        return "no such host";
    }
    return "?";
}

} // namespace snmp
