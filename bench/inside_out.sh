#!/bin/bash
# The merge of lists inside out throughout: spanfuse with it and without it
# (spanfuse_without_inside_out), against the well-formed run of the commit before it (8cbcd96,
# built hardened), whole process, paired runs taking turns, medians.
# Usage: bash bench/inside_out.sh BINDIR [BASEBINDIR]
#   BINDIR      the bench build's bin folder (spanfuse, spanfuse_without_inside_out,
#               spanfuse_literal)
#   BASEBINDIR  8cbcd96's bin folder; built with bench/build_at.sh when not given
# ROUNDS sets the rounds a figure at 10^6 (default 7); at 10^7 there are 3. Peak memory needs
# /usr/bin/time (sh scripts/deps time).
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
[ $# -ge 1 ] || { echo "usage: bash bench/inside_out.sh BINDIR [BASEBINDIR]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bench_setup "$1"
if [ $# -ge 2 ]; then
    base=$(cd "$2" && pwd)
else
    echo "building 8cbcd96 for the baseline..."
    base=$(sh "$here/build_at.sh" 8cbcd96 "$work/base")
fi
for prog in "$bin/spanfuse" "$bin/spanfuse_without_inside_out" "$bin/spanfuse_literal" \
    "$base/spanfuse"; do
    [ -x "$prog" ] || { echo "inside_out.sh: $prog is missing" >&2; exit 1; }
done

# turns R NAME:PROG:INPUT:FACTOR...: R rounds of every run in turn, the order rotating each
# round; sets med[NAME] (microseconds) and, against the first run, rel[NAME]: the median over
# the rounds of NAME's time over the first run's in the same round.
declare -A med rel
turns() {
    local r=$1 i k name prog input f t
    shift
    local runs=("$@") first=${1%%:*}
    for run in "${runs[@]}"; do : >"$work/t.${run%%:*}" && : >"$work/r.${run%%:*}"; done
    for ((i = 0; i < r; i++)); do
        declare -A took=()
        for ((k = 0; k < ${#runs[@]}; k++)); do
            IFS=: read -r name prog input f <<<"${runs[(i + k) % ${#runs[@]}]}"
            t=$(run_us "$prog" "$input" f "$f")
            took[$name]=$t
            echo "$t" >>"$work/t.$name"
        done
        for name in "${!took[@]}"; do
            awk -v a="${took[$first]}" -v b="${took[$name]}" 'BEGIN { print b / a }' >>"$work/r.$name"
        done
    done
    for run in "${runs[@]}"; do
        med[${run%%:*}]=$(median <"$work/t.${run%%:*}")
        rel[${run%%:*}]=$(median <"$work/r.${run%%:*}")
    done
}
x() { awk -v r="$1" 'BEGIN { printf "%5.2fx", r }'; }
kb() { if [ -x /usr/bin/time ]; then peak "$@"; else echo 0; fi; }
same() { cmp -s <("$1" f "$3" <"$2") <("$4" f "$3" <"$2") && echo same || echo DIFFERENT; }

echo "== inside out throughout at 10^6 records, factor -1, whole process, medians of $rounds rounds"
echo "   taking turns; x: the median over the rounds of the time over the well-formed run of"
echo "   8cbcd96 (disjoint records, factor 1) in the same round, target at most 2x. The tree today"
echo "   is spanfuse_without_inside_out (and 8cbcd96 itself)."
well=$(input disjoint 1000000)
printf '%-14s %9s %9s %6s %9s %6s %9s %6s %8s %8s %s\n' family well with x without x \
    base x "MB with" without output
for shape in dense wide varwide fallingspread powers tightclusters descending densenan \
    crowdednan; do
    in=$(input "$shape" 1000000)
    turns "$rounds" "well:$base/spanfuse:$well:1" "with:$bin/spanfuse:$in:-1" \
        "without:$bin/spanfuse_without_inside_out:$in:-1" "base:$base/spanfuse:$in:-1"
    m1=$(kb "$bin/spanfuse" f -1 <"$in")
    m2=$(kb "$bin/spanfuse_without_inside_out" f -1 <"$in")
    printf '%-14s %9s %9s %6s %9s %6s %9s %6s %8.1f %8.1f %s\n' "$shape" \
        "$(ms "${med[well]}")" "$(ms "${med[with]}")" "$(x "${rel[with]}")" \
        "$(ms "${med[without]}")" "$(x "${rel[without]}")" \
        "$(ms "${med[base]}")" "$(x "${rel[base]}")" \
        "$(awk -v k="$m1" 'BEGIN { print k / 1024 }')" \
        "$(awk -v k="$m2" 'BEGIN { print k / 1024 }')" \
        "$(same "$bin/spanfuse" "$in" -1 "$base/spanfuse")"
done

echo
echo "== lists that stay short or stop growing, 10^6 records, factor -1: the path's time over the"
echo "   literal passes' (spanfuse_literal; at most 1.5x) and over the tree's (8cbcd96; at most 1x)"
printf '%-14s %9s %9s %6s %9s %6s %s\n' shape with literal x tree x output
for shape in identical fewkeys cycled; do
    in=$(input "$shape" 1000000)
    turns "$rounds" "with:$bin/spanfuse:$in:-1" "literal:$bin/spanfuse_literal:$in:-1" \
        "base:$base/spanfuse:$in:-1"
    printf '%-14s %9s %9s %6s %9s %6s %s\n' "$shape" "$(ms "${med[with]}")" \
        "$(ms "${med[literal]}")" "$(x "$(awk -v r="${rel[literal]}" 'BEGIN { print 1 / r }')")" \
        "$(ms "${med[base]}")" "$(x "$(awk -v r="${rel[base]}" 'BEGIN { print 1 / r }')")" \
        "$(same "$bin/spanfuse" "$in" -1 "$bin/spanfuse_literal")"
done

echo
echo "== 10^7 disjoint records, factor -1 (every interval inside out), whole process, medians"
echo "   of 3 rounds taking turns, over the well-formed run of 8cbcd96 (aim 3x); peak memory in"
echo "   bytes a record (at most 32)"
gen disjoint 10000000 7 >"$work/big"
turns 3 "well:$base/spanfuse:$work/big:1" "with:$bin/spanfuse:$work/big:-1" \
    "without:$bin/spanfuse_without_inside_out:$work/big:-1" "base:$base/spanfuse:$work/big:-1"
for run in well with without base; do
    case $run in # well and base are 8cbcd96's
    well) prog=$base/spanfuse f=1 ;;
    with) prog=$bin/spanfuse f=-1 ;;
    without) prog=$bin/spanfuse_without_inside_out f=-1 ;;
    base) prog=$base/spanfuse f=-1 ;;
    esac
    k=$(kb "$prog" f "$f" <"$work/big")
    printf '%-8s %-34s %10s %6s   peak %7.1f MB, %5.1f bytes a record\n' "$run" \
        "$(basename "$prog") f $f" "$(ms "${med[$run]}")" "$(x "${rel[$run]}")" \
        "$(awk -v k="$k" 'BEGIN { print k / 1024 }')" "$(awk -v k="$k" 'BEGIN { print k * 1024 / 1e7 }')"
done
echo "output with and without the path: $(same "$bin/spanfuse" "$work/big" -1 "$bin/spanfuse_without_inside_out")"
