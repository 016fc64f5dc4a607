#pragma once
#include <string>

#include "framework/CObject.h"

// Reads strings from one section of a printer model's INI file. The file's path is
// the value named after the model under HKEY_LOCAL_MACHINE
// "software\VORNE\KVR7\Profile"; the section is the model name itself (mode 0) or
// the language section of that file (mode 1).
class ModelIni : public CObject {
public:
    ModelIni(const char* model, int mode);

    // The key's value (cut to size - 1 characters), or the default when not valid.
    std::string GetString(const char* key, const char* defaultValue, int size) const;

    bool IsValid() const noexcept { return m_Valid != 0; }
    const std::string& File() const noexcept { return m_File; }
    const std::string& Section() const noexcept { return m_Section; }

    static constexpr const char* ProfileKeyPath = "software\\VORNE\\KVR7\\Profile";

private:
    std::string m_File;
    int m_Valid = 0;
    std::string m_Section;
};
