// journal_writer PRINTER TAG COUNT: appends COUNT entries to the printer's
// journal, their reasons "TAG-<n>" with padding, as fast as it can.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "companions/klapi/Journal.h"

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        journal::Entry e;
        e.time = "2026-01-01T00:00:00.000Z";
        e.printer = argv[1];
        e.reply = "@BDC ST\r\nST:04;\f";
        e.reasons = {std::string(argv[2]) + "-" + std::to_string(i), std::string(500, 'x')};
        if (!journal::Append(argv[1], e))
            return 1;
    }
    return 0;
}
