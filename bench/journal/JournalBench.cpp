// What the journal costs per recorded change, under Wine: journal::Append (the
// printer's mutex, one write, a flush) side by side with a bare append of the
// same line and with the registry write of the new reply that every change
// makes anyway. Run by scripts/bench.
#include <windows.h>

#include <cstdio>
#include <string>

#include "companions/klapi/Journal.h"
#include "framework/Handles.h"
#include "support/Registry.h"

namespace {

constexpr int kChanges = 1000;
constexpr const char* kPrinter = "Journal_Bench";
constexpr const char* kScratchKey = "Software\\PqifSim\\JournalBench";

journal::Entry Change(int i) {
    journal::Entry e;
    e.time = "2026-12-10T06:00:00.000Z";
    e.printer = kPrinter;
    e.reply = "@BDC ST\r\nST:00;ER:02;IQ:50463C32281E;WR:20;\f";
    e.reasons = {i % 2 ? "door-open" : "marker-waste-almost-full"};
    e.lastAnswer = e.time;
    return e;
}

double Microseconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1e6 / static_cast<double>(f.QuadPart) /
           kChanges;
}

} // namespace

int main() {
    LARGE_INTEGER f, t0, t1, t2, t3;
    ::QueryPerformanceFrequency(&f);
    std::string path = journal::FileOf(kPrinter);
    std::string bare = path + ".bare";
    ::DeleteFileA(path.c_str());
    ::DeleteFileA(bare.c_str());
    std::string line = journal::FormatLine(Change(0));

    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < kChanges; ++i)
        journal::Append(kPrinter, Change(i));
    ::QueryPerformanceCounter(&t1);
    for (int i = 0; i < kChanges; ++i) {
        UniqueFile file(::CreateFileA(bare.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    ::QueryPerformanceCounter(&t2);
    int failedWrites = 0;
    {
        Registry key(HKEY_CURRENT_USER, kScratchKey, true);
        for (int i = 0; i < kChanges; ++i)
            failedWrites +=
                key.SetBinary("Reply", line.data(), static_cast<DWORD>(40 + i % 2)) ? 0 : 1;
    }
    ::QueryPerformanceCounter(&t3);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
    if (failedWrites != 0) {
        std::fprintf(stderr, "%d registry writes failed: no figure\n", failedWrites);
        return 1;
    }

    double journalUs = Microseconds(t0, t1, f);
    double bareUs = Microseconds(t1, t2, f);
    double registryUs = Microseconds(t2, t3, f);
    std::printf("journal append per change: %8.1f us (%zu-byte line)\n", journalUs, line.size());
    std::printf("bare append of the line:   %8.1f us   ratio %.1f\n", bareUs, journalUs / bareUs);
    std::printf("registry write of a reply: %8.1f us   ratio %.1f\n", registryUs,
                journalUs / registryUs);
    ::DeleteFileA(path.c_str());
    ::DeleteFileA(bare.c_str());
    return 0;
}
