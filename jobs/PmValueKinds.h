#pragma once
#include <cstdint>

// Job value kinds of the print manager (the kind argument of GetJobValue and
// SetJobValue) and the byte counts that travel with them.
namespace PmKind {
constexpr int32_t Document = 1;     // string: the document name
constexpr int32_t SpoolerJobId = 3; // the spooler's id of the print-manager job
constexpr int32_t Media = 21;       // three 16-bit values; 2nd media type, 3rd paper size
constexpr int32_t State = 101;      // state bits
constexpr int32_t Sheets = 102;     // two 32-bit values: done, in all
constexpr int32_t Progress = 103;   // two 32-bit values: done, total
constexpr int32_t TimeLeft = 104;   // seconds
constexpr int32_t Command = 201;    // written: 1 pause, 2 restart, 3 cancel
} // namespace PmKind

// State bits of kind 101 that the job monitor acts on.
namespace PmState {
constexpr int32_t Changing = 0x08; // a pause or its release is being carried out
constexpr int32_t Paused = 0x10;
} // namespace PmState

namespace PmCommand {
constexpr int32_t Pause = 1;
constexpr int32_t Restart = 2;
constexpr int32_t Cancel = 3;
} // namespace PmCommand

// Sent in place of a byte array that would be empty: the remote side never
// receives a zero-length array.
constexpr char PmPlaceholder[] = "VRMA_DUMMY_DATA";
constexpr int32_t PmPlaceholderSize = 15;

// Size of a kind's value: a fixed byte count, PmStringValue for the two string
// kinds (0 and 1), 0 for kinds that have no value.
constexpr int32_t PmStringValue = -1;
int32_t PmFixedValueSize(int32_t kind) noexcept;

// The byte count sent for a value of this kind: the fixed size, or for a
// string kind its length + 1 (0 when value is null).
int32_t PmValueSize(int32_t kind, const void* value) noexcept;
