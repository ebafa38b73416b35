// A plain sort-and-sweep over spanfuse's input, for comparison only: read everything with
// strtod and strtol, sort the intervals, join overlapping and touching ones, print with
// printf. Handles the benchmark inputs (no NaN, no inside-out intervals), nothing more.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    bool forward = std::strcmp(argv[1], "f") == 0;
    double factor = std::strtod(argv[2], nullptr);

    std::string text;
    char block[1 << 16];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, stdin)) > 0;) text.append(block, n);
    const char *p = text.c_str();
    char *stop;
    long n = std::strtol(p, &stop, 10);
    p = stop;
    std::vector<double> center(n), spread(n);
    for (long i = 0; i < n; ++i) {
        center[i] = std::strtod(p, &stop);
        spread[i] = std::strtod(stop, &stop);
        p = stop;
    }
    long split = std::strtol(p, &stop, 10);
    p = stop;
    std::vector<long> flag(n);
    for (long i = 0; i < n; ++i) {
        flag[i] = std::strtol(p, &stop, 10);
        p = stop;
    }

    long first = forward ? 0 : std::clamp(split, 0L, n);
    long last = forward ? std::clamp(split, 0L, n) : n;
    std::vector<std::pair<double, double>> iv;
    for (long i = first; i < last; ++i) {
        double w = factor * spread[i];
        double lo = center[i] - w, hi = center[i] + w;
        if (flag[i] == -1 && lo > 0)
            lo = 0;
        else if (flag[i] == 1 && hi < 65535)
            hi = 65535;
        iv.emplace_back(lo, hi);
    }
    std::sort(iv.begin(), iv.end());
    std::size_t m = 0;
    for (auto [lo, hi] : iv) {
        if (m > 0 && lo <= iv[m - 1].second)
            iv[m - 1].second = std::max(iv[m - 1].second, hi);
        else
            iv[m++] = {lo, hi};
    }
    for (std::size_t i = 0; i < m; ++i) {
        if (iv[i].second <= 0) continue;
        std::printf(" %.0f %.0f", std::max(iv[i].first, 0.0), iv[i].second);
    }
    std::printf("\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
