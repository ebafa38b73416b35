// Micro-benchmarks of the pieces of spanfuse: the interval list both ways, number reading
// and whole-number printing, each beside the libc routine it replaces (bench_micro_plain has
// the reading and printing without their fast paths).
#include "interval_list.hpp"
#include "numread.hpp"
#include "output.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Mostly disjoint intervals: centers uniform in [0, 10^7), spreads in [0, 5].
std::vector<interval_bounds> disjoint(std::size_t n) {
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> center(0, 1e7), spread(0, 5);
    std::vector<interval_bounds> v;
    for (std::size_t i = 0; i < n; ++i) {
        double c = center(rng), s = spread(rng);
        v.push_back({c - s, c + s});
    }
    return v;
}

void BM_ListLiteral(benchmark::State &state) {
    auto adds = disjoint(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        interval_list list = interval_list_create(adds.size());
        for (auto [lo, hi] : adds) interval_list_add(list, lo, hi);
        benchmark::DoNotOptimize(list.count);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListLiteral)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLiteral)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The merge on a copy of the intervals, each iteration; with odd_first the first interval is
// turned inside out, so that every one goes through the tree.
void list_merge(benchmark::State &state, bool odd_first) {
    auto adds = disjoint(static_cast<std::size_t>(state.range(0)));
    if (odd_first) std::swap(adds[0].lo, adds[0].hi);
    std::vector<interval_bounds> iv(adds.size());
    for (auto _ : state) {
        std::copy(adds.begin(), adds.end(), iv.begin());
        benchmark::DoNotOptimize(interval_list_merge(iv.data(), iv.size()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_ListSweep(benchmark::State &state) {
    list_merge(state, false);
}
void BM_ListTree(benchmark::State &state) {
    list_merge(state, true);
}
BENCHMARK(BM_ListSweep)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListTree)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

std::string numbers_text() {
    std::mt19937_64 rng(2);
    std::uniform_real_distribution<double> center(0, 1e7);
    std::string text;
    char buf[64];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(buf, sizeof buf, "%.3f ", center(rng));
        text += buf;
    }
    return text;
}

void BM_ParseReal(benchmark::State &state) {
    std::string text = numbers_text();
    for (auto _ : state) {
        const char *p = text.c_str();
        double v;
        while (bk::parse_real(p, v, &p)) benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_ParseReal);

void BM_Strtod(benchmark::State &state) {
    std::string text = numbers_text();
    for (auto _ : state) {
        const char *p = text.c_str();
        for (;;) {
            char *stop;
            double v = std::strtod(p, &stop);
            if (stop == p) break;
            benchmark::DoNotOptimize(v);
            p = stop;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}
BENCHMARK(BM_Strtod);

std::vector<double> print_values() {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> value(0, 1e7);
    std::vector<double> v;
    for (int i = 0; i < 10000; ++i) v.push_back(value(rng));
    return v;
}

// Each number is written where the last one ended, as in an output line, so that how long
// the end of a number takes to be known counts too.
void BM_FormatWhole(benchmark::State &state) {
    auto values = print_values();
    std::vector<char> line(values.size() * 24 + bk::whole_text_size);
    for (auto _ : state) {
        char *p = line.data();
        for (double v : values) {
            *p++ = ' ';
            p = bk::format_whole(p, v);
        }
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}
BENCHMARK(BM_FormatWhole);

void BM_Snprintf(benchmark::State &state) {
    auto values = print_values();
    char buf[bk::whole_text_size];
    for (auto _ : state)
        for (double v : values) benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%.0f", v));
    state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}
BENCHMARK(BM_Snprintf);

} // namespace

BENCHMARK_MAIN();
