// The units of spanfuse's work budget, measured on this machine: what a step of the literal
// passes costs, what the tree costs an add and a node entered, what moving an entry into or out
// of the tree costs, and what merging an interval by sorting costs, each in nanoseconds and in
// steps, beside the figures work_budget.hpp charges. The charged figures must be at least the
// measured ones, or the budget's bound does not hold.
// Usage: bench_budget
#include "interval_list.hpp"
#include "interval_tree.hpp"
#include "work_budget.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double ns_since(clock_type::time_point t0) {
    return std::chrono::duration<double, std::nano>(clock_type::now() - t0).count();
}

// The literal passes on a list of size entries, each add held by the first entry, so that
// little but the bridging pass's test of every link is done: nanoseconds a step.
double literal_step(std::size_t size) {
    interval_list list = interval_list_create(size + 1);
    for (std::size_t i = 0; i < size; ++i)
        interval_list_add(list, 10.0 * static_cast<double>(i), 10.0 * static_cast<double>(i) + 1);
    const std::size_t adds = (std::size_t{1} << 27) / size;
    auto t0 = clock_type::now();
    for (std::size_t k = 0; k < adds; ++k)
        interval_list_add(list, 0.25, 0.5 + static_cast<double>(k & 1) * 0.25);
    return ns_since(t0) / static_cast<double>(adds) / static_cast<double>(size + 1);
}

// Intervals of one shape: a first run that becomes the list, then the adds timed.
struct shape_run {
    const char *name;
    std::vector<interval_bounds> first, adds;
};

std::vector<shape_run> shapes() {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<shape_run> v;
    auto make = [&](const char *name, std::size_t n, auto interval) {
        shape_run s{name, {}, {}};
        for (std::size_t i = 0; i < n; ++i) s.adds.push_back(interval(i, n));
        v.push_back(std::move(s));
    };
    // Few entries, each add held at once: the fixed cost of an add.
    make("small, held", 200000, [&](std::size_t i, std::size_t) {
        double c = static_cast<double>(i % 100) * 10;
        return i < 100 ? interval_bounds{c, c + 5} : interval_bounds{c + 1, c + 2};
    });
    // Disjoint entries in order, one in a hundred inside out.
    make("in order", 400000, [&](std::size_t i, std::size_t) {
        double c = u(rng) * 1e7, w = u(rng) * 5;
        return i % 100 == 50 ? interval_bounds{c + w, c - w} : interval_bounds{c - w, c + w};
    });
    // Inside out every other one, and inside out and wide: orders the bounds do not follow.
    make("alternating", 300000, [&](std::size_t i, std::size_t) {
        double c = u(rng) * 1e7, w = u(rng) * 50;
        return i % 2 ? interval_bounds{c + w, c - w} : interval_bounds{c - w, c + w};
    });
    make("dense inside out", 100000, [&](std::size_t, std::size_t) {
        double c = u(rng) * 1e5;
        return interval_bounds{c + 50, c - 50};
    });
    // Half inside out, then narrow ones that change many entries each.
    make("block, then narrow", 60000, [&](std::size_t i, std::size_t n) {
        double c = u(rng) * 1e4, w = i < n / 2 ? -u(rng) * 100 : u(rng) * 2;
        return interval_bounds{c - w, c + w};
    });
    // Runs of disjoint ones, each folded at once into the entry before it.
    make("grown, then folded", 200000, [&](std::size_t i, std::size_t) {
        double base = static_cast<double>(i / 4000) * 1e6;
        if (i % 4000 == 3999) return interval_bounds{base - 1, base + 1e6 + 1};
        double c = base + u(rng) * 1e6;
        return interval_bounds{c - 0.05, c + 0.05};
    });
    return v;
}

} // namespace

int main() {
    std::printf("literal passes, ns a step:");
    double step = 0;
    for (std::size_t size : {256, 4096, 65536}) {
        double s = literal_step(size);
        step = step == 0 ? s : std::min(step, s);
        std::printf("  %zu entries %.2f", size, s);
    }
    std::printf("   (a unit: %.2f ns)\n\n", step);

    // Each shape in the tree alone: nanoseconds an add against nodes an add.
    std::printf("%-20s %10s %10s %10s %12s\n", "tree, shape", "adds", "nodes/add", "ns/add",
                "charged ns");
    const budget_costs charged;
    double worst = 0;
    for (const shape_run &s : shapes()) {
        interval_tree<> tree(s.adds.size());
        tree.build(nullptr, 0);
        std::size_t nodes = 0;
        auto t0 = clock_type::now();
        for (const interval_bounds &iv : s.adds) nodes += tree.add(iv.lo, iv.hi).work;
        const double ns = ns_since(t0) / static_cast<double>(s.adds.size());
        const double per = static_cast<double>(nodes) / static_cast<double>(s.adds.size());
        const double charge = (charged.per_add + charged.per_node * per) * step;
        worst = std::max(worst, ns / charge);
        std::printf("%-20s %10zu %10.1f %10.1f %12.1f\n", s.name, s.adds.size(), per, ns, charge);
    }
    std::printf("greatest share of the charge spent: %.2f (must stay below 1)\n\n", worst);

    // Moving a list into the tree and out of it, and merging intervals by sorting.
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> u(0, 1);
    const std::size_t n = 1000000;
    std::vector<interval_bounds> iv(n);
    for (std::size_t i = 0; i < n; ++i) {
        double c = u(rng) * 1e7, w = u(rng) * 5;
        iv[i] = {c - w, c + w};
    }
    std::vector<interval_bounds> work = iv;
    auto t0 = clock_type::now();
    std::size_t count = interval_list_sweep(work.data(), n);
    const double sorted = ns_since(t0) / static_cast<double>(n);
    interval_tree<> tree(n);
    t0 = clock_type::now();
    tree.build(work.data(), count);
    tree.copy_to(work.data());
    const double moved = ns_since(t0) / static_cast<double>(count) / 2;
    std::printf("an entry moved into or out of the tree: %.1f ns, %.1f units (charged %.0f)\n",
                moved, moved / step, charged.per_entry_moved);
    std::printf("an interval merged by sorting: %.1f ns, %.1f units (charged %.0f)\n", sorted,
                sorted / step, charged.per_sorted);
    return 0;
}
