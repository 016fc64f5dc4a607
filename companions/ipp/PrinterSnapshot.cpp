#include "PrinterSnapshot.h"

#include <cstdlib>

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

int ToPercent(const std::string& text, int fallback) {
    if (text.empty())
        return fallback;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (!end || *end != '\0' || v < -3 || v > 100)
        return fallback;
    return static_cast<int>(v);
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
        if (r != "none")
            out.reasons.push_back(ReasonKeyword(r));
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
            if (IsInk(m.type))
                out.markers.push_back(m);
        }
        return true;
    }
    std::vector<std::string> descriptions = Strings(g, "printer-supply-description");
    std::vector<std::string> supplies = Strings(g, "printer-supply");
    for (std::size_t i = 0; i < supplies.size(); ++i) {
        const std::string& s = supplies[i];
        std::string type = Field(s, "type");
        if (!IsInk(type) || Field(s, "class") == "receptacleThatIsFilled")
            continue;
        Marker m;
        m.type = type;
        std::string colorant = Field(s, "colorantname");
        m.name = i < descriptions.size() ? descriptions[i] : colorant;
        m.color = ColorOf(colorant);
        m.level = ToPercent(Field(s, "level"), -1);
        out.markers.push_back(m);
    }
    return true;
}

} // namespace ipp
