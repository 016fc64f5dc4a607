#pragma once
#include "framework/CStatic.h"

// A one-line static text that, when the text is wider than the control, shortens it
// from the end one character at a time (double-byte characters whole) and marks the
// cut with "...". "..." alone is the shortest result, set even if it does not fit.
class FitTextCtrl : public CStatic {
public:
    void SetFittedText(const char* text);
};
