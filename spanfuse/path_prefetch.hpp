// Speed only: brings into the cache, a few adds ahead, the nodes on the way to where an add
// will look for a value, in a tree whose leaves are too many to stay in the cache. Each call
// starts the way for one value and takes the way started by the call before to its leaf: the
// nodes high in the tree are in the cache already, so the node above the leaves is asked for
// first, and the leaf once that node has come in, so that no load waits on another. The tree
// may change meanwhile; then what comes in is of no use, and does no harm: a way only follows
// links that lead into the pools.
#pragma once

#include <cstdint>

template <class Shape> class path_prefetch {
    using ref = typename Shape::ref;

  public:
    // choose(x, v): the child of inner node x on the way to v; reads(x, c): what of x a walk
    // reads, before choosing (c is x.n) and once it has chose child c, as a list of pointers
    // and sizes.
    template <class Choose, class Reads>
    void step(const Shape &t, double v, Choose choose, Reads reads) {
        if (pending_.node && pending_.node < t.inner_count()) {
            const auto &x = t.inner(pending_.node);
            if (x.n > 0 && x.n <= sizeof x.child / sizeof x.child[0]) {
                std::uint32_t c = choose(x, pending_.v);
                for (auto [at, size] : reads(x, c)) lines(at, static_cast<const char *>(at) + size);
                ref r = x.child[c];
                if (r < t.leaf_count()) lines(&t.leaf(r), &t.leaf(r) + 1);
            }
        }
        pending_.node = 0;
        if (t.height() == 0) return;
        ref r = t.root();
        for (unsigned h = t.height(); h > 1; --h) r = t.inner(r).child[choose(t.inner(r), v)];
        const auto &x = t.inner(r);
        lines(&x, &x.child[sizeof x.child / sizeof x.child[0]]);
        for (auto [at, size] : reads(x, x.n)) lines(at, static_cast<const char *>(at) + size);
        pending_ = {r, v};
    }

  private:
    struct way {
        ref node; // the node above the leaves, once asked for
        double v;
    };
    way pending_{0, 0};

    static void lines(const void *from, const void *to) {
        for (auto p = static_cast<const char *>(from); p < to; p += 64) __builtin_prefetch(p);
    }
};
