#include "companions/klapi/NetworkBackend.h"

#include <cstdio>

#include "companions/klapi/IppBackend.h"
#include "companions/klapi/Journal.h"
#include "companions/klapi/SnmpBackend.h"

namespace netbackend {

namespace {

// What the journal records of a refresh; a new line only when it differs from
// the last one written. A printer that stays asleep, or stays silent, adds
// nothing, however often it is asked.
std::string StateOf(const Observation& seen, const std::string& lastReply) {
    if (!seen.answered)
        return "silent|" + lastReply;
    std::string state = seen.reply;
    for (const std::string& r : seen.reasons)
        state += "|" + r;
    return state;
}

void Record(simstore::SimPrinter& printer, const Observation& seen) {
    std::vector<BYTE> stored = printer.Bytes(simstore::ReplyValue);
    std::string lastReply(stored.begin(), stored.end());
    if (seen.answered)
        printer.SetString(simstore::LastAnswerValue, UtcNow());
    // Never answered: nothing to keep and nothing that changed.
    if (!seen.answered && printer.String(simstore::LastAnswerValue).empty())
        return;
    std::string state = StateOf(seen, lastReply);
    // Two processes that saw the same change (a window and pqif watch) write one line.
    simstore::StoreLock lock;
    if (printer.String(simstore::JournalStateValue) == state)
        return;
    journal::Entry entry;
    entry.time = UtcNow();
    entry.printer = printer.KeyName();
    entry.answering = seen.answered;
    entry.asleep = seen.asleep;
    entry.reply = seen.answered ? seen.reply : lastReply;
    entry.lastAnswer = printer.String(simstore::LastAnswerValue);
    entry.reasons = seen.reasons;
    if (journal::Append(printer.KeyName(), entry))
        printer.SetString(simstore::JournalStateValue, state);
}

} // namespace

bool IsNetwork(const simstore::SimPrinter& printer) {
    return ippbackend::IsIpp(printer) || snmpbackend::IsSnmp(printer);
}

DWORD Interval(const simstore::SimPrinter& printer) {
    return snmpbackend::IsSnmp(printer) ? snmpbackend::Interval(printer)
                                        : ippbackend::Interval(printer);
}

Refresh Update(simstore::SimPrinter& printer, bool force) {
    Observation seen;
    Refresh result;
    if (snmpbackend::IsSnmp(printer))
        result = snmpbackend::Update(printer, force, &seen);
    else if (ippbackend::IsIpp(printer))
        result = ippbackend::Update(printer, force, &seen) == ippbackend::Refresh::Current
                     ? Refresh::Current
                     : Refresh::Unreachable;
    else
        return Refresh::Unreachable;
    if (seen.asked)
        Record(printer, seen);
    return result;
}

std::string UtcNow() {
    SYSTEMTIME t;
    ::GetSystemTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

} // namespace netbackend
