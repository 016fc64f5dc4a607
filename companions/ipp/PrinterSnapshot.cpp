#include "PrinterSnapshot.h"

#include <cstdlib>

#include "companions/klapi/SupplyRules.h"

namespace ipp {

namespace {

std::vector<std::string> Strings(const Group& g, const char* name) {
    std::vector<std::string> out;
    if (const Attribute* a = FindIn(g, name)) {
        for (const Value& v : a->values)
            out.push_back(v.bytes);
    }
    return out;
}

std::vector<int> Integers(const Group& g, const char* name) {
    std::vector<int> out;
    if (const Attribute* a = FindIn(g, name)) {
        for (const Value& v : a->values)
            out.push_back(v.AsInteger(-1));
    }
    return out;
}

bool IsInk(const std::string& type) {
    return type.empty() || type == "ink" || type == "ink-cartridge" || type == "inkCartridge" ||
           type == "toner" || type == "toner-cartridge" || type == "tonerCartridge";
}

// marker-types keywords and printer-supply types of receptacles that fill.
bool IsWaste(const std::string& type) {
    return type == "waste-ink" || type == "waste-toner" || type == "waste-water" ||
           type == "waste-wax" || type == "wasteInk" || type == "wasteToner" ||
           type == "wasteWater" || type == "wasteWax";
}

// printer-supply entries are "key=value;" lists.
std::string Field(const std::string& entry, const std::string& key) {
    std::size_t pos = 0;
    while (pos < entry.size()) {
        std::size_t end = entry.find(';', pos);
        if (end == std::string::npos)
            end = entry.size();
        std::string item = entry.substr(pos, end - pos);
        std::size_t eq = item.find('=');
        if (eq != std::string::npos && item.compare(0, eq, key) == 0)
            return item.substr(eq + 1);
        pos = end + 1;
    }
    return {};
}

// A printer-supply level or maxcapacity, a 32-bit value as in the Printer MIB;
// -2 (unknown) when it is not one.
long long ToLevel(const std::string& text) {
    if (text.empty())
        return supply::kReadingUnknown;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (!end || *end != '\0' || v < -2147483647LL - 1 || v > 2147483647LL)
        return supply::kReadingUnknown;
    return v;
}

std::string ColorOf(const std::string& colorant) {
    static const struct {
        const char* name;
        const char* rgb;
    } kColors[] = {{"black", "#000000"},       {"cyan", "#00FFFF"},
                   {"magenta", "#FF00FF"},     {"yellow", "#FFFF00"},
                   {"light-cyan", "#80FFFF"},  {"light-magenta", "#FF80FF"},
                   {"photo-black", "#202020"}, {"matte-black", "#101010"}};
    for (const auto& c : kColors) {
        if (colorant == c.name)
            return c.rgb;
    }
    return {};
}

} // namespace

Severity ReasonSeverity(const std::string& reason) {
    auto ends = [&](const char* suffix) {
        std::string s(suffix);
        return reason.size() > s.size() &&
               reason.compare(reason.size() - s.size(), s.size(), s) == 0;
    };
    if (ends("-report"))
        return Severity::Report;
    if (ends("-warning"))
        return Severity::Warning;
    return Severity::Error;
}

std::string ReasonKeyword(const std::string& reason) {
    for (const char* suffix : {"-report", "-warning", "-error"}) {
        std::string s(suffix);
        if (reason.size() > s.size() && reason.compare(reason.size() - s.size(), s.size(), s) == 0)
            return reason.substr(0, reason.size() - s.size());
    }
    return reason;
}

bool ReadPrinterSnapshot(const Message& response, PrinterSnapshot& out) {
    out = PrinterSnapshot{};
    if (response.code >= 0x0100) // client or server error status
        return false;
    std::vector<const Group*> printers = response.GroupsOf(kPrinterGroup);
    if (printers.empty())
        return false;
    const Group& g = *printers.front();

    if (const Attribute* state = FindIn(g, "printer-state"); state && !state->values.empty())
        out.state = state->values[0].AsInteger(0);
    for (const std::string& r : Strings(g, "printer-state-reasons")) {
        if (r != "none") {
            out.reasons.push_back(ReasonKeyword(r));
            out.severities.push_back(ReasonSeverity(r));
        }
    }
    std::vector<std::string> model = Strings(g, "printer-make-and-model");
    if (!model.empty())
        out.makeAndModel = model[0];
    std::vector<int> queued = Integers(g, "queued-job-count");
    if (!queued.empty())
        out.queuedJobs = queued[0];

    std::vector<std::string> names = Strings(g, "marker-names");
    if (!names.empty()) {
        std::vector<std::string> colors = Strings(g, "marker-colors");
        std::vector<std::string> types = Strings(g, "marker-types");
        std::vector<int> levels = Integers(g, "marker-levels");
        std::vector<int> lows = Integers(g, "marker-low-levels");
        for (std::size_t i = 0; i < names.size(); ++i) {
            Marker m;
            m.name = names[i];
            m.color = i < colors.size() ? colors[i] : std::string();
            m.type = i < types.size() ? types[i] : std::string();
            m.level = i < levels.size() ? levels[i] : -1;
            m.lowLevel = i < lows.size() ? lows[i] : -1;
            if (IsWaste(m.type))
                out.waste.push_back(m);
            else if (IsInk(m.type))
                out.markers.push_back(m);
        }
        return true;
    }
    std::vector<std::string> descriptions = Strings(g, "printer-supply-description");
    std::vector<std::string> supplies = Strings(g, "printer-supply");
    for (std::size_t i = 0; i < supplies.size(); ++i) {
        const std::string& s = supplies[i];
        std::string type = Field(s, "type");
        const bool waste = IsWaste(type) || Field(s, "class") == "receptacleThatIsFilled";
        if (!waste && !IsInk(type))
            continue;
        Marker m;
        m.type = type;
        std::string colorant = Field(s, "colorantname");
        m.name = i < descriptions.size() ? descriptions[i] : colorant;
        m.color = ColorOf(colorant);
        // Levels count in the supply's own units up to maxcapacity; percent without one.
        const long long level = ToLevel(Field(s, "level"));
        const int percent = supply::Percent(level, ToLevel(Field(s, "maxcapacity")));
        if (percent >= 0)
            m.level = percent == 0 && level > 0 ? 1 : percent; // some left is never out
        else
            m.level = level < 0 && level >= -3 ? static_cast<int>(level) : supply::kReadingUnknown;
        (waste ? out.waste : out.markers).push_back(m);
    }
    return true;
}

} // namespace ipp
