#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "companions/klapi/JournalLine.h"

// Each network printer's journal: a file of JSON lines in the installation's
// "Journal" folder (the "InstallDir" of HKEY_LOCAL_MACHINE
// "software\VORNE\KLAPIInfo", else the folder of this module), one per
// printer. A line is written with one call while the printer's journal mutex
// is held, so lines of two processes never interleave and a crash can tear
// only the last line, which readers skip. When a file would grow past
// kMaxBytes its older half is dropped.
namespace journal {

constexpr DWORD kMaxBytes = 256 * 1024;

std::string Directory();
std::string FileOf(const std::string& printerKeyName);

bool Append(const std::string& printerKeyName, const Entry& entry);

// The whole lines from byte `offset` on; `offset` moves past them. A file that
// became shorter than `offset` (its older half was dropped) is read from the
// start; `shrank` tells the caller so.
std::vector<Entry> ReadFrom(const std::string& printerKeyName, ULONGLONG& offset,
                            bool* shrank = nullptr);

} // namespace journal
