#include "tools/pqif/JournalCommands.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "V_PQIF07.h"
#include "companions/klapi/Journal.h"
#include "companions/klapi/SimStore.h"
#include "status/StatusMap.h"
#include "device/KLApiBinding.h"
#include "tools/pqif/PrinterChannels.h"
#include "tools/pqif/StatusReport.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kWatchStep = 250; // ms between looks at the printers

const char kJournalUsage[] =
    "usage: pqif history PRINTER [--json] [--since TIME]\n"
    "       pqif watch PRINTER... [--json] [--count N]\n"
    "\n"
    "  history  the changes of a network printer's state recorded in its journal\n"
    "           (TIME: UTC as 2026-12-10T06:30[:00], or an age as 90s, 10m, 2h, 1d)\n"
    "  watch    asks the printers continuously and prints one line per change as\n"
    "           it happens, until interrupted (or after N lines); JSON lines with --json\n";

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleBreak(DWORD) {
    g_interrupted = true;
    return TRUE;
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "pqif: %s\n", problem.c_str());
    std::fputs(kJournalUsage, stderr);
    return kExitUsage;
}

// Seconds since 1601 of a journal time ("YYYY-MM-DDTHH:MM:SS[.mmm]Z"); -1 if it is none.
long long SecondsOf(const std::string& time) {
    SYSTEMTIME t{};
    unsigned y, mo, d, h, mi, s;
    if (std::sscanf(time.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u", &y, &mo, &d, &h, &mi, &s) != 6)
        return -1;
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    FILETIME ft;
    if (!::SystemTimeToFileTime(&t, &ft))
        return -1;
    ULARGE_INTEGER u{};
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(u.QuadPart / 10000000ULL);
}

long long NowSeconds() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u{};
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(u.QuadPart / 10000000ULL);
}

std::string TimeOfSeconds(long long seconds) {
    ULARGE_INTEGER u{};
    u.QuadPart = static_cast<ULONGLONG>(seconds) * 10000000ULL;
    FILETIME ft{u.LowPart, u.HighPart};
    SYSTEMTIME t{};
    ::FileTimeToSystemTime(&ft, &t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string AgeText(long long seconds) {
    if (seconds < 0)
        seconds = 0;
    if (seconds < 120)
        return std::to_string(seconds) + " s";
    if (seconds < 7200)
        return std::to_string(seconds / 60) + " min";
    if (seconds < 172800)
        return std::to_string(seconds / 3600) + " h";
    return std::to_string(seconds / 86400) + " days";
}

// TIME as the journal writes it, or an age before now; "" when it is neither.
std::string SinceBound(const std::string& text) {
    if (text.size() >= 2 && text.find_first_not_of("0123456789") == text.size() - 1) {
        long long n = std::atoll(text.c_str());
        long long unit = 0;
        switch (text.back()) {
        case 's':
            unit = 1;
            break;
        case 'm':
            unit = 60;
            break;
        case 'h':
            unit = 3600;
            break;
        case 'd':
            unit = 86400;
            break;
        }
        if (unit == 0 || n > 100000 * 86400LL / unit)
            return {};
        return TimeOfSeconds(NowSeconds() - n * unit);
    }
    std::string t = text;
    if (t.size() > 10 && t[10] == ' ')
        t[10] = 'T';
    if (!t.empty() && t.back() == 'Z')
        t.pop_back();
    // Complete what is left out: "2026-12-10T06:30" means from 06:30:00 on.
    const std::string pattern = "0000-00-00T00:00:00";
    if (t.size() < 10 || t.size() > pattern.size())
        return {};
    for (std::size_t i = 0; i < t.size(); ++i) {
        bool digit = t[i] >= '0' && t[i] <= '9';
        if ((pattern[i] == '0') != digit || (!digit && t[i] != pattern[i]))
            return {};
    }
    t += pattern.substr(t.size());
    return SecondsOf(t + "Z") < 0 ? std::string() : t;
}

struct Decoded {
    bool ok = false;
    PrinterStatus reply{};
    int number = -1;
    int result = 0;
    int item = 0;
};

Decoded Decode(const journal::Entry& e) {
    Decoded d;
    d.ok = ParseStatusReply(reinterpret_cast<const unsigned char*>(e.reply.data()), e.reply.size(),
                            &d.reply) == 0;
    if (d.ok) {
        d.number = StatusNumber(d.reply);
        MapStatusNumber(d.number, &d.result, &d.item);
    }
    return d;
}

std::string EntryText(const journal::Entry& e) {
    Decoded d = Decode(e);
    std::string time = e.time;
    if (time.size() > 10)
        time[10] = ' ';
    if (!time.empty() && time.back() == 'Z')
        time.pop_back();
    std::string out = time + "  " + e.printer + "  ";
    if (!e.answering) {
        out += "not answering";
        if (!e.lastAnswer.empty())
            out += "; last answer " + e.lastAnswer +
                   (d.ok ? ", ink then: " + LevelsText(d.reply) : "");
        return out + "\n";
    }
    if (!d.ok)
        return out + "unreadable reply\n";
    out += std::string(ResultName(d.result)) + (e.asleep ? " (asleep)" : "") + "  status " +
           std::to_string(d.number) + ", result " + std::to_string(d.result);
    out += "  ink " + LevelsText(d.reply);
    if (!e.reasons.empty()) {
        out += "  reasons:";
        for (const std::string& r : e.reasons)
            out += " " + r;
    }
    return out + "\n";
}

std::string EntryJson(const journal::Entry& e) {
    Decoded d = Decode(e);
    std::string out = "{\"time\":" + journal::JsonString(e.time) +
                      ",\"printer\":" + journal::JsonString(e.printer) +
                      ",\"answering\":" + (e.answering ? "true" : "false") +
                      ",\"asleep\":" + (e.asleep ? "true" : "false");
    if (d.ok) {
        out += ",\"statusNumber\":" + std::to_string(d.number) +
               ",\"resultCode\":" + std::to_string(d.result) +
               ",\"result\":" + journal::JsonString(e.answering ? ResultName(d.result) : "") +
               ",\"printerState\":" + std::to_string(d.reply.state) + ",\"ink\":[";
        for (int i = 0; i < d.reply.inkCount; ++i)
            out += (i ? "," : "") + (d.reply.inkLevel[i] == InkLevelUnknown
                                         ? std::string("null")
                                         : std::to_string(d.reply.inkLevel[i]));
        out += "],\"warnings\":[";
        for (int i = 0; i < d.reply.warningCount; ++i)
            out += (i ? "," : "") + std::to_string(d.reply.warning[i]);
        out += "]";
    }
    out += ",\"reasons\":[";
    for (std::size_t i = 0; i < e.reasons.size(); ++i)
        out += (i ? "," : "") + journal::JsonString(e.reasons[i]);
    out += "],\"lastAnswer\":" + journal::JsonString(e.lastAnswer) +
           ",\"reply\":" + journal::JsonString(e.reply) + "}\n";
    return out;
}

void Print(const journal::Entry& e, bool json) {
    std::fputs((json ? EntryJson(e) : EntryText(e)).c_str(), stdout);
    std::fflush(stdout);
}

struct JournalOptions {
    std::vector<std::string> printers;
    bool json = false;
    std::string since;
    long long count = -1;
};

std::string Parse(int argc, char** argv, bool watch, JournalOptions* o) {
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--json") {
            o->json = true;
        } else if (a == "--since" && !watch) {
            if (i + 1 >= argc)
                return "--since needs a TIME";
            o->since = SinceBound(argv[++i]);
            if (o->since.empty())
                return std::string("--since takes a UTC time such as 2026-12-10T06:30, or an "
                                   "age such as 10m; not ") +
                       argv[i];
        } else if (a == "--count" && watch) {
            if (i + 1 >= argc)
                return "--count needs a number";
            std::string n = argv[++i];
            if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos)
                return "--count takes a number";
            o->count = std::atoll(n.c_str());
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else {
            o->printers.push_back(a);
        }
    }
    if (o->printers.empty())
        return watch ? "watch takes one or more PRINTERs" : "history takes one PRINTER";
    if (!watch && o->printers.size() != 1)
        return "history takes one PRINTER";
    for (const std::string& p : o->printers)
        if (simstore::PrinterKeyName(p.c_str()).empty())
            return "not a printer name: " + p;
    return {};
}

// A failure in the form the output was asked for: with --json, a JSON line.
int Fail(const JournalOptions& o, const std::string& message) {
    if (o.json)
        std::printf("{\"error\":%s}\n", journal::JsonString(message).c_str());
    std::fprintf(stderr, "pqif: %s\n", message.c_str());
    return kExitFailed;
}

int History(const JournalOptions& o) {
    std::string key = simstore::PrinterKeyName(o.printers[0].c_str());
    if (::GetFileAttributesA(journal::FileOf(key).c_str()) == INVALID_FILE_ATTRIBUTES)
        return Fail(o, "no journal for \"" + o.printers[0] + "\" (only network printers keep one)");
    ULONGLONG offset = 0;
    for (const journal::Entry& e : journal::ReadFrom(key, offset))
        if (o.since.empty() || e.time.compare(0, o.since.size(), o.since) >= 0)
            Print(e, o.json);
    return kExitOk;
}

struct Watched {
    std::string name;
    std::string key;
    int channel = 0;
    ULONGLONG offset = 0;
    std::string lastTime;
};

int Watch(const JournalOptions& o) {
    KLApiBinding klapi;
    if (!klapi.IsInitialized())
        return Fail(o, BindingProblem(klapi));
    std::vector<Watched> watched;
    for (const std::string& p : o.printers) {
        Watched w;
        w.name = p;
        w.key = simstore::PrinterKeyName(p.c_str());
        w.channel = klapi.KLOpenChannel(1, p.c_str(), PQIF_CHANNEL_PREFERRED);
        if (w.channel == 0)
            return Fail(o, "the status channel of \"" + p + "\" did not open");
        // What was recorded before is history; watching starts from now.
        journal::ReadFrom(w.key, w.offset);
        watched.push_back(w);
    }
    ::SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
    long long printed = 0;
    while (!g_interrupted && (o.count < 0 || printed < o.count)) {
        for (Watched& w : watched) {
            // Asking the printer is what refreshes it and records a change.
            LONG result = 0, state = 0, sound = 0, notify = 0, activity = 0;
            PrGetStatusB(0, PQIF_CHANNEL_PREFERRED, w.channel, &result, &state, &sound, &notify,
                         w.name.c_str(), "", 0, "", &activity);
            bool shrank = false;
            for (const journal::Entry& e : journal::ReadFrom(w.key, w.offset, &shrank)) {
                // After the older half was dropped the file is read again from its start.
                if (shrank && e.time <= w.lastTime)
                    continue;
                w.lastTime = e.time;
                if (o.count < 0 || printed < o.count) {
                    Print(e, o.json);
                    ++printed;
                }
            }
        }
        if (o.count >= 0 && printed >= o.count)
            break;
        ::Sleep(kWatchStep);
    }
    for (const Watched& w : watched)
        CloseChannel(klapi, w.channel);
    return kExitOk;
}

} // namespace

std::string LevelsText(const PrinterStatus& reply) {
    static const char* const kSlots[] = {"K", "C", "M", "Y", "LC", "LM"};
    std::string out;
    for (int i = 0; i < reply.inkCount && i < 6; ++i) {
        if (i)
            out += " ";
        out += std::string(kSlots[i]) + " " +
               (reply.inkLevel[i] == InkLevelUnknown ? std::string("NA")
                                                     : std::to_string(reply.inkLevel[i]));
    }
    return out.empty() ? "none reported" : out;
}

bool LastKnownOf(const std::string& printer, LastKnown* out) {
    std::string key = simstore::PrinterKeyName(printer.c_str());
    if (key.empty())
        return false;
    ULONGLONG offset = 0;
    std::vector<journal::Entry> entries = journal::ReadFrom(key, offset);
    if (entries.empty() || entries.back().answering || entries.back().lastAnswer.empty())
        return false;
    const journal::Entry& e = entries.back();
    if (ParseStatusReply(reinterpret_cast<const unsigned char*>(e.reply.data()), e.reply.size(),
                         &out->reply) != 0)
        return false;
    out->lastAnswer = e.lastAnswer;
    long long then = SecondsOf(e.lastAnswer);
    out->age = then < 0 ? std::string("unknown") : AgeText(NowSeconds() - then);
    return true;
}

bool IsJournalCommand(const std::string& command) {
    return command == "history" || command == "watch";
}

int RunJournalCommand(int argc, char** argv) {
    bool watch = std::strcmp(argv[1], "watch") == 0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kJournalUsage, stdout);
            return kExitOk;
        }
    }
    JournalOptions o;
    std::string problem = Parse(argc, argv, watch, &o);
    if (!problem.empty())
        return Usage(problem);
    return watch ? Watch(o) : History(o);
}
