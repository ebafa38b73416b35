// frontpick: print the trade-off front of candidates given as labels with FP and FN values,
// then the candidate nearest to (0, 0) among the first one given and the front.
#include "diag.hpp"
#include "front_scan.hpp"
#include "numread.hpp"
#include "output.hpp"

#include <cmath>
#include <vector>

int main(int argc, char **argv) {
    bk::diag_init("frontpick", 1);
    static const char usage[] = "Usage: frontpick <label> ... <FP> ... <FN> ...\n";
    // argc may be 0 when the program is started with an empty argument vector.
    if (argc < 7 || (argc - 1) % 3 != 0) bk::die(usage);
    std::size_t n = static_cast<std::size_t>(argc - 1) / 3;
    char **label = argv + 1;

    // NaN would pass every range test and is no ordering for the sort, so it is refused.
    static const char invalid[] = "Invalid FP or FN value.\n";
    std::vector<double> fp(n), fn(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!bk::parse_real(argv[1 + n + i], fp[i]) || std::isnan(fp[i]) || fp[i] < 0)
            bk::die(invalid);
        if (!bk::parse_real(argv[1 + 2 * n + i], fn[i]) || std::isnan(fn[i]) || fn[i] < 0 ||
            fn[i] > 1)
            bk::die(invalid);
    }

    std::vector<std::size_t> front;
    std::size_t best = front_scan(fp, fn, front);

    for (std::size_t c : front) {
        bk::out_write(label[c]);
        bk::out_char('\n');
    }
    bk::out_write("best: ");
    bk::out_write(label[best]);
    bk::out_char('\n');
    bk::out_flush();
    return 0;
}
