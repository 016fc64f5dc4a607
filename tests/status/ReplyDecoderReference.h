#pragma once
#include <cstddef>

#include "status/StatusReply.h"

namespace reference {

// The earlier decoder of status replies, for differential tests and the
// benchmark: same contract as ParseStatusReply.
int ParseStatusReply(const unsigned char* reply, std::size_t length, PrinterStatus* status);

} // namespace reference
