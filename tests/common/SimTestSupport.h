#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "companions/klapi/SimStore.h"

// Helpers for tests that run against the simulated bidirectional library.
namespace simtest {

// The folder of the running test program (build/win/bin, or a copy's folder).
inline std::string ProgramDir() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\'));
}

inline std::string VariantPath(const char* variant) {
    return ProgramDir() + "\\variants\\" + variant + "\\KLAPI.DLL";
}

inline bool KlapiLoaded() {
    return ::GetModuleHandleA("KLAPI.DLL") != nullptr;
}

// A simulated printer of the test's own, removed when the test ends.
class SimulatedPrinter {
public:
    explicit SimulatedPrinter(const std::string& name,
                              const std::string& model = simstore::DefaultModel)
        : name_(name), printer_(name.c_str()) {
        printer_.Remove();
        printer_.Add(model);
    }
    ~SimulatedPrinter() { printer_.Remove(); }
    SimulatedPrinter(const SimulatedPrinter&) = delete;
    SimulatedPrinter& operator=(const SimulatedPrinter&) = delete;

    const char* name() const { return name_.c_str(); }
    simstore::SimPrinter* operator->() { return &printer_; }

    void SetReply(const std::string& bytes) { printer_.SetBytes(simstore::ReplyValue, bytes); }
    void SetRaw(const std::string& bytes) { printer_.SetBytes(simstore::RawDataValue, bytes); }

private:
    std::string name_;
    simstore::SimPrinter printer_;
};

// How often an entry point was called since this object was made.
class CallCounter {
public:
    explicit CallCounter(const char* entryPoint)
        : entryPoint_(entryPoint), start_(simstore::CallCount(entryPoint)) {}
    DWORD Delta() const { return simstore::CallCount(entryPoint_) - start_; }

private:
    const char* entryPoint_;
    DWORD start_;
};

// Restores the default KLInitialize result when the test ends.
class InitResultGuard {
public:
    explicit InitResultGuard(LONG result) { simstore::SetInitResult(result); }
    ~InitResultGuard() { simstore::ClearInitResult(); }
    InitResultGuard(const InitResultGuard&) = delete;
    InitResultGuard& operator=(const InitResultGuard&) = delete;
};

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

namespace detail {
inline std::string DrainPipe(HANDLE pipe) {
    std::string text;
    char chunk[512];
    DWORD read = 0;
    while (::ReadFile(pipe, chunk, sizeof chunk, &read, nullptr) && read > 0)
        text.append(chunk, read);
    return text;
}
} // namespace detail

// Runs a program of the output folder (e.g. "simprinter.exe add X") in its own
// process and collects its exit code and output.
inline ProgramRun RunProgram(const std::string& commandLine) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0))
        return run;
    if (!::CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        ::CloseHandle(outRead);
        ::CloseHandle(outWrite);
        return run;
    }
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    std::string line =
        "\"" + ProgramDir() + "\\" + commandLine.substr(0, commandLine.find(' ')) + "\"" +
        (commandLine.find(' ') == std::string::npos ? std::string()
                                                    : commandLine.substr(commandLine.find(' ')));
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    BOOL started = ::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                                    CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (started) {
        // stderr is small (usage text); read stdout first, then stderr.
        run.out = detail::DrainPipe(outRead);
        run.err = detail::DrainPipe(errRead);
        ::WaitForSingleObject(process.hProcess, 60000);
        ::GetExitCodeProcess(process.hProcess, &run.exitCode);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return run;
}

} // namespace simtest
