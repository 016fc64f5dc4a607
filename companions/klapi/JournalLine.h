#pragma once
#include <string>
#include <vector>

// One line of a printer's journal: a JSON object on one line, written when the
// printer's state changed. Pure.
namespace journal {

struct Entry {
    std::string time; // UTC, "YYYY-MM-DDTHH:MM:SS.mmmZ"
    std::string printer;
    bool answering = true;  // false: the printer stopped answering; `reply` is its last answer
    bool asleep = false;    // the printer says it is asleep, powered down or in standby
    std::string reply;      // the status reply, as the library decodes it
    std::string lastAnswer; // when the printer last answered
    std::vector<std::string> reasons;
};

// The line with its terminating '\n'. Every byte outside printable ASCII is
// escaped, so a line is never split and reads back the same.
std::string FormatLine(const Entry& entry);

// A line as FormatLine writes it (with or without the '\n'); false for
// anything else, a line torn by a crash included.
bool ParseLine(const std::string& line, Entry& out);

// A JSON string literal of any bytes (for the tools that print entries).
std::string JsonString(const std::string& bytes);

} // namespace journal
