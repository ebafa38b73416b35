// libFuzzer target: spanfuse's main, run in this process on standard input from the fuzzer,
// must give what a plain reading of its rules gives: the same output line, or the same
// message and status, and never a crash, a hang or an allocation beyond its input.
//
// Input: byte 0 picks the mode and the factor texts; the rest is standard input.
#include "diag.hpp"
#include "interval_list.hpp"
#include "run_main.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int spanfuse_main(int argc, char **argv);

namespace {

// strtod and strtol stepping through the text, as the program's reads are described.
struct text_reader {
    const char *p;
    bool real(double &v) {
        char *stop;
        v = std::strtod(p, &stop);
        if (stop == p) return false;
        p = stop;
        return true;
    }
    bool integer(int &v) {
        char *stop;
        errno = 0;
        long l = std::strtol(p, &stop, 10);
        if (stop == p || errno == ERANGE || l < INT_MIN || l > INT_MAX) return false;
        v = static_cast<int>(l);
        p = stop;
        return true;
    }
};

outcome reference(const char *mode, const char *factor_text, const std::string &input) {
    const outcome usage = {-1, "", "Usage: spanfuse [f|b] <factor>\n"};
    const outcome failure = {-1, "", "read failure\n"};
    if (std::strcmp(mode, "f") != 0 && std::strcmp(mode, "b") != 0) return usage;
    char *stop;
    double factor = std::strtod(factor_text, &stop);
    if (stop == factor_text) return usage;

    text_reader in{input.c_str()};
    int n, split;
    if (!in.integer(n)) return failure;
    std::vector<double> center, spread;
    std::vector<int> flag;
    for (int i = 0; i < n; ++i) {
        double c, s;
        if (!in.real(c) || !in.real(s)) return failure;
        center.push_back(c);
        spread.push_back(s);
    }
    if (!in.integer(split)) return failure;
    for (int i = 0; i < n; ++i) {
        int f;
        if (!in.integer(f)) return failure;
        flag.push_back(f);
    }

    long long records = static_cast<long long>(center.size()), first = 0, last = records;
    if (*mode == 'f')
        last = std::clamp<long long>(split, 0, records);
    else
        first = std::clamp<long long>(split, 0, records);
    interval_list list = interval_list_create(static_cast<std::size_t>(last - first));
    for (long long i = first; i < last; ++i) {
        // The program's own arithmetic, for the same bits where a bound is NaN.
        auto [lo, hi] = interval_of(center[i], spread[i], flag[i], factor);
        interval_list_add(list, lo, hi);
    }
    outcome r;
    for (std::size_t i = 0; i < list.count; ++i) {
        if (list.end[i] <= 0) continue;
        double start = list.start[i] < 0 ? 0 : list.start[i];
        char buf[1000];
        std::snprintf(buf, sizeof buf, " %.0f %.0f", start, list.end[i]);
        r.out += buf;
    }
    r.out += '\n';
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    static const char *const modes[] = {"f", "b", "f", "b", "f", "b", "F", "fb"};
    static const char *const factors[] = {"1",     "0.5", "2",     "0",  "-0",   "-1",
                                          "1e300", "inf", "nan",   "3x", "-2.5", "1e-300",
                                          "0x10",  "7",   "65535", "x"};
    const char *mode = modes[data[0] >> 5];
    const char *factor = factors[data[0] & 15];
    std::string input(reinterpret_cast<const char *>(data + 1), size - 1);

    outcome want = reference(mode, factor, input);
    outcome got = run_main(spanfuse_main, {"spanfuse", mode, factor}, input);
    if (got != want) {
        std::fprintf(stderr, "mode %s factor %s\nwant %d '%s' '%s'\ngot  %d '%s' '%s'\n", mode,
                     factor, want.status, want.out.c_str(), want.err.c_str(), got.status,
                     got.out.c_str(), got.err.c_str());
        std::abort();
    }
    return 0;
}
