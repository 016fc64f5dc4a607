#pragma once
#include <string>
#include <vector>

#include "IppMessage.h"

// What a printer's Get-Printer-Attributes answer says about its state and
// supplies, in plain values. Pure.
namespace ipp {

struct Marker {
    std::string name;
    std::string color; // "#RRGGBB" when the printer names one
    std::string type;  // "ink", "ink-cartridge", "toner", "waste-ink", ...
    // Percent; below 0: other (-1), unknown (-2), some left (-3). A waste
    // receptacle's level is the space left in it.
    int level = -1;
    int lowLevel = -1; // percent at which the printer warns
};

// How much a printer-state-reason matters: its keyword's suffix ("-report",
// "-warning", "-error"); a keyword without one is an error.
enum class Severity { Report, Warning, Error };

struct PrinterSnapshot {
    int state = 0; // 3 idle, 4 processing, 5 stopped; 0 when not reported
    std::vector<std::string>
        reasons; // printer-state-reasons without the "-report"/"-warning"/"-error" suffix
    std::vector<Severity> severities; // one per reason; a reason without one is an error
    std::string makeAndModel;
    std::vector<Marker> markers; // inks only, in the printer's order
    std::vector<Marker> waste;   // receptacles that fill: waste ink or toner
    int queuedJobs = 0;
};

// Reads marker-names/-colors/-levels/-low-levels/-types when present, else the
// ink and waste entries of printer-supply. Lists of unequal length are read as
// far as marker-names goes: a marker without a level has an unknown one. Returns false when the
// answer is not a successful response with a printer group.
bool ReadPrinterSnapshot(const Message& response, PrinterSnapshot& out);

// The reasons keyword without its severity suffix ("media-empty-error" -> "media-empty").
std::string ReasonKeyword(const std::string& reason);
Severity ReasonSeverity(const std::string& reason);

} // namespace ipp
