#pragma once
#include <cstddef>
#include <string>
#include <vector>

// One line of a settings file's "Language" section: "Name=primary,sub[,...]".
struct LanguageEntry {
    std::string name;
    std::string primaryText;
    std::string subText;
};

// Splits the section text as GetPrivateProfileSection returns it (lines ended by
// a zero byte, the list by a second one). Reads at most length bytes.
std::vector<LanguageEntry> ParseLanguageEntries(const char* block, std::size_t length);

// Hexadecimal digits accumulated in 16 bits; every other character is skipped, so
// "0x09" is 9 and an empty text is 0.
unsigned short LanguageHexValue(const std::string& text);

// The entry for a Windows language id: an exact match of primary language (low 10
// bits) and sublanguage (high 6 bits) wins at once; else the first entry of the
// same primary language; else the first English (primary 9) entry; else the first
// entry. -1 when there are no entries.
int ChooseLanguageEntry(const std::vector<LanguageEntry>& entries, unsigned short languageId);
