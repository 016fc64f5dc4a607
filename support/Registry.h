#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "framework/CObject.h"
#include "framework/Handles.h"

// The one way into the registry: one open key per instance, closed by the
// destructor. Every operation on a key that did not open gives a neutral result
// (the default, an empty string, 0, -1 or an empty buffer), so callers test
// IsOpen() once or rely on the defaults they pass.
class Registry : public CObject {
public:
    // access 0: KEY_ALL_ACCESS when creating, KEY_READ otherwise.
    Registry(HKEY root, const char* subkey, bool create = false, REGSAM access = 0);
    ~Registry() override;

    // 1 only when the key was newly created; an existing key opens and gives 0.
    [[nodiscard]] int Create(HKEY root, const char* subkey, const char* keyClass, REGSAM access);

    bool IsOpen() const noexcept { return static_cast<bool>(m_Key); }
    HKEY Handle() const noexcept { return m_Key.get(); }

    std::string EnumKey(DWORD index, std::string* keyClass = nullptr) const;
    std::string EnumValue(DWORD index) const;
    int DeleteKey(const char* subkey);
    int DeleteValue(const char* name);

    DWORD GetValueType(const char* name) const;
    int IsStringValue(const char* name) const;
    int IsDwordValue(const char* name) const;
    int IsBinaryValue(const char* name) const;

    std::string GetString(const char* name, const char* defaultValue, DWORD size) const;
    [[nodiscard]] int SetString(const char* name, const char* value);
    DWORD GetDword(const char* name, DWORD defaultValue) const;
    LONG GetDwordOrMinusOne(const char* name) const;
    [[nodiscard]] int SetDword(const char* name, DWORD value);
    DWORD GetValueSize(const char* name) const;
    // The value's bytes; empty for a missing or zero-length value.
    std::vector<BYTE> GetBinary(const char* name) const;
    [[nodiscard]] int SetBinary(const char* name, const void* data, DWORD length);

private:
    UniqueHKey m_Key;
    REGSAM m_Access = 0; // what child keys are opened with when deleting a tree
};
