#include "ui/LanguageEntries.h"

#include "support/HexPairs.h"

std::vector<LanguageEntry> ParseLanguageEntries(const char* block, std::size_t length) {
    std::vector<LanguageEntry> entries;
    if (!block)
        return entries;
    std::size_t pos = 0;
    while (pos < length && block[pos] != '\0') {
        std::size_t end = pos;
        while (end < length && block[end] != '\0')
            ++end;
        std::string line(block + pos, end - pos);
        pos = end + 1;

        LanguageEntry entry;
        std::size_t equals = line.find('=');
        entry.name = line.substr(0, equals);
        if (equals != std::string::npos) {
            std::string rest = line.substr(equals + 1);
            std::size_t comma = rest.find(',');
            entry.primaryText = rest.substr(0, comma);
            if (comma != std::string::npos) {
                std::string remainder = rest.substr(comma + 1);
                entry.subText = remainder.substr(0, remainder.find(','));
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

unsigned short LanguageHexValue(const std::string& text) {
    unsigned short value = 0;
    for (char c : text) {
        const int digit = hexpairs::DigitValue(c);
        if (digit < 0)
            continue;
        value = static_cast<unsigned short>((value << 4) | digit);
    }
    return value;
}

int ChooseLanguageEntry(const std::vector<LanguageEntry>& entries, unsigned short languageId) {
    if (entries.empty())
        return -1;
    const unsigned primary = languageId & 0x3FFu;
    const unsigned sub = languageId >> 10;
    int choice = 0;
    int rank = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        unsigned entryPrimary = LanguageHexValue(entries[i].primaryText);
        unsigned entrySub = LanguageHexValue(entries[i].subText);
        if (entryPrimary == primary && entrySub == sub)
            return static_cast<int>(i);
        if (entryPrimary == primary && rank < 2) {
            choice = static_cast<int>(i);
            rank = 2;
        } else if (entryPrimary == 9 && rank == 0) {
            choice = static_cast<int>(i);
            rank = 1;
        }
    }
    return choice;
}
