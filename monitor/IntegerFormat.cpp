#include "monitor/IntegerFormat.h"

#include <cstring>

std::string FormatIntegers(const char* format, std::initializer_list<long long> values) {
    std::string out;
    if (!format)
        return out;
    auto next = values.begin();
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char kind = p[1];
        if (kind == '%') {
            out += '%';
            ++p;
        } else if (kind == 'd' || kind == 'i' || kind == 'u') {
            long long value = 0;
            if (next != values.end())
                value = *next++;
            out += std::to_string(value);
            ++p;
        } else {
            out += '%';
        }
    }
    return out;
}
