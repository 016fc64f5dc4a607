#pragma once
#include <string>
#include <vector>

// Which values the request router needs so that it serves every port kind.
// The router lists its ports in the values KLP00 ... KLP99; the start of each
// text names the port kind.
namespace klapiset {

constexpr int kRouterSlots = 100;
constexpr char kRouterKey[] = "software\\VORNE\\KLPrinter\\KLRequestRouter";

enum class PortKind { None, Lpt, KlpIp, Ipx };

// The kind a router value names, compared without regard to case; "LPT" is
// tried first, then "KLPIP", then "IPX".
PortKind KindOf(const std::string& value);
std::string SlotName(int index);

struct RouterSlot {
    bool free = true; // missing, or an empty string: may be written
    std::string text; // the value's text when it could be read
};

struct RouterWrite {
    int slot;
    std::string value;
};

// Adds each missing kind in the first free slot, in the order LPT, KLPIP, IPX.
// Returns false, with no writes, when a missing kind finds no free slot.
// Occupied slots are never written, whatever they hold.
bool PlanRouterUpdate(const std::vector<RouterSlot>& slots, std::vector<RouterWrite>* writes);

} // namespace klapiset
