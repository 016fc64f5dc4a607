#pragma once
#include <windows.h>

enum class ReceiveOutcome { Data, NoData, Failed };

// Reads whatever the printer sent on an open channel, with the library's size
// probe. On Data, *block is a LocalAlloc block the caller owns.
ReceiveOutcome ReceivePrinterData(int channel, HLOCAL* block);
