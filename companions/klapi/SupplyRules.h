#pragma once

// How a printer's supply reading is shown, the same for every network backend.
// Pure. A supply either is consumed (ink, toner: shown as a level) or is a
// receptacle that fills (waste ink, waste toner: never shown as an ink that
// runs out, only as the ink-pad states).
namespace supply {

// The reply's "NA": no level known.
constexpr int kLevelUnknown = 255;

// Level readings that are not amounts (the Printer MIB's, also used by IPP's
// marker-levels): -1 other, -2 unknown, -3 "some remaining".
constexpr int kReadingOther = -1;
constexpr int kReadingUnknown = -2;
constexpr int kReadingSomeLeft = -3;

// A waste receptacle counts as nearly full from this share of its capacity on.
constexpr int kNearFullPercent = 90;

enum class WasteState { Unknown, Fine, NearFull, Full };

// A reading in units of `capacity` as a percentage 0..100, or -1 when it says
// no amount (negative readings, or no capacity known and a reading that is not
// a percentage). Capacities above 2^31 and readings above the capacity are
// handled without overflow.
int Percent(long long reading, long long capacity);

// What the monitor shows for a consumed supply at `percent` (from Percent, or
// IPP's level): 0..100, or kLevelUnknown for no amount. "Some remaining" is
// unknown, never 0 % or out.
int ShownLevel(int percent);

// A receptacle's state from how full it is in percent (-1: not known).
WasteState WasteFromFill(int percentFull);

// The Printer MIB reports a receptacle's remaining space; its fill is the rest.
// "Some remaining" space means it is not full, but not how full it is.
WasteState WasteFromRemaining(long long reading, long long capacity);

} // namespace supply
