// simprinter: scripts the simulated printers that KLAPI.DLL answers for.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "IppUri.h"
#include "SnmpClient.h"
#include "companions/klapi/SimStore.h"
#include "companions/klapi/simprinter/TextCodec.h"

using simstore::SimPrinter;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Entry points that answer for a printer and can be scripted to fail.
const char* const kScriptable[] = {
    "KLGetDeviceID", "KLGetAvailableChannel", "KLOpenChannel", "KLCloseChannel",
    "KLSetOption",   "KLReceiveCancel",       "KLGetStatus",   "KLReceive"};
const char* const kLying[] = {"KLGetStatus", "KLReceive"};

const char kUsage[] =
    "usage:\n"
    "  simprinter add NAME [--model MODEL]\n"
    "  simprinter remove NAME\n"
    "  simprinter set NAME reply|deviceid|raw TEXT     (TEXT takes C escapes: \\r \\n \\f "
    "\\xNN ...)\n"
    "  simprinter set NAME channels \"ID:FLAGS:VALUE,...\"  (decimal or 0x hex)\n"
    "  simprinter unset NAME reply|deviceid|raw|channels\n"
    "  simprinter fail NAME ENTRYPOINT CODE\n"
    "  simprinter unfail NAME ENTRYPOINT\n"
    "  simprinter lie NAME KLGetStatus|KLReceive EXTRA  (claim EXTRA bytes more; 0 = off)\n"
    "  simprinter inuse NAME on|off\n"
    "  simprinter ipp NAME URI [--interval MS] [--timeout MS]  (answer from an IPP printer)\n"
    "  simprinter ipp NAME off\n"
    "  simprinter snmp NAME HOST[:PORT] [--community C] [--version 1|2c] [--interval MS]\n"
    "                  [--timeout MS] [--retries N]  (answer from an SNMP Printer MIB)\n"
    "  simprinter snmp NAME off\n"
    "  simprinter init-result CODE\n"
    "  simprinter show NAME\n"
    "  simprinter list\n"
    "  simprinter calls [reset]\n";

int Usage(const char* problem) {
    if (problem)
        std::fprintf(stderr, "simprinter: %s\n", problem);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int Failed(const std::string& message) {
    std::fprintf(stderr, "simprinter: %s\n", message.c_str());
    return kExitFailed;
}

template <size_t N> bool IsOneOf(const char* name, const char* const (&list)[N]) {
    for (const char* item : list) {
        if (std::strcmp(name, item) == 0)
            return true;
    }
    return false;
}

bool ParseCode(const char* text, LONG* code) {
    long long value = 0;
    if (!ParseNumber(text, -2147483648LL, 0xFFFFFFFFLL, &value))
        return false;
    *code = static_cast<LONG>(static_cast<DWORD>(value));
    return true;
}

// The printer a command works on; it must exist.
bool Existing(const char* name, SimPrinter* printer, int* exitCode) {
    if (!printer->IsValidName()) {
        *exitCode = Usage("NAME must be 1 to 255 characters");
        return false;
    }
    if (!printer->Exists()) {
        *exitCode = Failed(std::string("no simulated printer \"") + name + "\"");
        return false;
    }
    return true;
}

int Add(int argc, char** argv) {
    std::string model = simstore::DefaultModel;
    if (argc == 5 && std::strcmp(argv[3], "--model") == 0 && argv[4][0])
        model = argv[4];
    else if (argc != 3)
        return Usage("add takes NAME [--model MODEL]");
    SimPrinter printer(argv[2]);
    if (!printer.IsValidName())
        return Usage("NAME must be 1 to 255 characters");
    if (!printer.Add(model))
        return Failed("cannot create the printer's key");
    return kExitOk;
}

int Remove(int argc, char** argv) {
    if (argc != 3)
        return Usage("remove takes NAME");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    return printer.Remove() ? kExitOk : Failed("cannot remove the printer's key");
}

int Set(int argc, char** argv) {
    if (argc != 5)
        return Usage("set takes NAME WHAT TEXT");
    SimPrinter printer(argv[2]);
    std::string what = argv[3];
    if (what != "reply" && what != "deviceid" && what != "raw" && what != "channels")
        return Usage("set NAME takes reply, deviceid, raw or channels");
    std::string bytes, error;
    std::vector<std::uint8_t> channels;
    if (what == "channels") {
        if (!ParseChannelList(argv[4], &channels, &error))
            return Usage(error.c_str());
    } else if (!DecodeEscapes(argv[4], &bytes, &error)) {
        return Usage(error.c_str());
    }
    if (what == "deviceid" && bytes.find('\0') != std::string::npos)
        return Usage("a device ID cannot hold a zero byte");
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    bool written = what == "reply"      ? printer.SetBytes(simstore::ReplyValue, bytes)
                   : what == "raw"      ? printer.SetBytes(simstore::RawDataValue, bytes)
                   : what == "deviceid" ? printer.SetDeviceId(bytes)
                                        : printer.SetBytes(simstore::ChannelsValue, channels);
    return written ? kExitOk : Failed("cannot write the value");
}

int Unset(int argc, char** argv) {
    if (argc != 4)
        return Usage("unset takes NAME WHAT");
    std::string what = argv[3];
    const char* value = what == "reply"      ? simstore::ReplyValue
                        : what == "raw"      ? simstore::RawDataValue
                        : what == "deviceid" ? simstore::DeviceIdValue
                        : what == "channels" ? simstore::ChannelsValue
                                             : nullptr;
    if (!value)
        return Usage("unset NAME takes reply, deviceid, raw or channels");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    printer.DeleteValue(value);
    return kExitOk;
}

int Fail(int argc, char** argv, bool set) {
    if (argc != (set ? 5 : 4))
        return Usage(set ? "fail takes NAME ENTRYPOINT CODE" : "unfail takes NAME ENTRYPOINT");
    if (!IsOneOf(argv[3], kScriptable))
        return Usage("ENTRYPOINT must be one of KLGetDeviceID, KLGetAvailableChannel, "
                     "KLOpenChannel, KLCloseChannel, KLSetOption, KLReceiveCancel, "
                     "KLGetStatus, KLReceive");
    LONG code = 0;
    if (set && !ParseCode(argv[4], &code))
        return Usage("CODE must be a 32-bit number");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    if (!set) {
        printer.ClearScriptedResult(argv[3]);
        return kExitOk;
    }
    return printer.SetScriptedResult(argv[3], code) ? kExitOk : Failed("cannot write the value");
}

int Lie(int argc, char** argv) {
    if (argc != 5)
        return Usage("lie takes NAME ENTRYPOINT EXTRA");
    if (!IsOneOf(argv[3], kLying))
        return Usage("lie works on KLGetStatus and KLReceive");
    long long extra = 0;
    if (!ParseNumber(argv[4], 0, 0x7FFFFFFF, &extra))
        return Usage("EXTRA must be a number of bytes, 0 or more");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    return printer.SetLie(argv[3], static_cast<LONG>(extra)) ? kExitOk
                                                             : Failed("cannot write the value");
}

int InUse(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[3], "on") != 0 && std::strcmp(argv[3], "off") != 0))
        return Usage("inuse takes NAME on|off");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    return printer.SetInUse(std::strcmp(argv[3], "on") == 0) ? kExitOk
                                                             : Failed("cannot write the value");
}

int InitResult(int argc, char** argv) {
    LONG code = 0;
    if (argc != 3 || !ParseCode(argv[2], &code))
        return Usage("init-result takes a 32-bit CODE");
    return simstore::SetInitResult(code) ? kExitOk : Failed("cannot write the value");
}

std::string Quoted(const std::vector<BYTE>& bytes) {
    return "\"" + EncodeEscapes(std::string(bytes.begin(), bytes.end())) + "\"";
}

int Show(int argc, char** argv) {
    if (argc != 3)
        return Usage("show takes NAME");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    std::printf("Printer   %s\n", printer.KeyName().c_str());
    std::printf("DeviceID  \"%s\"\n", EncodeEscapes(printer.DeviceId()).c_str());
    std::printf("Channels  %s\n",
                FormatChannelList(printer.Bytes(simstore::ChannelsValue)).c_str());
    std::vector<BYTE> reply = printer.Bytes(simstore::ReplyValue);
    std::printf("Reply     %s\n", reply.empty() ? "(none)" : Quoted(reply).c_str());
    std::vector<BYTE> raw = printer.Bytes(simstore::RawDataValue);
    std::printf("RawData   %s\n", raw.empty() ? "(none)" : Quoted(raw).c_str());
    std::printf("InUse     %s\n", printer.InUse() ? "on" : "off");
    for (const char* entryPoint : kScriptable) {
        LONG code = 0;
        if (printer.ScriptedResult(entryPoint, &code))
            std::printf("Fail      %s %ld\n", entryPoint, static_cast<long>(code));
    }
    for (const char* entryPoint : kLying) {
        if (LONG extra = printer.Lie(entryPoint))
            std::printf("Lie       %s +%ld\n", entryPoint, static_cast<long>(extra));
    }
    return kExitOk;
}

int List(int argc) {
    if (argc != 2)
        return Usage("list takes no arguments");
    for (const std::string& name : simstore::PrinterNames())
        std::printf("%s\n", name.c_str());
    return kExitOk;
}

int Calls(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[2], "reset") == 0) {
        simstore::ResetCalls();
        return kExitOk;
    }
    if (argc != 2)
        return Usage("calls takes nothing or reset");
    for (const auto& count : simstore::CallCounts())
        std::printf("%-22s %lu\n", count.first.c_str(), static_cast<unsigned long>(count.second));
    return kExitOk;
}

const char* const kIppValues[] = {simstore::IppUriValue, simstore::IppIntervalValue,
                                  simstore::IppTimeoutValue, simstore::IppPolledAtValue,
                                  simstore::IppReachableValue};
const char* const kSnmpValues[] = {simstore::SnmpAgentValue,    simstore::SnmpCommunityValue,
                                   simstore::SnmpVersionValue,  simstore::SnmpIntervalValue,
                                   simstore::SnmpTimeoutValue,  simstore::SnmpRetriesValue,
                                   simstore::SnmpPolledAtValue, simstore::SnmpReachableValue};

// A printer answers from one backend at a time; choosing one drops the other
// and what the printer said before.
void ForgetNetwork(SimPrinter& printer) {
    for (const char* value : kIppValues)
        printer.DeleteValue(value);
    for (const char* value : kSnmpValues)
        printer.DeleteValue(value);
    printer.DeleteValue(simstore::LastAnswerValue);
    printer.DeleteValue(simstore::JournalStateValue);
}

int Snmp(int argc, char** argv) {
    const char* usage = "snmp takes NAME HOST[:PORT] [--community C] [--version 1|2c] "
                        "[--interval MS] [--timeout MS] [--retries N], or NAME off";
    if (argc < 4 || argc % 2 != 0)
        return Usage(usage);
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    if (std::strcmp(argv[3], "off") == 0 && argc == 4) {
        ForgetNetwork(printer);
        return kExitOk;
    }
    std::string host;
    uint16_t port = 0;
    if (!snmp::ParseAgentAddress(argv[3], host, port))
        return Usage("HOST[:PORT] must be a host name or address, and a port 1..65535");
    std::string community = "public";
    long long version = 2, interval = -1, timeout = -1, retries = -1;
    for (int i = 4; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        const char* value = argv[i + 1];
        bool ok = true;
        if (option == "--community") {
            community = value;
            ok = !community.empty() && community.size() <= 255;
        } else if (option == "--version") {
            ok = std::strcmp(value, "1") == 0 || std::strcmp(value, "2c") == 0;
            version = std::strcmp(value, "1") == 0 ? 1 : 2;
        } else if (option == "--interval") {
            ok = ParseNumber(value, 500, 60000, &interval);
        } else if (option == "--timeout") {
            ok = ParseNumber(value, 200, 10000, &timeout);
        } else if (option == "--retries") {
            ok = ParseNumber(value, 0, 5, &retries);
        } else {
            ok = false;
        }
        if (!ok)
            return Usage(usage);
    }
    ForgetNetwork(printer);
    bool ok = printer.SetString(simstore::SnmpAgentValue, argv[3]) &&
              printer.SetString(simstore::SnmpCommunityValue, community) &&
              printer.SetDword(simstore::SnmpVersionValue, static_cast<DWORD>(version));
    if (interval > 0)
        ok = ok && printer.SetDword(simstore::SnmpIntervalValue, static_cast<DWORD>(interval));
    if (timeout > 0)
        ok = ok && printer.SetDword(simstore::SnmpTimeoutValue, static_cast<DWORD>(timeout));
    if (retries >= 0)
        ok = ok && printer.SetDword(simstore::SnmpRetriesValue, static_cast<DWORD>(retries));
    // The next query asks the printer at once.
    ok = ok && printer.SetDword(simstore::SnmpPolledAtValue, 0);
    return ok ? kExitOk : Failed("cannot write the value");
}

int Ipp(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0)
        return Usage("ipp takes NAME URI [--interval MS] [--timeout MS], or NAME off");
    SimPrinter printer(argv[2]);
    int rc = kExitOk;
    if (!Existing(argv[2], &printer, &rc))
        return rc;
    if (std::strcmp(argv[3], "off") == 0 && argc == 4) {
        ForgetNetwork(printer);
        return kExitOk;
    }
    ipp::IppUri parsed;
    if (!ipp::ParseIppUri(argv[3], parsed))
        return Usage("URI must be ipp://host[:port][/path]");
    long long interval = -1;
    long long timeout = -1;
    for (int i = 4; i + 1 < argc; i += 2) {
        long long* target = std::strcmp(argv[i], "--interval") == 0  ? &interval
                            : std::strcmp(argv[i], "--timeout") == 0 ? &timeout
                                                                     : nullptr;
        if (!target || !ParseNumber(argv[i + 1], 1, 600000, target))
            return Usage("ipp options are --interval MS and --timeout MS");
    }
    ForgetNetwork(printer);
    bool ok = printer.SetString(simstore::IppUriValue, argv[3]);
    if (interval > 0)
        ok = ok && printer.SetDword(simstore::IppIntervalValue, static_cast<DWORD>(interval));
    if (timeout > 0)
        ok = ok && printer.SetDword(simstore::IppTimeoutValue, static_cast<DWORD>(timeout));
    // The next query asks the printer at once.
    ok = ok && printer.SetDword(simstore::IppPolledAtValue, 0);
    return ok ? kExitOk : Failed("cannot write the value");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage(nullptr);
    std::string command = argv[1];
    if (command == "init-result")
        return InitResult(argc, argv);
    if (command == "list")
        return List(argc);
    if (command == "calls")
        return Calls(argc, argv);
    const char* const withName[] = {"add", "remove", "set",  "unset", "fail", "unfail",
                                    "lie", "inuse",  "show", "ipp",   "snmp"};
    if (!IsOneOf(command.c_str(), withName))
        return Usage(("unknown command " + command).c_str());
    if (argc < 3)
        return Usage(("missing NAME after " + command).c_str());
    if (command == "add")
        return Add(argc, argv);
    if (command == "remove")
        return Remove(argc, argv);
    if (command == "set")
        return Set(argc, argv);
    if (command == "unset")
        return Unset(argc, argv);
    if (command == "fail")
        return Fail(argc, argv, true);
    if (command == "unfail")
        return Fail(argc, argv, false);
    if (command == "lie")
        return Lie(argc, argv);
    if (command == "inuse")
        return InUse(argc, argv);
    if (command == "ipp")
        return Ipp(argc, argv);
    if (command == "snmp")
        return Snmp(argc, argv);
    return Show(argc, argv);
}
