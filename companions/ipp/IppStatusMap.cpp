#include "IppStatusMap.h"

#include <algorithm>
#include <cstdio>

#include "companions/klapi/SupplyRules.h"

namespace ipp {

namespace {

// Reply codes the library's tables give meaning to.
constexpr int kStateError = 0x00;
constexpr int kStatePrinting = 0x03;
constexpr int kStateReady = 0x04;
constexpr int kStateOffline = 0x05;
constexpr int kStateShuttingDown = 0x0A;

constexpr int kWarnInkLow = 0x10; // + ink slot
constexpr int kWarnWasteNearFull = 0x20;

enum class Effect {
    Error,     // state 0 with the row's error code
    InkOut,    // state 0, error 5, empty slots at level 0
    Offline,   // state 5
    ShutDown,  // state 10
    WasteFull, // warning 0x20 on top of the normal state
    InkLow,    // warning 0x10 + slot per low ink
};

// One row per IPP condition. Of the printer's reasons with a row that sets the
// state, the most severe decides ("-error" or no suffix, then "-warning", then
// "-report"); of those alike in severity, the first in this order. Warnings add up.
//   reason keyword (severity suffix removed) -> what the reply says, and the
//   status the library then shows.
struct Row {
    const char* reason;
    Effect effect;
    int error;
};

const Row kRows[] = {
    {"cover-open", Effect::Error, 0x02},                // 32: cover open
    {"door-open", Effect::Error, 0x02},                 // 32
    {"interlock-open", Effect::Error, 0x02},            // 32
    {"media-jam", Effect::Error, 0x03},                 // 30: paper jam
    {"media-empty", Effect::Error, 0x06},               // 5: paper out
    {"media-needed", Effect::Error, 0x06},              // 5
    {"marker-supply-empty", Effect::InkOut, 0x05},      // 2/3/4: ink out, with the inks named
    {"toner-empty", Effect::InkOut, 0x05},              // 2/3/4
    {"marker-supply-missing", Effect::Error, 0x14},     // 27: cartridge not recognised
    {"media-path-failure", Effect::Error, 0x16},        // 31: print head cannot move
    {"fuser-failure", Effect::Error, 0x00},             // 14: service error
    {"paused", Effect::Offline, 0},                     // 21: offline
    {"offline", Effect::Offline, 0},                    // 21
    {"shutdown", Effect::ShutDown, 0},                  // 24: turning off
    {"other", Effect::Error, 0x0F},                     // 9: printer error
    {"marker-waste-almost-full", Effect::WasteFull, 0}, // 33: ink pad nearly full; also a
    {"marker-waste-full", Effect::WasteFull, 0},        // 33  waste box with <= 10% room
    {"marker-supply-low", Effect::InkLow, 0},           // 12/13/20: ink low, with the inks named
    {"toner-low", Effect::InkLow, 0},                   // 12/13/20
};

int ColorSlot(const std::string& color, const std::string& name) {
    // Letters only, lower case: "Light Cyan", "light-cyan" and "LightCyan" alike.
    std::string n;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            n.push_back(static_cast<char>(c - 'A' + 'a'));
        else if (c >= 'a' && c <= 'z')
            n.push_back(c);
    }
    auto has = [&](const char* word) { return n.find(word) != std::string::npos; };
    if (has("lightcyan") || color == "#80FFFF")
        return 4;
    if (has("lightmagenta") || color == "#FF80FF")
        return 5;
    if (has("black") || color == "#000000" || color == "#202020" || color == "#101010")
        return 0;
    if (has("cyan") || color == "#00FFFF")
        return 1;
    if (has("magenta") || color == "#FF00FF")
        return 2;
    if (has("yellow") || color == "#FFFF00")
        return 3;
    return -1;
}

// The slot each ink is shown in, or -1. Inks of one colour share its slot;
// inks of no known colour take the free slots in order; what is left over has
// no slot (a printer with more than six inks).
std::vector<int> SlotOfEachInk(const PrinterSnapshot& snapshot) {
    std::vector<int> slotOf(snapshot.markers.size(), -1);
    bool taken[kInkSlots] = {};
    for (std::size_t i = 0; i < snapshot.markers.size(); ++i) {
        const Marker& m = snapshot.markers[i];
        slotOf[i] = ColorSlot(m.color, m.name);
        if (slotOf[i] >= 0)
            taken[slotOf[i]] = true;
    }
    int next = 0;
    for (int& s : slotOf) {
        if (s >= 0)
            continue;
        while (next < kInkSlots && taken[next])
            ++next;
        if (next < kInkSlots) {
            s = next;
            taken[next] = true;
        }
    }
    return slotOf;
}

int Shown(const Marker& m) {
    return supply::ShownLevel(m.level);
}

bool IsOut(int shown) {
    return shown == 0;
}

// At or below the printer's mark; an unknown level is never low.
bool IsLow(int shown, int mark) {
    return shown != supply::kLevelUnknown && mark >= 0 && shown <= mark;
}

// The decisive reason: the most severe one with a row that sets the state; of
// those alike in severity, the first row of the table.
const Row* DecisiveRow(const PrinterSnapshot& s, const bool inkOutIsWaste) {
    const Row* best = nullptr;
    Severity bestSeverity = Severity::Report;
    for (const Row& row : kRows) {
        if (row.effect == Effect::WasteFull || row.effect == Effect::InkLow)
            continue;
        if (row.effect == Effect::InkOut && inkOutIsWaste)
            continue;
        for (std::size_t i = 0; i < s.reasons.size(); ++i) {
            if (s.reasons[i] != row.reason)
                continue;
            Severity severity = i < s.severities.size() ? s.severities[i] : Severity::Error;
            if (!best || severity > bestSeverity) {
                best = &row;
                bestSeverity = severity;
            }
        }
    }
    return best;
}

bool HasReasonOf(const PrinterSnapshot& s, Effect effect) {
    for (const Row& row : kRows) {
        if (row.effect == effect &&
            std::find(s.reasons.begin(), s.reasons.end(), row.reason) != s.reasons.end())
            return true;
    }
    return false;
}

// What the printer's inks say, slot by slot.
struct Inks {
    bool any = false;         // the printer has an ink in some slot
    bool anyKnown = false;    // ... whose level is known
    bool outAnywhere = false; // an ink is at 0, shown or not
    bool lowAnywhere = false; // an ink is at or below its mark, shown or not
    int level[kInkSlots] = {100, 100, 100, 100, 100, 100};
    bool used[kInkSlots] = {};
    bool low[kInkSlots] = {};
    int lowest = -1; // the slot with the lowest known level
};

Inks ReadInks(const PrinterSnapshot& snapshot) {
    Inks inks;
    const std::vector<int> slotOf = SlotOfEachInk(snapshot);
    bool known[kInkSlots] = {};
    for (std::size_t i = 0; i < snapshot.markers.size(); ++i) {
        const Marker& m = snapshot.markers[i];
        const int shown = Shown(m);
        const bool isLow = IsLow(shown, m.lowLevel);
        inks.outAnywhere = inks.outAnywhere || IsOut(shown);
        inks.lowAnywhere = inks.lowAnywhere || isLow || IsOut(shown);
        const int s = slotOf[i];
        if (s < 0)
            continue;
        inks.any = true;
        inks.low[s] = inks.low[s] || isLow;
        if (!inks.used[s]) {
            inks.used[s] = true;
            inks.level[s] = shown;
        }
        // A shared slot shows its emptiest known ink.
        if (shown != supply::kLevelUnknown) {
            inks.level[s] = known[s] ? std::min(inks.level[s], shown) : shown;
            known[s] = true;
            inks.anyKnown = true;
        }
    }
    for (int s = 0; s < kInkSlots; ++s) {
        if (known[s] && (inks.lowest < 0 || inks.level[s] < inks.level[inks.lowest]))
            inks.lowest = s;
    }
    return inks;
}

// The ink-out reply names the inks at 0. The library counts an "NA" slot as
// empty there as well, so an ink of unknown level reads as full instead.
void ShowInkOut(const Inks& inks, ReplyFields& f) {
    if (!inks.anyKnown) {
        // Which ink is out cannot be told: no levels, and the library names them all.
        f.sendInks = false;
        return;
    }
    bool shownEmpty = false;
    for (int s = 0; s < kInkSlots; ++s)
        shownEmpty = shownEmpty || (inks.used[s] && f.inkLevel[s] == 0);
    // The printer says one is out without a level of 0: the emptiest it shows,
    // unless the empty one is an ink beyond the six slots.
    if (!shownEmpty && !inks.outAnywhere && inks.lowest >= 0)
        f.inkLevel[inks.lowest] = 0;
    std::replace(f.inkLevel, f.inkLevel + kInkSlots, supply::kLevelUnknown, 100);
}

// The worst state of the printer's waste receptacles. Their levels are the room
// left in them, as in the Printer MIB; the printer's own mark counts as nearly full.
supply::WasteState WasteState(const PrinterSnapshot& snapshot) {
    supply::WasteState worst = supply::WasteState::Unknown;
    for (const Marker& m : snapshot.waste) {
        supply::WasteState state = supply::WasteFromRemaining(m.level, 100);
        if (state == supply::WasteState::Fine && IsLow(Shown(m), m.lowLevel))
            state = supply::WasteState::NearFull;
        worst = std::max(worst, state);
    }
    return worst;
}

} // namespace

void AssignInkSlots(const PrinterSnapshot& snapshot, int slot[kInkSlots]) {
    std::fill(slot, slot + kInkSlots, -1);
    const std::vector<int> slotOf = SlotOfEachInk(snapshot);
    for (std::size_t i = 0; i < slotOf.size(); ++i) {
        if (slotOf[i] >= 0 && slot[slotOf[i]] < 0)
            slot[slotOf[i]] = static_cast<int>(i);
    }
}

ReplyFields MapSnapshot(const PrinterSnapshot& snapshot) {
    ReplyFields f;
    f.state = snapshot.state == 4 ? kStatePrinting : kStateReady;

    Inks inks = ReadInks(snapshot);
    // A slot the printer has no ink for reads as full: the reply always has six
    // slots, and an empty or unknown one would be named as an ink to replace.
    f.sendInks = inks.any;
    for (int s = 0; s < kInkSlots; ++s)
        f.inkLevel[s] = inks.level[s];

    // "Supply empty" or "low" with no ink at 0 or at its mark, while a waste box
    // is full or nearly: the box is meant, and it is never an ink running out.
    const supply::WasteState waste = WasteState(snapshot);
    const bool boxNearlyFull = waste >= supply::WasteState::NearFull;
    const bool inkOutIsWaste = boxNearlyFull && !inks.outAnywhere;
    const bool inkLowIsWaste = boxNearlyFull && !inks.lowAnywhere;

    if (const Row* row = DecisiveRow(snapshot, inkOutIsWaste)) {
        switch (row->effect) {
        case Effect::Error:
            f.state = kStateError;
            f.error = row->error;
            break;
        case Effect::InkOut:
            f.state = kStateError;
            f.error = row->error;
            ShowInkOut(inks, f);
            break;
        case Effect::Offline:
            f.state = kStateOffline;
            break;
        case Effect::ShutDown:
            f.state = kStateShuttingDown;
            break;
        default:
            break;
        }
    }

    const bool inkWarning = HasReasonOf(snapshot, Effect::InkLow) && !inkLowIsWaste;
    // A full box is the ink pad's state whichever reason, if any, told of it.
    if (HasReasonOf(snapshot, Effect::WasteFull) || boxNearlyFull)
        f.warnings.push_back(kWarnWasteNearFull);
    if (inkWarning) {
        bool any = false;
        for (int s = 0; s < kInkSlots; ++s) {
            if (inks.used[s] && (inks.low[s] || f.inkLevel[s] == 0)) {
                f.warnings.push_back(kWarnInkLow + s);
                any = true;
            }
        }
        if (!any && inks.lowest >= 0)
            f.warnings.push_back(kWarnInkLow + inks.lowest);
    }
    if (f.warnings.size() > 10)
        f.warnings.resize(10);
    return f;
}

std::string FormatReply(const ReplyFields& f) {
    char field[16];
    std::string reply = "@BDC ST\r\n";
    std::snprintf(field, sizeof field, "ST:%02X;", f.state & 0xFF);
    reply += field;
    if (f.error >= 0) {
        std::snprintf(field, sizeof field, "ER:%02X;", f.error & 0xFF);
        reply += field;
    }
    if (f.sendInks) {
        reply += "IQ:";
        for (int level : f.inkLevel) {
            if (level == 255) {
                reply += "NA";
            } else {
                std::snprintf(field, sizeof field, "%02X", std::clamp(level, 0, 100));
                reply += field;
            }
        }
        reply += ";";
    }
    if (!f.warnings.empty()) {
        reply += "WR:";
        for (std::size_t i = 0; i < f.warnings.size(); ++i) {
            std::snprintf(field, sizeof field, i ? ",%02X" : "%02X", f.warnings[i] & 0xFF);
            reply += field;
        }
        reply += ";";
    }
    reply += '\x0C';
    return reply;
}

std::string MakeDeviceId(const PrinterSnapshot& snapshot) {
    // Separators inside values would break the key/value form.
    auto clean = [](const std::string& text) {
        std::string out;
        for (char c : text) {
            unsigned char u = static_cast<unsigned char>(c);
            if (c != ';' && c != ':' && u >= 0x20)
                out.push_back(c);
        }
        return out;
    };
    std::string model = clean(snapshot.makeAndModel);
    std::string make = model.substr(0, model.find(' '));
    return "MFG:" + make + ";MDL:" + model + ";CMD:IPP;CLS:PRINTER;DES:" + model + ";";
}

} // namespace ipp
