#include "PrinterArt.h"

#include <cmath>

namespace art {

const Rgb kInkColours[6] = {MakeRgb(46, 46, 52),  MakeRgb(0, 158, 224),   MakeRgb(222, 0, 124),
                            MakeRgb(248, 206, 0), MakeRgb(112, 202, 240), MakeRgb(244, 138, 198)};

namespace {

const Rgb kOutline = MakeRgb(122, 130, 144);
const Rgb kBodyTop = MakeRgb(250, 251, 252);
const Rgb kBodyBottom = MakeRgb(198, 203, 212);
const Rgb kSlot = MakeRgb(62, 68, 80);
const Rgb kPaper = MakeRgb(255, 255, 255);
const Rgb kPaperEdge = MakeRgb(168, 176, 190);
const Rgb kAccent = MakeRgb(54, 112, 196);

Rgb LampColour(Lamp lamp) {
    switch (lamp) {
    case Lamp::Green:
        return MakeRgb(40, 200, 70);
    case Lamp::Amber:
        return MakeRgb(255, 160, 0);
    case Lamp::Red:
        return MakeRgb(232, 30, 30);
    case Lamp::Off:
        break;
    }
    return MakeRgb(176, 182, 192);
}

Rgb Pale(const Rgb& c, bool faded) {
    return faded ? Mix(c, MakeRgb(236, 238, 242), 0.55) : c;
}

// A shape with a one-pixel outline: the outline is the shape minus its inset.
void OutlinedRoundRect(Canvas& c, double x0, double y0, double x1, double y1, double r,
                       const Paint& fill, const Rgb& line, double width = 0.9) {
    c.FillRoundRect(x0, y0, x1, y1, r, Solid(line));
    c.FillRoundRect(x0 + width, y0 + width, x1 - width, y1 - width, r - width, fill);
}

void OutlinedPolygon(Canvas& c, const std::vector<Point>& pts, const Paint& fill, const Rgb& line,
                     double width = 0.9) {
    c.FillPolygon(pts, fill);
    std::vector<Point> closed = pts;
    closed.push_back(pts.front());
    c.StrokeLine(closed, width, Solid(line));
}

void DrawLamp(Canvas& c, double x, double y, Lamp lamp, bool faded) {
    const Rgb col = LampColour(lamp);
    if (lamp != Lamp::Off && !faded) {
        c.FillEllipse(x, y, 4.6, 4.6, Solid(col, 0.22));
        c.FillEllipse(x, y, 3.2, 3.2, Solid(col, 0.35));
    }
    c.FillEllipse(x, y, 2.1, 2.1, Solid(Darker(Pale(col, faded), 0.25)));
    c.FillEllipse(x, y, 1.5, 1.5, Solid(Pale(col, faded)));
    if (lamp != Lamp::Off)
        c.FillEllipse(x - 0.5, y - 0.6, 0.6, 0.5, Solid(MakeRgb(255, 255, 255), 0.8));
}

void DrawSheet(Canvas& c, const std::vector<Point>& pts, bool faded, bool printed) {
    OutlinedPolygon(c, pts, Solid(Pale(kPaper, faded)), Pale(kPaperEdge, faded), 0.7);
    if (!printed)
        return;
    // A few grey text lines and a coloured picture block on the sheet.
    const double x0 = std::min(pts[0].x, pts[3].x) + 4;
    const double x1 = std::max(pts[1].x, pts[2].x) - 4;
    const double y0 = std::min(pts[0].y, pts[1].y) + 2.5;
    const double y1 = std::max(pts[2].y, pts[3].y) - 1.5;
    Mask clip(c);
    clip.Polygon(pts);
    for (double y = y0; y + 1 < y1; y += 3) {
        Mask line(c);
        line.Rect(x0, y, x1 - ((static_cast<int>(y) % 2) ? 6 : 0), y + 1);
        line.Intersect(clip);
        c.Fill(line, Solid(MakeRgb(150, 158, 172)));
    }
}

} // namespace

void DrawBackdrop(Canvas& c) {
    const double w = c.width(), h = c.height();
    c.FillRect(0, 0, w, h, Vertical(MakeRgb(247, 250, 254), 0, MakeRgb(212, 224, 240), h));
    Mask frame(c);
    frame.Rect(0, 0, w, h);
    Mask inner(c);
    inner.Rect(1, 1, w - 1, h - 1);
    frame.Subtract(inner);
    c.Fill(frame, Solid(MakeRgb(176, 190, 210)));
    // Soft floor under the printer.
    c.FillEllipse(w / 2, h - 11, w * 0.40, 4.5, Solid(MakeRgb(40, 60, 90), 0.12));
    c.FillEllipse(w / 2, h - 11, w * 0.32, 2.8, Solid(MakeRgb(40, 60, 90), 0.12));
}

void DrawBadge(Canvas& c, double cx, double cy, double r, Badge badge, const Rgb& colour,
               bool dim) {
    if (badge == Badge::None)
        return;
    const Rgb fill = dim ? Mix(colour, MakeRgb(230, 234, 240), 0.7) : colour;
    const Rgb ink = dim ? MakeRgb(248, 248, 250) : MakeRgb(255, 255, 255);
    if (!dim)
        c.FillEllipse(cx + 0.8, cy + 1.2, r, r, Solid(MakeRgb(20, 30, 50), 0.25));
    c.FillEllipse(cx, cy, r, r, Solid(MakeRgb(255, 255, 255)));
    c.FillEllipse(cx, cy, r - 1.2, r - 1.2,
                  Vertical(Lighter(fill, 0.25), cy - r, Darker(fill, 0.1), cy + r));
    const double s = r / 10.0;
    switch (badge) {
    case Badge::Exclaim:
        c.StrokeLine({{cx, cy - 5.2 * s}, {cx, cy + 1.2 * s}}, 2.8 * s, Solid(ink));
        c.FillEllipse(cx, cy + 5.0 * s, 1.6 * s, 1.6 * s, Solid(ink));
        break;
    case Badge::Question: {
        std::vector<Point> hook = ArcPath(cx, cy - 2.2 * s, 3.4 * s, 180, 400, 20);
        hook.push_back(Point{cx, cy + 1.6 * s});
        c.StrokeLine(hook, 2.4 * s, Solid(ink));
        c.FillEllipse(cx, cy + 5.2 * s, 1.5 * s, 1.5 * s, Solid(ink));
        break;
    }
    case Badge::Cross:
        c.StrokeLine({{cx - 4 * s, cy - 4 * s}, {cx + 4 * s, cy + 4 * s}}, 2.6 * s, Solid(ink));
        c.StrokeLine({{cx + 4 * s, cy - 4 * s}, {cx - 4 * s, cy + 4 * s}}, 2.6 * s, Solid(ink));
        break;
    case Badge::Drop: {
        std::vector<Point> drop = ArcPath(cx, cy + 1.8 * s, 3.8 * s, -20, 200, 24);
        drop.push_back(Point{cx, cy - 6.0 * s});
        c.FillPolygon(drop, Solid(ink));
        c.StrokeLine({{cx, cy - 0.6 * s}, {cx, cy + 2.2 * s}}, 1.3 * s, Solid(fill));
        c.FillEllipse(cx, cy + 3.9 * s, 0.75 * s, 0.75 * s, Solid(fill));
        break;
    }
    case Badge::Wrench: {
        const double a = -0.78; // 45 degrees, head top right
        const double ux = std::cos(a), uy = std::sin(a);
        const Point head{cx + 2.6 * s * ux, cy + 2.6 * s * uy};
        c.StrokeLine({{cx - 4.6 * s * ux, cy - 4.6 * s * uy}, head}, 2.4 * s, Solid(ink));
        c.FillEllipse(head.x, head.y, 3.3 * s, 3.3 * s, Solid(ink));
        c.FillEllipse(head.x + 1.9 * s * ux, head.y + 1.9 * s * uy, 1.5 * s, 1.5 * s, Solid(fill));
        c.StrokeLine({head, {head.x + 4 * s * ux, head.y + 4 * s * uy}}, 1.6 * s, Solid(fill));
        break;
    }
    case Badge::Unplugged:
        // A plug and a socket apart, with a gap between them.
        c.FillRoundRect(cx - 6.2 * s, cy - 2.2 * s, cx - 1.8 * s, cy + 2.2 * s, 0.8 * s,
                        Solid(ink));
        c.StrokeLine({{cx - 1.8 * s, cy - 1.1 * s}, {cx - 0.2 * s, cy - 1.1 * s}}, 0.9 * s,
                     Solid(ink));
        c.StrokeLine({{cx - 1.8 * s, cy + 1.1 * s}, {cx - 0.2 * s, cy + 1.1 * s}}, 0.9 * s,
                     Solid(ink));
        c.FillRoundRect(cx + 2.0 * s, cy - 2.6 * s, cx + 6.4 * s, cy + 2.6 * s, 0.8 * s,
                        Solid(ink));
        c.StrokeLine({{cx - 7.8 * s, cy}, {cx - 6.2 * s, cy}}, 1.2 * s, Solid(ink));
        break;
    case Badge::TwoSheets:
        c.FillRect(cx - 5 * s, cy - 5.5 * s, cx + 1.5 * s, cy + 2.5 * s, Solid(ink));
        c.FillRect(cx - 1.5 * s, cy - 2.5 * s, cx + 5 * s, cy + 5.5 * s, Solid(fill));
        c.FillRect(cx - 0.6 * s, cy - 1.6 * s, cx + 4.1 * s, cy + 4.6 * s, Solid(ink));
        break;
    case Badge::Stop:
        c.StrokeLine({{cx - 5 * s, cy}, {cx + 5 * s, cy}}, 3 * s, Solid(ink));
        break;
    case Badge::None:
        break;
    }
}

void DrawArrow(Canvas& c, Point from, Point to, double width, const Rgb& colour) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    const double ux = dx / len, uy = dy / len;
    const double head = width * 2.4;
    const Point base{to.x - ux * head, to.y - uy * head};
    Mask m(c);
    m.Stroke({from, base}, width);
    m.Polygon({to,
               {base.x - uy * head * 0.8, base.y + ux * head * 0.8},
               {base.x + uy * head * 0.8, base.y - ux * head * 0.8}});
    Mask outline(c);
    outline.Stroke({from, base}, width + 2);
    outline.Polygon(
        {{to.x + ux * 1.4, to.y + uy * 1.4},
         {base.x - uy * (head * 0.8 + 1.4) - ux, base.y + ux * (head * 0.8 + 1.4) - uy},
         {base.x + uy * (head * 0.8 + 1.4) - ux, base.y - ux * (head * 0.8 + 1.4) - uy}});
    c.Fill(outline, Solid(MakeRgb(255, 255, 255)));
    c.Fill(m, Solid(colour));
}

static void DrawCarriage(Canvas& c, const PrinterLook& look) {
    // Opening in the top of the body, seen from the front.
    c.FillRoundRect(17, 27, 92, 40, 2, Vertical(MakeRgb(54, 58, 68), 27, MakeRgb(92, 98, 110), 40));
    c.FillRect(19, 35, 90, 36.2, Solid(MakeRgb(150, 156, 168))); // guide rail
    const double x0 = 20 + look.carriageX * 30;
    c.FillRoundRect(x0, 29, x0 + 39, 40, 1.5,
                    Vertical(MakeRgb(120, 126, 138), 29, MakeRgb(84, 90, 102), 40));
    for (int i = 0; i < 6; ++i) {
        const double cx = x0 + 2 + i * 6.0;
        const bool marked = look.markedCartridge == i;
        const double top = marked ? 26.0 : 28.0;
        c.FillRoundRect(cx, top, cx + 5, 38, 1, Solid(MakeRgb(236, 238, 242)));
        c.FillRoundRect(cx + 0.6, top + 0.6, cx + 4.4, top + 4.2, 0.8, Solid(kInkColours[i]));
        if (marked) {
            Mask ring(c);
            ring.RoundRect(cx - 1.4, top - 1.4, cx + 6.4, 39.4, 2);
            Mask inner(c);
            inner.RoundRect(cx - 0.2, top - 0.2, cx + 5.2, 38.2, 1.2);
            ring.Subtract(inner);
            c.Fill(ring, Solid(MakeRgb(236, 30, 30)));
        }
    }
    if (look.unknownCartridge)
        c.FillRoundRect(x0 + 2 + 3 * 6.0, 28, x0 + 2 + 3 * 6.0 + 5, 38, 1,
                        Solid(MakeRgb(210, 214, 222)));
}

void DrawPrinter(Canvas& c, const PrinterLook& look) {
    const bool f = look.faded;

    // Rear tray with the paper standing in it.
    if (!look.coverOpen) {
        OutlinedPolygon(
            c, {{35, 28}, {74, 28}, {70, 12}, {39, 12}},
            Vertical(Pale(MakeRgb(182, 188, 198), f), 12, Pale(MakeRgb(150, 156, 168), f), 28),
            Pale(kOutline, f));
        for (int i = 0; i < look.paperInTray; ++i) {
            const double d = (look.paperInTray - 1 - i) * 1.2;
            DrawSheet(c, {{38 + d, 28}, {71 + d, 28}, {68 + d, 6 + d * 0.6}, {41 + d, 6 + d * 0.6}},
                      f, false);
        }
    }

    // Body and lid.
    OutlinedRoundRect(c, 12, 32, 97, 69, 6,
                      Vertical(Pale(kBodyTop, f), 32, Pale(kBodyBottom, f), 69), Pale(kOutline, f));
    if (look.coverOpen) {
        DrawCarriage(c, look);
        OutlinedPolygon(
            c, {{16, 27}, {93, 27}, {90, 5}, {19, 5}},
            Vertical(Pale(MakeRgb(232, 235, 240), f), 5, Pale(MakeRgb(206, 211, 220), f), 27),
            Pale(kOutline, f));
        c.FillRect(20, 7, 89, 8, Solid(Pale(MakeRgb(255, 255, 255), f), 0.7));
    } else {
        OutlinedRoundRect(
            c, 15, 26, 94, 37, 4,
            Vertical(Pale(MakeRgb(255, 255, 255), f), 26, Pale(MakeRgb(226, 229, 235), f), 37),
            Pale(kOutline, f));
    }
    c.FillRect(14, 39.4, 95, 40.2, Solid(Pale(MakeRgb(255, 255, 255), f), 0.9));
    c.FillRoundRect(19, 43, 46, 44.6, 0.8, Solid(Pale(kAccent, f)));

    // Front feed slot (manual feed), output slot and output tray.
    c.FillRoundRect(30, 47.5, 66, 49.5, 1, Solid(Pale(MakeRgb(150, 156, 168), f)));
    c.FillRoundRect(23, 55, 86, 59.5, 1.6, Solid(Pale(kSlot, f)));
    OutlinedPolygon(
        c, {{22, 64}, {87, 64}, {92, 72}, {17, 72}},
        Vertical(Pale(MakeRgb(236, 238, 242), f), 64, Pale(MakeRgb(196, 201, 210), f), 72),
        Pale(kOutline, f));

    // Lamps and the power button.
    DrawLamp(c, 77, 46, look.errorLamp, f);
    DrawLamp(c, 85, 46, look.powerLamp, f);
    c.FillEllipse(85, 53.5, 2.3, 2.3, Solid(Pale(MakeRgb(160, 166, 178), f)));
    c.FillEllipse(85, 53.5, 1.6, 1.6, Solid(Pale(MakeRgb(226, 229, 235), f)));

    if (look.outputSheet >= 0) {
        const double len = 4 + 10 * look.outputSheet;
        DrawSheet(c, {{28, 58}, {81, 58}, {83, 58 + len}, {26, 58 + len}}, f, true);
    }
    if (look.manualSheet >= 0) {
        // One sheet sliding down into the empty rear tray.
        const double y = 1 + 14 * look.manualSheet;
        DrawSheet(c, {{41, y + 20}, {68, y + 20}, {66, y}, {43, y}}, f, false);
        OutlinedRoundRect(
            c, 15, 26, 94, 37, 4,
            Vertical(Pale(MakeRgb(255, 255, 255), f), 26, Pale(MakeRgb(226, 229, 235), f), 37),
            Pale(kOutline, f));
        c.FillRect(14, 39.4, 95, 40.2, Solid(Pale(MakeRgb(255, 255, 255), f), 0.9));
    }
    if (look.doubleSheet) {
        DrawSheet(c, {{27, 58}, {76, 58}, {79, 71}, {24, 71}}, f, true);
        DrawSheet(c, {{35, 58}, {84, 58}, {89, 68}, {33, 70}}, f, false);
    }
    if (look.jam) {
        // A crumpled sheet caught in the slot; its folds move between phases.
        const double p = look.jamPhase * 1.6;
        const std::vector<Point> sheet = {
            {32, 57},     {76, 57},           {79 + p, 61}, {72, 64 - p},
            {78 - p, 68}, {66, 66 + p * 0.5}, {58, 71},     {50 - p, 65 + p * 0.4},
            {40, 70 - p}, {34 + p, 64},       {28, 66}};
        OutlinedPolygon(c, sheet, Solid(MakeRgb(255, 255, 255)), MakeRgb(150, 158, 172), 0.8);
        c.StrokeLine({{44, 59}, {50 - p, 65 + p * 0.4}}, 0.7, Solid(MakeRgb(170, 176, 190)));
        c.StrokeLine({{64, 59}, {66, 66 + p * 0.5}}, 0.7, Solid(MakeRgb(170, 176, 190)));
    }

    DrawBadge(c, 93, 14, 10, look.badge, look.badgeColour, look.badgeDim);
}

void DrawCartridgeRow(Canvas& c, int chosen, bool signOn) {
    const double w = 12, gap = 4, total = 6 * w + 5 * gap;
    const double x0 = (c.width() - total) / 2;
    const double bottom = 70;
    for (int i = 0; i < 6; ++i) {
        const bool picked = i == chosen;
        const double x = x0 + i * (w + gap);
        const double top = picked ? 24 : 36;
        const double bot = picked ? bottom - 12 : bottom;
        const Rgb ink = picked ? kInkColours[i] : Mix(kInkColours[i], MakeRgb(236, 240, 246), 0.45);
        const Rgb shell = picked ? MakeRgb(250, 251, 253) : MakeRgb(238, 241, 246);
        c.FillRoundRect(x + 0.8, top + 1.2, x + w + 0.8, bot + 1.2, 2,
                        Solid(MakeRgb(30, 45, 70), 0.15));
        OutlinedRoundRect(c, x, top, x + w, bot, 2, Solid(shell),
                          picked ? MakeRgb(90, 98, 112) : kOutline);
        // Window showing the ink left: low for the chosen one, comfortable for the rest.
        const double wx0 = x + 2.5, wx1 = x + w - 2.5, wy0 = top + 6, wy1 = bot - 3;
        c.FillRect(wx0, wy0, wx1, wy1, Solid(MakeRgb(226, 230, 236)));
        const double level = picked ? 0.12 : 0.72;
        c.FillRect(wx0, wy1 - (wy1 - wy0) * level, wx1, wy1, Solid(ink));
        c.FillRoundRect(x + 1.2, top + 1.2, x + w - 1.2, top + 4.6, 1.2, Solid(ink));
        if (picked) {
            // Raised out of the row: a warning sign above it and a guide arrow.
            const double cx = x + w / 2;
            if (signOn) {
                const double ty = 5;
                Mask tri(c);
                tri.Polygon({{cx, ty}, {cx + 9.5, ty + 15}, {cx - 9.5, ty + 15}});
                Mask border(c);
                border.Stroke({{cx, ty}, {cx + 9.5, ty + 15}, {cx - 9.5, ty + 15}, {cx, ty}}, 2.2);
                c.Fill(border, Solid(MakeRgb(255, 255, 255)));
                c.Fill(tri, Vertical(MakeRgb(255, 196, 40), ty, MakeRgb(246, 150, 0), ty + 15));
                c.StrokeLine({{cx, ty + 5}, {cx, ty + 9.6}}, 2.0, Solid(MakeRgb(60, 40, 0)));
                c.FillEllipse(cx, ty + 12.4, 1.1, 1.1, Solid(MakeRgb(60, 40, 0)));
            }
        }
    }
    // The carriage the cartridges sit in.
    OutlinedRoundRect(
        c, x0 - 4, bottom - 4, x0 + total + 4, bottom + 5, 2,
        Vertical(MakeRgb(138, 144, 156), bottom - 4, MakeRgb(96, 102, 114), bottom + 5),
        MakeRgb(80, 86, 98));
}

void DrawPrintingPrinter(Canvas& c, int frame) {
    // Same printer, drawn a little smaller, with one sheet travelling through it.
    const double t = frame / 2.0; // 0, 0.5, 1
    const double w = c.width();
    const double s = 0.9, ox = (w - 109 * s) / 2 + 0.5, oy = 1;
    auto P = [&](double x, double y) { return Point{ox + x * s, oy + y * s}; };

    c.FillPolygon(
        {P(35, 28), P(74, 28), P(70, 12), P(39, 12)},
        Vertical(MakeRgb(182, 188, 198), oy + 12 * s, MakeRgb(150, 156, 168), oy + 28 * s));
    // The sheet being drawn in sinks into the printer frame by frame.
    const double sink = 6 + 14 * t;
    DrawSheet(c, {P(40, 28), P(69, 28), P(67, sink), P(42, sink)}, false, false);
    DrawSheet(c, {P(38, 28), P(71, 28), P(68, 4), P(41, 4)}, false, false);

    OutlinedRoundRect(c, ox + 12 * s, oy + 32 * s, ox + 97 * s, oy + 69 * s, 5,
                      Vertical(kBodyTop, oy + 32 * s, kBodyBottom, oy + 69 * s), kOutline);
    OutlinedRoundRect(
        c, ox + 15 * s, oy + 26 * s, ox + 94 * s, oy + 37 * s, 3.5,
        Vertical(MakeRgb(255, 255, 255), oy + 26 * s, MakeRgb(226, 229, 235), oy + 37 * s),
        kOutline);
    c.FillRoundRect(ox + 19 * s, oy + 43 * s, ox + 46 * s, oy + 44.6 * s, 0.8, Solid(kAccent));
    c.FillRoundRect(ox + 23 * s, oy + 55 * s, ox + 86 * s, oy + 59.5 * s, 1.4, Solid(kSlot));
    OutlinedPolygon(
        c, {P(22, 64), P(87, 64), P(92, 72), P(17, 72)},
        Vertical(MakeRgb(236, 238, 242), oy + 64 * s, MakeRgb(196, 201, 210), oy + 72 * s),
        kOutline);
    DrawLamp(c, ox + 85 * s, oy + 46 * s, frame == 1 ? Lamp::Off : Lamp::Green, false);
    DrawLamp(c, ox + 77 * s, oy + 46 * s, Lamp::Off, false);

    // The printed sheet comes out a little further each frame, over the tray.
    const double len = 5 + 11 * t;
    DrawSheet(c, {P(28, 58), P(81, 58), P(83, 58 + len), P(26, 58 + len)}, false, true);
    // Motion marks beside the outgoing sheet.
    for (int i = 0; i < 3; ++i) {
        const double y = oy + (60 + len * 0.3 + i * 3) * s;
        const double a = frame == i ? 0.9 : 0.35;
        c.StrokeLine({{ox + 8 * s, y}, {ox + 14 * s, y}}, 1.0, Solid(kAccent, a));
        c.StrokeLine({{ox + 95 * s, y}, {ox + 101 * s, y}}, 1.0, Solid(kAccent, a));
    }
}

} // namespace art
