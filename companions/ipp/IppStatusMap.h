#pragma once
#include <string>
#include <vector>

#include "PrinterSnapshot.h"

// Turns what an IPP printer reports into the status reply the printer status
// library decodes ("@BDC ST\r\n" and its fields), so that the library's own
// tables give the right status number, message, picture and sound.
namespace ipp {

// The reply's six ink slots in the order of the monitor's ink controls.
constexpr int kInkSlots = 6;

struct ReplyFields {
    int state = 4;                                            // "ST:"
    int error = -1;                                           // "ER:", -1 = not sent
    std::vector<int> warnings;                                // "WR:"
    int inkLevel[kInkSlots] = {100, 100, 100, 100, 100, 100}; // 0..100, 255 = "NA"
    bool sendInks = false;                                    // "IQ:" with all six slots
};

// The printer's inks placed in the six slots by colour (black, cyan, magenta,
// yellow, light cyan, light magenta; unnamed colours fill free slots in order).
// slot[i] is the marker index or -1.
void AssignInkSlots(const PrinterSnapshot& snapshot, int slot[kInkSlots]);

ReplyFields MapSnapshot(const PrinterSnapshot& snapshot);
std::string FormatReply(const ReplyFields& fields);

// The IEEE 1284 device ID of the printer: "MFG:...;MDL:<make and model>;...".
std::string MakeDeviceId(const PrinterSnapshot& snapshot);

} // namespace ipp
