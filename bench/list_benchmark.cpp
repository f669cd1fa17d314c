// Listing cost: in-process time, bytes and reads from disk, and memory, per workbook.
//   list_benchmark FILE...            Google Benchmark timings, with bytes and reads per listing
//   list_benchmark --footprint FILE   one listing: bytes read, read calls and peak memory
//                                     above baseline
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "xls/workbook.h"

namespace {

// A count from /proc/self/io: "rchar:" the bytes this process has read through
// read(2)/pread(2) so far, "syscr:" the number of such calls.
long long ioCountSoFar(const char* wanted) {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == wanted) return value;
    }
    return -1;
}

long long bytesReadSoFar() {
    return ioCountSoFar("rchar:");
}

long long readCallsSoFar() {
    return ioCountSoFar("syscr:");
}

long long residentPeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::size_t listWorksheets(const std::string& path) {
    auto book = xls::Workbook::open(path);
    std::size_t names = 0;
    for (std::size_t index : book.worksheetIndices()) names += book.sheets()[index].name.size();
    return names;
}

void BM_List(benchmark::State& state, std::string path) {
    long long readBefore = bytesReadSoFar();
    long long callsBefore = readCallsSoFar();
    for (auto _ : state) benchmark::DoNotOptimize(listWorksheets(path));
    const auto perListing = [&](long long total) {
        return benchmark::Counter(static_cast<double>(total) /
                                  static_cast<double>(state.iterations()));
    };
    state.counters["bytes_read"] = perListing(bytesReadSoFar() - readBefore);
    // Each reading of /proc/self/io above is a read call too: it counts once, not per listing.
    state.counters["reads"] = perListing(readCallsSoFar() - callsBefore);
}

int footprint(const char* path) {
    long long baseline = residentPeakKiB();
    // The read calls one look at /proc/self/io takes, counted in the next look.
    long long ownCalls = readCallsSoFar();
    ownCalls = readCallsSoFar() - ownCalls;
    long long callsBefore = readCallsSoFar();
    long long before = bytesReadSoFar();
    std::size_t names = listWorksheets(path);
    long long read = bytesReadSoFar() - before;
    // Less the three looks at /proc/self/io since callsBefore.
    long long calls = readCallsSoFar() - callsBefore - 3 * ownCalls;
    std::printf("%s: bytes_read=%lld reads=%lld peak_rss_above_baseline_kib=%lld names=%zu\n", path,
                read, calls, residentPeakKiB() - baseline, names);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--footprint") == 0) return footprint(argv[2]);
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string path = argv[i];
        benchmark::RegisterBenchmark(("list/" + path.substr(path.find_last_of('/') + 1)).c_str(),
                                     BM_List, path)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
