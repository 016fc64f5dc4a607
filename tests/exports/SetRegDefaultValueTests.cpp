#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "V_PQIF07.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

const char* const kSection = "Vorne Kestrel K7";

class SetRegDefaultValueTest : public ::testing::Test {
protected:
    void SetUp() override { key_ = keys_.Add(SelectByPrinter, "p", "Kestrel_K7"); }

    LONG Run(const std::string& contents) {
        settings_ = std::make_unique<ModelSettings>(kSection, contents);
        return SetRegDefaultValue(settings_->path().c_str(), kSection, key_.c_str());
    }
    std::string Notify() const { return key_ + "\\Notify"; }

    TargetKeys keys_;
    std::string key_;
    std::unique_ptr<ModelSettings> settings_;
};

TEST_F(SetRegDefaultValueTest, WritesPlainValuesAndItems) {
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nSoundNotifyEnable=1\nTrayIconEnable=1\nSlipMax=12 ;c\n"
                  "PaperNearEnd=-3\nITEMNUM=3\nITEM000=1\nITEM005=0\nITEM012=1\nITEM020=1\n"),
              PQIF_DEFAULTS_WRITTEN);
    EXPECT_EQ(ReadDword(key_, "SoundNotifyEnable"), 1u);
    EXPECT_EQ(ReadDword(key_, "TrayIconEnable"), 1u);
    EXPECT_EQ(ReadDword(key_, "TrayIconSelected"), 0u); // missing switches are written as 0
    EXPECT_EQ(ReadDword(key_, "SlipMax"), 12u);
    EXPECT_EQ(ReadDword(key_, "PaperNearEnd"), static_cast<DWORD>(-3));
    EXPECT_EQ(ReadDword(key_, "MaxIC"), 0xDEADu); // missing limits are not written
    EXPECT_EQ(ReadDword(Notify(), "000"), 1u);
    EXPECT_EQ(ReadDword(Notify(), "005"), 0u);
    EXPECT_EQ(ReadDword(Notify(), "012"), 1u);
    EXPECT_EQ(ReadDword(Notify(), "020"), 0xDEADu); // the scan stops once ITEMNUM are found
}

TEST_F(SetRegDefaultValueTest, SecondCallKeepsTheItemsButRewritesValues) {
    ASSERT_EQ(Run("[Vorne Kestrel K7]\nSlipMax=5\nITEMNUM=1\nITEM000=1\n"), 0);
    EXPECT_TRUE(Registry(HKEY_CURRENT_USER, Notify().c_str(), true).SetDword("000", 0));
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nSlipMax=6\nITEMNUM=1\nITEM000=1\n"),
              PQIF_DEFAULTS_NOTIFY_EXISTS);
    EXPECT_EQ(ReadDword(key_, "SlipMax"), 6u);
    EXPECT_EQ(ReadDword(Notify(), "000"), 0u);
}

TEST_F(SetRegDefaultValueTest, MissingFileWritesSwitchesOnly) {
    EXPECT_TRUE(Registry(HKEY_CURRENT_USER, key_.c_str(), true).SetDword("MaxCaset", 3));
    EXPECT_TRUE(Registry(HKEY_CURRENT_USER, key_.c_str(), true).SetDword("SoundNotifyEnable", 1));
    EXPECT_EQ(SetRegDefaultValue("C:\\no\\such\\file.ini", kSection, key_.c_str()),
              PQIF_DEFAULTS_NO_ITEMNUM);
    EXPECT_EQ(ReadDword(key_, "SoundNotifyEnable"), 0u);
    EXPECT_EQ(ReadDword(key_, "TrayIconSelected"), 0u);
    EXPECT_EQ(ReadDword(key_, "MaxCaset"), 3u);
    Registry notify(HKEY_CURRENT_USER, Notify().c_str());
    EXPECT_TRUE(notify.IsOpen());
    EXPECT_EQ(notify.EnumValue(0), "");
}

TEST_F(SetRegDefaultValueTest, ItemCountProblems) {
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM =2\nITEM000=1\n"), PQIF_DEFAULTS_NO_ITEMNUM);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).DeleteKey("Notify");
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM=-2\nITEM000=1\n"), PQIF_DEFAULTS_NO_ITEMNUM);
    EXPECT_EQ(ReadDword(Notify(), "000"), 0xDEADu);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).DeleteKey("Notify");
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM=3\nITEM001=1\nITEM999=0\n[Next]\nITEM002=1\n"),
              PQIF_DEFAULTS_ITEMS_MISSING);
    EXPECT_EQ(ReadDword(Notify(), "001"), 1u);
    EXPECT_EQ(ReadDword(Notify(), "999"), 0u);
    EXPECT_EQ(ReadDword(Notify(), "002"), 0xDEADu);
    Registry(HKEY_CURRENT_USER, key_.c_str(), true).DeleteKey("Notify");
    EXPECT_EQ(Run("[Vorne Kestrel K7]\nITEMNUM=0\n"), PQIF_DEFAULTS_WRITTEN);
}

TEST_F(SetRegDefaultValueTest, PrinterKeyIsNeverCreated) {
    const std::string absent = std::string(PrinterTargetsPath) + "\\absent";
    EXPECT_EQ(SetRegDefaultValue("x.ini", kSection, absent.c_str()), PQIF_DEFAULTS_NO_PRINTER_KEY);
    EXPECT_FALSE(Registry(HKEY_CURRENT_USER, absent.c_str()).IsOpen());
    EXPECT_EQ(SetRegDefaultValue("x.ini", kSection, nullptr), PQIF_DEFAULTS_NO_PRINTER_KEY);
}

// A settings "file" served through a named pipe, one connection per read: before
// answering read number `at` (counted from 1) it runs `meanwhile`, so a key can
// go away while the export holds it open. Every wait is bounded.
class HeldBackSettings {
public:
    HeldBackSettings(std::string contents, int at, std::function<void()> meanwhile)
        : contents_(std::move(contents)), at_(at), meanwhile_(std::move(meanwhile)),
          stop_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), first_(Listen()),
          thread_([this] { Serve(); }) {}
    ~HeldBackSettings() {
        ::SetEvent(stop_);
        thread_.join();
        ::CloseHandle(stop_);
    }
    static const char* Path() { return "\\\\.\\pipe\\PqifHeldBackSettings"; }
    int Reads() const { return reads_; }

private:
    // A listening instance exists before the export opens the next read.
    HANDLE Listen() const {
        return ::CreateNamedPipeA(Path(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 4096, 4096,
                                  0, nullptr);
    }
    void Serve() {
        HANDLE pipe = first_;
        OVERLAPPED connect = {};
        connect.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        while (pipe != INVALID_HANDLE_VALUE) {
            ::ResetEvent(connect.hEvent);
            if (!::ConnectNamedPipe(pipe, &connect) && ::GetLastError() == ERROR_IO_PENDING) {
                HANDLE events[] = {connect.hEvent, stop_};
                if (::WaitForMultipleObjects(2, events, FALSE, 20000) != WAIT_OBJECT_0) {
                    ::CancelIo(pipe);
                    ::CloseHandle(pipe);
                    break;
                }
            }
            if (++reads_ == at_)
                meanwhile_();
            HANDLE next = Listen();
            DWORD written = 0;
            OVERLAPPED write = {};
            write.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
            if (!::WriteFile(pipe, contents_.data(), static_cast<DWORD>(contents_.size()), &written,
                             &write) &&
                ::GetLastError() == ERROR_IO_PENDING)
                ::GetOverlappedResult(pipe, &write, &written, TRUE); // fits the pipe's buffer
            ::CloseHandle(write.hEvent);
            ::CloseHandle(pipe);
            pipe = next;
        }
        ::CloseHandle(connect.hEvent);
    }

    std::string contents_;
    int at_;
    std::function<void()> meanwhile_;
    int reads_ = 0;
    HANDLE stop_;
    HANDLE first_; // made before the export can look for it
    std::thread thread_;
};

// A write that fails is not reported as success, and a printer key that went
// away is not made again by its "Notify" subkey.
TEST_F(SetRegDefaultValueTest, FailedWritesAreReported) {
    const std::string contents =
        "[Vorne Kestrel K7]\nSoundNotifyEnable=1\nSlipMax=4\nITEMNUM=2\nITEM000=1\nITEM001=0\n";
    {
        HeldBackSettings settings(contents, 1, [&] {
            EXPECT_EQ(::RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()), ERROR_SUCCESS);
        });
        EXPECT_EQ(SetRegDefaultValue(HeldBackSettings::Path(), kSection, key_.c_str()),
                  PQIF_DEFAULTS_NO_PRINTER_KEY);
        EXPECT_EQ(settings.Reads(), 1) << "nothing more is read once a write failed";
    }
    EXPECT_FALSE(Registry(HKEY_CURRENT_USER, key_.c_str()).IsOpen());

    key_ = keys_.Add(SelectByPrinter, "p", "Kestrel_K7");
    {
        // Reads: three switches, seven limits, ITEMNUM, then ITEM000.
        HeldBackSettings settings(contents, 12, [&] {
            EXPECT_EQ(::RegDeleteKeyA(HKEY_CURRENT_USER, Notify().c_str()), ERROR_SUCCESS);
        });
        EXPECT_EQ(SetRegDefaultValue(HeldBackSettings::Path(), kSection, key_.c_str()),
                  PQIF_DEFAULTS_NOTIFY_EXISTS);
        EXPECT_EQ(settings.Reads(), 12);
    }
    EXPECT_EQ(ReadDword(key_, "SoundNotifyEnable"), 1u) << "what was written stays";
    EXPECT_EQ(ReadDword(key_, "SlipMax"), 4u);
    EXPECT_FALSE(Registry(HKEY_CURRENT_USER, Notify().c_str()).IsOpen());
}

} // namespace
