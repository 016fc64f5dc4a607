#include "ui/FitTextCtrl.h"

#include <cstring>

#include "framework/Handles.h"

void FitTextCtrl::SetFittedText(const char* text) {
    if (!text)
        text = "";
    static const char Ellipsis[] = "...";
    const size_t length = std::strlen(text);
    // Room for the text, "..." and the terminating zero.
    LocalBuffer work(length + sizeof Ellipsis);
    if (!work) {
        SetWindowText(text);
        return;
    }
    char* buffer = reinterpret_cast<char*>(work.data());
    std::memcpy(buffer, text, length + 1);

    RECT client = {};
    GetClientRect(&client);
    const LONG available = client.right - client.left;

    WindowDC dc(m_hWnd);
    UniqueFont font;
    LOGFONTA logFont = {};
    HFONT current = GetFont();
    if (current && ::GetObjectA(current, sizeof logFont, &logFont) == sizeof logFont)
        font.reset(::CreateFontIndirectA(&logFont));
    if (dc) {
        // Without a font of its own the control draws with the DC's default font.
        SelectedObject selected(dc.get(), font.get());
        char* cut = buffer + length;
        while (cut > buffer) {
            SIZE extent = {};
            ::GetTextExtentPoint32A(dc.get(), buffer, static_cast<int>(std::strlen(buffer)),
                                    &extent);
            if (extent.cx < available)
                break;
            cut = ::CharPrevA(buffer, cut);
            std::memcpy(cut, Ellipsis, sizeof Ellipsis);
        }
    }
    SetWindowText(buffer);
}
