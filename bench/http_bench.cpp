// Cost of reading a 1 MiB chunked IPP answer as a socket delivers it, in pieces
// of 1 byte, 64 bytes and 4 KiB: the incremental reader against re-parsing all
// that was received after every piece (how answers used to be read). Both are
// measured in this run; the summary gives cost per byte and the ratios that
// show the reader is linear in the bytes received and re-parsing is not.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <map>
#include <string>

#include "HttpResponse.h"

namespace {

constexpr std::size_t kChunk = 4096;

// A 200 answer whose body of that size comes in 4 KiB chunks.
const std::string& Answer(std::size_t bodySize) {
    static std::map<std::size_t, std::string> answers;
    std::string& a = answers[bodySize];
    if (a.empty()) {
        a = "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nTransfer-Encoding: "
            "chunked\r\n\r\n";
        char size[16];
        for (std::size_t done = 0; done < bodySize; done += kChunk) {
            std::size_t n = bodySize - done < kChunk ? bodySize - done : kChunk;
            std::snprintf(size, sizeof size, "%zx\r\n", n);
            a += size;
            a.append(n, static_cast<char>('a' + done / kChunk % 26));
            a += "\r\n";
        }
        a += "0\r\n\r\n";
    }
    return a;
}

void Reader(benchmark::State& state) {
    const auto body = static_cast<std::size_t>(state.range(0));
    const std::string& answer = Answer(body);
    const auto piece = static_cast<std::size_t>(state.range(1));
    for (auto _ : state) {
        ipp::HttpResponseReader reader;
        ipp::HttpParse p = ipp::HttpParse::NeedMore;
        for (std::size_t at = 0; at < answer.size(); at += piece)
            p = reader.Feed(answer.data() + at, std::min(piece, answer.size() - at));
        if (p != ipp::HttpParse::Complete || reader.Response().body.size() != body)
            state.SkipWithError("answer not complete");
        benchmark::DoNotOptimize(reader.Response().body.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer.size()));
}
BENCHMARK(Reader)
    ->Args({1 << 20, 1})
    ->Args({1 << 20, 64})
    ->Args({1 << 20, 4096})
    ->Args({256 << 10, 64})
    ->Args({4 << 20, 64})
    ->Unit(benchmark::kMillisecond);

void Reparse(benchmark::State& state) {
    const auto body = static_cast<std::size_t>(state.range(0));
    const std::string& answer = Answer(body);
    const auto piece = static_cast<std::size_t>(state.range(1));
    for (auto _ : state) {
        std::string received;
        ipp::HttpResponse response;
        ipp::HttpParse p = ipp::HttpParse::NeedMore;
        for (std::size_t at = 0; at < answer.size() && p == ipp::HttpParse::NeedMore; at += piece) {
            received.append(answer, at, piece);
            p = ipp::ParseHttpResponse(received.data(), received.size(), false, response);
        }
        if (p != ipp::HttpParse::Complete || response.body.size() != body)
            state.SkipWithError("answer not complete");
        benchmark::DoNotOptimize(response.body.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer.size()));
}
// Re-parsing 1 MiB in 1-byte or 64-byte pieces takes minutes to hours; the
// smaller bodies show how its cost per byte grows with the size.
BENCHMARK(Reparse)
    ->Args({1 << 20, 4096})
    ->Args({64 << 10, 64})
    ->Args({256 << 10, 64})
    ->Unit(benchmark::kMillisecond);

class Capture : public benchmark::ConsoleReporter {
public:
    Capture() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime() * 1e6; // ms -> ns
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds; // CPU time per iteration
};

} // namespace

int main(int argc, char** argv) {
    // Bodies of a megabyte would otherwise be fresh mappings in some runs and
    // reused heap in others: page faults, not reading, would decide the times.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    benchmark::Initialize(&argc, argv);
    Capture reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto perByte = [&](const char* name, std::size_t body) {
        auto found = reporter.nanoseconds.find(name);
        return found == reporter.nanoseconds.end()
                   ? 0.0
                   : found->second / static_cast<double>(Answer(body).size());
    };
    const double r1 = perByte("Reader/1048576/1", 1 << 20);
    const double r64 = perByte("Reader/1048576/64", 1 << 20);
    const double r4k = perByte("Reader/1048576/4096", 1 << 20);
    const double rSmall = perByte("Reader/262144/64", 256 << 10);
    const double rLarge = perByte("Reader/4194304/64", 4 << 20);
    const double p4k = perByte("Reparse/1048576/4096", 1 << 20);
    const double pSmall = perByte("Reparse/65536/64", 64 << 10);
    const double pLarge = perByte("Reparse/262144/64", 256 << 10);
    if (r4k <= 0 || rSmall <= 0 || pSmall <= 0)
        return 0;
    std::printf("\nns per byte of a chunked answer (4 KiB chunks), by piece size received:\n");
    std::printf("reader   1 MiB in 1-byte pieces:  %8.2f\n", r1);
    std::printf("reader   1 MiB in 64-byte pieces: %8.2f\n", r64);
    std::printf("reader   1 MiB in 4 KiB pieces:   %8.2f\n", r4k);
    std::printf("re-parse 1 MiB in 4 KiB pieces:   %8.2f\n", p4k);
    std::printf("ratios:\n");
    std::printf("reader, 1-byte / 4 KiB pieces:                  %8.1f x\n", r1 / r4k);
    std::printf("reader, 4 MiB / 256 KiB body (64-byte pieces):  %8.2f x per byte (linear: ~1)\n",
                rLarge / rSmall);
    std::printf(
        "re-parse, 256 KiB / 64 KiB body (64-byte):      %8.2f x per byte (grows with size)\n",
        pLarge / pSmall);
    std::printf("re-parse / reader, 1 MiB in 4 KiB pieces:       %8.1f x\n", p4k / r4k);
    return 0;
}
