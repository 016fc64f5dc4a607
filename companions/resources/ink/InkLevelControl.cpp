#include "InkLevelControl.h"

#include <new>

namespace ink {

namespace {

// Whether this module registered the class (and so may take it away).
bool g_registered = false;

enum class Mark { None, Low, Out };

struct InkState {
    int colourIndex = 0; // 0 until the owner says which ink
    int level = -1;      // -1 = cleared, otherwise 0..100
    Mark mark = Mark::None;
    HFONT font = nullptr;
};

InkState* StateOf(HWND hwnd) {
    return reinterpret_cast<InkState*>(GetWindowLongPtrA(hwnd, 0));
}

COLORREF Blend(COLORREF a, COLORREF b, int percentOfB) {
    auto mix = [percentOfB](int x, int y) { return x + (y - x) * percentOfB / 100; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
               mix(GetBValue(a), GetBValue(b)));
}

// Levels in the block: the value at the control's own index, when the block is
// long enough to hold it and not the all-zero "clear" block.
int LevelFromBlock(const LONG* block, int colourIndex) {
    if (!block || colourIndex < 1 || colourIndex > 6)
        return -1;
    const LONG count = block[0];
    if (count < colourIndex || count > kBlockValues - 1)
        return -1;
    bool allZero = true;
    for (LONG i = 1; i <= count; ++i)
        allZero = allZero && block[i] == 0;
    if (allZero)
        return -1;
    const LONG v = block[colourIndex];
    return v < 0 ? 0 : (v > 100 ? 100 : static_cast<int>(v));
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) {
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) {
        FrameRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

void DrawMark(HDC dc, const RECT& box, Mark mark, bool enabled) {
    if (mark == Mark::None)
        return;
    const int size =
        (box.right - box.left < box.bottom - box.top) ? box.right - box.left : box.bottom - box.top;
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const int half = size / 2;
    const COLORREF fill = mark == Mark::Low ? RGB(245, 160, 0) : RGB(214, 30, 30);
    const COLORREF shown = enabled ? fill : Blend(fill, RGB(200, 200, 200), 75);
    HBRUSH brush = CreateSolidBrush(shown);
    HPEN pen = CreatePen(PS_SOLID, 1, shown);
    if (!brush || !pen) {
        if (brush)
            DeleteObject(brush);
        if (pen)
            DeleteObject(pen);
        return;
    }
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HPEN white = CreatePen(PS_SOLID, size >= 12 ? 2 : 1, RGB(255, 255, 255));
    if (mark == Mark::Low) {
        // A warning triangle with an exclamation mark.
        POINT tri[3] = {{cx, cy - half}, {cx + half, cy + half - 1}, {cx - half, cy + half - 1}};
        Polygon(dc, tri, 3);
        if (white) {
            SelectObject(dc, white);
            MoveToEx(dc, cx, cy - half / 3, nullptr);
            LineTo(dc, cx, cy + half / 3);
            MoveToEx(dc, cx, cy + half / 2 + 1, nullptr);
            LineTo(dc, cx, cy + half / 2 + 2);
        }
    } else {
        // A round sign with a cross.
        Ellipse(dc, cx - half, cy - half, cx + half + 1, cy + half + 1);
        if (white) {
            SelectObject(dc, white);
            const int d = half / 2;
            MoveToEx(dc, cx - d, cy - d, nullptr);
            LineTo(dc, cx + d + 1, cy + d + 1);
            MoveToEx(dc, cx + d, cy - d, nullptr);
            LineTo(dc, cx - d - 1, cy + d + 1);
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    if (white)
        DeleteObject(white);
    DeleteObject(pen);
    DeleteObject(brush);
}

void DrawBar(HDC dc, RECT bar, const InkState& s, bool enabled, bool vertical) {
    const COLORREF border = enabled ? RGB(112, 118, 130) : RGB(180, 180, 180);
    const COLORREF empty = enabled ? RGB(238, 240, 244) : RGB(232, 232, 232);
    COLORREF colour = InkColour(s.colourIndex);
    if (!enabled) {
        // Greyed: the ink's lightness without its hue, kept pale.
        const int lum =
            (GetRValue(colour) * 30 + GetGValue(colour) * 59 + GetBValue(colour) * 11) / 100;
        const int grey = 150 + lum / 3;
        colour = RGB(grey, grey, grey);
    }
    Frame(dc, bar, border);
    InflateRect(&bar, -1, -1);
    if (bar.right <= bar.left || bar.bottom <= bar.top)
        return;
    FillSolid(dc, bar, empty);
    if (s.level <= 0)
        return;
    RECT filled = bar;
    if (vertical) {
        const int h = bar.bottom - bar.top;
        filled.top = bar.bottom - (h * s.level + 50) / 100;
    } else {
        const int w = bar.right - bar.left;
        filled.right = bar.left + (w * s.level + 50) / 100;
    }
    FillSolid(dc, filled, colour);
}

void Draw(HWND hwnd, HDC dc) {
    const InkState* s = StateOf(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH back = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(hwnd), WM_CTLCOLORSTATIC,
                                                        reinterpret_cast<WPARAM>(dc),
                                                        reinterpret_cast<LPARAM>(hwnd)));
    FillRect(dc, &client, back ? back : GetSysColorBrush(COLOR_BTNFACE));
    if (!s)
        return;
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;

    // Wide text, so a label from a Japanese template reads right under any code page.
    wchar_t label[64] = L"";
    GetWindowTextW(hwnd, label, 64);
    HGDIOBJ oldFont = SelectObject(dc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));

    const int w = client.right - client.left, h = client.bottom - client.top;
    const bool vertical = h > w;
    if (vertical) {
        // Mark on top, label at the bottom, the bar filling from below in between.
        RECT text = client;
        text.top = client.bottom - tm.tmHeight;
        DrawTextW(dc, label, -1, &text, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        const int markSize = w < 16 ? w : 16;
        RECT mark = {client.left + (w - markSize) / 2, client.top, 0, 0};
        mark.right = mark.left + markSize;
        mark.bottom = mark.top + markSize;
        const int barWidth = w * 3 / 5 > 6 ? w * 3 / 5 : w;
        RECT bar = {client.left + (w - barWidth) / 2, mark.bottom + 2, 0, text.top - 2};
        bar.right = bar.left + barWidth;
        if (bar.bottom > bar.top)
            DrawBar(dc, bar, *s, enabled, true);
        DrawMark(dc, mark, s->mark, enabled);
    } else {
        // Label on the left, the bar in the middle, the mark on the right.
        RECT text = client;
        text.right = client.left + w / 2;
        DrawTextW(dc, label, -1, &text,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        const int markSize = h;
        RECT mark = {client.right - markSize, client.top, client.right, client.top + markSize};
        const int barHeight = h * 3 / 5 > 4 ? h * 3 / 5 : h;
        RECT bar = {text.right + 2, client.top + (h - barHeight) / 2, mark.left - 3, 0};
        bar.bottom = bar.top + barHeight;
        if (bar.right > bar.left)
            DrawBar(dc, bar, *s, enabled, false);
        DrawMark(dc, mark, s->mark, enabled);
    }
    SelectObject(dc, oldFont);
}

// Paints through an off-screen bitmap so that level changes do not flicker.
void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = mem ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        Draw(hwnd, mem);
        BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    } else {
        Draw(hwnd, dc);
    }
    if (bmp)
        DeleteObject(bmp);
    if (mem)
        DeleteDC(mem);
    EndPaint(hwnd, &ps);
}

LRESULT OnInkMessage(HWND hwnd, InkState& s, WPARAM what, LPARAM lParam) {
    const LONG* block = reinterpret_cast<const LONG*>(lParam);
    const InkState before = s;
    switch (what) {
    case kSetColour:
        if (lParam < 1 || lParam > 6)
            return 0;
        s.colourIndex = static_cast<int>(lParam);
        break;
    case kSetLevel:
        s.level = LevelFromBlock(block, s.colourIndex);
        s.mark = Mark::None;
        break;
    case kMarkLow:
    case kMarkOut: {
        const int level = LevelFromBlock(block, s.colourIndex);
        if (level >= 0)
            s.level = level;
        // An ink that is out stays marked out until the next level update.
        if (what == kMarkOut || s.mark != Mark::Out)
            s.mark = what == kMarkOut ? Mark::Out : Mark::Low;
        break;
    }
    default:
        return 0;
    }
    // The owner repeats the same levels at every status poll: only a change is drawn.
    if (s.colourIndex != before.colourIndex || s.level != before.level || s.mark != before.mark)
        InvalidateRect(hwnd, nullptr, FALSE);
    return 1;
}

LRESULT CALLBACK InkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    InkState* s = StateOf(hwnd);
    switch (msg) {
    case WM_NCCREATE: {
        InkState* created = new (std::nothrow) InkState();
        if (!created)
            return FALSE;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(created));
        break;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        delete s;
        return 0;
    case kMessage:
        return s ? OnInkMessage(hwnd, *s, wParam, lParam) : 0;
    case WM_SETFONT:
        if (s) {
            s->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam))
                InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_GETFONT:
        return s ? reinterpret_cast<LRESULT>(s->font) : 0;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_PRINTCLIENT:
        Draw(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

COLORREF InkColour(int colourIndex) {
    static const COLORREF colours[6] = {RGB(46, 46, 52),  RGB(0, 158, 224),   RGB(222, 0, 124),
                                        RGB(248, 206, 0), RGB(112, 202, 240), RGB(244, 138, 198)};
    return colourIndex >= 1 && colourIndex <= 6 ? colours[colourIndex - 1] : RGB(160, 164, 172);
}

bool RegisterInkClass(HINSTANCE module) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = InkWndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (RegisterClassExA(&wc) != 0) {
        g_registered = true;
        return true;
    }
    // Another module of the process already provides the class: use that one.
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void UnregisterInkClass(HINSTANCE module) {
    if (g_registered)
        UnregisterClassA(kClassName, module);
    g_registered = false;
}

} // namespace ink
