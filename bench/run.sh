#!/bin/bash
# Runs every benchmark and prints its figures. Usage: bash bench/run.sh BINDIR [BASEDIR]
#
# BINDIR is the bin folder of an optimised build with the benchmark programs:
#   cmake --preset bench && cmake --build --preset bench && bash bench/run.sh build-bench/bin
# (bench_micro needs libbenchmark-dev and the peak memory /usr/bin/time: sh scripts/deps
# libbenchmark-dev time.) BASEDIR is the bin folder of the commit the figures are set against,
# 8cbcd96, as bench/build_at.sh builds it; without it, it is built here. Times are medians of
# paired runs, the two programs compared taking turns; ROUNDS sets how many (default 7).
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rounds=${ROUNDS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
. "$here/lib.sh"

for prog in spanfuse spanfuse_literal bench_sortsweep bench_parse bench_merge bench_bare_tree; do
    [ -x "$bin/$prog" ] || { echo "run.sh: $bin/$prog is missing (build the bench preset)" >&2; exit 1; }
done

echo "== inputs"
for shape in disjoint overlap; do
    for n in 10000 100000 1000000; do
        gen "$shape" "$n" 7 >"$work/$shape.$n"
        printf '%-9s %8d records %10d bytes\n' "$shape" "$n" "$(wc -c <"$work/$shape.$n")"
    done
done

echo
echo "== spanfuse against a plain sort-and-sweep (strtod, std::sort, printf), and the reading alone"
for shape in disjoint overlap; do
    for n in 100000 1000000; do
        in=$work/$shape.$n
        bytes=$(wc -c <"$in")
        paired "$rounds" "$in" "$bin/spanfuse" "$bin/bench_sortsweep" f 1
        printf '%-9s %8d  spanfuse   %s %s\n' "$shape" "$n" "$(ms "$med_a")" "$(rate "$bytes" "$n" "$med_a")"
        printf '%-9s %8d  sortsweep  %s %s   (%.2fx spanfuse)\n' "$shape" "$n" "$(ms "$med_b")" \
            "$(rate "$bytes" "$n" "$med_b")" "$ratio"
        paired "$rounds" "$in" "$bin/bench_parse" "$bin/spanfuse" f 1
        printf '%-9s %8d  parse only %s %s   (spanfuse %.2fx of it)\n' "$shape" "$n" \
            "$(ms "$med_a")" "$(rate "$bytes" "$n" "$med_a")" "$ratio"
    done
done

echo
echo "== the literal list (spanfuse_literal) against spanfuse, whole process"
for shape in disjoint overlap; do
    for n in 10000 100000; do
        in=$work/$shape.$n
        r=$rounds
        ((n < 100000 || r < 3)) || r=3 # the literal list takes seconds here
        paired "$r" "$in" "$bin/spanfuse" "$bin/spanfuse_literal" f 1
        printf '%-9s %8d  literal %s   spanfuse %s   literal/spanfuse %.2fx\n' "$shape" "$n" \
            "$(ms "$med_b")" "$(ms "$med_a")" "$ratio"
    done
done

echo
echo "== identical output: spanfuse against the literal list and the plain sort-and-sweep"
for shape in disjoint overlap; do
    for n in 10000 100000 1000000; do
        in=$work/$shape.$n
        "$bin/spanfuse" f 1 <"$in" >"$work/fast"
        "$bin/bench_sortsweep" f 1 <"$in" >"$work/plain"
        cmp -s "$work/fast" "$work/plain" && plain=same || plain=DIFFERENT
        literal="not run"
        if ((n <= 100000)); then
            "$bin/spanfuse_literal" f 1 <"$in" >"$work/literal"
            cmp -s "$work/fast" "$work/literal" && literal=same || literal=DIFFERENT
        fi
        printf '%-9s %8d  literal: %-9s  sort-and-sweep: %s\n' "$shape" "$n" "$literal" "$plain"
    done
done

echo
echo "== what placing entries one at a time costs here, whatever else is done: random doubles put"
echo "   one by one into bare B+-trees (bench_bare_tree); a list whose order does not follow its"
echo "   bounds is kept in two orders, its own and by value"
"$bin/bench_bare_tree" 1000000 10000000

echo
echo "== start-up: a trivial run against /bin/true (200 runs a round, medians of $rounds rounds)"
printf '0 0\n' >"$work/empty"
# loop_us N PROG ARGS...: mean wall time of N runs, in microseconds.
loop_us() {
    local n=$1 start end i
    shift
    start=${EPOCHREALTIME/./}
    for ((i = 0; i < n; i++)); do "$@" <"$work/empty" >/dev/null 2>&1 || true; done
    end=${EPOCHREALTIME/./}
    echo $(((end - start) / n))
}
for prog in spanfuse passchain byteslice frontpick; do
    [ -x "$bin/$prog" ] || continue
    # spanfuse reads the empty input; the others stop at their usage message.
    args=()
    [ "$prog" = spanfuse ] && args=(f 1)
    : >"$work/t" && : >"$work/p" && : >"$work/r"
    for ((r = 0; r < rounds; r++)); do
        tt=$(loop_us 200 /bin/true)
        tp=$(loop_us 200 "$bin/$prog" "${args[@]}")
        echo "$tt" >>"$work/t"
        echo "$tp" >>"$work/p"
        awk -v a="$tt" -v b="$tp" 'BEGIN { print b / a }' >>"$work/r"
    done
    printf '%-10s %6.0f us a run   /bin/true %6.0f us   ratio %.2f\n' "$prog" "$(median <"$work/p")" \
        "$(median <"$work/t")" "$(median <"$work/r")"
done

base=${2:-${MAIN_PATH_BASE:-}}
[ -n "$base" ] || base=$(sh "$here/build_at.sh" 8cbcd96 "$work/base")
echo && bash "$here/main_path.sh" "$bin" "$base"
echo && bash "$here/inside_out.sh" "$bin" "$base"
echo && bash "$here/tree.sh" "$bin" "$base"
echo && echo "== the work budget's units, measured here (bench_budget)" && "$bin/bench_budget"

if [ -f "$here/byteslice.sh" ]; then
    echo
    sh "$here/byteslice.sh" "$bin"
fi
