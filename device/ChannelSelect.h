#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

class KLApiBinding;

// The monitor window's hold on its printer's status channel. The window embeds
// this; ChannelSelect and GetModelID work on it.
struct MonitorChannel {
    std::string m_PrinterName;
    std::string m_PortName;
    KLApiBinding* m_pBinding = nullptr; // the window's binding, alive as long as the window
    HWND m_hWindow = nullptr;           // registered with the library for message 1026
    int m_StatChannel = 0;              // chosen status-channel id; 0 = none chosen
    std::uint16_t m_StatValue = 0;
    int m_hStat = 0;                     // open status channel; 0 = none
    std::uint16_t m_FirstEntryFlags = 0; // bit 15: the printer is slow to answer
};

// Lists, selects, opens and registers the status channel. 1 open and
// registered; 0 no usable channel or the open failed; -1 library or name
// unusable.
[[nodiscard]] int ChannelSelect(MonitorChannel& channel);

// The model named by the device ID of the printer (or, with an empty printer
// name, the port); empty on any failure.
std::string GetModelID(const MonitorChannel& channel, const char* printerName,
                       const char* portName);
