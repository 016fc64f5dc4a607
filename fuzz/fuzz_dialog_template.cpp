#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "monitor/DialogTemplateClasses.h"

// Any bytes as a dialog template: the reader stays within them, and every name
// it returns came out of them (at most one per two bytes).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    const auto names = DialogTemplateClassNames(copy.data(), copy.size());
    std::size_t characters = 0;
    for (const std::u16string& name : names)
        characters += name.size() + 1;
    if (characters * 2 > size)
        std::abort();
    return 0;
}
