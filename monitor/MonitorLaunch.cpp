#include "V_PQIF07.h"

#include <string>

#include "device/ChannelRecovery.h"
#include "device/KLApiBinding.h"
#include "device/PortRouting.h"
#include "exports/SettingsFile.h"
#include "exports/StatusLibraryApp.h"
#include "framework/Handles.h"
#include "framework/ResourceModule.h"
#include "jobs/JobMonitor.h"
#include "monitor/MonitorDlg.h"
#include "support/Registry.h"

namespace {

constexpr DWORD kRegistryStringSize = 256;
constexpr LONG kLaunchFailed = 1;
constexpr LONG kWindowRan = 0;

const char* Text(const char* s) {
    return s ? s : "";
}

// Status cannot be read on this system: the progress meter then shows jobs only.
bool StatusPollingOff(const char* settingsFile, const char* model) {
    {
        Registry common(HKEY_LOCAL_MACHINE, ChannelRecovery::KvrCommonKeyPath);
        if (common.IsOpen() && common.GetDword("ERR_OSVERNOTSUPPORT", 0) == 1)
            return true;
    }
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExA(&version) || version.dwMajorVersion != 5)
        return false;
    int win2000 = 1;
    return SettingsGetInt(settingsFile, model, "WIN2000", &win2000) == 0 && win2000 == 0;
}

// The ink library: "InkDll" of the model, in the driver's install directory.
UniqueModule LoadInkLibrary(const char* printerName, const char* settingsFile, const char* model) {
    std::string path;
    {
        const std::string driverKey = GetDriverKeyPath(printerName);
        Registry driver(HKEY_LOCAL_MACHINE, driverKey.c_str());
        if (!driverKey.empty() && driver.IsOpen()) {
            path = driver.GetString("InstallPath", "", kRegistryStringSize);
            if (!path.empty())
                path += "\\";
        }
    }
    char inkDll[SettingsStringSize] = {};
    if (SettingsGetString(settingsFile, model, "InkDll", inkDll) != 0 || !*inkDll)
        return UniqueModule();
    path += inkDll;
    return UniqueModule(::LoadLibraryA(path.c_str()));
}

LONG Launch(int view, const char* printerName, const char* portName, const char* model,
            const char* settingsFile, const char* resourceLibrary, LONG jobId) {
    printerName = Text(printerName);
    portName = Text(portName);
    model = Text(model);
    settingsFile = Text(settingsFile);

    // Torn down in reverse: the window first, so that it gives its channel back
    // while the binding is still there (a loop ended by WM_QUIT skips OnOK and
    // OnCancel), then the job monitor (stops its worker within its bound), and
    // the binding last.
    KLApiBinding binding;
    JobMonitor jobMonitor;
    CMonitorDlg dialog;

    if (!jobMonitor.SetPrinter(printerName, portName))
        return kLaunchFailed;
    int polling = 1;
    if (view == VIEW_PROGRESS && StatusPollingOff(settingsFile, model))
        polling = 0;
    if (polling && !binding.IsInitialized())
        return kLaunchFailed;

    if (!resourceLibrary)
        return kLaunchFailed;
    UniqueModule resources(::LoadLibraryA(resourceLibrary));
    if (!resources)
        return kLaunchFailed;
    const HINSTANCE previousResources = AfxGetResourceHandle();
    AfxSetResourceHandle(resources.get());
    IdleInterval = CMonitorDlg::GetIdleInterval();
    UniqueModule ink = LoadInkLibrary(printerName, settingsFile, model);

    if (view == VIEW_PROGRESS)
        jobMonitor.AddJob(static_cast<int32_t>(jobId));
    dialog.m_pJobMonitor = &jobMonitor;
    dialog.m_pBinding = &binding;
    dialog.m_hResource = resources.get();
    dialog.m_StartView = view;
    dialog.m_bStatusTimerOn = polling;
    dialog.Run(printerName, portName, model, settingsFile, nullptr);
    // The worker stops while the libraries are let go.
    jobMonitor.Stop();

    ink.reset();
    // Not left pointing at a library that is about to be unloaded.
    AfxSetResourceHandle(previousResources);
    resources.reset();
    return kWindowRan;
}

LONG GuardedLaunch(int view, const char* printerName, const char* portName, const char* model,
                   const char* settingsFile, const char* resourceLibrary, LONG jobId) noexcept {
    try {
        return Launch(view, printerName, portName, model, settingsFile, resourceLibrary, jobId);
    } catch (...) {
        return kLaunchFailed;
    }
}

} // namespace

extern "C" LONG WINAPI PrStartKVR_S(const char* printerName, const char* portName,
                                    const char* model, const char* settingsFile,
                                    const char* resourceLibrary) {
    return GuardedLaunch(VIEW_POPUP, printerName, portName, model, settingsFile, resourceLibrary,
                         0);
}

extern "C" LONG WINAPI PrStartKVR_D(const char* printerName, const char* portName,
                                    const char* model, const char* settingsFile,
                                    const char* resourceLibrary) {
    return GuardedLaunch(VIEW_DETAIL, printerName, portName, model, settingsFile, resourceLibrary,
                         0);
}

extern "C" LONG WINAPI PrStartKVR_PM(const char* printerName, const char* portName,
                                     const char* model, const char* settingsFile,
                                     const char* resourceLibrary, LONG jobId) {
    return GuardedLaunch(VIEW_PROGRESS, printerName, portName, model, settingsFile, resourceLibrary,
                         jobId);
}
