#pragma once
// Fills the integer placeholders of a resource format string ("Sheet %d of %d").
// Resource texts come from a library this program does not control, so they are
// never handed to printf: the integer conversions d, i, u, x, X and o take the
// next value (missing values give 0), with the flags "-+ 0#", a width and a
// precision (each at most MaxFieldWidth) and the length modifiers hh, h, l, ll,
// L, j, z, t, I, I32 and I64; "%%" gives "%", and anything else is copied as it
// stands.
#include <initializer_list>
#include <string>

constexpr int MaxFieldWidth = 64;

std::string FormatIntegers(const char* format, std::initializer_list<long long> values);
