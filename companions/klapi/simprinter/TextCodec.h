#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The text forms that simprinter reads and prints.

// C escapes: \r \n \f \t \v \a \b \e \0 \\ \" \' and \xN / \xNN (one or two
// hex digits). False with a message for an unknown escape or a bare trailing
// backslash.
bool DecodeEscapes(const std::string& text, std::string* bytes, std::string* error);
// The inverse, for display: printable ASCII as is, everything else escaped.
std::string EncodeEscapes(const std::string& bytes);

// A number in decimal (optionally signed) or 0x hex, within [low, high].
bool ParseNumber(const std::string& text, long long low, long long high, long long* value);

// "ID:FLAGS:VALUE,..." into packed 8-byte entries (int32 id, uint16 flags,
// uint16 value, little-endian). An empty text is an empty list.
bool ParseChannelList(const std::string& text, std::vector<std::uint8_t>* packed,
                      std::string* error);
std::string FormatChannelList(const std::vector<std::uint8_t>& packed);
