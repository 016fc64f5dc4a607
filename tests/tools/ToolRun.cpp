#include "tests/tools/ToolRun.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::string Drain(HANDLE pipe) {
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    // A console program's text output ends its lines with CR LF.
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines += text[i];
    return lines;
}

} // namespace

ToolRun RunTool(const std::string& commandLine, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    ::CreatePipe(&outRead, &outWrite, &inherit, 0);
    ::CreatePipe(&errRead, &errWrite, &inherit, 0);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = commandLine;
    ToolRun run;
    const BOOL started = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (!started) {
        ADD_FAILURE() << commandLine << ": did not start";
        ::CloseHandle(outRead);
        ::CloseHandle(errRead);
        return run;
    }
    std::thread readOut([&] { run.out = Drain(outRead); });
    std::thread readErr([&] { run.err = Drain(errRead); });
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD left = timeoutMs - (::GetTickCount() - start);
        if (static_cast<LONG>(left) <= 0) {
            ADD_FAILURE() << commandLine << ": did not end";
            ::TerminateProcess(process.hProcess, 99);
            break;
        }
        if (::MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, left, QS_ALLINPUT) ==
            WAIT_OBJECT_0)
            break;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    readOut.join();
    readErr.join();
    ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return run;
}
