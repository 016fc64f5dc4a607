#include "V_PQIF07.h"

#include <string>

#include "device/ChannelRecovery.h"
#include "device/KLApiBinding.h"
#include "device/PortRouting.h"
#include "support/SettingsFile.h"
#include "support/ProcessValues.h"
#include "framework/Handles.h"
#include "framework/ResourceModule.h"
#include "jobs/JobMonitor.h"
#include "monitor/MonitorDlg.h"
#include "support/LibraryLoad.h"
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

// The ink library: "InkDll" of the model, in the driver's install folder (or
// this library's own). It registers the ink controls' window class: real code.
UniqueModule LoadInkLibrary(const std::string& installFolder, const char* settingsFile,
                            const char* model) {
    char inkDll[SettingsStringSize] = {};
    if (SettingsGetString(settingsFile, model, "InkDll", inkDll) != 0 || !*inkDll)
        return UniqueModule();
    return LoadCodeLibrary(inkDll, installFolder);
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
    // Libraries come from the driver's install folder or this library's own,
    // never from the current directory. The resource library's code never runs.
    const std::string installFolder = DriverInstallFolder(GetDriverKeyPath(printerName));
    UniqueModule resources = LoadResourceLibrary(resourceLibrary, installFolder);
    if (!resources)
        return kLaunchFailed;
    int idleInterval = 0;
    {
        // The window's texts are its own (see Run); the process-wide module stays.
        ResourceScope ownResources(resources.get());
        idleInterval = CMonitorDlg::GetIdleInterval();
    }
    // Kept for callers that read it; the window uses its own copy.
    IdleInterval = idleInterval;
    UniqueModule ink = LoadInkLibrary(installFolder, settingsFile, model);

    if (view == VIEW_PROGRESS)
        jobMonitor.AddJob(static_cast<int32_t>(jobId));
    dialog.m_pJobMonitor = &jobMonitor;
    dialog.m_pBinding = &binding;
    dialog.m_hResource = resources.get();
    dialog.m_ResourceLibraryName = resourceLibrary;
    dialog.m_StartView = view;
    dialog.m_IdleInterval = idleInterval;
    dialog.m_bStatusTimerOn = polling;
    dialog.Run(printerName, portName, model, settingsFile, nullptr);
    // The worker stops while the libraries are let go.
    jobMonitor.Stop();

    ink.reset();
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
