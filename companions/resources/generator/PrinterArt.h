#pragma once
#include "Raster.h"

// The printer and the signs drawn on the installation's pictures.
namespace art {

enum class Lamp { Off, Green, Amber, Red };

enum class Badge { None, Exclaim, Question, Cross, Drop, Wrench, Unplugged, TwoSheets, Stop };

// One look of the printer; every picture of a state is one or more looks.
struct PrinterLook {
    Lamp powerLamp = Lamp::Green;
    Lamp errorLamp = Lamp::Off;
    int paperInTray = 3;      // sheets standing in the rear tray, 0 = empty
    bool coverOpen = false;   // lid raised, carriage and cartridges visible
    double carriageX = 0.5;   // 0 = far left, 1 = far right (only with the cover open)
    int markedCartridge = -1; // cartridge drawn with a warning outline (cover open)
    bool unknownCartridge = false;
    bool faded = false; // printer drawn pale (no connection)
    bool jam = false;   // crumpled sheet in the output slot
    int jamPhase = 0;
    bool doubleSheet = false; // two sheets pushed out askew
    double manualSheet = -1;  // a sheet entering the front feed slot, 0..1; <0 none
    double outputSheet = -1;  // a printed sheet coming out, 0..1; <0 none
    Badge badge = Badge::None;
    Rgb badgeColour{0.85, 0.1, 0.1};
    bool badgeDim = false; // the blinking badge's off phase
};

extern const Rgb kInkColours[6];

void DrawBackdrop(Canvas& c);
void DrawPrinter(Canvas& c, const PrinterLook& look);
void DrawBadge(Canvas& c, double cx, double cy, double r, Badge badge, const Rgb& colour, bool dim);
void DrawArrow(Canvas& c, Point from, Point to, double width, const Rgb& colour);
// Six cartridges side by side; the chosen one raised with a warning sign.
void DrawCartridgeRow(Canvas& c, int chosen, bool signOn);
// The printer feeding a sheet through, for the progress animation (100 by 85).
void DrawPrintingPrinter(Canvas& c, int frame);

} // namespace art
