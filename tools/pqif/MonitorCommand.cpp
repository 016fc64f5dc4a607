#include "tools/pqif/MonitorCommand.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "V_PQIF07.h"
#include "tools/pqif/InstallationLookup.h"
#include "tools/pqif/JobHandOff.h"
#include "device/KLApiBinding.h"
#include "tools/pqif/PrinterChannels.h"
#include "tools/pqif/SpooledJobs.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr const char* kFallbackResources = "KVRRES_EN.DLL";

int Fail(const std::string& message) {
    std::fprintf(stderr, "pqif: %s\n", message.c_str());
    return kExitFailed;
}

bool ParseJobId(const std::string& text, long* id) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno || *end || value < 1 || value > LONG_MAX)
        return false;
    *id = static_cast<long>(value);
    return true;
}

// The device ID's model, as `pqif status` finds it.
std::string ModelFromDevice(const std::string& printer, const std::string& port,
                            std::string* error) {
    KLApiBinding klapi;
    if (!klapi.IsInitialized()) {
        *error = BindingProblem(klapi);
        return {};
    }
    const bool byPrinter = !printer.empty();
    return ModelOfDevice(klapi, byPrinter ? 1 : 0, byPrinter ? printer.c_str() : port.c_str());
}

struct Launch {
    std::string printer;
    std::string port;
    std::string model;
    std::string settingsFile;
    std::string resourceLibrary;
};

// Fills in what the options leave out from the installation; "" or the problem.
std::string Complete(const MonitorOptions& o, Launch* launch) {
    launch->printer = o.positional[0];
    launch->port = o.hasPort ? o.port : SpoolerPortOf(launch->printer);
    launch->model = o.model;
    if (launch->model.empty()) {
        std::string error;
        launch->model = ModelFromDevice(launch->printer, launch->port, &error);
        if (launch->model.empty())
            return "the printer's model is not known" +
                   (error.empty() ? std::string() : " (" + error + ")") + "; give --model";
    }
    launch->settingsFile = o.settingsFile;
    if (launch->settingsFile.empty()) {
        launch->settingsFile = SettingsFileOf(launch->model);
        if (launch->settingsFile.empty())
            return "no settings file is installed for \"" + launch->model + "\"; give --ini";
    }
    launch->resourceLibrary = o.resourceLibrary;
    if (launch->resourceLibrary.empty())
        launch->resourceLibrary = InstalledResourceLibrary(launch->printer, launch->settingsFile);
    if (launch->resourceLibrary.empty())
        launch->resourceLibrary = BesideProgram(kFallbackResources);
    if (launch->resourceLibrary.empty())
        return "no resource library was found; give --res";
    return {};
}

int Report(const char* exportName, LONG result) {
    std::printf("%s returned %ld (%s)\n", exportName, result,
                result == 0 ? "the window ran" : "the launch failed");
    return result == 0 ? kExitOk : kExitFailed;
}

int Progress(const MonitorOptions& o, const Launch& l) {
    SpooledJobs spooled;
    std::vector<LONG> ids;
    if (o.hasJob)
        ids.push_back(o.job);
    for (const std::string& document : o.documents) {
        std::string error;
        const LONG id = spooled.Spool(l.printer, document, &error);
        if (id == 0)
            return Fail(error);
        std::printf("spooled \"%s\" as job %ld\n", document.c_str(), id);
        ids.push_back(id);
    }
    std::fflush(stdout);
    LONG result;
    {
        JobHandOff later(::GetCurrentThreadId(), std::vector<LONG>(ids.begin() + 1, ids.end()));
        result = PrStartKVR_PM(l.printer.c_str(), l.port.c_str(), l.model.c_str(),
                               l.settingsFile.c_str(), l.resourceLibrary.c_str(), ids.front());
    }
    return Report("PrStartKVR_PM", result);
}

} // namespace

bool IsMonitorCommand(const std::string& command) {
    return command == "popup" || command == "detail" || command == "progress";
}

std::string ParseMonitorOptions(int argc, char** argv, MonitorOptions* o) {
    o->view = argv[1];
    const bool progress = o->view == "progress";
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            o->help = true;
            continue;
        }
        const bool takesValue = a == "--port" || a == "--model" || a == "--ini" || a == "--res" ||
                                a == "--job" || a == "--print";
        if (!takesValue) {
            if (a.size() > 1 && a[0] == '-' && a[1] == '-')
                return "unknown option " + a;
            o->positional.push_back(a);
            continue;
        }
        if ((a == "--job" || a == "--print") && !progress)
            return a + " belongs to progress";
        if (i + 1 >= argc)
            return a + " needs a value";
        const std::string value = argv[++i];
        if (a == "--port") {
            o->port = value;
            o->hasPort = true;
        } else if (a == "--model") {
            o->model = value;
        } else if (a == "--ini") {
            o->settingsFile = value;
        } else if (a == "--res") {
            o->resourceLibrary = value;
        } else if (a == "--job") {
            if (o->hasJob)
                return "--job is given twice";
            if (!ParseJobId(value, &o->job))
                return "--job wants a spooler job id from 1 up, not \"" + value + "\"";
            o->hasJob = true;
        } else {
            if (value.empty())
                return "--print wants a document name";
            o->documents.push_back(value);
        }
    }
    if (o->help)
        return {};
    if (o->positional.size() != 1)
        return o->view + " takes one PRINTER";
    if (o->positional[0].empty() && o->port.empty())
        return "give a PRINTER, or \"\" and --port PORT";
    if (progress && !o->hasJob && o->documents.empty())
        return "progress follows a job: give --job ID or --print DOCUMENT";
    if (progress && !o->documents.empty() && o->positional[0].empty())
        return "--print needs a PRINTER name: the spooler has no queue for a bare port";
    return {};
}

int RunMonitorCommand(const MonitorOptions& o) {
    Launch launch;
    const std::string problem = Complete(o, &launch);
    if (!problem.empty())
        return Fail(problem);
    std::printf("%s window for \"%s\" (port \"%s\", model \"%s\")\n  settings: %s\n  resources: "
                "%s\n",
                o.view.c_str(), launch.printer.c_str(), launch.port.c_str(), launch.model.c_str(),
                launch.settingsFile.c_str(), launch.resourceLibrary.c_str());
    std::fflush(stdout);
    const Launch& l = launch;
    if (o.view == "progress")
        return Progress(o, l);
    if (o.view == "detail")
        return Report("PrStartKVR_D",
                      PrStartKVR_D(l.printer.c_str(), l.port.c_str(), l.model.c_str(),
                                   l.settingsFile.c_str(), l.resourceLibrary.c_str()));
    return Report("PrStartKVR_S", PrStartKVR_S(l.printer.c_str(), l.port.c_str(), l.model.c_str(),
                                               l.settingsFile.c_str(), l.resourceLibrary.c_str()));
}
