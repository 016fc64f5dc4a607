#include "ui/ModelIni.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "support/Registry.h"
#include "ui/Language.h"

ModelIni::ModelIni(const char* model, int mode) {
    if (!model)
        model = "";
    {
        Registry profile(HKEY_LOCAL_MACHINE, ProfileKeyPath);
        m_File = profile.GetString(model, "", 256);
    }
    if (m_File.empty())
        return;
    if (mode == 1) {
        char chosen[260] = {};
        int length = sizeof chosen;
        if (GetLanguageSection(chosen, &length, m_File.c_str()) >= 0) {
            m_Section = chosen;
            m_Valid = 1;
        }
        return;
    }
    m_Section = model;
    m_Valid = 1;
}

std::string ModelIni::GetString(const char* key, const char* defaultValue, int size) const {
    if (!defaultValue)
        defaultValue = "";
    if (!m_Valid || size <= 0)
        return defaultValue;
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    DWORD got = ::GetPrivateProfileStringA(m_Section.c_str(), key, defaultValue, buffer.data(),
                                           static_cast<DWORD>(size), m_File.c_str());
    return std::string(buffer.data(), std::min<size_t>(got, buffer.size() - 1));
}
