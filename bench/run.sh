#!/bin/bash
# Runs every benchmark and prints its figures. Usage: bash bench/run.sh BINDIR
#
# BINDIR is the bin folder of an optimised build with the benchmark programs:
#   cmake --preset bench && cmake --build --preset bench && bash bench/run.sh build-bench/bin
# (bench_micro needs libbenchmark-dev and the peak memory /usr/bin/time: sh scripts/deps
# libbenchmark-dev time.) Times are medians of paired runs, the two programs compared taking
# turns; ROUNDS sets how many (default 7).
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

# gen SHAPE N SEED: spanfuse input of N records, all selected by "f 1", flags 0 unless said.
#   disjoint:  centers uniform in [0, 10^7), spreads in [0, 5] (mostly disjoint intervals)
#   overlap:   centers uniform in [0, 10^5), spreads in [0, 50] (heavily overlapping)
# The disjoint records with one change each, so that the list leaves the sort-and-sweep:
#   nanfirst:  the first center is nan
#   negspread: one spread in 100 is negative (that interval is inside out)
#   nancenter: one center in 100 is nan
#   negflags:  one spread in 100 negative, flags drawn from -1, 0 and 1
# (factor -1 on the disjoint records turns every interval inside out.) Two shapes that the
# list's summaries can do little for:
#   comb:  N/2 records alternately (5 i, 1) and (nan, 1), then N/2 centred in the middle
#          whose spreads grow past the whole range, each widening every entry
#   wide:  centers uniform in [0, 10^7), spread 1000, to be run with factor -1: inside-out
#          intervals much wider than the spacing of their centers
gen() {
    awk -v shape="$1" -v n="$2" -v seed="$3" 'BEGIN {
        srand(seed)
        printf "%d\n", n
        if (shape == "comb") {
            half = int(n / 2)
            for (i = 0; i < half; i++) if (i % 2) print "nan 1"; else printf "%d 1\n", 5 * i
            for (i = half; i < n; i++) printf "%d %d\n", 5 * half / 2, 5 * half + i
        } else if (shape == "wide") {
            for (i = 0; i < n; i++) printf "%.3f 1000\n", rand() * 1e7
        } else {
            width = shape == "overlap" ? 1e5 : 1e7
            spread = shape == "overlap" ? 50 : 5
            for (i = 0; i < n; i++) {
                c = rand() * width; s = rand() * spread
                if ((shape == "nanfirst" && i == 0) || (shape == "nancenter" && i % 100 == 50))
                    c = "nan"
                if ((shape == "negspread" || shape == "negflags") && i % 100 == 50) s = -s
                if (c == "nan") printf "nan %.3f\n", s; else printf "%.3f %.3f\n", c, s
            }
        }
        printf "%d\n", n
        for (i = 0; i < n; i++) print (shape == "negflags" ? int(rand() * 3) - 1 : 0)
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

echo
echo "== odd shapes: each beside the same records well formed (disjoint), whole process"
for n in 100000 1000000; do
    for shape in nanfirst negspread nancenter negflags factor-1; do
        args=(f 1)
        in=$work/$shape.$n
        if [ "$shape" = factor-1 ]; then
            args=(f -1)
            in=$work/disjoint.$n
        else
            [ -f "$in" ] || gen "$shape" "$n" 7 >"$in"
        fi
        # spanfuse with the well-formed records against spanfuse with the odd ones
        : >"$work/a" && : >"$work/b" && : >"$work/r"
        for ((r = 0; r < rounds; r++)); do
            if ((r % 2 == 0)); then
                ta=$(run_us "$bin/spanfuse" "$work/disjoint.$n" f 1)
                tb=$(run_us "$bin/spanfuse" "$in" "${args[@]}")
            else
                tb=$(run_us "$bin/spanfuse" "$in" "${args[@]}")
                ta=$(run_us "$bin/spanfuse" "$work/disjoint.$n" f 1)
            fi
            echo "$ta" >>"$work/a" && echo "$tb" >>"$work/b"
            awk -v a="$ta" -v b="$tb" 'BEGIN { print b / a }' >>"$work/r"
        done
        printf '%-9s %8d  %s   well formed %s   %.2fx\n' "$shape" "$n" \
            "$(ms "$(median <"$work/b")")" "$(ms "$(median <"$work/a")")" "$(median <"$work/r")"
    done
done

echo
echo "== hard shapes against the literal list, whole process (LONG=1 also runs the literal"
echo "   list at 10^6, which takes many minutes)"
for n in 100000 1000000; do
    for shape in comb wide; do
        in=$work/$shape.$n
        gen "$shape" "$n" 7 >"$in"
        args=(f 1)
        [ "$shape" = wide ] && args=(f -1)
        t=$(run_us "$bin/spanfuse" "$in" "${args[@]}")
        "$bin/spanfuse" "${args[@]}" <"$in" >"$work/fast"
        literal="not run" same=""
        if ((n <= 100000)) || [ -n "${LONG:-}" ]; then
            literal=$(ms "$(run_us "$bin/spanfuse_literal" "$in" "${args[@]}")")
            "$bin/spanfuse_literal" "${args[@]}" <"$in" >"$work/literal"
            cmp -s "$work/fast" "$work/literal" && same="  output same" || same="  output DIFFERENT"
        fi
        printf '%-5s %8d  spanfuse %s   literal %s%s\n' "$shape" "$n" "$(ms "$t")" "$literal" "$same"
    done
done

echo
echo "== peak memory (maximum resident set size), disjoint records"
if [ -x /usr/bin/time ]; then
    gen disjoint 10000000 7 >"$work/disjoint.10000000"
    for n in 1000000 10000000; do
        in=$work/disjoint.$n
        kb=$( { /usr/bin/time -f %M "$bin/spanfuse" f 1 <"$in" >/dev/null; } 2>&1)
        pipe_kb=$( { cat "$in" | /usr/bin/time -f %M "$bin/spanfuse" f 1 >/dev/null; } 2>&1)
        awk -v n="$n" -v kb="$kb" -v p="$pipe_kb" -v bytes="$(wc -c <"$in")" 'BEGIN {
            printf "%8d records (%d MB of text): %6.1f MB, %4.1f bytes a record; from a pipe %6.1f MB, %4.1f\n",
                n, bytes / 1e6, kb / 1024, kb * 1024 / n, p / 1024, p * 1024 / n }'
    done
    rm -f "$work/disjoint.10000000"
else
    echo "not measured: /usr/bin/time is missing (sh scripts/deps time)"
fi

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
