#include "front_scan.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

std::size_t front_scan(const std::vector<double> &fp, const std::vector<double> &fn,
                       std::vector<std::size_t> &front) {
    std::vector<std::size_t> order(fp.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable, so that the output never depends on how the sort treats equal candidates.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (fp[a] < fp[b]) return true;
        if (fp[b] < fp[a]) return false;
        return fn[a] < fn[b];
    });

    // Written as sqrt(FP*FP + FN*FN), not hypot: the two round differently, and exact ties
    // between distances decide best.
    auto distance = [&](std::size_t c) { return std::sqrt(fp[c] * fp[c] + fn[c] * fn[c]); };
    front.clear();
    double level = 1;
    std::size_t best = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        std::size_t c = order[k];
        if (k > 0 && fp[c] == fp[order[k - 1]]) continue;
        if (!(fn[c] < level)) continue;
        front.push_back(c);
        level = fn[c];
        if (distance(c) < distance(best)) best = c;
    }
    return best;
}
