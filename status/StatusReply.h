#pragma once
#include <cstddef>
#include <cstdint>

// A printer status reply, decoded. Slots beyond inkCount and warningCount stay 0;
// StatusNumber relies on that.
struct PrinterStatus {
    std::uint8_t state;
    std::uint8_t error;
    std::uint8_t inkCount;
    std::uint8_t inkLevel[6]; // percent, 0 to 100; 0xFF = no level known ("NA")
    std::uint8_t warningCount;
    std::uint8_t warning[10];
    std::uint8_t revision;
    std::uint16_t tcValue;
};

constexpr std::uint8_t InkLevelUnknown = 0xFF;

// Status numbers that the library itself assigns beyond those StatusNumber derives.
constexpr int StatusNumberNone = -1;
constexpr int StatusNumberRecordReply = 35;
constexpr int StatusNumberUnreadable = 36;
constexpr int StatusNumberOtherModel = 16;

// Checks and decodes a reply of the form "@BDC ST\r\n" fields terminator.
// 0: decoded; -1: rejected (the record is then partly written and must not be
// used). Never reads at or beyond reply[length].
int ParseStatusReply(const unsigned char* reply, std::size_t length, PrinterStatus* status);

// The status number (0 to 34) that names the state a decoded reply describes.
int StatusNumber(const PrinterStatus& status);

// Per-slot indicators for a status number: bits 0-5 warnings 0x10-0x15, bits
// 6-11 empty ink slots 0-5, bit 12 "no ink information".
std::uint32_t IndicatorMask(const PrinterStatus& status, int statusNumber);
