#pragma once
#include <string>
#include <vector>

#include "framework/CObject.h"

// The wave files of a printer model's sound numbers 1 to 999 ("WVV001" ... in the
// language section of the model's INI file) and the install directory they are in.
// Filled once at construction.
class SoundTable : public CObject {
public:
    explicit SoundTable(const char* model);

    int IsReady() const noexcept { return m_Ready; }
    // 1 when playback of sound n was started, else 0. Numbers outside 1..999, empty
    // names and names that do not end in "wav" play nothing.
    int Play(int n) const;
    // The file Play(n) would play, or "" when it plays nothing.
    std::string PathFor(int n) const;

    static constexpr int Entries = 1000;

private:
    int m_Ready = 0;
    std::string m_InstallDirectory;
    std::vector<std::string> m_Names;
};

// Stops every sound this process plays.
void StopSound();
