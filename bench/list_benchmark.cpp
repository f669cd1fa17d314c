// Listing cost: in-process time, bytes read from disk and memory, per workbook.
//   list_benchmark FILE...            Google Benchmark timings, with bytes read per listing
//   list_benchmark --footprint FILE   one listing: bytes read and peak memory above baseline
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "xls/workbook.h"

namespace {

// Bytes this process has read through read(2)/pread(2) so far.
long long bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
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
    for (auto _ : state) benchmark::DoNotOptimize(listWorksheets(path));
    long long read = bytesReadSoFar() - readBefore;
    state.counters["bytes_read"] =
        benchmark::Counter(static_cast<double>(read) / static_cast<double>(state.iterations()));
}

int footprint(const char* path) {
    long long baseline = residentPeakKiB();
    long long before = bytesReadSoFar();
    std::size_t names = listWorksheets(path);
    long long read = bytesReadSoFar() - before;
    std::printf("%s: bytes_read=%lld peak_rss_above_baseline_kib=%lld names=%zu\n", path, read,
                residentPeakKiB() - baseline, names);
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
