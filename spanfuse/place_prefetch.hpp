// Speed only: brings into the cache, a few adds ahead, the nodes on the way to where an
// interval ending at hi goes in, which is where most adds do their work on a list whose order
// follows its bounds. Each call starts the way for one interval and takes the way started by
// the call before one level further: the nodes high in the tree are in the cache already, the
// node above the leaves is asked for first, and the leaf once that node has come in, so that
// no load waits on another. The tree may change meanwhile; then what comes in is of no use,
// and does no harm: a way only follows links that lead into the pools.
#pragma once

#include <cstdint>

template <class Shape> class place_prefetch {
    using ref = typename Shape::ref;

  public:
    // How many adds ahead of the one it is for a way is started.
    static constexpr unsigned ahead = 3;

    // Starts the way for an interval ending at hi, and takes the last one to its leaf.
    void step(const Shape &t, double hi) {
        if (pending_.node && pending_.node < t.inner_count()) {
            const auto &x = t.inner(pending_.node);
            std::uint32_t c = child(x, pending_.hi);
            line(&x.col.s[c]);
            line(reinterpret_cast<const char *>(&x.col.s[c]) + 64);
            if (c + 1 < x.n) line(&x.col.s[c + 1].first_start);
            ref r = x.child[c];
            if (r < t.leaf_count()) {
                // The header and both bounds, not the ids.
                const auto &l = t.leaf(r);
                const char *bytes = reinterpret_cast<const char *>(&l);
                const char *end = reinterpret_cast<const char *>(&l.id[0]);
                for (; bytes < end; bytes += 64) line(bytes);
            }
        }
        pending_.node = 0;
        if (t.height() == 0) return;
        ref r = t.root();
        for (unsigned h = t.height(); h > 1; --h) r = t.inner(r).child[child(t.inner(r), hi)];
        const auto &x = t.inner(r);
        for (std::size_t i = 0; i < sizeof x.n + sizeof x.parent + sizeof x.child; i += 64)
            line(reinterpret_cast<const char *>(&x) + i);
        const char *run = reinterpret_cast<const char *>(x.col.run.top_to);
        for (std::size_t i = 0; i < sizeof x.col.run.top_to; i += 64) line(run + i);
        pending_ = {r, hi};
    }

  private:
    struct way {
        ref node; // the node above the leaves, once asked for
        double hi;
    };
    way pending_{0, 0};

    static void line(const void *p) { __builtin_prefetch(p); }
    // The first child whose bounds reach hi: where the place is on a list in order.
    template <class Inner> static std::uint32_t child(const Inner &x, double hi) {
        std::uint32_t n = x.n < 1 ? 1 : x.n, c = x.col.run.from(n, hi);
        return c < n ? c : n - 1;
    }
};
