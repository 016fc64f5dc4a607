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
        file = profile.GetString(model, "", 256);
    }
    if (file.empty())
        return;
    if (mode == 1) {
        char chosen[260] = {};
        int length = sizeof chosen;
        if (GetLanguageSection(chosen, &length, file.c_str()) >= 0) {
            section = chosen;
            valid = 1;
        }
        return;
    }
    section = model;
    valid = 1;
}

std::string ModelIni::GetString(const char* key, const char* defaultValue, int size) const {
    if (!defaultValue)
        defaultValue = "";
    if (!valid || size <= 0)
        return defaultValue;
    std::vector<char> buffer(static_cast<size_t>(size), '\0');
    DWORD got = ::GetPrivateProfileStringA(section.c_str(), key, defaultValue, buffer.data(),
                                           static_cast<DWORD>(size), file.c_str());
    return std::string(buffer.data(), std::min<size_t>(got, buffer.size() - 1));
}
