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
    int level = -1;    // percent; below 0: unknown (-1), not applicable (-2), some left (-3)
    int lowLevel = -1; // percent at which the printer warns
};

struct PrinterSnapshot {
    int state = 0; // 3 idle, 4 processing, 5 stopped; 0 when not reported
    std::vector<std::string>
        reasons; // printer-state-reasons without the "-report"/"-warning"/"-error" suffix
    std::string makeAndModel;
    std::vector<Marker> markers; // inks only, in the printer's order
    int queuedJobs = 0;
};

// Reads marker-names/-colors/-levels/-low-levels/-types when present, else the
// ink entries of printer-supply. Returns false when the answer is not a
// successful response with a printer group.
bool ReadPrinterSnapshot(const Message& response, PrinterSnapshot& out);

// The reasons keyword without its severity suffix ("media-empty-error" -> "media-empty").
std::string ReasonKeyword(const std::string& reason);

} // namespace ipp
