#include "IppStatusMap.h"

#include <algorithm>
#include <cstdio>

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

// One row per IPP condition, in order of precedence: the first reason of the
// printer that has a row decides the state; warnings add up.
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
    {"marker-waste-almost-full", Effect::WasteFull, 0}, // 33: ink pad nearly full
    {"marker-waste-full", Effect::WasteFull, 0},        // 33
    {"marker-supply-low", Effect::InkLow, 0},           // 12/13/20: ink low, with the inks named
    {"toner-low", Effect::InkLow, 0},                   // 12/13/20
};

int ColorSlot(const std::string& color, const std::string& name) {
    std::string n;
    for (char c : name)
        n.push_back(static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c));
    auto has = [&](const char* word) { return n.find(word) != std::string::npos; };
    if (has("light cyan") || has("light-cyan") || color == "#80FFFF")
        return 4;
    if (has("light magenta") || has("light-magenta") || color == "#FF80FF")
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

bool HasReason(const PrinterSnapshot& s, const char* reason) {
    return std::find(s.reasons.begin(), s.reasons.end(), reason) != s.reasons.end();
}

} // namespace

void AssignInkSlots(const PrinterSnapshot& snapshot, int slot[kInkSlots]) {
    std::fill(slot, slot + kInkSlots, -1);
    std::vector<int> unplaced;
    for (std::size_t i = 0; i < snapshot.markers.size(); ++i) {
        const Marker& m = snapshot.markers[i];
        int s = ColorSlot(m.color, m.name);
        if (s >= 0 && slot[s] < 0)
            slot[s] = static_cast<int>(i);
        else
            unplaced.push_back(static_cast<int>(i));
    }
    for (int i : unplaced) {
        for (int s = 0; s < kInkSlots; ++s) {
            if (slot[s] < 0) {
                slot[s] = i;
                break;
            }
        }
    }
}

ReplyFields MapSnapshot(const PrinterSnapshot& snapshot) {
    ReplyFields f;
    f.state = snapshot.state == 4 ? kStatePrinting : kStateReady;

    int slot[kInkSlots];
    AssignInkSlots(snapshot, slot);
    // A slot the printer has no ink for reads as full: the reply always has six
    // slots, and an empty or unknown one would be named as an ink to replace.
    bool empty[kInkSlots] = {};
    bool low[kInkSlots] = {};
    int lowest = -1;
    for (int s = 0; s < kInkSlots; ++s) {
        if (slot[s] < 0)
            continue;
        const Marker& m = snapshot.markers[static_cast<std::size_t>(slot[s])];
        f.sendInks = true;
        f.inkLevel[s] = m.level < 0 ? 255 : std::min(m.level, 100);
        empty[s] = m.level == 0;
        low[s] = m.level >= 0 && m.lowLevel >= 0 && m.level <= m.lowLevel;
        if (m.level >= 0 && (lowest < 0 || m.level < f.inkLevel[lowest]))
            lowest = s;
    }

    bool decided = false;
    bool wasteWarning = false;
    bool inkWarning = false;
    for (const Row& row : kRows) {
        if (!HasReason(snapshot, row.reason))
            continue;
        switch (row.effect) {
        case Effect::Error:
            if (!decided) {
                f.state = kStateError;
                f.error = row.error;
                decided = true;
            }
            break;
        case Effect::InkOut:
            if (!decided) {
                f.state = kStateError;
                f.error = row.error;
                decided = true;
                if (std::none_of(empty, empty + kInkSlots, [](bool e) { return e; }) && lowest >= 0)
                    f.inkLevel[lowest] = 0; // the printer says one is out: the emptiest
            }
            break;
        case Effect::Offline:
            if (!decided) {
                f.state = kStateOffline;
                decided = true;
            }
            break;
        case Effect::ShutDown:
            if (!decided) {
                f.state = kStateShuttingDown;
                decided = true;
            }
            break;
        case Effect::WasteFull:
            wasteWarning = true;
            break;
        case Effect::InkLow:
            inkWarning = true;
            break;
        }
    }
    if (wasteWarning)
        f.warnings.push_back(kWarnWasteNearFull);
    if (inkWarning) {
        bool any = false;
        for (int s = 0; s < kInkSlots; ++s) {
            if (low[s] || (f.inkLevel[s] == 0 && slot[s] >= 0)) {
                f.warnings.push_back(kWarnInkLow + s);
                any = true;
            }
        }
        if (!any && lowest >= 0)
            f.warnings.push_back(kWarnInkLow + lowest);
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
