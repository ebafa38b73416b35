// The list's entries kept by value as well, for lists whose order does not follow their bounds:
// by start, with their end, which tells at once whether an entry holds an interval (test a) and
// which starts test b reaches; once an interval that is not inside out asks, by end, which tells
// which ends test c reaches; and its links by the end they leave from, with the least next
// start below each child, which tells which links fold. It finds the few entries an add
// changes without a walk in list order, and makes the changes one at a time. The entries carry
// ids while it is kept, so that each can be found in the list; a link goes by the id of the
// entry it leaves.
#pragma once

#include "list_rules.hpp"
#include "list_walks.hpp"
#include "reals.hpp"
#include "tree_nodes.hpp"
#include "tree_shape.hpp"
#include "value_index.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

template <class Shape> class list_index {
    using ref = typename Shape::ref;

  public:
    using place = typename value_index<>::place;

    void reserve(std::size_t most) {
        starts_.reserve(most);
        ends_.reserve(most);
        links_.reserve(most);
    }

    // From the list, which has nothing pending; the entries get the ids 0, 1, ... Returns how
    // many.
    std::uint32_t build(Shape &t) {
        std::uint32_t ids = t.track(true);
        std::vector<tree_entry> by_start, links;
        each(t, [&](const auto &l, std::uint32_t i, std::uint32_t id) {
            if (reals::number(l.a[i])) by_start.push_back({l.a[i], l.b[i], id});
        });
        starts_.build(by_start);
        all_links(t, links);
        links_.build(links);
        has_ends_ = false;
        return ids;
    }

    // The places of the entries whose link to the next one folds into [lo, hi], in order.
    void folds(const Shape &t, const add_rules &r, std::vector<std::uint32_t> &out) const {
        links_.each(r.folding_ends(), true, -r.hi, [&](std::uint32_t id) {
            out.push_back(place_of_id(t, id));
            return true;
        });
        std::sort(out.begin(), out.end());
    }

    // Test a over the whole list, and where an entry starting at lo goes in the index.
    bool holds(const add_rules &r, place &at) const {
        return starts_.most_before(r.holding_starts().to, r.hi, at);
    }
    void prefetch(double lo) { starts_.prefetch(lo); }

    // Entry e was put in the list; at is where it goes in the index, if known.
    void inserted(const Shape &t, const tree_entry &e, const place *at) {
        if (reals::number(e.a)) at ? starts_.insert(*at, e) : starts_.insert(e);
        if (has_ends_ && reals::number(e.b)) ends_.insert({e.b, reals::nan, e.id});
        // The link from the entry before it now leads to it, and one may lead on from it.
        auto [r, m] = t.locate(e.id);
        if (auto [p, k] = prev(t, r, m); p) {
            auto [n, j] = next(t, r, m);
            if (reals::number(t.leaf(p).b[k]) && n && reals::number(t.leaf(n).a[j]))
                links_.erase(t.ids(p)[k]);
            add_link(t, p, k);
        }
        add_link(t, r, m);
    }

    // The entry at place m of leaf r takes the end of the gone entries after it, which go.
    // Called before the list changes, then folded() after.
    void folding(const Shape &t, ref r, std::uint32_t m, std::uint32_t gone) {
        if (has_ends_ && reals::number(t.leaf(r).b[m])) ends_.erase(t.ids(r)[m]);
        drop_link(t, r, m);
        for (std::uint32_t i = 0; i < gone; ++i) {
            std::tie(r, m) = next(t, r, m);
            if (reals::number(t.leaf(r).a[m])) starts_.erase(t.ids(r)[m]);
            if (has_ends_ && reals::number(t.leaf(r).b[m])) ends_.erase(t.ids(r)[m]);
            drop_link(t, r, m);
        }
    }
    void folded(const Shape &t, std::uint32_t id) {
        auto [r, m] = t.locate(id);
        const double start = t.leaf(r).a[m], end = t.leaf(r).b[m];
        if (reals::number(start)) starts_.set(id, end);
        if (has_ends_ && reals::number(end)) ends_.insert({end, reals::nan, id});
        add_link(t, r, m);
    }

    // The overlap pass for lo < hi: the first entry that holds [lo, hi], and the entries before
    // it that tests b and c change. With more than most of any of them, nothing is done and
    // too_many comes back: then the tree's walk makes the pass.
    struct outcome {
        bool too_many = false, held = false, lowered = false, raised = false;
        std::size_t changes = 0; // entries looked at
    };
    outcome overlap(Shape &t, const add_rules &r, std::size_t most) {
        outcome o;
        auto into = [&](std::vector<std::uint32_t> &v) {
            v.clear();
            return [&](std::uint32_t id) {
                if (v.size() == most) return o.too_many = true, false;
                v.push_back(id);
                return true;
            };
        };
        if (!has_ends_) build_ends(t);
        // Most often nothing changes: then test a alone tells how the pass ends.
        if (!starts_.any_in(r.lowered_starts()) && !ends_.any_in(r.raised_ends())) {
            place unused;
            o.held = holds(r, unused);
            return o;
        }
        starts_.each(r.holding_starts(), true, r.hi, into(holders_));
        starts_.each(r.lowered_starts(), false, 0, into(lowered_));
        ends_.each(r.raised_ends(), false, 0, into(raised_));
        o.changes = holders_.size() + lowered_.size() + raised_.size();
        if (o.too_many) return o;
        std::uint32_t stop = UINT32_MAX;
        for (std::uint32_t id : holders_) stop = std::min(stop, place_of_id(t, id));
        for (std::uint32_t id : lowered_)
            if (place_of_id(t, id) < stop) change(t, id, r.lo, true), o.lowered = true;
        for (std::uint32_t id : raised_)
            if (place_of_id(t, id) < stop) change(t, id, r.hi, false), o.raised = true;
        o.held = !holders_.empty();
        return o;
    }

    // Fault "6" when the index does not hold the list's entries as they are.
    void check(const Shape &t, std::string &fault) const {
        starts_.check(fault);
        if (has_ends_) ends_.check(fault);
        std::vector<tree_entry> by_start, by_end, in_starts, in_ends;
        each(t, [&](const auto &l, std::uint32_t i, std::uint32_t id) {
            if (reals::number(l.a[i])) by_start.push_back({l.a[i], l.b[i], id});
            if (has_ends_ && reals::number(l.b[i])) by_end.push_back({l.b[i], reals::nan, id});
        });
        starts_.each_entry([&](const tree_entry &e) { in_starts.push_back(e); });
        if (has_ends_) ends_.each_entry([&](const tree_entry &e) { in_ends.push_back(e); });
        auto same = [](std::vector<tree_entry> &x, std::vector<tree_entry> &y) {
            auto by_id = [](const tree_entry &p, const tree_entry &q) { return p.id < q.id; };
            std::sort(x.begin(), x.end(), by_id);
            std::sort(y.begin(), y.end(), by_id);
            return std::equal(
                x.begin(), x.end(), y.begin(), y.end(), [](const auto &p, const auto &q) {
                    return p.id == q.id && reals::same_bits(p.a, q.a) && reals::same_bits(p.b, q.b);
                });
        };
        std::vector<tree_entry> links, in_links;
        all_links(t, links);
        links_.check(fault);
        links_.each_entry([&](const tree_entry &e) { in_links.push_back(e); });
        if (fault.empty() &&
            (!same(by_start, in_starts) || !same(by_end, in_ends) || !same(links, in_links)))
            fault = "6: the index does not hold the entries as they are";
    }

  private:
    value_index<> starts_, ends_, links_;
    bool has_ends_ = false;
    std::vector<std::uint32_t> holders_, lowered_, raised_;

    // f(l, i, id) for each entry of the list in order.
    template <class F> static void each(const Shape &t, F f) {
        t.each_entry([&](const auto &l, std::uint32_t i, ref r) { f(l, i, t.ids(r)[i]); });
    }

    void build_ends(const Shape &t) {
        std::vector<tree_entry> by_end;
        each(t, [&](const auto &l, std::uint32_t i, std::uint32_t id) {
            if (reals::number(l.b[i])) by_end.push_back({l.b[i], reals::nan, id});
        });
        ends_.build(by_end);
        has_ends_ = true;
    }

    // The entry with this id gets the start (or end) v, both numbers, as the old one was.
    void change(Shape &t, std::uint32_t id, double v, bool start) {
        auto [r, m] = t.locate(id);
        auto &l = t.leaf(r);
        if (start) {
            starts_.erase(id);
            starts_.insert({v, l.b[m], id});
            auto [p, k] = prev(t, r, m);
            if (p && reals::number(t.leaf(p).b[k])) links_.set(t.ids(p)[k], -v);
            l.a[m] = v;
        } else {
            if (reals::number(l.a[m])) starts_.set(id, v);
            ends_.erase(id);
            ends_.insert({v, reals::nan, id});
            drop_link(t, r, m);
            l.b[m] = v;
            add_link(t, r, m);
        }
        t.reorder(r);
        t.refresh(r, 0);
    }

    // The link from the entry at place m of leaf r to the next, if it is one: kept by the end
    // it leaves from, with the next start negated, so that the greatest value below a child
    // is the least next start.
    std::optional<tree_entry> link_from(const Shape &t, ref r, std::uint32_t m) const {
        auto [n, j] = next(t, r, m);
        if (!n || !reals::number(t.leaf(r).b[m]) || !reals::number(t.leaf(n).a[j])) return {};
        return tree_entry{t.leaf(r).b[m], -t.leaf(n).a[j], t.ids(r)[m]};
    }
    void add_link(const Shape &t, ref r, std::uint32_t m) {
        if (auto link = link_from(t, r, m)) links_.insert(*link);
    }
    void drop_link(const Shape &t, ref r, std::uint32_t m) {
        if (link_from(t, r, m)) links_.erase(t.ids(r)[m]);
    }
    void all_links(const Shape &t, std::vector<tree_entry> &out) const {
        for (ref r = t.first_leaf(); r; r = t.leaf(r).next)
            for (std::uint32_t i = 0; i < t.leaf(r).n; ++i)
                if (auto link = link_from(t, r, i)) out.push_back(*link);
    }

    static std::uint32_t place_of_id(const Shape &t, std::uint32_t id) {
        auto [r, m] = t.locate(id);
        return place_of(t, r, m);
    }
    // The entries after and before the one at place m of leaf r; a leaf of 0 where there is none.
    static std::pair<ref, std::uint32_t> next(const Shape &t, ref r, std::uint32_t m) {
        if (m + 1 < t.leaf(r).n) return {r, m + 1};
        return {t.leaf(r).next, 0};
    }
    static std::pair<ref, std::uint32_t> prev(const Shape &t, ref r, std::uint32_t m) {
        if (m > 0) return {r, m - 1};
        ref p = t.leaf(r).prev;
        return {p, p ? t.leaf(p).n - 1 : 0};
    }
};
