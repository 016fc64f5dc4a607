#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/LanguageEntries.h"

// Any bytes as a settings file's "Language" section (two bytes of language id
// first): the parser reads only the bytes given, and the choice is an entry.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    unsigned short languageId = static_cast<unsigned short>(data[0] | data[1] << 8);
    std::vector<char> block(data + 2, data + size);
    const std::vector<LanguageEntry> entries = ParseLanguageEntries(block.data(), block.size());
    std::size_t characters = 0;
    for (const LanguageEntry& entry : entries) {
        characters += entry.name.size() + entry.primaryText.size() + entry.subText.size();
        LanguageHexValue(entry.primaryText);
        LanguageHexValue(entry.subText);
    }
    if (characters > block.size())
        std::abort();
    int chosen = ChooseLanguageEntry(entries, languageId);
    if (entries.empty() ? chosen != -1
                        : (chosen < 0 || static_cast<std::size_t>(chosen) >= entries.size()))
        std::abort();
    return 0;
}
