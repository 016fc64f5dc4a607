// Build-time generator of the installation's pictures and icons, and the
// code-page adapter for the Japanese resource script.
//
//   kvrgen pictures OUTDIR   writes pNNN.bmp for every picture, i621.ico,
//                            i640.ico and KvrPictures.rci listing the bitmaps
//   kvrgen sjis-rc IN OUT    copies a Shift-JIS resource script, doubling every
//                            0x5C that is the second byte of a double-byte
//                            character, so that the resource compiler's
//                            preprocessor does not read it as an escape
#include "ImageFiles.h"
#include "PrinterArt.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace art;

namespace {

struct Picture {
    int id;
    int width, height;
    std::function<void(Canvas&)> draw;
};

PrinterLook Ready() {
    return PrinterLook{};
}

std::function<void(Canvas&)> Scene(PrinterLook look) {
    return [look](Canvas& c) {
        DrawBackdrop(c);
        DrawPrinter(c, look);
    };
}

PrinterLook Blink(PrinterLook look, bool on, Lamp lamp) {
    look.errorLamp = on ? lamp : Lamp::Off;
    look.badgeDim = !on;
    return look;
}

const Rgb kAmber = MakeRgb(242, 140, 0);
const Rgb kRed = MakeRgb(216, 36, 36);
const Rgb kBlue = MakeRgb(54, 112, 196);

std::vector<Picture> AllPictures() {
    std::vector<Picture> list;
    auto add = [&](int id, std::function<void(Canvas&)> draw) {
        list.push_back(Picture{id, 109, 86, std::move(draw)});
    };

    add(510, Scene(Ready()));

    PrinterLook offline = Ready();
    offline.faded = true;
    offline.powerLamp = Lamp::Off;
    offline.badge = Badge::Unplugged;
    offline.badgeColour = kAmber;
    add(516, Scene(offline));
    offline.badgeDim = true;
    add(517, Scene(offline));

    PrinterLook cover = Ready();
    cover.coverOpen = true;
    cover.badge = Badge::Exclaim;
    cover.badgeColour = kAmber;
    add(521, Scene(Blink(cover, true, Lamp::Amber)));
    add(522, [cover](Canvas& c) {
        DrawBackdrop(c);
        PrinterLook off = Blink(cover, false, Lamp::Amber);
        off.badge = Badge::None;
        DrawPrinter(c, off);
        DrawArrow(c, {100, 2}, {100, 26}, 3.0, kAmber);
    });

    PrinterLook ink = Ready();
    ink.coverOpen = true;
    ink.badge = Badge::Drop;
    ink.badgeColour = kAmber;
    add(526, Scene(Blink(ink, true, Lamp::Amber)));
    add(527, Scene(Blink(ink, false, Lamp::Amber)));

    // One picture per ink, in the order of the ink controls' colour indexes.
    const int perInk[6] = {528, 533, 531, 529, 532, 530};
    for (int i = 0; i < 6; ++i)
        add(perInk[i], [i](Canvas& c) {
            DrawBackdrop(c);
            DrawCartridgeRow(c, i, true);
        });

    PrinterLook paper = Ready();
    paper.paperInTray = 0;
    add(534, [paper](Canvas& c) {
        DrawBackdrop(c);
        DrawPrinter(c, Blink(paper, true, Lamp::Amber));
        // A sheet hovering over the empty tray, and where it goes.
        Mask sheet(c);
        sheet.Polygon({{40, 2}, {69, 2}, {67, 14}, {42, 14}});
        c.Fill(sheet, Solid(MakeRgb(255, 255, 255), 0.85));
        c.StrokeLine({{40, 2}, {69, 2}, {67, 14}, {42, 14}, {40, 2}}, 0.8, Solid(kAmber));
        DrawArrow(c, {82, 1}, {74, 17}, 2.6, kAmber);
    });
    add(535, Scene(Blink(paper, false, Lamp::Amber)));

    PrinterLook jam = Ready();
    jam.jam = true;
    jam.badge = Badge::Exclaim;
    jam.badgeColour = kRed;
    for (int phase = 0; phase < 3; ++phase) {
        PrinterLook l = Blink(jam, phase != 1, Lamp::Red);
        l.jamPhase = phase;
        add(539 + phase, [l, phase](Canvas& c) {
            DrawBackdrop(c);
            DrawPrinter(c, l);
            if (phase == 2)
                DrawArrow(c, {54, 66}, {54, 84}, 3.0, kRed);
        });
    }

    PrinterLook cartridge = Ready();
    cartridge.coverOpen = true;
    cartridge.markedCartridge = 3;
    cartridge.unknownCartridge = true;
    cartridge.badge = Badge::Question;
    cartridge.badgeColour = kAmber;
    add(544, Scene(Blink(cartridge, true, Lamp::Amber)));
    add(545, Scene(Blink(cartridge, false, Lamp::Amber)));

    PrinterLook sheets = Ready();
    sheets.doubleSheet = true;
    sheets.badge = Badge::TwoSheets;
    sheets.badgeColour = kAmber;
    add(549, Scene(Blink(sheets, true, Lamp::Amber)));
    add(550, Scene(Blink(sheets, false, Lamp::Amber)));

    PrinterLook manual = Ready();
    manual.paperInTray = 0;
    for (int step = 0; step < 3; ++step) {
        PrinterLook l = Blink(manual, step != 1, Lamp::Amber);
        l.manualSheet = step / 2.0;
        add(554 + step, [l, step](Canvas& c) {
            DrawBackdrop(c);
            DrawPrinter(c, l);
            if (step < 2)
                DrawArrow(c, {80, 2 + step * 5.0}, {80, 16 + step * 5.0}, 2.6, kAmber);
        });
    }

    PrinterLook blocked = Ready();
    blocked.coverOpen = true;
    blocked.badge = Badge::Stop;
    blocked.badgeColour = kRed;
    PrinterLook b1 = Blink(blocked, true, Lamp::Red);
    b1.carriageX = 0.42;
    add(557, Scene(b1));
    PrinterLook b2 = Blink(blocked, false, Lamp::Red);
    b2.carriageX = 0.5;
    add(558, Scene(b2));

    PrinterLook error = Ready();
    error.badge = Badge::Exclaim;
    error.badgeColour = kRed;
    add(559, Scene(Blink(error, true, Lamp::Red)));
    add(560, Scene(Blink(error, false, Lamp::Red)));

    PrinterLook service = Ready();
    service.errorLamp = Lamp::Amber;
    service.badge = Badge::Wrench;
    service.badgeColour = kBlue;
    add(561, Scene(service));

    PrinterLook unknown = Ready();
    unknown.faded = true;
    unknown.powerLamp = Lamp::Off;
    unknown.badge = Badge::Question;
    unknown.badgeColour = MakeRgb(118, 130, 152);
    add(10000, Scene(unknown));

    for (int frame = 0; frame < 3; ++frame)
        list.push_back(Picture{589 + frame, 100, 85, [frame](Canvas& c) {
                                   DrawBackdrop(c);
                                   DrawPrintingPrinter(c, frame);
                               }});
    return list;
}

// Icons carry alpha: the picture is drawn over black and over white, and the
// difference between the two gives each pixel's coverage.
IconFrame RenderIcon(int size, const std::function<void(Canvas&, double)>& draw) {
    Canvas onBlack(size, size, 8), onWhite(size, size, 8);
    onBlack.Clear(Rgb{0, 0, 0});
    onWhite.Clear(Rgb{1, 1, 1});
    draw(onBlack, size / 32.0);
    draw(onWhite, size / 32.0);
    const std::vector<uint8_t> b = onBlack.Resolve(), w = onWhite.Resolve();
    IconFrame frame;
    frame.size = size;
    frame.bgra.resize(static_cast<size_t>(size) * size * 4);
    for (size_t i = 0; i < static_cast<size_t>(size) * size; ++i) {
        const int alpha = 255 - (w[i * 3 + 1] - b[i * 3 + 1]);
        const int a = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
        for (int ch = 0; ch < 3; ++ch) {
            const int colour = a ? b[i * 3 + ch] * 255 / a : 0;
            frame.bgra[i * 4 + (2 - ch)] = static_cast<uint8_t>(colour > 255 ? 255 : colour);
        }
        frame.bgra[i * 4 + 3] = static_cast<uint8_t>(a);
    }
    return frame;
}

void DrawAppIcon(Canvas& c, double s) {
    auto R = [s](double v) { return v * s; };
    const Rgb outline = MakeRgb(70, 80, 98);
    // Paper in the rear tray.
    c.FillPolygon({{R(9), R(14)}, {R(23), R(14)}, {R(22), R(2.5)}, {R(10), R(2.5)}},
                  Solid(outline));
    c.FillPolygon({{R(10), R(14)}, {R(22), R(14)}, {R(21.2), R(3.5)}, {R(10.8), R(3.5)}},
                  Solid(MakeRgb(255, 255, 255)));
    for (double y = 6; y < 12; y += 2.2)
        c.FillRect(R(12.5), R(y), R(19.5), R(y + 0.9), Solid(MakeRgb(150, 160, 178)));
    // Body.
    c.FillRoundRect(R(1.5), R(12), R(30.5), R(26), R(3), Solid(outline));
    c.FillRoundRect(R(2.5), R(13), R(29.5), R(25), R(2.4),
                    Vertical(MakeRgb(250, 251, 253), R(13), MakeRgb(188, 196, 210), R(25)));
    c.FillRect(R(4), R(16.2), R(15), R(17.4), Solid(MakeRgb(54, 112, 196)));
    c.FillEllipse(R(26), R(16.8), R(1.4), R(1.4), Solid(MakeRgb(40, 200, 70)));
    c.FillRoundRect(R(6), R(19.5), R(26), R(21.5), R(0.8), Solid(MakeRgb(60, 66, 80)));
    // Printed sheet on the tray.
    c.FillPolygon({{R(7), R(21)}, {R(25), R(21)}, {R(26.5), R(30)}, {R(5.5), R(30)}},
                  Solid(outline));
    c.FillPolygon({{R(7.8), R(21.5)}, {R(24.2), R(21.5)}, {R(25.5), R(29.2)}, {R(6.5), R(29.2)}},
                  Solid(MakeRgb(255, 255, 255)));
    const Rgb inks[3] = {kInkColours[1], kInkColours[2], kInkColours[3]};
    for (int i = 0; i < 3; ++i)
        c.FillRect(R(9 + i * 5), R(23.5), R(13 + i * 5), R(27), Solid(inks[i]));
}

void DrawPauseIcon(Canvas& c, double s) {
    auto R = [s](double v) { return v * s; };
    c.FillEllipse(R(16), R(16), R(13), R(13), Solid(MakeRgb(255, 255, 255)));
    c.FillEllipse(R(16), R(16), R(11.6), R(11.6),
                  Vertical(MakeRgb(255, 186, 40), R(4), MakeRgb(232, 128, 0), R(28)));
    c.FillRoundRect(R(11), R(9.5), R(14.6), R(22.5), R(1), Solid(MakeRgb(255, 255, 255)));
    c.FillRoundRect(R(17.4), R(9.5), R(21), R(22.5), R(1), Solid(MakeRgb(255, 255, 255)));
}

int WritePictures(const std::string& dir) {
    std::string listing = "/* Generated by kvrgen: the picture set. */\n";
    for (const Picture& p : AllPictures()) {
        Canvas c(p.width, p.height, 4);
        p.draw(c);
        const IndexedImage img = Quantize(c.Resolve(), p.width, p.height);
        const std::string name = "p" + std::to_string(p.id) + ".bmp";
        if (!WriteBmp8(dir + "/" + name, img)) {
            std::fprintf(stderr, "kvrgen: cannot write %s\n", name.c_str());
            return 1;
        }
        listing += std::to_string(p.id) + " BITMAP \"" + name + "\"\n";
    }
    std::vector<IconFrame> app, pause;
    for (int size : {48, 32, 16}) {
        app.push_back(RenderIcon(size, DrawAppIcon));
        pause.push_back(RenderIcon(size, DrawPauseIcon));
    }
    if (!WriteIco(dir + "/i621.ico", app) || !WriteIco(dir + "/i640.ico", pause)) {
        std::fprintf(stderr, "kvrgen: cannot write the icons\n");
        return 1;
    }
    std::ofstream rci(dir + "/KvrPictures.rci", std::ios::binary);
    rci << listing;
    return rci.good() ? 0 : 1;
}

int AdaptShiftJis(const char* in, const char* out) {
    std::ifstream src(in, std::ios::binary);
    if (!src) {
        std::fprintf(stderr, "kvrgen: cannot read %s\n", in);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(src)), std::istreambuf_iterator<char>());
    std::string result;
    result.reserve(text.size() + 64);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        result += text[i];
        const bool lead = (ch >= 0x81 && ch <= 0x9F) || (ch >= 0xE0 && ch <= 0xFC);
        if (lead && i + 1 < text.size()) {
            result += text[++i];
            if (text[i] == '\\')
                result += '\\';
        }
    }
    std::ofstream dst(out, std::ios::binary);
    dst << result;
    return dst.good() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "pictures") == 0)
        return WritePictures(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "sjis-rc") == 0)
        return AdaptShiftJis(argv[2], argv[3]);
    std::fprintf(stderr, "usage: kvrgen pictures OUTDIR | kvrgen sjis-rc IN OUT\n");
    return 2;
}
