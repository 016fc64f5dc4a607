#pragma once
#include <windows.h>
#include <cstdio>
#include <string>

#include "JobStore.h"
#include "ServiceNames.h"
#include "framework/Handles.h"

// Points the print manager's job store (for this process, the module loaded in
// it and every process it starts) at a file of this test program's own, empty.
class PrivateJobStore {
public:
    PrivateJobStore() {
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        char file[MAX_PATH];
        std::snprintf(file, sizeof file, "%svrpm_test_%lu.dat", temp, ::GetCurrentProcessId());
        path_ = file;
        ::SetEnvironmentVariableA("VRPM_STORE", path_.c_str());
        ::DeleteFileA(path_.c_str());
    }
    ~PrivateJobStore() { ::DeleteFileA(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// vrpmsvc.exe (or another server program) from the test program's folder,
// started and stopped by the test.
class ServiceProcess {
public:
    bool Start(const char* program = "vrpmsvc.exe", const char* arguments = "") {
        char path[MAX_PATH];
        DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
        std::string exe(path, length);
        exe.erase(exe.rfind('\\') + 1);
        exe += program;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::string command = "\"" + exe + "\" " + arguments;
        if (!::CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info))
            return false;
        ::CloseHandle(info.hThread);
        process_.reset(info.hProcess);
        for (int i = 0; i < 400; ++i) {
            UniqueKernelHandle ready(::OpenEventA(SYNCHRONIZE, FALSE, ServiceReadyEvent));
            if (ready && ::WaitForSingleObject(ready.get(), 0) == WAIT_OBJECT_0)
                return true;
            if (::WaitForSingleObject(process_.get(), 50) == WAIT_OBJECT_0)
                return false;
        }
        return false;
    }
    // True when the service ended by its stop event.
    bool Stop() {
        if (!process_)
            return true;
        UniqueKernelHandle stop(::OpenEventA(EVENT_MODIFY_STATE, FALSE, ServiceStopEvent));
        if (stop)
            ::SetEvent(stop.get());
        bool ended = ::WaitForSingleObject(process_.get(), 15000) == WAIT_OBJECT_0;
        if (!ended)
            ::TerminateProcess(process_.get(), 1);
        DWORD code = 1;
        ::GetExitCodeProcess(process_.get(), &code);
        process_.reset();
        return ended && code == 0;
    }
    void Kill() {
        if (!process_)
            return;
        ::TerminateProcess(process_.get(), 9);
        ::WaitForSingleObject(process_.get(), 10000);
        process_.reset();
        // The killed service cannot reset its ready event; wait until it is gone.
        for (int i = 0; i < 100; ++i) {
            UniqueKernelHandle ready(::OpenEventA(SYNCHRONIZE, FALSE, ServiceReadyEvent));
            if (!ready)
                break;
            ::Sleep(20);
        }
    }
    bool Exited() const {
        return !process_ || ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
    }
    ~ServiceProcess() { Stop(); }

private:
    UniqueKernelHandle process_;
};

inline int32_t ScriptJob(const ScriptedJob& script) {
    JobStore jobs;
    JobStore::Access store(jobs);
    return store ? AddScriptedJob(*store, script, JobStore::NowMs()) : 0;
}

template <typename Change> void ChangeStore(Change&& change) {
    JobStore jobs;
    JobStore::Access store(jobs);
    if (store)
        change(*store);
}
