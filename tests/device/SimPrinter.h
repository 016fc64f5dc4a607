#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

#include "device/ChanSel.h"
#include "support/Registry.h"

// Scripts the simulated printer of the KLAPI.DLL stand-in through its registry
// contract (HKCU\Software\PqifSim). The printer is removed, and any scripted
// library-wide result cleared, when the object goes.
class SimPrinter {
public:
    static constexpr const char* Root = "Software\\PqifSim";

    explicit SimPrinter(std::string name) : name_(KeyName(std::move(name))) {
        Remove();
        Registry key(HKEY_CURRENT_USER, Path().c_str(), true);
    }
    ~SimPrinter() {
        Remove();
        Registry root(HKEY_CURRENT_USER, Root, true);
        root.DeleteValue("InitResult");
    }
    SimPrinter(const SimPrinter&) = delete;
    SimPrinter& operator=(const SimPrinter&) = delete;

    void DeviceId(const std::string& text) {
        EXPECT_TRUE(Key().SetString("DeviceID", text.c_str()));
    }
    void Channels(const std::vector<ChannelEntry>& list) {
        EXPECT_TRUE(Key().SetBinary("Channels", list.data(),
                                    static_cast<DWORD>(list.size() * sizeof(ChannelEntry))));
    }
    void Reply(const std::string& bytes) {
        EXPECT_TRUE(Key().SetBinary("Reply", bytes.data(), static_cast<DWORD>(bytes.size())));
    }
    void Raw(const std::string& bytes) {
        EXPECT_TRUE(Key().SetBinary("RawData", bytes.data(), static_cast<DWORD>(bytes.size())));
    }
    void InUse(bool on) { EXPECT_TRUE(Key().SetDword("InUse", on ? 1 : 0)); }
    void Fail(const std::string& entryPoint, int code) {
        EXPECT_TRUE(Key().SetDword(("Fail." + entryPoint).c_str(), static_cast<DWORD>(code)));
    }
    void Unfail(const std::string& entryPoint) {
        Key().DeleteValue(("Fail." + entryPoint).c_str());
    }

    // After a successful copy the library reports this many bytes more than it wrote.
    void Lie(const std::string& entryPoint, DWORD extra) {
        EXPECT_TRUE(Key().SetDword(("Lie." + entryPoint).c_str(), extra));
    }

    static void InitResult(int code) {
        Registry root(HKEY_CURRENT_USER, Root, true);
        EXPECT_TRUE(root.SetDword("InitResult", static_cast<DWORD>(code)));
    }
    static DWORD Calls(const char* entryPoint) {
        Registry calls(HKEY_CURRENT_USER, (std::string(Root) + "\\Calls").c_str());
        return calls.GetDword(entryPoint, 0);
    }
    static void ResetCalls() {
        Registry root(HKEY_CURRENT_USER, Root, true);
        root.DeleteKey("Calls");
    }

private:
    static std::string KeyName(std::string name) {
        std::replace(name.begin(), name.end(), '\\', '/');
        return name;
    }
    std::string Path() const { return std::string(Root) + "\\Printers\\" + name_; }
    Registry Key() const { return Registry(HKEY_CURRENT_USER, Path().c_str(), true); }
    void Remove() {
        Registry printers(HKEY_CURRENT_USER, (std::string(Root) + "\\Printers").c_str(), false,
                          KEY_ALL_ACCESS);
        printers.DeleteKey(name_.c_str());
    }

    std::string name_;
};
