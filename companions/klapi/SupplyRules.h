#pragma once

// How a network printer's supplies read to a person, the same for every
// backend. A receptacle that fills with waste is never an ink running out: its
// level counts the space left in it, and little or none left is the ink pad's
// state. A level the printer does not know, or knows only as "some remaining",
// is shown as unknown ("NA"), never as empty. Pure: no Windows headers.
namespace supply {

// Levels with a meaning of their own, alike in the Printer MIB and in IPP.
constexpr int kLevelOther = -1;
constexpr int kLevelUnknown = -2;
constexpr int kLevelSomeRemaining = -3;

// A shown level is 0..100 percent, or this: "NA" in the status reply.
constexpr int kShownUnknown = 255;

// Space left in a receptacle, in percent, at or below which it is nearly full.
constexpr int kNearFullPercent = 10;

enum class InkPad { NotKnown, Fine, NearFull, Full };

// The percent of maxCapacity that level is (IPP's levels are percent: pass
// 100). Special, negative or uncomputable levels give kShownUnknown; a supply
// with anything left never rounds down to 0, and levels above the maximum read 100.
int ShownLevel(long long level, long long maxCapacity);

// A receptacle by its shown level (the space left). nearFullPercent: the
// printer's own mark when it gives one, else kNearFullPercent.
InkPad InkPadState(int shownLevel, int nearFullPercent = kNearFullPercent);

// An ink is out only at a known 0; it is low at or below the printer's mark.
bool InkIsOut(int shownLevel);
bool InkIsLow(int shownLevel, int lowPercent);

} // namespace supply
