#pragma once
// Fills the integer placeholders of a resource format string ("Sheet %d of %d").
// Resource texts come from a library this program does not control, so they are
// never handed to printf: only %d, %i and %u take the next value (missing values
// give 0), "%%" gives "%", and anything else is copied as it stands.
#include <initializer_list>
#include <string>

std::string FormatIntegers(const char* format, std::initializer_list<long long> values);
