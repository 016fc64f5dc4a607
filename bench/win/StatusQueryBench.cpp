// PrGetStatusB per call with 1, 10, 100 and 500 printer keys, against the bare
// registry calls one such query has to make: open the base key, walk its
// subkeys reading "Name" until the printer's, then store the reply and the
// communication state and read the two notification settings.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "V_PQIF07.h"
#include "status/PrinterKey.h"
#include "support/Registry.h"

namespace {

constexpr int kSizes[] = {1, 10, 100, 500};
const char kReply[] = "@BDC ST\r\nST:04;IQ:645A4B3C2D1E;\x0C";

std::string PrinterName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "Printer%03d", i);
    return name;
}

void ClearTargets() {
    Registry data(HKEY_CURRENT_USER, "software\\VORNE\\KVR7\\KVRData", false, KEY_ALL_ACCESS);
    data.DeleteKey("VRLTarget");
}

// The printer asked for is the last one enumerated: the longest walk.
void MakeTargets(int count) {
    ClearTargets();
    Registry base(HKEY_CURRENT_USER, PrinterTargetsPath, true);
    for (int i = 0; i < count; ++i) {
        char subkey[16];
        std::snprintf(subkey, sizeof subkey, "P%03d", i);
        Registry key(base.Handle(), subkey, true);
        Registry notify(key.Handle(), "Notify", true);
        if (!key.SetString("Name", PrinterName(i).c_str()) ||
            !key.SetDword("SoundNotifyEnable", 1) || !notify.SetDword("001", 1)) {
            std::fprintf(stderr, "cannot make the printer keys\n");
            std::exit(1);
        }
    }
}

// The same registry work with nothing around it.
bool BareQuery(const char* printer) {
    HKEY base = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PrinterTargetsPath, 0, KEY_READ, &base) != ERROR_SUCCESS)
        return false;
    char match[256] = {};
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(base, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(base, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        char value[256];
        DWORD valueSize = sizeof value;
        LONG rc = RegQueryValueExA(sub, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                   &valueSize);
        RegCloseKey(sub);
        if (rc == ERROR_SUCCESS && lstrcmpiA(value, printer) == 0) {
            std::strcpy(match, name);
            break;
        }
    }
    bool found = match[0] != 0;
    HKEY key = nullptr;
    if (found && RegOpenKeyExA(base, match, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Status", 0, REG_BINARY, reinterpret_cast<const BYTE*>(kReply),
                       sizeof kReply - 1);
        DWORD one = 1;
        RegSetValueExA(key, "ComStatus", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
        DWORD value = 0, size = 4;
        RegQueryValueExA(key, "SoundNotifyEnable", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&value), &size);
        HKEY notify = nullptr;
        if (RegOpenKeyExA(key, "Notify", 0, KEY_READ, &notify) == ERROR_SUCCESS) {
            size = 4;
            RegQueryValueExA(notify, "001", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                             &size);
            RegCloseKey(notify);
        }
        RegCloseKey(key);
    }
    RegCloseKey(base);
    return found;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main() {
    // The caller has the device library loaded and a channel open, as a driver would.
    HMODULE klapi = LoadLibraryA("KLAPI.DLL");
    if (!klapi) {
        std::fprintf(stderr, "status_query_bench: KLAPI.DLL missing beside the program\n");
        return 1;
    }
    std::printf("%-8s %14s %14s %8s\n", "keys", "PrGetStatusB", "bare calls", "ratio");
    int status = 0;
    for (int count : kSizes) {
        MakeTargets(count);
        const std::string printer = PrinterName(count - 1);
        const int calls = count >= 100 ? 10 : 100;
        // Alternating rounds, each side first in turn, so that drift of the Wine
        // server hits both alike; the fastest round of each side counts, as the
        // one least disturbed by the server's own work (registry flushes).
        double library = 1e9, bare = 1e9;
        bool ok = true;
        auto timeLibrary = [&] {
            double t0 = Now();
            for (int i = 0; i < calls; ++i) {
                LONG result = 0, state = 0, sound = 0, notify = 0, activity = 0;
                LONG rc = PrGetStatusB(0, PQIF_CHANNEL_STATUS, 1, &result, &state, &sound, &notify,
                                       printer.c_str(), "", 0, "", &activity);
                ok = ok && rc == 1 && result == PQIF_RESULT_READY && notify == 1;
            }
            return Now() - t0;
        };
        auto timeBare = [&] {
            double t0 = Now();
            for (int i = 0; i < calls; ++i)
                ok = BareQuery(printer.c_str()) && ok;
            return Now() - t0;
        };
        timeLibrary(); // warm-up
        timeBare();
        for (int round = 0; round < 7; ++round) {
            if (round % 2) {
                library = std::min(library, timeLibrary());
                bare = std::min(bare, timeBare());
            } else {
                bare = std::min(bare, timeBare());
                library = std::min(library, timeLibrary());
            }
        }
        if (!ok) {
            std::fprintf(stderr, "status_query_bench: unexpected answer with %d keys\n", count);
            status = 1;
        }
        const double n = calls;
        std::printf("%-8d %11.1f us %11.1f us %7.2fx\n", count, library / n * 1e6, bare / n * 1e6,
                    library / bare);
    }
    ClearTargets();
    FreeLibrary(klapi);
    return status;
}
