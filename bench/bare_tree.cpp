// What placing entries one at a time costs on this machine, whatever else is done: random
// doubles put one by one into a bare B+-tree (sorted keys, 32 a leaf, 32 children an inner
// node, no summaries, counting instead of searching by halves), and into two such trees at once,
// as a list kept both in its own order and by value must be. For comparison only.
// Usage: bench_bare_tree N...; prints, for each N, the fastest of 3 rounds in ns an insert.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int width = 32;

// How many of the n keys at k are at most v.
int at_most(const double *k, int n, double v) {
    int c = 0;
    for (int i = 0; i < n; ++i) c += k[i] <= v;
    return c;
}

// Puts v into the n sorted values at k, which have room for it.
void put(double *k, int &n, double v) {
    int m = at_most(k, n, v);
    std::memmove(k + m + 1, k + m, (n - m) * sizeof *k);
    k[m] = v;
    ++n;
}

class bare_tree {
  public:
    explicit bare_tree(std::size_t n) {
        leaves_.reserve(n / (width / 2) + 2);
        inners_.reserve(n / (width * width / 8) + 16);
        leaves_.push_back({});
    }

    void insert(double v) {
        split s = insert(root_, height_, v);
        if (!s.node) return;
        inners_.push_back({});
        inner &top = inners_.back();
        top.n = 2;
        top.child[0] = root_, top.child[1] = s.node;
        top.first[1] = s.first;
        root_ = static_cast<int>(inners_.size() - 1);
        ++height_;
    }

  private:
    struct leaf {
        int n = 0;
        double key[width];
    };
    struct inner {
        int n = 0;
        double first[width]; // the least key below each child but the first
        int child[width];
    };
    struct split {
        int node; // the new right half, or 0
        double first;
    };
    std::vector<leaf> leaves_;
    std::vector<inner> inners_;
    int root_ = 0, height_ = 0;

    split insert(int r, int h, double v) {
        if (h == 0) {
            if (leaves_[r].n < width) {
                put(leaves_[r].key, leaves_[r].n, v);
                return {0, 0};
            }
            leaves_.push_back({});
            leaf &a = leaves_[r], &b = leaves_.back();
            b.n = width / 2, a.n = width - b.n;
            std::memcpy(b.key, a.key + a.n, b.n * sizeof *b.key);
            if (v < b.key[0])
                put(a.key, a.n, v);
            else
                put(b.key, b.n, v);
            return {static_cast<int>(leaves_.size() - 1), b.key[0]};
        }
        int c = at_most(inners_[r].first + 1, inners_[r].n - 1, v);
        split s = insert(inners_[r].child[c], h - 1, v);
        if (!s.node) return s;
        // The new child goes at c + 1; a full node first gives its upper half to a new one.
        split up{0, 0};
        int into = r;
        if (inners_[r].n == width) {
            inners_.push_back({});
            inner &a = inners_[r], &b = inners_.back();
            b.n = width / 2, a.n = width - b.n;
            std::copy_n(a.first + a.n, b.n, b.first);
            std::copy_n(a.child + a.n, b.n, b.child);
            up = {static_cast<int>(inners_.size() - 1), b.first[0]};
            if (c >= a.n) into = up.node, c -= a.n;
        }
        inner &x = inners_[into];
        std::copy_backward(x.first + c + 1, x.first + x.n, x.first + x.n + 1);
        std::copy_backward(x.child + c + 1, x.child + x.n, x.child + x.n + 1);
        x.first[c + 1] = s.first, x.child[c + 1] = s.node;
        ++x.n;
        return up;
    }
};

double fastest_ns(std::size_t n, int trees) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> uniform(0, 1e7);
    std::vector<double> a(n), b(n);
    for (std::size_t i = 0; i < n; ++i) a[i] = uniform(rng), b[i] = uniform(rng);
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        bare_tree one(n), two(n);
        auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < n; ++i) {
            one.insert(a[i]);
            if (trees == 2) two.insert(b[i]);
        }
        std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / static_cast<double>(n));
    }
    return best;
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        std::size_t n = std::strtoull(argv[i], nullptr, 10);
        if (n == 0) return 2;
        std::printf("%9zu random doubles: one tree %4.0f ns an insert, two trees %4.0f\n", n,
                    fastest_ns(n, 1), fastest_ns(n, 2));
    }
    return 0;
}
