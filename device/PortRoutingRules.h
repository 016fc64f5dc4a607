#pragma once

// Port kinds the bidirectional library's request router must serve. A router value
// names its kind by how it begins, compared without regard to ASCII case.
enum class RouterPortKind { None, Lpt, KlpIp, Ipx };

// "LPT...", else "KLPIP...", else "IPX..."; anything else (a "SHARE" port too) is None.
RouterPortKind RouterValueKind(const char* value);
