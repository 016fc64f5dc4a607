#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Helpers for tests against the loopback SNMP agent that scripts/snmp starts
// (its address in PQIF_SNMP_AGENT, its data file in PQIF_SNMP_DATA), and
// against a scripted misbehaving one.
namespace snmptest {

inline std::string AgentAddress() {
    const char* a = std::getenv("PQIF_SNMP_AGENT");
    return a ? a : "";
}

// A printer's MIB as lines of the agent's data file.
class MibData {
public:
    MibData& Printer(int deviceStatus, int printerStatus, const char* errorBitsHex = "00 00",
                     const char* description = "Vorne Kestrel K7") {
        Line(".1.3.6.1.2.1.25.3.2.1.3.1 string " + std::string(description));
        Line(".1.3.6.1.2.1.25.3.2.1.5.1 integer " + std::to_string(deviceStatus));
        Line(".1.3.6.1.2.1.25.3.5.1.1.1 integer " + std::to_string(printerStatus));
        Line(".1.3.6.1.2.1.25.3.5.1.2.1 octet " + std::string(errorBitsHex));
        return *this;
    }
    MibData& Supply(int index, int colorant, int supplyClass, int type, const std::string& text,
                    long long max, long long level) {
        std::string row = "1." + std::to_string(index);
        Line(".1.3.6.1.2.1.43.11.1.1.3." + row + " integer " + std::to_string(colorant));
        Line(".1.3.6.1.2.1.43.11.1.1.4." + row + " integer " + std::to_string(supplyClass));
        Line(".1.3.6.1.2.1.43.11.1.1.5." + row + " integer " + std::to_string(type));
        Line(".1.3.6.1.2.1.43.11.1.1.6." + row + " string " + text);
        Line(".1.3.6.1.2.1.43.11.1.1.8." + row + " integer " + std::to_string(max));
        Line(".1.3.6.1.2.1.43.11.1.1.9." + row + " integer " + std::to_string(level));
        return *this;
    }
    MibData& Colorant(int index, const std::string& name) {
        Line(".1.3.6.1.2.1.43.12.1.1.4.1." + std::to_string(index) + " string " + name);
        return *this;
    }
    MibData& Alert(int index, int severity, int group, int groupIndex, int code) {
        std::string row = "1." + std::to_string(index);
        Line(".1.3.6.1.2.1.43.18.1.1.2." + row + " integer " + std::to_string(severity));
        Line(".1.3.6.1.2.1.43.18.1.1.4." + row + " integer " + std::to_string(group));
        Line(".1.3.6.1.2.1.43.18.1.1.5." + row + " integer " + std::to_string(groupIndex));
        Line(".1.3.6.1.2.1.43.18.1.1.7." + row + " integer " + std::to_string(code));
        Line(".1.3.6.1.2.1.43.18.1.1.8." + row + " string alert " + std::to_string(code));
        return *this;
    }
    // Six inks (black, cyan, magenta, yellow, light cyan, light magenta) in
    // percent of a 400-unit cartridge; a negative level is sent as it is.
    MibData& SixInks(std::initializer_list<int> percents) {
        const char* names[] = {"black", "cyan", "magenta", "yellow", "light cyan", "light magenta"};
        int i = 1;
        for (int p : percents) {
            Colorant(i, names[i - 1]);
            Supply(i, i, 3, 6, std::string(names[i - 1]) + " ink cartridge", 400,
                   p < 0 ? p : p * 4);
            ++i;
        }
        return *this;
    }
    MibData& WasteBox(long long remaining) {
        return Supply(7, 0, 4, 8, "waste ink box", 1000, remaining);
    }
    MibData& Silent() {
        Line("silent");
        return *this;
    }
    MibData& Line(const std::string& line) {
        text_ += line + "\n";
        return *this;
    }

    // Replaces the agent's data in one step (the agent reads the file per request).
    bool Write() const {
        const char* path = std::getenv("PQIF_SNMP_DATA");
        if (!path)
            return false;
        std::string temporary = std::string(path) + ".tmp";
        FILE* f = std::fopen(temporary.c_str(), "wb");
        if (!f)
            return false;
        bool ok = std::fwrite(text_.data(), 1, text_.size(), f) == text_.size();
        ok = std::fclose(f) == 0 && ok;
        return ok && ::MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING);
    }

private:
    std::string text_;
};

// The standard ready printer with six inks.
inline MibData ReadyPrinter() {
    MibData d;
    d.Printer(2, 3).SixInks({80, 70, 60, 50, 40, 30}).WasteBox(900);
    return d;
}

inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG end = ::GetTickCount64() + timeoutMs;
    do {
        if (condition())
            return true;
        ::Sleep(50);
    } while (::GetTickCount64() < end);
    return condition();
}

// A UDP "agent" on 127.0.0.1 that answers every datagram with what `answer`
// makes of it (nothing when it returns an empty string).
class ScriptedAgent {
public:
    using Answer = std::function<std::string(const std::string& request)>;

    explicit ScriptedAgent(Answer answer) : answer_(std::move(answer)) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedAgent() {
        stop_ = true;
        ::closesocket(socket_);
        thread_.join();
        ::WSACleanup();
    }
    ScriptedAgent(const ScriptedAgent&) = delete;
    ScriptedAgent& operator=(const ScriptedAgent&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    int received() const { return received_; }

private:
    void Serve() {
        std::vector<char> buffer(65536);
        while (!stop_) {
            sockaddr_in from{};
            int fromLength = sizeof from;
            int n = ::recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0)
                return;
            ++received_;
            std::string reply = answer_(std::string(buffer.data(), static_cast<size_t>(n)));
            if (!reply.empty())
                ::sendto(socket_, reply.data(), static_cast<int>(reply.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    }

    Answer answer_;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<int> received_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace snmptest
