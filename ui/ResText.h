#pragma once
#include <windows.h>
#include <string>

#include "framework/CObject.h"

// One string of the current resource module, loaded into a buffer of 1024
// characters, so strings of up to 1023 characters come through whole.
class ResText : public CObject {
public:
    ResText();

    // 1 when the loaded string is not empty; a missing string leaves "".
    int Load(UINT id);
    const char* Text() const { return m_Text.c_str(); }
    void Assign(const std::string& value) { m_Text = value; }

    static constexpr int Capacity = 1024;

private:
    std::string m_Text;
    HINSTANCE m_hModule;
};
