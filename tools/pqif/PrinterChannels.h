#pragma once
#include <string>
#include <vector>

#include "V_PQIF07.h"

class KLApiBinding;

// What pqif asks of the bidirectional library beyond what the library's own
// exports do, on the product's binding (so that pqif and the DLL it calls
// share one instance of the library, and with it the channel handles).

// Empty when the binding is usable; otherwise what went wrong, for the user.
std::string BindingProblem(const KLApiBinding& binding);

// The printer's channel list, or false with an error text in *error.
bool ListChannels(KLApiBinding& binding, int byPrinter, const char* name,
                  std::vector<PQIF_CHANNEL_ENTRY>* list, std::string* error);

// Cancels what is pending on an open channel and closes it; 0 is no channel.
void CloseChannel(KLApiBinding& binding, int channel);

// The model named by the device ID of the printer (byPrinter 1) or port.
std::string ModelOfDevice(KLApiBinding& binding, int byPrinter, const char* name);
