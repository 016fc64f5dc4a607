// resviewer.exe: puts the installation's resources on the screen for review
// and screenshots. It stands in for the monitor window only as far as needed
// to show the templates filled with sample content; it is not the monitor.
//
//   resviewer dialog102 LANGDLL all|popup|detail|progress [SECONDS]
//   resviewer dialog104 LANGDLL [SECONDS]
//   resviewer pictures [SECONDS]
//   resviewer inks LANGDLL [SECONDS]
//
// Each mode prints "rect LEFT TOP RIGHT BOTTOM" (screen coordinates of the
// window) on standard output once the window is shown, and ends by itself.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ink/InkLevelControl.h"
#include "monitor/MonitorDlg.h"
#include "ui/FileVersion.h"

namespace {

HMODULE g_lang = nullptr;
HMODULE g_pictures = nullptr;
std::string g_view = "all";

std::string Text(UINT id) {
    char buf[1024] = "";
    LoadStringA(g_lang, id, buf, sizeof buf);
    return buf;
}

// Paints a bitmap resource of the picture library into a static control,
// with an optional icon in the top-right corner (the progress view's overlay).
struct PictureSlot {
    int id = 0;
    HICON overlay = nullptr;
    int overlayOffset = 0;
};

const BITMAPINFOHEADER* FindPicture(int id) {
    HRSRC res = FindResourceA(g_pictures, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    HGLOBAL data = res ? LoadResource(g_pictures, res) : nullptr;
    return data ? static_cast<const BITMAPINFOHEADER*>(LockResource(data)) : nullptr;
}

void DrawPicture(HDC dc, int id, int x, int y, int scale) {
    const BITMAPINFOHEADER* h = FindPicture(id);
    if (!h)
        return;
    const int colours = h->biClrUsed ? static_cast<int>(h->biClrUsed)
                                     : (h->biBitCount <= 8 ? 1 << h->biBitCount : 0);
    const BYTE* bits = reinterpret_cast<const BYTE*>(h) + h->biSize + colours * 4;
    StretchDIBits(dc, x, y, h->biWidth * scale, h->biHeight * scale, 0, 0, h->biWidth, h->biHeight,
                  bits, reinterpret_cast<const BITMAPINFO*>(h), DIB_RGB_COLORS, SRCCOPY);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR ref) {
    auto* slot = reinterpret_cast<PictureSlot*>(ref);
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        DrawPicture(dc, slot->id, 0, 0, 1);
        if (slot->overlay) {
            RECT r;
            GetClientRect(hwnd, &r);
            DrawIcon(dc, r.right - slot->overlayOffset, 0, slot->overlay);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The progress bar of the progress view: a flat bar, filled to a fraction.
LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                         DWORD_PTR ref) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RECT f = r;
        f.right = r.left + (r.right - r.left) * static_cast<int>(ref) / 100;
        HBRUSH bar = CreateSolidBrush(GetSysColor(COLOR_ACTIVECAPTION));
        FillRect(dc, &f, bar);
        DeleteObject(bar);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

PictureSlot g_main{534, nullptr, 0};
PictureSlot g_anim{589, nullptr, 32};

void SetInks(HWND dlg, const int levels[6], int lowMask, int outMask) {
    LONG block[ink::kBlockValues] = {6};
    for (int i = 0; i < 6; ++i)
        block[i + 1] = levels[i];
    for (int i = 0; i < 6; ++i) {
        SendDlgItemMessageA(dlg, InkControls[i], ink::kMessage, ink::kSetColour, i + 1);
        SendDlgItemMessageA(dlg, InkControls[i], ink::kMessage, ink::kSetLevel,
                            reinterpret_cast<LPARAM>(block));
        if (outMask & (1 << i))
            SendDlgItemMessageA(dlg, InkControls[i], ink::kMessage, ink::kMarkOut,
                                reinterpret_cast<LPARAM>(block));
        else if (lowMask & (1 << i))
            SendDlgItemMessageA(dlg, InkControls[i], ink::kMessage, ink::kMarkLow,
                                reinterpret_cast<LPARAM>(block));
    }
}

void ShowOnly(HWND dlg, const std::vector<int>& shown) {
    const int all[] = {210, 307, 212, 310, IDOK, 300, 301, 302, 303, 305, 306, 304, 308, 309};
    for (int id : all) {
        bool on = g_view == "all";
        for (int s : shown)
            on = on || s == id;
        ShowWindow(GetDlgItem(dlg, id), on ? SW_SHOW : SW_HIDE);
    }
}

RECT ClientRectOf(HWND dlg, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dlg, id), &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void FillMonitor(HWND dlg) {
    std::string caption = Text(1100) + " : Kestrel_K7";
    std::string message = Text(3024) + Text(3053) + Text(3057);
    if (g_view == "progress")
        caption = "Kestrel_K7 - USB001";
    SetWindowTextA(dlg, caption.c_str());
    SetDlgItemTextA(dlg, 212, message.c_str());
    SetDlgItemTextA(dlg, 307, "Quarterly report.pdf");
    SetDlgItemTextA(dlg, 300, "Quarterly report.pdf");
    char buf[256];
    std::snprintf(buf, sizeof buf, Text(1700).c_str(), 2, 5);
    SetDlgItemTextA(dlg, 301, buf);
    std::snprintf(buf, sizeof buf, Text(1702).c_str(), 3);
    SetDlgItemTextA(dlg, 302, buf);
    const std::string details = Text(1560) + " : " + Text(1562) + "\r\n" + Text(1500) + " : A4\r\n";
    SetDlgItemTextA(dlg, 306, details.c_str());
    SetDlgItemTextA(dlg, 309, Text(1602).c_str());

    SetWindowSubclass(GetDlgItem(dlg, 210), PictureProc, 1, reinterpret_cast<DWORD_PTR>(&g_main));
    g_anim.overlay = LoadIconA(g_lang, MAKEINTRESOURCEA(640));
    SetWindowSubclass(GetDlgItem(dlg, 304), PictureProc, 1, reinterpret_cast<DWORD_PTR>(&g_anim));
    SetWindowSubclass(GetDlgItem(dlg, 305), BarProc, 1, 40);

    const int levels[6] = {72, 0, 55, 18, 64, 0};
    SetInks(dlg, levels, 1 << 3, (1 << 1) | (1 << 5));

    if (g_view == "popup")
        ShowOnly(dlg, {210, 307, 212, 310});
    else if (g_view == "detail") {
        ShowOnly(dlg, {210, 212, IDOK});
        // The detail view's message reaches from the picture's top down.
        const RECT pic = ClientRectOf(dlg, 210), text = ClientRectOf(dlg, 212);
        MoveWindow(GetDlgItem(dlg, 212), text.left, pic.top, text.right - text.left,
                   text.bottom - pic.top, TRUE);
    } else if (g_view == "progress") {
        ShowOnly(dlg, {300, 301, 302, 303, 305, 306, 304, 308, 309});
        EnableWindow(GetDlgItem(dlg, 308), TRUE);
    } else {
        ShowOnly(dlg, {});
    }
    if (g_view == "popup" || g_view == "detail" || g_view == "progress") {
        // The window ends at the bottom of control 216.
        RECT win, mark;
        GetWindowRect(dlg, &win);
        GetWindowRect(GetDlgItem(dlg, 216), &mark);
        SetWindowPos(dlg, nullptr, 0, 0, win.right - win.left, mark.bottom - win.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
}

void FillVersions(HWND dlg) {
    const std::pair<int, const char*> files[] = {
        {290, "V_CORE12.DLL"}, {291, "V_PQIF07.dll"}, {293, "V_AGNT12.EXE"}};
    for (const auto& [id, file] : files) {
        char version[ProductVersionSize];
        if (GetFileProductVersion(file, version))
            SetDlgItemTextA(dlg, id, (std::string("Ver. ") + version).c_str());
    }
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (msg == WM_INITDIALOG) {
        if (lParam == 102)
            FillMonitor(dlg);
        else
            FillVersions(dlg);
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

// The contact sheet of every picture, twice its size, with its id under it.
const int kPictureIds[] = {510, 516, 517, 521, 522, 526, 527,   528, 533, 531, 529, 532,
                           530, 534, 535, 539, 540, 541, 544,   545, 549, 550, 554, 555,
                           556, 557, 558, 559, 560, 561, 10000, 589, 590, 591};
constexpr int kSheetColumns = 7, kCellW = 228, kCellH = 196;

LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        int i = 0;
        for (int id : kPictureIds) {
            const int x = 6 + (i % kSheetColumns) * kCellW, y = 6 + (i / kSheetColumns) * kCellH;
            DrawPicture(dc, id, x, y, 2);
            char label[16];
            std::snprintf(label, sizeof label, "%d", id);
            RECT t = {x, y + 174, x + 218, y + 190};
            DrawTextA(dc, label, -1, &t, DT_CENTER | DT_SINGLELINE);
            ++i;
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeInkWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "ResViewerInks";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    HWND w = CreateWindowA("ResViewerInks", "Ink level controls",
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 20, 20, 560, 240, nullptr,
                           nullptr, wc.hInstance, nullptr);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    struct Row {
        int colour, level;
        WPARAM mark;
        bool enabled;
        const char* note;
    };
    const Row rows[] = {{1, 100, 0, true, "100%"},
                        {2, 60, 0, true, "60%"},
                        {3, 25, ink::kMarkLow, true, "25% low"},
                        {4, 8, ink::kMarkLow, true, "8% low"},
                        {5, 0, ink::kMarkOut, true, "0% out"},
                        {6, 45, 0, false, "45% disabled"},
                        {2, -1, 0, true, "cleared"}};
    int y = 12;
    for (const Row& row : rows) {
        char label[128];
        LoadStringA(g_lang, 3051 + row.colour, label, sizeof label);
        // The ink names carry a line break and a bullet for the message text; the label needs the
        // name only.
        const char* name = label;
        while (*name == '\r' || *name == '\n' || *name == ' ' || *name == '-')
            ++name;
        if (static_cast<unsigned char>(name[0]) == 0x81 &&
            static_cast<unsigned char>(name[1]) == 0x45)
            name += 2;
        HWND c = CreateWindowA(ink::kClassName, name, WS_CHILD | WS_VISIBLE, 12, y, 240, 18, w,
                               nullptr, wc.hInstance, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        HWND note = CreateWindowA("STATIC", row.note, WS_CHILD | WS_VISIBLE, 262, y + 2, 100, 16, w,
                                  nullptr, wc.hInstance, nullptr);
        SendMessageA(note, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        LONG block[ink::kBlockValues] = {6};
        block[row.colour] = row.level < 0 ? 0 : row.level;
        if (row.level >= 0)
            block[row.colour == 1 ? 2 : 1] = 50; // not the all-zero block
        SendMessageA(c, ink::kMessage, ink::kSetColour, row.colour);
        SendMessageA(c, ink::kMessage, ink::kSetLevel,
                     row.level < 0 ? 0 : reinterpret_cast<LPARAM>(block));
        if (row.mark)
            SendMessageA(c, ink::kMessage, row.mark, reinterpret_cast<LPARAM>(block));
        EnableWindow(c, row.enabled);
        y += 26;
    }
    // The same inks as vertical bars.
    const int levels[6] = {90, 40, 12, 0, 70, 30};
    for (int i = 0; i < 6; ++i) {
        HWND c = CreateWindowA(ink::kClassName,
                               i == 0   ? "BK"
                               : i == 1 ? "C"
                               : i == 2 ? "M"
                               : i == 3 ? "Y"
                               : i == 4 ? "LC"
                                        : "LM",
                               WS_CHILD | WS_VISIBLE, 380 + i * 28, 12, 24, 170, w, nullptr,
                               wc.hInstance, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        LONG block[ink::kBlockValues] = {6,         levels[0], levels[1], levels[2],
                                         levels[3], levels[4], levels[5]};
        SendMessageA(c, ink::kMessage, ink::kSetColour, i + 1);
        SendMessageA(c, ink::kMessage, ink::kSetLevel, reinterpret_cast<LPARAM>(block));
        if (i == 2)
            SendMessageA(c, ink::kMessage, ink::kMarkLow, reinterpret_cast<LPARAM>(block));
        if (i == 3)
            SendMessageA(c, ink::kMessage, ink::kMarkOut, reinterpret_cast<LPARAM>(block));
    }
    return w;
}

void Report(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    std::printf("rect %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: resviewer dialog102|dialog104|pictures|inks ...\n");
        return 2;
    }
    const std::string mode = argv[1];
    int seconds = 8;
    HMODULE inkLib = LoadLibraryA("KVRINK.DLL");
    g_pictures = LoadLibraryA("KVRBMP.DLL");
    if (!inkLib || !g_pictures) {
        std::fprintf(stderr, "resviewer: KVRINK.DLL or KVRBMP.DLL missing\n");
        return 1;
    }
    HWND w = nullptr;
    if (mode == "dialog102" || mode == "dialog104" || mode == "inks") {
        if (argc < 3 || !(g_lang = LoadLibraryA(argv[2]))) {
            std::fprintf(stderr, "resviewer: cannot load the language library\n");
            return 1;
        }
    }
    if (mode == "dialog102") {
        if (argc > 3)
            g_view = argv[3];
        if (argc > 4)
            seconds = std::atoi(argv[4]);
        w = CreateDialogParamA(g_lang, MAKEINTRESOURCEA(102), nullptr, DialogProc, 102);
    } else if (mode == "dialog104") {
        if (argc > 3)
            seconds = std::atoi(argv[3]);
        w = CreateDialogParamA(g_lang, MAKEINTRESOURCEA(104), nullptr, DialogProc, 104);
    } else if (mode == "pictures") {
        if (argc > 2)
            seconds = std::atoi(argv[2]);
        WNDCLASSA wc{};
        wc.lpfnWndProc = SheetProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ResViewerSheet";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        RECT r = {0, 0, 12 + kSheetColumns * kCellW - 10, 12 + 5 * kCellH - 4};
        AdjustWindowRect(&r, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE);
        w = CreateWindowA("ResViewerSheet", "Pictures of KVRBMP.DLL",
                          WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0, r.right - r.left,
                          r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    } else if (mode == "inks") {
        if (argc > 3)
            seconds = std::atoi(argv[3]);
        w = MakeInkWindow();
    }
    if (!w) {
        std::fprintf(stderr, "resviewer: cannot create the window (%lu)\n", GetLastError());
        return 1;
    }
    SetWindowPos(w, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    Report(w);
    SetTimer(nullptr, 0, static_cast<UINT>(seconds > 0 ? seconds : 8) * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd)
            break;
        if (!IsDialogMessageA(w, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DestroyWindow(w);
    return 0;
}
