// pqif: the status interface library from the command line.
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "V_PQIF07.h"
#include "status/PrinterKey.h"
#include "status/StatusMap.h"
#include "status/StatusReply.h"
#include "support/Registry.h"
#include "tools/pqif/JournalCommands.h"
#include "tools/pqif/JsonText.h"
#include "device/KLApiBinding.h"
#include "tools/pqif/PrinterChannels.h"
#include "tools/pqif/MonitorCommand.h"
#include "tools/pqif/StatusReport.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: pqif status PRINTER [--port PORT] [--model MODEL] [--json]\n"
    "       pqif select PRINTER [--port PORT]\n"
    "       pqif raw PRINTER [--port PORT]\n"
    "       pqif defaults INI SECTION PRINTERKEY\n"
    "       pqif items RESOURCEDLL\n"
    "       pqif popup|detail PRINTER [--port PORT] [--model MODEL] [--ini SETTINGSFILE]\n"
    "                   [--res RESOURCEDLL]\n"
    "       pqif progress PRINTER [the same options] [--job ID] [--print DOCUMENT]...\n"
    "       pqif history PRINTER [--json] [--since TIME]\n"
    "       pqif watch PRINTER... [--json] [--count N]\n"
    "       pqif --help\n"
    "\n"
    "  status    query the printer's state through PrGetStatusB and decode the\n"
    "            reply recorded in its key\n"
    "  select    list the printer's channels and show the one PrSelectChan picks\n"
    "  raw       read data waiting on the status channel (PrGetPrnData)\n"
    "  defaults  copy a model's defaults into a printer key (SetRegDefaultValue);\n"
    "            PRINTERKEY is a path below HKEY_CURRENT_USER\n"
    "  items     list the notification items of a resource library (PrEnumItem)\n"
    "  popup     open the monitor window as a status alert (PrStartKVR_S)\n"
    "  detail    open the monitor window's detail view (PrStartKVR_D)\n"
    "  history   the state changes a network printer's journal recorded (TIME: UTC\n"
    "            2026-12-10T06:30[:00], or an age such as 10m, 2h)\n"
    "  watch     one line per change of the printers' state as it happens (JSON\n"
    "            lines with --json), until interrupted or after N lines\n"
    "  progress  open the progress meter for a spooler job (PrStartKVR_PM): the job\n"
    "            --job names, or each DOCUMENT that --print spools from pqif itself;\n"
    "            the first is followed from the start, the others are handed to the\n"
    "            running window\n"
    "\n"
    "popup, detail and progress return when the window has closed. What they are\n"
    "not given comes from the installation: the port from the spooler, the model\n"
    "from the printer's device ID, its settings file from the product's profile\n"
    "key, the resource library from the settings file's language section (else\n"
    "KVRRES_EN.DLL beside pqif.exe).\n"
    "\n"
    "PRINTER is a spooler printer name; pass \"\" with --port to address a port.\n"
    "With --json, standard output holds one JSON object, also when status fails\n"
    "(then with \"error\" and \"exitCode\").\n"
    "Exit status: 0 done, 1 failed, 2 bad arguments.\n";

int Usage(const char* problem) {
    if (problem)
        std::fprintf(stderr, "pqif: %s\n", problem);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "pqif: %s\n", message.c_str());
    return kExitFailed;
}

// With --json a failure is one JSON object on standard output, like a result,
// and nothing goes to standard error; the exit status is the same.
int JsonFail(const std::string& command, const std::string& printer, const std::string& port,
             const std::string& message, int exitCode) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (!printer.empty() || !port.empty()) {
        fields.emplace_back("printer", JsonString(printer));
        fields.emplace_back("port", JsonString(port));
    }
    std::fputs(JsonFailure(command, fields, message, exitCode).c_str(), stdout);
    return exitCode;
}

struct Options {
    std::vector<std::string> positional;
    std::string port;
    std::string model;
    bool hasModel = false;
    bool json = false;
    bool help = false;
};

// Options may stand anywhere after the command. Returns an error text or "".
std::string ParseOptions(int argc, char** argv, bool statusOptions, Options* o) {
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            o->help = true;
        } else if (a == "--port" || a == "--model") {
            if (i + 1 >= argc)
                return a + " needs a value";
            if (a == "--model" && !statusOptions)
                return "unknown option " + a;
            if (a == "--port")
                o->port = argv[++i];
            else {
                o->model = argv[++i];
                o->hasModel = true;
            }
        } else if (a == "--json") {
            if (!statusOptions)
                return "unknown option " + a;
            o->json = true;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return "unknown option " + a;
        } else {
            o->positional.push_back(a);
        }
    }
    return {};
}

// The by-printer rule: the printer name when there is one, else the port.
struct Target {
    int byPrinter;
    const char* name;
};

Target TargetOf(const std::string& printer, const std::string& port) {
    if (!printer.empty())
        return {1, printer.c_str()};
    return {0, port.c_str()};
}

// Lists the channels and picks the status channel; 0 when none qualifies.
bool SelectChannel(KLApiBinding& klapi, const Target& target, StatusReport* report,
                   std::string* error) {
    if (!ListChannels(klapi, target.byPrinter, target.name, &report->channels, error))
        return false;
    LONG kind = 0, a = 0, b = 0;
    LONG rc = PrSelectChan(0, report->channels.data(), static_cast<LONG>(report->channels.size()),
                           &kind, &a, &b);
    if (rc != 0 || kind == 0) {
        *error = "no channel of the printer carries status";
        return false;
    }
    report->channelKind = kind;
    return true;
}

void ReadRecordedReply(StatusReport* r) {
    char path[PrinterKeyPathSize];
    if (FindPrinterKeyFor(r->printer.c_str(), r->port.c_str(), path) != 0)
        return;
    r->hasKey = true;
    Registry key(HKEY_CURRENT_USER, path);
    const DWORD comStatus = key.GetDword("ComStatus", 2);
    std::vector<BYTE> bytes = key.GetBinary("Status");
    // A failed query leaves the last good reply in place: only a fresh one counts.
    if (comStatus != 1 || ParseStatusReply(bytes.data(), bytes.size(), &r->reply) != 0)
        return;
    r->hasReply = true;
    const int number = StatusNumber(r->reply);
    r->indicators = IndicatorMask(r->reply, number);
    int result = 0;
    MapStatusNumber(number, &result, &r->item);
}

int Status(const Options& o) {
    const std::string printer = o.positional.empty() ? std::string() : o.positional[0];
    auto usage = [&](const char* problem) {
        return o.json ? JsonFail("status", printer, o.port, problem, kExitUsage) : Usage(problem);
    };
    auto fail = [&](const std::string& message) {
        return o.json ? JsonFail("status", printer, o.port, message, kExitFailed) : Fail(message);
    };
    if (o.positional.size() != 1)
        return usage("status takes one PRINTER");
    StatusReport report;
    report.printer = printer;
    report.port = o.port;
    Target target = TargetOf(report.printer, report.port);
    if (!*target.name)
        return usage("give a PRINTER, or \"\" and --port PORT");

    KLApiBinding klapi;
    if (!klapi.IsInitialized())
        return fail(BindingProblem(klapi));
    report.model = o.hasModel ? o.model : ModelOfDevice(klapi, target.byPrinter, target.name);
    std::string error;
    if (!SelectChannel(klapi, target, &report, &error))
        return fail(error);
    int channel = klapi.KLOpenChannel(target.byPrinter, target.name, report.channelKind);
    if (channel == 0)
        return fail("the status channel " + Hex(report.channelKind, 8) + " did not open");

    report.call =
        PrGetStatusB(0, report.channelKind, channel, &report.resultCode, &report.printerState,
                     &report.sound, &report.notify, report.printer.c_str(), report.port.c_str(), 0,
                     report.model.c_str(), &report.activity);
    CloseChannel(klapi, channel);
    if (report.call == 1) {
        ReadRecordedReply(&report);
        // A network printer that stopped answering still has its last answer.
        if (!report.hasReply) {
            LastKnown last;
            if (LastKnownOf(report.printer, &last)) {
                report.hasLastKnown = true;
                report.lastAnswer = last.lastAnswer;
                report.lastAnswerAge = last.age;
                report.lastKnown = last.reply;
                report.lastKnownLevels = LevelsText(last.reply);
            }
        }
        // A failure reports its result code as the item.
        if (report.item < 0 && report.hasKey)
            report.item = report.resultCode;
    }

    std::string problem;
    if (report.call < 0)
        problem = "the channel is in use by another client";
    else if (report.call == 1 && !report.hasKey)
        problem =
            "no printer key for \"" + std::string(target.name) + "\": the reply was not recorded";
    else if (report.call == 1 && !report.hasReply && report.channelKind != PQIF_CHANNEL_RECORD)
        problem = "the printer's reply could not be read";
    const int exitCode = problem.empty() ? kExitOk : kExitFailed;
    if (o.json) {
        std::fputs(FormatJson(report, problem, exitCode).c_str(), stdout);
        return exitCode;
    }
    std::fputs(FormatText(report).c_str(), stdout);
    return problem.empty() ? kExitOk : Fail(problem);
}

// The one PRINTER (or port) that select and raw take, checked, with the library
// bound; -1 when both are usable, else the exit code.
int CheckTarget(const Options& o, const char* usage, const KLApiBinding& klapi, Target* target) {
    if (o.positional.size() != 1)
        return Usage(usage);
    *target = TargetOf(o.positional[0], o.port);
    if (!*target->name)
        return Usage("give a PRINTER, or \"\" and --port PORT");
    if (!klapi.IsInitialized())
        return Fail(BindingProblem(klapi));
    return -1;
}

int Select(const Options& o) {
    KLApiBinding klapi;
    Target target{};
    if (int exitCode = CheckTarget(o, "select takes one PRINTER", klapi, &target); exitCode >= 0)
        return exitCode;
    StatusReport report;
    std::string error;
    bool chosen = SelectChannel(klapi, target, &report, &error);
    for (const PQIF_CHANNEL_ENTRY& e : report.channels)
        std::printf("channel %s flags %s value %u%s\n",
                    Hex(static_cast<unsigned long>(e.channelId), 8).c_str(),
                    Hex(e.flags, 4).c_str(), e.value,
                    (e.flags & PQIF_CHANNEL_FLAG_STATUS) ? " status" : "");
    if (!chosen)
        return Fail(error);
    std::printf("selected %s\n", Hex(static_cast<unsigned long>(report.channelKind), 8).c_str());
    return kExitOk;
}

int Raw(const Options& o) {
    KLApiBinding klapi;
    Target target{};
    if (int exitCode = CheckTarget(o, "raw takes one PRINTER", klapi, &target); exitCode >= 0)
        return exitCode;
    StatusReport report;
    std::string error;
    if (!SelectChannel(klapi, target, &report, &error))
        return Fail(error);
    int channel = klapi.KLOpenChannel(target.byPrinter, target.name, report.channelKind);
    if (channel == 0)
        return Fail("the channel " + Hex(report.channelKind, 8) + " did not open");
    LONG value = 0;
    void* data = nullptr;
    LONG rc = PrGetPrnData(0, 0, channel, &value, &data);
    CloseChannel(klapi, channel);
    if (rc != 0)
        return Fail("PrGetPrnData failed (" + std::to_string(rc) + ")");
    if (!data) {
        std::printf("no data waiting\n");
        return kExitOk;
    }
    // The library hands over a LocalAlloc block of exactly the received length.
    const SIZE_T size = ::LocalSize(data);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::printf("%lu bytes: ", static_cast<unsigned long>(size));
    for (SIZE_T i = 0; i < size; ++i) {
        unsigned char c = bytes[i];
        if (c == '\\')
            std::printf("\\\\");
        else if (c >= 0x20 && c < 0x7F)
            std::putchar(c);
        else
            std::printf("\\x%02X", c);
    }
    std::putchar('\n');
    ::LocalFree(data);
    return kExitOk;
}

int Defaults(const Options& o) {
    if (o.positional.size() != 3 || !o.port.empty())
        return Usage("defaults takes INI SECTION PRINTERKEY");
    LONG rc = SetRegDefaultValue(o.positional[0].c_str(), o.positional[1].c_str(),
                                 o.positional[2].c_str());
    switch (rc) {
    case PQIF_DEFAULTS_WRITTEN:
        std::printf("defaults written\n");
        return kExitOk;
    case PQIF_DEFAULTS_NOTIFY_EXISTS:
        std::printf("defaults written; the existing item settings were kept\n");
        return kExitOk;
    case PQIF_DEFAULTS_NO_PRINTER_KEY:
        return Fail("the printer key HKEY_CURRENT_USER\\" + o.positional[2] + " does not exist");
    case PQIF_DEFAULTS_NO_ITEMNUM:
        return Fail("section [" + o.positional[1] + "] of " + o.positional[0] +
                    " has no valid ITEMNUM; item settings not written");
    case PQIF_DEFAULTS_ITEMS_MISSING:
        return Fail("fewer ITEM keys than ITEMNUM says; those found were written");
    default:
        return Fail("SetRegDefaultValue returned " + std::to_string(rc));
    }
}

int Items(const Options& o) {
    if (o.positional.size() != 1 || !o.port.empty())
        return Usage("items takes one RESOURCEDLL");
    HMODULE module = ::LoadLibraryExA(o.positional[0].c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return Fail("cannot load " + o.positional[0]);
    LONG index = 0;
    char name[260];
    LONG code = 0;
    while (PrEnumItem(module, &index, name, &code) == 0)
        std::printf("%3ld  item %3ld  %s\n", index - 1, code, name);
    ::FreeLibrary(module);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage(nullptr);
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (IsJournalCommand(command))
        return RunJournalCommand(argc, argv);
    if (IsMonitorCommand(command)) {
        MonitorOptions monitor;
        std::string problem = ParseMonitorOptions(argc, argv, &monitor);
        if (monitor.help) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (!problem.empty())
            return Usage(problem.c_str());
        return RunMonitorCommand(monitor);
    }
    const bool isStatus = command == "status";
    Options options;
    std::string error = ParseOptions(argc, argv, isStatus, &options);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (!error.empty()) {
        // The option that went wrong may come before --json.
        for (int i = 2; isStatus && i < argc; ++i) {
            if (std::strcmp(argv[i], "--json") == 0)
                return JsonFail(command, "", "", error, kExitUsage);
        }
        return Usage(error.c_str());
    }
    if (isStatus)
        return Status(options);
    if (command == "select")
        return Select(options);
    if (command == "raw")
        return Raw(options);
    if (command == "defaults")
        return Defaults(options);
    if (command == "items")
        return Items(options);
    return Usage(("unknown command " + command).c_str());
}
