#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "IppStatusMap.h"
#include "companions/klapi/SimStore.h"

// The printers that answer from the network (IPP or SNMP), behind one face
// for the entry points and the status watcher. Besides refreshing "Reply" it
// keeps what the printer last said ("LastAnswer") when it stops answering, and
// appends each change of state to the printer's journal.
namespace netbackend {

enum class Refresh { Current, Unreachable };

// What one refresh learnt; `asked` is false when the interval had not passed
// and nothing was asked.
struct Observation {
    bool asked = false;
    bool answered = false;
    bool asleep = false;
    ipp::ReplyFields fields;
    std::string reply;
    std::vector<std::string> reasons;
};

bool IsNetwork(const simstore::SimPrinter& printer);
DWORD Interval(const simstore::SimPrinter& printer);

// Brings the printer's values up to date (see IppBackend.h and SnmpBackend.h).
// Unreachable: the printer did not answer in time or answered nonsense; its
// last answer stays in place.
Refresh Update(simstore::SimPrinter& printer, bool force);

// The current UTC time as the journal and "LastAnswer" write it.
std::string UtcNow();

} // namespace netbackend
