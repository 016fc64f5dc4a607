#pragma once
#include "framework/CWnd.h"

// An edit control of a dialog template.
class CEdit : public CWnd {
public:
    void SetSel(int start, int end) {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    }
    BOOL SetReadOnly(BOOL readOnly = TRUE) {
        return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(readOnly)));
    }
    BOOL HideCaret() { return ::HideCaret(m_hWnd); }
};
