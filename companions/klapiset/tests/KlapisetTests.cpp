// klapiset.exe run as the monitor window runs it: a real window to answer to,
// the router key in the registry, and the answer message read from the queue.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "companions/resources/tests/ResourceTestSupport.h"
#include "support/Registry.h"

namespace {

constexpr char kRouter[] = "software\\VORNE\\KLPrinter\\KLRequestRouter";
constexpr char kSim[] = "Software\\PqifSim\\klapiset";
constexpr UINT kAnswer = 1224;

struct SavedValue {
    DWORD type;
    std::vector<BYTE> data;
};

// Keeps the machine's router key as it was before the test and puts it back.
class RouterKeyGuard {
public:
    RouterKeyGuard() {
        HKEY key = nullptr;
        existed_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRouter, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (!existed_)
            return;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD nameLen = sizeof name, type = 0, size = 0;
            if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS)
                break;
            SavedValue v{type, std::vector<BYTE>(size)};
            nameLen = sizeof name;
            RegEnumValueA(key, i, name, &nameLen, nullptr, &type, v.data.data(), &size);
            saved_[name] = v;
        }
        RegCloseKey(key);
    }
    ~RouterKeyGuard() {
        Clear();
        if (!existed_)
            return;
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRouter, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        for (const auto& [name, v] : saved_)
            RegSetValueExA(key, name.c_str(), 0, v.type, v.data.data(),
                           static_cast<DWORD>(v.data.size()));
        RegCloseKey(key);
    }
    static void Clear() {
        Registry parent(HKEY_LOCAL_MACHINE, "software\\VORNE\\KLPrinter", false, KEY_ALL_ACCESS);
        parent.DeleteKey("KLRequestRouter");
    }

private:
    bool existed_ = false;
    std::map<std::string, SavedValue> saved_;
};

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    bool answered = false;
    LPARAM bits = 0;
};

class Klapiset : public ::testing::Test {
protected:
    void SetUp() override {
        RouterKeyGuard::Clear();
        Registry sim(HKEY_CURRENT_USER, "Software\\PqifSim", false, KEY_ALL_ACCESS);
        sim.DeleteKey("klapiset");
        window_ = CreateWindowA("STATIC", "klapiset answer", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dir = path;
        tool_ = dir.substr(0, dir.rfind('\\')) + "\\klapiset.exe";
    }
    void TearDown() override {
        Registry sim(HKEY_CURRENT_USER, "Software\\PqifSim", false, KEY_ALL_ACCESS);
        sim.DeleteKey("klapiset");
        if (window_)
            DestroyWindow(window_);
    }

    std::string AnswerTo(HWND w = nullptr, UINT message = kAnswer) const {
        char text[64];
        std::snprintf(text, sizeof text, "/Ret=WM:%08X;%08X",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(w ? w : window_)), message);
        return text;
    }
    std::string Standard(const char* driver = "Kestrel_K7") const {
        return std::string(" /Act=Ch /AN=\"") + driver + "\" " + AnswerTo() + " /KLP=A:On";
    }

    // Starts the tool with the install path unquoted, as the window builds it.
    ToolRun Run(const std::string& options, bool quotePath = false) {
        std::string line = (quotePath ? "\"" + tool_ + "\"" : tool_) + options;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ToolRun run;
        if (!CreateProcessA(tool_.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi)) {
            ADD_FAILURE() << "cannot start " << tool_;
            return run;
        }
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        // The answer is posted before the tool ends, so it is queued by now.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == kAnswer && msg.hwnd == window_) {
                EXPECT_FALSE(run.answered) << "answered twice";
                run.answered = true;
                run.bits = msg.lParam;
            } else {
                DispatchMessageA(&msg);
            }
        }
        return run;
    }

    static void SetRouter(const std::vector<std::pair<std::string, std::string>>& values) {
        Registry router(HKEY_LOCAL_MACHINE, kRouter, true);
        for (const auto& [name, text] : values)
            EXPECT_TRUE(router.SetString(name.c_str(), text.c_str()));
    }
    static std::map<std::string, std::string> ReadRouter() {
        std::map<std::string, std::string> values;
        Registry router(HKEY_LOCAL_MACHINE, kRouter);
        for (DWORD i = 0;; ++i) {
            const std::string name = router.EnumValue(i);
            if (name.empty())
                break;
            values[name] = router.GetString(name.c_str(), "", 1024);
        }
        return values;
    }
    // The monitor window's test: one value of each kind among KLP00..KLP99.
    static bool RouterComplete() {
        bool lpt = false, ip = false, ipx = false;
        for (const auto& [name, text] : ReadRouter()) {
            std::string up = text;
            for (char& ch : up)
                ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
            if (up.rfind("LPT", 0) == 0)
                lpt = true;
            else if (up.rfind("KLPIP", 0) == 0)
                ip = true;
            else if (up.rfind("IPX", 0) == 0)
                ipx = true;
        }
        return lpt && ip && ipx;
    }
    static void SetSim(const char* name, DWORD value) {
        Registry sim(HKEY_CURRENT_USER, kSim, true);
        EXPECT_TRUE(sim.SetDword(name, value));
    }

    HWND window_ = nullptr;
    std::string tool_;

private:
    RouterKeyGuard guard_;
};

} // namespace

TEST_F(Klapiset, CompletesTheRouterAndAnswersDone) {
    SetRouter({{"KLP00", "LPT1:"}, {"KLP01", "SHARE:\\\\server\\queue"}, {"KLP03", ""}});
    const ToolRun run = Run(Standard());
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.bits, 0x1);
    const auto values = ReadRouter();
    EXPECT_EQ(values.at("KLP00"), "LPT1:");
    EXPECT_EQ(values.at("KLP01"), "SHARE:\\\\server\\queue") << "a value of another kind is kept";
    EXPECT_EQ(values.at("KLP02").substr(0, 5), "KLPIP");
    EXPECT_EQ(values.at("KLP03").substr(0, 3), "IPX") << "an empty value is a free slot";
    EXPECT_TRUE(RouterComplete());

    // Run again on a complete router: nothing to add, nothing changed.
    const ToolRun again = Run(Standard());
    EXPECT_EQ(again.bits, 0x1);
    EXPECT_EQ(ReadRouter(), values);
}

TEST_F(Klapiset, CreatesTheRouterKeyWhenMissingAndRecordsTheRequest) {
    const ToolRun run = Run(Standard("Vorne Kestrel K7 (USB)"), true);
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.bits, 0x1);
    EXPECT_TRUE(RouterComplete());
    Registry sim(HKEY_CURRENT_USER, kSim);
    EXPECT_EQ(sim.GetString("LastDriver", "", 260), "Vorne Kestrel K7 (USB)");
    EXPECT_EQ(sim.GetDword("LastWindow", 0),
              static_cast<DWORD>(reinterpret_cast<uintptr_t>(window_)));
    EXPECT_EQ(sim.GetDword("Runs", 0), 1u);
}

TEST_F(Klapiset, ScriptedConditionsGiveTheirBits) {
    SetRouter({{"KLP00", "LPT1:"}});
    SetSim("RouterInUse", 1);
    ToolRun run = Run(Standard());
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.bits, 0x400);
    EXPECT_EQ(ReadRouter().size(), 1u) << "a router in use is not touched";

    SetSim("RouterInUse", 0);
    SetSim("DenyWrite", 1);
    run = Run(Standard());
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.bits, 0x80000) << "a failed write is reported, not called success";
    EXPECT_NE(run.exitCode, 0u);

    SetSim("DenyWrite", 0);
    SetSim("FileReplaced", 1);
    run = Run(Standard());
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.bits, 0x200000 | 0x1);
    EXPECT_TRUE(RouterComplete());
}

TEST_F(Klapiset, FullRouterIsNotOverwritten) {
    std::vector<std::pair<std::string, std::string>> values;
    for (int i = 0; i < 100; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "KLP%02d", i);
        values.push_back({name, i == 50 ? "LPT2:" : "SHARE:q" + std::to_string(i)});
    }
    SetRouter(values);
    const auto before = ReadRouter();
    const ToolRun run = Run(Standard());
    ASSERT_TRUE(run.answered);
    EXPECT_EQ(run.bits, 0x80000);
    EXPECT_EQ(ReadRouter(), before);
}

TEST_F(Klapiset, MalformedRequestsAreAnsweredWithAnErrorAndChangeNothing) {
    SetRouter({{"KLP00", "LPT1:"}});
    const std::string ret = AnswerTo();
    const std::string bad[] = {
        " /Act=Xx /AN=\"Kestrel_K7\" " + ret + " /KLP=A:On",
        " /Act=Ch " + ret + " /KLP=A:On",
        " /Act=Ch /AN=\"\" " + ret + " /KLP=A:On",
        " /Act=Ch /AN=\"" + std::string(300, 'D') + "\" " + ret + " /KLP=A:On",
        " /Act=Ch /AN=\"Kestrel_K7\" " + ret + " /KLP=A:On /Extra=1",
        " /Act=Ch /AN=\"Kestrel_K7\" /KLP=A:Off " + ret,
        " " + ret + " /Act=Ch /AN=\"Kestrel_K7\" /KLP=A:On /AN=\"Other\"",
        " " + ret + " /Act=Ch /AN=\"Kestrel_K7 /KLP=A:On",
    };
    for (const std::string& options : bad) {
        const ToolRun run = Run(options);
        ASSERT_TRUE(run.answered) << options.substr(0, 120);
        EXPECT_EQ(run.bits, 0x80000 | 0x2) << options.substr(0, 120);
    }
    EXPECT_EQ(ReadRouter().size(), 1u);
}

TEST_F(Klapiset, NoUsableAnswerAddressMeansNoAnswer) {
    HWND gone =
        CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    const std::string bad[] = {
        " /Act=Ch /AN=\"Kestrel_K7\" /KLP=A:On",
        " /Act=Ch /AN=\"Kestrel_K7\" /Ret=WM:ZZZZ;000004C8 /KLP=A:On",
        " /Act=Ch /AN=\"Kestrel_K7\" /Ret=WM:123456789;000004C8 /KLP=A:On",
        " /Act=Ch /AN=\"Kestrel_K7\" " + AnswerTo(nullptr, WM_CLOSE) + " /KLP=A:On",
        " /Act=Ch /AN=\"Kestrel_K7\" " + AnswerTo() + " " + AnswerTo() + " /KLP=A:On",
        " /Act=Ch /AN=\"Kestrel_K7\" " + AnswerTo(gone) + " /KLP=A:On",
        " " + std::string(30000, 'x'),
    };
    for (const std::string& options : bad) {
        const ToolRun run = Run(options);
        EXPECT_FALSE(run.answered) << options.substr(0, 120);
        EXPECT_NE(run.exitCode, 0u) << options.substr(0, 120);
    }
    EXPECT_TRUE(IsWindow(window_)) << "a system message was posted";
    EXPECT_TRUE(ReadRouter().empty());
}
