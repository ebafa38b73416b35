// Where `spanfuse f FACTOR` spends its time on well-formed records, phase by phase, in one
// process: reading (numbers into intervals, with the array's pages first touched), sorting
// (the sweep's own sort, on a copy of the intervals), sweeping (interval_list_sweep on a copy
// already in order, which its sort then only finds to be) and printing (the entries as
// " %.0f %.0f" into a buffer, no system call). Each phase but the reading is the fastest of
// ROUNDS, its input copied afresh before each. Prints one line of milliseconds.
// Usage: bench_phases FACTOR [ROUNDS] < input
#include "big_array.hpp"
#include "interval_list.hpp"
#include "numread.hpp"
#include "output.hpp"
#include "radix_sort.hpp"
#include "real_key.hpp"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The fastest of rounds runs of phase(), each after prepare().
template <class Prepare, class Phase> double fastest(int rounds, Prepare prepare, Phase phase) {
    double best = 0;
    for (int k = 0; k < rounds; ++k) {
        prepare();
        auto start = std::chrono::steady_clock::now();
        phase();
        double took = ms_since(start);
        if (k == 0 || took < best) best = took;
    }
    return best;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    const double factor = std::strtod(argv[1], nullptr);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    auto start = std::chrono::steady_clock::now();
    bk::NumberReader in(STDIN_FILENO);
    int n, split, flag;
    if (!in.integer(n) || n < 0) return 1;
    big_array<interval_bounds> records;
    if (!records.resize(static_cast<std::size_t>(n))) return 1;
    for (int i = 0; i < n; ++i)
        if (!in.real(records[i].lo) || !in.real(records[i].hi)) return 1;
    if (!in.integer(split)) return 1;
    for (int i = 0; i < n; ++i) {
        if (!in.integer(flag)) return 1;
        records[i] = interval_of(records[i].lo, records[i].hi, flag, factor);
    }
    const double reading = ms_since(start);
    for (int i = 0; i < n; ++i)
        if (!(records[i].lo <= records[i].hi)) return 3; // not the sweep's input

    // In memory taken as spanfuse takes it, in huge pages where the system gives them.
    big_array<interval_bounds> iv, in_order;
    if (!iv.resize(records.size()) || !in_order.resize(records.size())) return 1;
    auto copy = [&](const big_array<interval_bounds> &from) {
        return [&] { std::copy(from.data(), from.data() + from.size(), iv.data()); };
    };
    const double sorting = fastest(rounds, copy(records), [&] {
        radix_sort(iv.data(), iv.size(), [](const interval_bounds &x) { return real_key(x.lo); });
    });
    std::copy(iv.data(), iv.data() + iv.size(), in_order.data());
    std::size_t count = 0;
    const double sweeping =
        fastest(rounds, copy(in_order), [&] { count = interval_list_sweep(iv.data(), iv.size()); });

    // As the output's buffer is: written over from its start whenever it could fill.
    static char text[1 << 16];
    const double printing = fastest(
        rounds, [] {},
        [&] {
            char *p = text;
            for (std::size_t i = 0; i < count; ++i) {
                if (iv[i].hi <= 0) continue;
                if (text + sizeof text - p < 2 * std::ptrdiff_t{bk::whole_text_size} + 2) p = text;
                *p++ = ' ';
                p = bk::format_whole(p, std::max(iv[i].lo, 0.0));
                *p++ = ' ';
                p = bk::format_whole(p, iv[i].hi);
            }
            *p = '\n';
        });

    std::printf("reading %7.1f   sorting %7.1f   sweeping %7.1f   printing %7.1f   ms  (%zu "
                "entries)\n",
                reading, sorting, sweeping, printing, count);
    return 0;
}
