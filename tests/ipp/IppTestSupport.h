#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "IppClient.h"
#include "IppMessage.h"
#include "PrinterSnapshot.h"

// Helpers for tests against the loopback IPP printer that scripts/ipp starts
// (its URI comes in PQIF_IPP_URI), and against scripted misbehaving servers.
namespace ipptest {

inline std::string PrinterUri() {
    const char* uri = std::getenv("PQIF_IPP_URI");
    return uri ? uri : "";
}

// Prints a state script: the test printer turns its "STATE:"/"ATTR:" lines
// into printer-state-reasons and marker attributes.
inline bool PrintStateScript(const std::string& lines) {
    // The printer takes one job at a time; a script sent while the last one is
    // still being processed is refused as busy and sent again.
    std::string uri = PrinterUri();
    for (int attempt = 0; attempt < 100; ++attempt) {
        ipp::Message job = ipp::MakeRequest(ipp::kOpPrintJob, 2, uri);
        ipp::AddString(job.groups[0], ipp::kTagName, "requesting-user-name", "tests");
        ipp::AddString(job.groups[0], ipp::kTagName, "job-name", "state script");
        ipp::AddString(job.groups[0], ipp::kTagMimeMediaType, "document-format", "text/plain");
        job.data = lines;
        ipp::Message answer;
        if (ipp::Exchange(uri, job, answer, 10000) != ipp::ExchangeResult::Ok)
            return false;
        if (answer.code < 0x0100)
            return true;
        std::fprintf(stderr, "print-job: status 0x%04x, sent again\n", answer.code);
        ::Sleep(100);
    }
    return false;
}

inline bool Snapshot(ipp::PrinterSnapshot& out) {
    std::string uri = PrinterUri();
    ipp::Message answer;
    ipp::ExchangeResult rc =
        ipp::Exchange(uri, ipp::MakeRequest(ipp::kOpGetPrinterAttributes, 3, uri), answer, 5000);
    if (rc == ipp::ExchangeResult::Ok && ipp::ReadPrinterSnapshot(answer, out))
        return true;
    std::fprintf(stderr, "get-printer-attributes: %s, status 0x%04x\n", ipp::ExchangeResultText(rc),
                 answer.code);
    return false;
}

// Waits until the condition holds, for at most timeoutMs.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG end = ::GetTickCount64() + timeoutMs;
    do {
        if (condition())
            return true;
        ::Sleep(100);
    } while (::GetTickCount64() < end);
    return condition();
}

// A TCP server on 127.0.0.1 that answers every connection with fixed bytes
// (or says nothing and holds the connection, for timeouts).
class ScriptedServer {
public:
    explicit ScriptedServer(std::string answer, bool silent = false)
        : answer_(std::move(answer)), silent_(silent) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        int length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        stop_ = true;
        ::closesocket(listener_);
        thread_.join();
        ::WSACleanup();
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string Uri() const { return "ipp://127.0.0.1:" + std::to_string(port_) + "/ipp/print"; }

private:
    void Serve() {
        while (!stop_) {
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            char request[4096];
            ::recv(client, request, sizeof request, 0);
            if (silent_) {
                while (!stop_)
                    ::Sleep(20);
            } else {
                ::send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
            }
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }

    std::string answer_;
    bool silent_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace ipptest
