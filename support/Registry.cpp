#include "support/Registry.h"

#include <cstring>

Registry::Registry(HKEY root, const char* subkey, bool create, REGSAM access) {
    if (access == 0)
        access = create ? KEY_ALL_ACCESS : KEY_READ;
    if (create) {
        static_cast<void>(Create(root, subkey, nullptr, access)); // IsOpen() tells
        return;
    }
    m_Access = access;
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, subkey, 0, access, &opened) == ERROR_SUCCESS)
        m_Key.reset(opened);
}

Registry::~Registry() = default;

int Registry::Create(HKEY root, const char* subkey, const char* keyClass, REGSAM access) {
    m_Key.reset();
    DWORD disposition = 0;
    m_Access = access;
    HKEY created = nullptr;
    if (::RegCreateKeyExA(root, subkey, 0, const_cast<char*>(keyClass), REG_OPTION_NON_VOLATILE,
                          access, nullptr, &created, &disposition) != ERROR_SUCCESS)
        return 0;
    m_Key.reset(created);
    return disposition == REG_CREATED_NEW_KEY ? 1 : 0;
}

std::string Registry::EnumKey(DWORD index, std::string* keyClass) const {
    if (!m_Key)
        return {};
    char name[256] = {};
    char cls[256] = {};
    DWORD nameSize = sizeof name;
    DWORD classSize = sizeof cls;
    FILETIME written;
    if (::RegEnumKeyExA(m_Key.get(), index, name, &nameSize, nullptr, cls, &classSize, &written) !=
        ERROR_SUCCESS)
        return {};
    if (keyClass)
        keyClass->assign(cls, strnlen(cls, sizeof cls));
    return std::string(name, strnlen(name, sizeof name));
}

std::string Registry::EnumValue(DWORD index) const {
    if (!m_Key)
        return {};
    char name[256] = {};
    DWORD nameSize = sizeof name;
    if (::RegEnumValueA(m_Key.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return {};
    return std::string(name, strnlen(name, sizeof name));
}

// Recursive: as deep as the registry nests keys, which the registry itself limits.
int Registry::DeleteKey(const char* subkey) { // NOLINT(misc-no-recursion)
    if (!m_Key)
        return 0;
    {
        Registry child(m_Key.get(), subkey, false, m_Access);
        for (std::string name = child.EnumKey(0); !name.empty(); name = child.EnumKey(0)) {
            if (!child.DeleteKey(name.c_str()))
                return 0;
        }
    }
    return ::RegDeleteKeyA(m_Key.get(), subkey) == ERROR_SUCCESS ? 1 : 0;
}

int Registry::DeleteValue(const char* name) {
    if (!m_Key)
        return 0;
    return ::RegDeleteValueA(m_Key.get(), name) == ERROR_SUCCESS ? 1 : 0;
}

DWORD Registry::GetValueType(const char* name) const {
    if (!m_Key)
        return 0;
    DWORD type = 0;
    if (::RegQueryValueExA(m_Key.get(), name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return type;
}

int Registry::IsStringValue(const char* name) const {
    DWORD type = GetValueType(name);
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ ? 1 : 0;
}

int Registry::IsDwordValue(const char* name) const {
    DWORD type = GetValueType(name);
    return type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN ? 1 : 0;
}

int Registry::IsBinaryValue(const char* name) const {
    return GetValueType(name) == REG_BINARY ? 1 : 0;
}

std::string Registry::GetString(const char* name, const char* defaultValue, DWORD size) const {
    std::string result = defaultValue ? defaultValue : "";
    if (!m_Key || size == 0)
        return result;
    std::vector<char> buffer(size, '\0');
    DWORD dataSize = size;
    if (::RegQueryValueExA(m_Key.get(), name, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(buffer.data()), &dataSize) == ERROR_SUCCESS) {
        // Stop at the first zero, and never beyond what the query returned.
        size_t limit = dataSize < size ? dataSize : size;
        result.assign(buffer.data(), strnlen(buffer.data(), limit));
    }
    return result;
}

int Registry::SetString(const char* name, const char* value) {
    if (!m_Key || !value)
        return 0;
    const std::size_t bytes = strlen(value) + 1; // with its NUL
    return ::RegSetValueExA(m_Key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(bytes)) == ERROR_SUCCESS
               ? 1
               : 0;
}

DWORD Registry::GetDword(const char* name, DWORD defaultValue) const {
    DWORD value = defaultValue;
    if (!m_Key)
        return value;
    DWORD size = sizeof value;
    // A shorter value overwrites only its own bytes. After a failed query the
    // buffer is undefined (ERROR_MORE_DATA may leave part of the data): the
    // default is given back whole.
    if (::RegQueryValueExA(m_Key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

LONG Registry::GetDwordOrMinusOne(const char* name) const {
    return static_cast<LONG>(GetDword(name, static_cast<DWORD>(-1)));
}

int Registry::SetDword(const char* name, DWORD value) {
    if (!m_Key)
        return 0;
    return ::RegSetValueExA(m_Key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value) == ERROR_SUCCESS
               ? 1
               : 0;
}

DWORD Registry::GetValueSize(const char* name) const {
    if (!m_Key)
        return 0;
    DWORD size = 0;
    if (::RegQueryValueExA(m_Key.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

std::vector<BYTE> Registry::GetBinary(const char* name) const {
    DWORD size = GetValueSize(name);
    if (size == 0)
        return {};
    std::vector<BYTE> data(size);
    DWORD read = size;
    // The value may have grown since the size query: that read fails, and fails whole.
    if (::RegQueryValueExA(m_Key.get(), name, nullptr, nullptr, data.data(), &read) !=
        ERROR_SUCCESS)
        return {};
    data.resize(read);
    return data;
}

int Registry::SetBinary(const char* name, const void* data, DWORD length) {
    if (!m_Key)
        return 0;
    return ::RegSetValueExA(m_Key.get(), name, 0, REG_BINARY, static_cast<const BYTE*>(data),
                            length) == ERROR_SUCCESS
               ? 1
               : 0;
}
