#include "IppJobs.h"

#include <cstring>

#include "IppClient.h"
#include "IppMessage.h"
#include "companions/klapi/SimStore.h"

namespace ippjobs {

namespace {

constexpr unsigned kTimeoutMs = 3000;

const char* const kJobAttributes[] = {"job-id",           "job-name",
                                      "job-state",        "job-originating-user-name",
                                      "job-impressions",  "job-impressions-completed",
                                      "job-media-sheets", "job-media-sheets-completed"};

void RequestJobAttributes(ipp::Message& request) {
    ipp::Attribute wanted{"requested-attributes", {}};
    for (const char* name : kJobAttributes)
        ipp::AddValue(wanted, ipp::kTagKeyword, name);
    request.groups[0].attributes.push_back(wanted);
}

int32_t IntegerOf(const ipp::Group& g, const char* name, int32_t fallback) {
    const ipp::Attribute* a = ipp::FindIn(g, name);
    return a && !a->values.empty() ? a->values[0].AsInteger(fallback) : fallback;
}

void CopyText(const ipp::Group& g, const char* name, char* out, size_t size) {
    const ipp::Attribute* a = ipp::FindIn(g, name);
    std::string text = a && !a->values.empty() ? a->values[0].bytes : std::string();
    size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

bool ReportOf(const ipp::Group& g, IppJobReport* report) {
    *report = IppJobReport{};
    report->id = IntegerOf(g, "job-id", 0);
    report->state = IntegerOf(g, "job-state", 0);
    if (report->id <= 0 || report->state < 3 || report->state > 9)
        return false;
    // Sheets where the printer counts them, else impressions.
    int32_t sheets = IntegerOf(g, "job-media-sheets", 0);
    int32_t sheetsDone = IntegerOf(g, "job-media-sheets-completed", -1);
    int32_t impressions = IntegerOf(g, "job-impressions", 0);
    int32_t impressionsDone = IntegerOf(g, "job-impressions-completed", 0);
    bool bySheets = sheets > 0 || sheetsDone > 0;
    report->total = bySheets ? sheets : impressions;
    report->done = bySheets ? std::max(sheetsDone, 0) : impressionsDone;
    if (report->total < 0)
        report->total = 0;
    if (report->done < 0)
        report->done = 0;
    CopyText(g, "job-name", report->name, sizeof report->name);
    CopyText(g, "job-originating-user-name", report->user, sizeof report->user);
    return true;
}

bool Ask(const std::string& uri, const ipp::Message& request, ipp::Message* answer) {
    return ipp::Exchange(uri, request, *answer, kTimeoutMs) == ipp::ExchangeResult::Ok &&
           answer->code < 0x0100;
}

} // namespace

std::string PrinterUri(const std::string& printer) {
    simstore::SimPrinter sim(printer.c_str());
    return sim.IsValidName() ? sim.String(simstore::IppUriValue) : std::string();
}

bool NotCompletedJobs(const std::string& uri, std::vector<IppJobReport>* jobs) {
    ipp::Message request = ipp::MakeRequest(ipp::kOpGetJobs, 1, uri);
    ipp::AddString(request.groups[0], ipp::kTagKeyword, "which-jobs", "not-completed");
    RequestJobAttributes(request);
    ipp::Message answer;
    if (!Ask(uri, request, &answer))
        return false;
    jobs->clear();
    for (const ipp::Group* g : answer.GroupsOf(ipp::kJobGroup)) {
        IppJobReport report;
        if (ReportOf(*g, &report))
            jobs->push_back(report);
    }
    return true;
}

bool JobReport(const std::string& uri, int32_t id, IppJobReport* report) {
    ipp::Message request = ipp::MakeRequest(ipp::kOpGetJobAttributes, 2, uri);
    ipp::AddInteger(request.groups[0], ipp::kTagInteger, "job-id", id);
    RequestJobAttributes(request);
    ipp::Message answer;
    if (!Ask(uri, request, &answer))
        return false;
    std::vector<const ipp::Group*> groups = answer.GroupsOf(ipp::kJobGroup);
    return !groups.empty() && ReportOf(*groups.front(), report) && report->id == id;
}

bool SendJobOperation(const std::string& uri, int32_t operation, int32_t id,
                      const std::string& user) {
    ipp::Message request = ipp::MakeRequest(static_cast<uint16_t>(operation), 3, uri);
    ipp::AddInteger(request.groups[0], ipp::kTagInteger, "job-id", id);
    ipp::AddString(request.groups[0], ipp::kTagName, "requesting-user-name",
                   user.empty() ? "anonymous" : user);
    ipp::Message answer;
    return Ask(uri, request, &answer);
}

} // namespace ippjobs
