// libFuzzer target: frontpick's main, run in this process on arguments from the fuzzer, must
// give what the front's definition gives, worked out candidate by candidate: the same lines,
// or the same message and status; never a crash or a hang.
//
// Input: the arguments after argv[0], separated by NUL bytes.
#include "diag.hpp"
#include "run_main.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int frontpick_main(int argc, char **argv);

namespace {

// A candidate is on the front when no other one has a lower FP with an FN as low or lower,
// none with the same FP has a lower FN (or the same FN and comes earlier), and its FN is
// below 1. The front is printed by rising FP; best is the first candidate unless a front
// member, taken in that order, is strictly nearer to (0, 0).
outcome reference(const std::vector<std::string> &args) {
    const outcome usage = {1, "", "Usage: frontpick <label> ... <FP> ... <FN> ...\n"};
    const outcome invalid = {1, "", "Invalid FP or FN value.\n"};
    std::size_t count = args.size();
    if (count < 6 || count % 3 != 0) return usage;
    std::size_t n = count / 3;
    std::vector<double> fp(n), fn(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (int which = 0; which < 2; ++which) {
            const char *s = args[(1 + which) * n + i].c_str();
            char *stop;
            double v = std::strtod(s, &stop);
            if (stop == s || std::isnan(v) || v < 0 || (which == 1 && v > 1)) return invalid;
            (which == 0 ? fp : fn)[i] = v;
        }
    }

    std::vector<std::size_t> front;
    for (std::size_t c = 0; c < n; ++c) {
        bool on = fn[c] < 1;
        for (std::size_t d = 0; d < n && on; ++d) {
            if (fp[d] < fp[c] && fn[d] <= fn[c]) on = false;
            if (fp[d] == fp[c] && (fn[d] < fn[c] || (fn[d] == fn[c] && d < c))) on = false;
        }
        if (on) front.push_back(c);
    }
    // At most one member per FP, so sorting by FP alone orders them.
    for (std::size_t i = 1; i < front.size(); ++i)
        for (std::size_t j = i; j > 0 && fp[front[j]] < fp[front[j - 1]]; --j)
            std::swap(front[j], front[j - 1]);

    auto distance = [&](std::size_t c) { return std::sqrt(fp[c] * fp[c] + fn[c] * fn[c]); };
    std::size_t best = 0;
    outcome r;
    for (std::size_t c : front) {
        r.out += args[c] + "\n";
        if (distance(c) < distance(best)) best = c;
    }
    r.out += "best: " + args[best] + "\n";
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> args;
    if (size > 0) {
        std::string text(reinterpret_cast<const char *>(data), size);
        for (std::size_t start = 0;;) {
            std::size_t nul = text.find('\0', start);
            args.push_back(text.substr(start, nul - start));
            if (nul == std::string::npos) break;
            start = nul + 1;
        }
    }

    outcome want = reference(args);
    std::vector<std::string> argv = {"frontpick"};
    argv.insert(argv.end(), args.begin(), args.end());
    outcome got = run_main(frontpick_main, argv);
    if (got != want) {
        std::fprintf(stderr, "want %d\n%s%s\ngot %d\n%s%s\n", want.status, want.out.c_str(),
                     want.err.c_str(), got.status, got.out.c_str(), got.err.c_str());
        std::abort();
    }
    return 0;
}
