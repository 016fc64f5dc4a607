#pragma once
// Winsock started for the life of one exchange. Winsock counts its starts, so
// sessions nest with any other user of it in the process.
#include <winsock2.h>

class WinsockSession {
public:
    WinsockSession() { ok_ = ::WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockSession() {
        if (ok_)
            ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};
