#pragma once
#include <string>

#include "status/StatusReply.h"

// pqif history and pqif watch: a network printer's journal, as words or JSON
// lines, and what it last said when it has stopped answering.

bool IsJournalCommand(const std::string& command);
int RunJournalCommand(int argc, char** argv);

// The printer's last answer from its journal, when its newest entry says it
// stopped answering: the time it last answered and the reply it gave then.
struct LastKnown {
    std::string lastAnswer;
    std::string age; // "5 s", "3 min", ...
    PrinterStatus reply{};
};
bool LastKnownOf(const std::string& printer, LastKnown* out);

// "K 80 C NA M 60 ..." for the six ink slots of a reply.
std::string LevelsText(const PrinterStatus& reply);
