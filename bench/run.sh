#!/bin/bash
# Runs every benchmark and prints its figures. Usage: bash bench/run.sh BINDIR
#
# BINDIR is the bin folder of an optimised build with the benchmark programs:
#   cmake --preset bench && cmake --build --preset bench && bash bench/run.sh build-bench/bin
# (bench_micro needs libbenchmark-dev: sh scripts/deps libbenchmark-dev.) Times are medians
# of paired runs, the two programs compared taking turns; ROUNDS sets how many (default 7).
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rounds=${ROUNDS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

for prog in spanfuse spanfuse_literal bench_sortsweep bench_parse; do
    [ -x "$bin/$prog" ] || { echo "run.sh: $bin/$prog is missing (build the bench preset)" >&2; exit 1; }
done

# gen SHAPE N SEED: spanfuse input of N records, all selected by "f 1", flags 0.
#   disjoint: centers uniform in [0, 10^7), spreads in [0, 5] (mostly disjoint intervals)
#   overlap:  centers uniform in [0, 10^5), spreads in [0, 50] (heavily overlapping)
gen() {
    awk -v shape="$1" -v n="$2" -v seed="$3" 'BEGIN {
        srand(seed)
        width = shape == "disjoint" ? 1e7 : 1e5
        spread = shape == "disjoint" ? 5 : 50
        printf "%d\n", n
        for (i = 0; i < n; i++) printf "%.3f %.3f\n", rand() * width, rand() * spread
        printf "%d\n", n
        for (i = 0; i < n; i++) print 0
    }'
}

# run_us PROG INPUT ARGS...: wall time of one run in microseconds, output thrown away.
run_us() {
    local prog=$1 input=$2 start end
    shift 2
    start=${EPOCHREALTIME/./}
    "$prog" "$@" <"$input" >/dev/null
    end=${EPOCHREALTIME/./}
    echo $((end - start))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# paired N INPUT PROG_A PROG_B ARGS...: N rounds of A and B in turn (A first in odd rounds);
# sets med_a and med_b (microseconds) and ratio (median of B/A per round).
paired() {
    local n=$1 input=$2 a=$3 b=$4 r ta tb
    shift 4
    : >"$work/a" && : >"$work/b" && : >"$work/r"
    for ((r = 0; r < n; r++)); do
        if ((r % 2 == 0)); then
            ta=$(run_us "$a" "$input" "$@")
            tb=$(run_us "$b" "$input" "$@")
        else
            tb=$(run_us "$b" "$input" "$@")
            ta=$(run_us "$a" "$input" "$@")
        fi
        echo "$ta" >>"$work/a"
        echo "$tb" >>"$work/b"
        awk -v a="$ta" -v b="$tb" 'BEGIN { print b / a }' >>"$work/r"
    done
    med_a=$(median <"$work/a")
    med_b=$(median <"$work/b")
    ratio=$(median <"$work/r")
}

# rate BYTES RECORDS MICROSECONDS: "MB/s  records/s"
rate() { awk -v b="$1" -v n="$2" -v t="$3" 'BEGIN { printf "%8.1f MB/s %12.0f rec/s", b / t, n / t * 1e6 }'; }
ms() { awk -v t="$1" 'BEGIN { printf "%9.1f ms", t / 1000 }'; }

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

if [ -x "$bin/bench_micro" ]; then
    echo
    echo "== micro-benchmarks (the list alone, number reading, whole-number printing)"
    "$bin/bench_micro" --benchmark_format=csv 2>/dev/null >"$work/micro.csv"
    awk -F, 'NR > 1 {
        gsub(/"/, "", $1)
        sub(/\/iterations:[0-9]+$/, "", $1)
        t[$1] = $3
        extra = $6 != "" ? sprintf("%.1f MB/s", $6 / 1e6) : $7 != "" ? sprintf("%.2fM items/s", $7 / 1e6) : ""
        printf "%-26s %14.3f %s  %s\n", $1, $3, $5, extra
    } END {
        if (t["BM_ListLiteral/100000"] && t["BM_ListSweep/100000"])
            printf "the list alone on 10^5 mostly disjoint intervals: %.0fx faster than the literal passes\n",
                t["BM_ListLiteral/100000"] / t["BM_ListSweep/100000"]
    }' "$work/micro.csv"
fi

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

if [ -f "$here/byteslice.sh" ]; then
    echo
    sh "$here/byteslice.sh" "$bin"
fi
