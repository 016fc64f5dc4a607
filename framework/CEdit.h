#pragma once
#include "framework/CWnd.h"

// An edit control of a dialog template.
class CEdit : public CWnd {
public:
    BOOL HideCaret() { return ::HideCaret(m_hWnd); }
};
