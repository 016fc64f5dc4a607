#include "monitor/IntegerFormat.h"

#include <cstdint>
#include <cstring>

namespace {

// One parsed placeholder: everything between '%' and its conversion.
struct Conversion {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    int bits = 32; // the argument's size the length modifier names
    char kind = 0;
};

// Digits are read up to a bound, so that "%99999999d" cannot ask for a huge field.
bool ReadNumber(const char*& p, int* value) {
    int n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p - '0');
        if (n > MaxFieldWidth)
            return false;
        ++p;
    }
    *value = n;
    return true;
}

void ReadLength(const char*& p, int* bits) {
    if (p[0] == 'h' && p[1] == 'h') {
        *bits = 8;
        p += 2;
    } else if (p[0] == 'h') {
        *bits = 16;
        ++p;
    } else if (p[0] == 'l' && p[1] == 'l') {
        *bits = 64;
        p += 2;
    } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        *bits = 64;
        p += 3;
    } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
        p += 3;
    } else if (p[0] == 'L' || p[0] == 'j') {
        *bits = 64;
        ++p;
    } else if (p[0] == 'l' || p[0] == 'z' || p[0] == 't' || p[0] == 'I') {
        ++p; // 32 bits, as long and size_t are in the 32-bit library
    }
}

// Parses the placeholder after '%'; p ends after its conversion character.
bool Parse(const char*& p, Conversion* c) {
    for (;; ++p) {
        if (*p == '-')
            c->left = true;
        else if (*p == '+')
            c->plus = true;
        else if (*p == ' ')
            c->space = true;
        else if (*p == '0')
            c->zero = true;
        else if (*p == '#')
            c->alternate = true;
        else
            break;
    }
    if (!ReadNumber(p, &c->width))
        return false;
    if (*p == '.') {
        ++p;
        if (!ReadNumber(p, &c->precision))
            return false;
    }
    ReadLength(p, &c->bits);
    if (!*p || !std::strchr("diuxXo", *p))
        return false;
    c->kind = *p++;
    return true;
}

std::string Digits(std::uint64_t magnitude, unsigned base, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    return out;
}

std::string Render(const Conversion& c, long long value) {
    const bool isSigned = c.kind == 'd' || c.kind == 'i';
    const std::uint64_t mask = c.bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << c.bits) - 1;
    std::uint64_t bits = static_cast<std::uint64_t>(value) & mask;
    bool negative = false;
    if (isSigned && c.bits < 64 && (bits >> (c.bits - 1)) != 0) {
        negative = true;
        bits = ((~bits) & mask) + 1; // the magnitude of a negative value of that size
    } else if (isSigned && c.bits == 64 && value < 0) {
        negative = true;
        bits = ~bits + 1;
    }
    const unsigned base = c.kind == 'o' ? 8 : (c.kind == 'x' || c.kind == 'X' ? 16 : 10);
    std::string digits = c.precision == 0 && bits == 0 ? "" : Digits(bits, base, c.kind == 'X');
    if (c.precision > 0 && static_cast<int>(digits.size()) < c.precision)
        digits.insert(0, static_cast<std::size_t>(c.precision) - digits.size(), '0');

    std::string prefix;
    if (negative)
        prefix = "-";
    else if (isSigned && c.plus)
        prefix = "+";
    else if (isSigned && c.space)
        prefix = " ";
    if (c.alternate && bits != 0 && base == 16)
        prefix += c.kind == 'X' ? "0X" : "0x";
    if (c.alternate && base == 8 && (digits.empty() || digits[0] != '0'))
        digits.insert(0, "0");

    const int length = static_cast<int>(prefix.size() + digits.size());
    const std::size_t pad = c.width > length ? static_cast<std::size_t>(c.width - length) : 0;
    if (c.left)
        return prefix + digits + std::string(pad, ' ');
    if (c.zero && c.precision < 0)
        return prefix + std::string(pad, '0') + digits;
    return std::string(pad, ' ') + prefix + digits;
}

} // namespace

std::string FormatIntegers(const char* format, std::initializer_list<long long> values) {
    std::string out;
    if (!format)
        return out;
    auto next = values.begin();
    for (const char* p = format; *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        const char* after = p + 1;
        Conversion conversion;
        if (!Parse(after, &conversion)) {
            out += *p++; // not a placeholder this function fills: the text stays
            continue;
        }
        long long value = 0;
        if (next != values.end())
            value = *next++;
        out += Render(conversion, value);
        p = after;
    }
    return out;
}
