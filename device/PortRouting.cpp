#include "device/PortRouting.h"

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <cstdio>
#include <memory>

#include "device/PortRoutingRules.h"
#include "framework/Handles.h"
#include "support/Registry.h"

std::string GetPrinterDriverName(const char* printerName) {
    if (!printerName || !*printerName)
        return {};
    UniquePrinter printer;
    if (!::OpenPrinterA(const_cast<char*>(printerName), printer.put(), nullptr))
        return {};
    DWORD needed = 0;
    if (::GetPrinterA(printer.get(), 2, nullptr, 0, &needed) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(PRINTER_INFO_2A))
        return {};
    LocalBuffer buffer(needed);
    if (!buffer || !::GetPrinterA(printer.get(), 2, buffer.data(), needed, &needed))
        return {};
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    return info->pDriverName ? std::string(info->pDriverName) : std::string();
}

std::string GetDriverKeyPath(const char* printerName) {
    std::string driver = GetPrinterDriverName(printerName);
    if (driver.empty())
        return {};
    return DriverKeyPrefix + driver;
}

int IsRouterComplete() {
    Registry router(HKEY_LOCAL_MACHINE, RequestRouterKeyPath);
    if (!router.IsOpen())
        return 1;
    bool lpt = false, klpip = false, ipx = false;
    for (int i = 0; i < 100; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "KLP%02d", i);
        std::string value = router.GetString(name, "", 256);
        switch (RouterValueKind(value.c_str())) {
        case RouterPortKind::Lpt:
            lpt = true;
            break;
        case RouterPortKind::KlpIp:
            klpip = true;
            break;
        case RouterPortKind::Ipx:
            ipx = true;
            break;
        case RouterPortKind::None:
            break;
        }
    }
    return lpt && klpip && ipx ? 1 : 0;
}

namespace {
struct SidDeleter {
    void operator()(PSID sid) const { ::FreeSid(sid); }
};
} // namespace

int IsUserAdmin() {
    UniqueKernelHandle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
        if (::GetLastError() != ERROR_NO_TOKEN)
            return 0;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
            return 0;
    }
    DWORD needed = 0;
    if (::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &needed) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(TOKEN_GROUPS))
        return 0;
    LocalBuffer buffer(needed);
    if (!buffer || !::GetTokenInformation(token.get(), TokenGroups, buffer.data(), needed, &needed))
        return 0;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID raw = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                    DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &raw))
        return 0;
    std::unique_ptr<void, SidDeleter> admins(raw);

    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    if (groups->GroupCount > (needed - offsetof(TOKEN_GROUPS, Groups)) / sizeof(SID_AND_ATTRIBUTES))
        return 0;
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        // A group kept only to deny access (a restricted token) grants nothing.
        if (groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY)
            continue;
        if (::EqualSid(groups->Groups[i].Sid, admins.get()))
            return 1;
    }
    return 0;
}
