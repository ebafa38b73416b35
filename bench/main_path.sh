#!/bin/bash
# spanfuse on well-formed records, whole process, against the commit the speed work started
# from (8cbcd96), built hardened as the release build is: the time at 10^6 and 10^7 records and
# its ratio (target at most 0.6, aim 0.4), peak memory a record at 10^7 (at most 24 bytes), the
# shapes that must not get slower, where the time goes, and what each speed-only part gives.
# Usage: bash bench/main_path.sh BINDIR [BASEDIR]
#   BINDIR   bin folder of the bench preset build
#   BASEDIR  bin folder of the earlier build (sh bench/build_at.sh 8cbcd96 DIR prints it; run.sh
#            passes $MAIN_PATH_BASE); when not given, it is built into a scratch folder first,
#            which takes a few minutes
# Times are medians of paired runs, the two programs taking turns (ROUNDS, default 7; 3 at 10^7);
# a ratio is the median over the pairs of this build's time over the other's.
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rounds=${ROUNDS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
. "$here/lib.sh"
base_commit=8cbcd96

for prog in spanfuse bench_phases; do
    [ -x "$bin/$prog" ] || { echo "main_path.sh: $bin/$prog is missing (build the bench preset)" >&2; exit 1; }
done
if [ $# -ge 2 ]; then
    base=$(cd "$2" && pwd)
else
    echo "building $base_commit hardened (give its bin folder as a second argument to skip this)"
    base=$(sh "$here/build_at.sh" "$base_commit" "$work/base" | tail -n 1)
fi
[ -x "$base/spanfuse" ] || { echo "main_path.sh: $base/spanfuse is missing" >&2; exit 1; }

# Well-formed shapes beside gen's disjoint records, all with factor 1 and flags 0:
#   sorted:    centers 10 i, spreads 2, ascending
#   reverse:   the same descending
#   clustered: centers around 100 random points, spreads in [0, 50]
#   duplicate: 1000 distinct records, drawn at random
well_formed() {
    awk -v shape="$1" -v n="$2" 'BEGIN {
        srand(7)
        printf "%d\n", n
        for (j = 0; j < 1000; j++) at[j] = rand() * 1e7
        for (i = 0; i < n; i++) {
            if (shape == "sorted") printf "%d 2\n", 10 * i
            else if (shape == "reverse") printf "%d 2\n", 10 * (n - i)
            else if (shape == "clustered")
                printf "%.3f %.3f\n", at[int(rand() * 100)] + (rand() + rand() - 1) * 1000, rand() * 50
            else { j = int(rand() * 1000); printf "%.3f %d\n", at[j], j % 5 }
        }
        printf "%d\n", n
        for (i = 0; i < n; i++) print 0
    }'
}

# same A B INPUT: "same" when the two programs print the same line for INPUT, else DIFFERENT.
same() {
    "$1" f 1 <"$3" >"$work/out.a"
    "$2" f 1 <"$3" >"$work/out.b"
    cmp -s "$work/out.a" "$work/out.b" && echo same || echo DIFFERENT
}

echo "== spanfuse on well-formed records (gen disjoint), whole process, against $base_commit"
echo "   (noisy when others use the machine: the ratio of paired runs is the figure to read)"
for n in 1000000 10000000; do
    in=$(input disjoint "$n")
    r=$rounds
    ((n < 10000000 || r <= 3)) || r=3
    paired "$r" "$in" "$base/spanfuse" "$bin/spanfuse" f 1
    printf '%8d records  %s: %s   now: %s   ratio %.2f (target 0.6, aim 0.4)   output %s\n' "$n" \
        "$base_commit" "$(ms "$med_a")" "$(ms "$med_b")" "$ratio" "$(same "$base/spanfuse" "$bin/spanfuse" "$in")"
done

echo
echo "== peak memory at 10^7 well-formed records (maximum resident set; at most 24 bytes a record)"
if [ -x /usr/bin/time ]; then
    in=$(input disjoint 10000000)
    for prog in "$base/spanfuse" "$bin/spanfuse"; do
        kb=$(peak "$prog" f 1 <"$in")
        pipe_kb=$( { cat "$in" | /usr/bin/time -f %M "$prog" f 1 >/dev/null; } 2>&1)
        awk -v p="$([ "$prog" = "$bin/spanfuse" ] && echo now || echo "$base_commit")" -v kb="$kb" \
            -v pk="$pipe_kb" 'BEGIN { printf "%-8s from a file %6.1f MB, %4.1f bytes a record; from a pipe %6.1f MB, %4.1f bytes a record\n",
                p, kb / 1024, kb * 1024 / 1e7, pk / 1024, pk * 1024 / 1e7 }'
    done
else
    echo "not measured: /usr/bin/time is missing (sh scripts/deps time)"
fi

echo
echo "== shapes that must not get slower, 10^6 well-formed records, against $base_commit"
for shape in sorted reverse clustered duplicate; do
    in=$work/$shape.1000000
    well_formed "$shape" 1000000 >"$in"
    paired "$rounds" "$in" "$base/spanfuse" "$bin/spanfuse" f 1
    printf '%-10s %s: %s   now: %s   ratio %.2f (at most 1)   output %s\n' "$shape" "$base_commit" \
        "$(ms "$med_a")" "$(ms "$med_b")" "$ratio" "$(same "$base/spanfuse" "$bin/spanfuse" "$in")"
done

echo
echo "== where the time goes (bench_phases: fastest of 5 but the reading; sweeping is on intervals"
echo "   already in order, where its sort only finds them so)"
for n in 1000000 10000000; do
    printf '%8d records  %s\n' "$n" "$("$bin/bench_phases" 1 <"$(input disjoint "$n")")"
done

echo
echo "== each speed-only part switched off (spanfuse_without_<part>): its time over spanfuse's"
found=
for off in "$bin"/spanfuse_without_*; do
    [ -x "$off" ] || continue
    found=1
    part=${off##*/spanfuse_without_}
    for in in "$(input disjoint 1000000)" "$(input disjoint 10000000)" \
        "$work"/{sorted,reverse,clustered,duplicate}.1000000; do
        r=$rounds
        [ "${in##*.}" != 10000000 ] || ((r <= 3)) || r=3
        paired "$r" "$in" "$bin/spanfuse" "$off" f 1
        printf '%-12s %-20s on: %s   off: %s   off/on %.2f   output %s\n' "$part" "${in##*/}" \
            "$(ms "$med_a")" "$(ms "$med_b")" "$ratio" "$(same "$bin/spanfuse" "$off" "$in")"
    done
done
[ -n "$found" ] || echo "none built"
