// Cost of decoding a status reply (ParseStatusReply + StatusNumber) against a
// plain memchr scan of the same bytes, and against the earlier decoder, all
// measured in this run (CPU time).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "status/StatusReply.h"
#include "tests/status/ReplyDecoderReference.h"

namespace {

// Replies of the kinds printers send: idle, printing, ink errors, warnings,
// fields the parser skips.
const std::vector<std::string>& Replies() {
    static const std::vector<std::string> replies = {
        std::string("@BDC ST\r\nST:04;\x0C"),
        std::string("@BDC ST\r\nST:03;IQ:645A4B3C2D1E;\x0C"),
        std::string("@BDC ST\r\nST:00;ER:05;IQ:0032NA1E2864;\xFF"),
        std::string("@BDC ST\r\nST:04;ER:00;IQ:5F5F5F5F5F5F;WR:10,12;RV:A;TC:0102;\x0C"),
        std::string("@BDC ST\r\nST:00;ER:06;IQ:32;WR:20;RV:3;\x0C"),
        std::string("@BDC ST\r\nXX:1;PC:0A;ST:02;IQ:NANANANANANA;TC:FFFF;\xFF"),
        std::string("@BDC ST\r\nST:04;WR:11,12,13,14,15,16,17,18,19,1A;IQ:141414141414;\x0C"),
        std::string("@BDC ST\r\nst:07;er:00;iq:c8c8c8c8c8c8;rv:f;tc:abcd;\x0C"),
    };
    return replies;
}

template <int (*Parse)(const unsigned char*, std::size_t, PrinterStatus*)>
void Decode(benchmark::State& state) {
    const auto& replies = Replies();
    PrinterStatus status;
    for (auto _ : state) {
        for (const std::string& r : replies) {
            int rc = Parse(reinterpret_cast<const unsigned char*>(r.data()), r.size(), &status);
            int number = rc == 0 ? StatusNumber(status) : -1;
            benchmark::DoNotOptimize(number);
        }
    }
}

void ParseAndNumber(benchmark::State& state) {
    Decode<ParseStatusReply>(state);
}
void EarlierParseAndNumber(benchmark::State& state) {
    Decode<reference::ParseStatusReply>(state);
}
BENCHMARK(EarlierParseAndNumber)->Unit(benchmark::kNanosecond);
BENCHMARK(ParseAndNumber)->Unit(benchmark::kNanosecond);

// cppcheck-suppress constParameterCallback
void MemchrScan(benchmark::State& state) {
    const auto& replies = Replies();
    for (auto _ : state) {
        for (const std::string& r : replies) {
            // A byte no reply holds, so every byte is looked at.
            const void* hit = std::memchr(r.data(), 0x01, r.size());
            benchmark::DoNotOptimize(hit);
        }
    }
}
BENCHMARK(MemchrScan)->Unit(benchmark::kNanosecond);

class Capture : public benchmark::ConsoleReporter {
public:
    Capture() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            nanoseconds[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds; // CPU time per iteration
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Capture reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double count = static_cast<double>(Replies().size());
    const std::size_t bytes =
        std::accumulate(Replies().begin(), Replies().end(), std::size_t{0},
                        [](std::size_t sum, const std::string& r) { return sum + r.size(); });
    auto parse = reporter.nanoseconds.find("ParseAndNumber");
    auto earlier = reporter.nanoseconds.find("EarlierParseAndNumber");
    auto scan = reporter.nanoseconds.find("MemchrScan");
    if (parse == reporter.nanoseconds.end() || scan == reporter.nanoseconds.end() ||
        earlier == reporter.nanoseconds.end())
        return 0;
    std::printf("\n%zu replies, %.1f bytes on average\n", Replies().size(), bytes / count);
    std::printf("ParseStatusReply + StatusNumber:    %6.1f ns per reply, %4.1f x memchr\n",
                parse->second / count, parse->second / scan->second);
    std::printf("the earlier decoder + StatusNumber: %6.1f ns per reply, %4.1f x memchr\n",
                earlier->second / count, earlier->second / scan->second);
    std::printf("memchr over the same bytes:         %6.1f ns per reply\n", scan->second / count);
    std::printf("ratio:                              %6.1f x\n", parse->second / scan->second);
    return 0;
}
