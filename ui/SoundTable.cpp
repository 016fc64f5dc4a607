#include "ui/SoundTable.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

#include "support/WindowValues.h"
#include "support/Registry.h"
#include "ui/CommonKeyNotice.h"
#include "ui/ModelIni.h"

namespace {
bool EndsWithWavNoCase(const std::string& name) {
    if (name.size() < 3)
        return false;
    const char* tail = name.c_str() + name.size() - 3;
    return ::lstrcmpiA(tail, "wav") == 0;
}
} // namespace

SoundTable::SoundTable(const char* model) : m_Names(Entries) {
    ModelIni ini(model, 1);
    for (int n = 1; n < Entries; ++n) {
        char key[16];
        std::snprintf(key, sizeof key, "%s%03d", "WVV", n);
        m_Names[static_cast<size_t>(n)] = ini.GetString(key, "", 256);
    }
    const std::string commonKey = CurrentCommonKeyPath();
    if (commonKey.empty())
        ShowCommonKeyNotice();
    Registry common(HKEY_LOCAL_MACHINE, commonKey.c_str());
    m_InstallDirectory = common.GetString("InstallPath", "", 256);
    m_Ready = m_InstallDirectory.empty() ? 0 : 1;
}

std::string SoundTable::PathFor(int n) const {
    // Negative numbers are refused before they can index the table.
    if (!m_Ready || n < 0 || n >= Entries)
        return {};
    const std::string& name = m_Names[static_cast<size_t>(n)];
    if (name.empty() || !EndsWithWavNoCase(name))
        return {};
    return m_InstallDirectory + "\\" + name;
}

int SoundTable::Play(int n) const {
    std::string path = PathFor(n);
    if (path.empty())
        return 0;
    return ::PlaySoundA(path.c_str(), nullptr,
                        SND_FILENAME | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC)
               ? 1
               : 0;
}

void StopSound() {
    ::PlaySoundA(nullptr, nullptr, SND_PURGE);
}
