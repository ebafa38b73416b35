// Reads spanfuse's input as `spanfuse f FACTOR` would, then times the merge alone, on a fresh
// copy of the intervals each round: the part of spanfuse's run that depends on the shape of
// the input. Prints the fastest round in milliseconds and nanoseconds an interval.
// Usage: bench_merge FACTOR [ROUNDS] < input
#include "interval_list.hpp"
#include "numread.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    const double factor = std::strtod(argv[1], nullptr);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    bk::NumberReader in(STDIN_FILENO);
    int n, split, flag;
    if (!in.integer(n) || n < 0) return 1;
    std::vector<interval_bounds> records(static_cast<std::size_t>(n));
    for (auto &r : records)
        if (!in.real(r.lo) || !in.real(r.hi)) return 1;
    if (!in.integer(split)) return 1;
    for (auto &r : records) {
        if (!in.integer(flag)) return 1;
        r = interval_of(r.lo, r.hi, flag, factor);
    }
    std::vector<interval_bounds> iv(records.size());
    double best = 0;
    std::size_t count = 0;
    for (int k = 0; k < rounds; ++k) {
        std::copy(records.begin(), records.end(), iv.begin());
        auto start = std::chrono::steady_clock::now();
        count = interval_list_merge(iv.data(), iv.size());
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (k == 0 || took.count() < best) best = took.count();
    }
    std::printf("%.1f ms %.0f ns an interval, %zu entries\n", best, n > 0 ? best * 1e6 / n : 0.0,
                count);
    return 0;
}
