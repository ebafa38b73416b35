#!/bin/bash
# The inputs that spanfuse merges one interval at a time, in its tree or on a flat array as the
# work budget says, timed against the commit at filing (8cbcd96), against the literal passes
# (spanfuse_literal), and with each speed-only part of the tree left out in turn.
# Usage: bash bench/tree.sh BINDIR [BASEDIR]
#   BINDIR   the bin folder of the bench preset
#   BASEDIR  the bin folder of 8cbcd96 built by bench/build_at.sh (built here when not given)
# Times are medians of paired runs (ROUNDS, default 5), whole process, output thrown away.
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
rounds=${ROUNDS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
. "$here/lib.sh"
if [ $# -ge 2 ]; then
    base=$(cd "$2" && pwd)
else
    base=$(sh "$here/build_at.sh" 8cbcd96 "$work/base")
fi

# The shapes that still go through the tree: lists inside out throughout have a merge of their
# own, well-formed ones the sort and sweep.
families="negspread nancenter negflags latefold nancomb comb alternating negblock infwide
    factorinf nanend10 nanend100 nanendmix phased seesaw"

# spread FILE: the least and greatest of the ratios in FILE.
spread() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.2f-%.2f", lo, hi }'; }

# pair N INPUT_A PROG_A ARGS_A INPUT_B PROG_B ARGS_B: N rounds of A and B taking turns; sets
# med_a, med_b (microseconds) and ratio (median of B/A) and leaves the ratios in $work/r.
pair() {
    local n=$1 ia=$2 pa=$3 fa=$4 ib=$5 pb=$6 fb=$7 r ta tb
    : >"$work/a" && : >"$work/b" && : >"$work/r"
    for ((r = 0; r < n; r++)); do
        if ((r % 2 == 0)); then
            ta=$(run_us "$pa" "$ia" f "$fa") && tb=$(run_us "$pb" "$ib" f "$fb")
        else
            tb=$(run_us "$pb" "$ib" f "$fb") && ta=$(run_us "$pa" "$ia" f "$fa")
        fi
        echo "$ta" >>"$work/a" && echo "$tb" >>"$work/b"
        awk -v a="$ta" -v b="$tb" 'BEGIN { print b / a }' >>"$work/r"
    done
    med_a=$(median <"$work/a") && med_b=$(median <"$work/b") && ratio=$(median <"$work/r")
}

echo "== 10^6 records: each shape against the well-formed run at filing, and against itself then"
well=$(input disjoint 1000000)
for shape in $families; do
    in=$(input "$shape" 1000000)
    f=$(factor "$shape")
    pair "$rounds" "$well" "$base/spanfuse" 1 "$in" "$bin/spanfuse" "$f"
    against_well=$ratio
    now=$med_b
    pair "$rounds" "$in" "$base/spanfuse" "$f" "$in" "$bin/spanfuse" "$f"
    printf '%-10s %s   %5.2fx well formed at filing   %5.2fx itself at filing (%s)\n' "$shape" \
        "$(ms "$now")" "$against_well" "$ratio" "$(spread "$work/r")"
done

echo
echo "== against the literal passes (spanfuse_literal), whole process: spanfuse, and the tree"
echo "   kept whatever it costs (spanfuse_tree_always); the bound is 1.5"
for n in 10000 100000; do
    for shape in $families; do
        in=$(input "$shape" "$n")
        f=$(factor "$shape")
        # Where the literal passes take seconds, one run of them is enough to compare with.
        r=$rounds
        (($(run_us "$bin/spanfuse_literal" "$in" f "$f") < 2000000)) || r=1
        pair "$r" "$in" "$bin/spanfuse_literal" "$f" "$in" "$bin/spanfuse" "$f"
        fast=$ratio fast_spread=$(spread "$work/r") literal=$med_a
        pair "$r" "$in" "$bin/spanfuse_literal" "$f" "$in" "$bin/spanfuse_tree_always" "$f"
        "$bin/spanfuse" f "$f" <"$in" >"$work/fast"
        "$bin/spanfuse_literal" f "$f" <"$in" >"$work/literal"
        cmp -s "$work/fast" "$work/literal" && same=same || same=DIFFERENT
        printf '%-10s %7d  literal %s   spanfuse %5.2fx (%s)   tree always %5.2fx   output %s\n' \
            "$shape" "$n" "$(ms "$literal")" "$fast" "$fast_spread" "$ratio" "$same"
    done
done

echo
echo "== speed-only parts: time and peak memory with the part left out, over spanfuse's, at"
echo "   10^6 (median of paired runs, and their spread); a part that gains less than 5% on every"
echo "   shape it exists for, and on memory, goes"
# part: the shapes it exists for
parts="running_bounds:negspread,nancenter,latefold,alternating
prefetch:negspread,nancenter,alternating
ordered_leaves:negspread,nancenter,sorted
above_all:sorted,negspread
fill_before:sorted,negspread
page_release:sorted,nancenter
direct_descent:negspread,nancenter
leaf_overlap:negspread,negflags
pending:latefold,nancomb,comb
index:alternating,negblock,nanend10,nanendmix"
for line in $parts; do
    part=${line%%:*}
    [ -x "$bin/spanfuse_without_$part" ] || continue
    for shape in ${line#*:}; do
        shape=${shape//,/ }
        for s in $shape; do
            in=$(input "$s" 1000000)
            f=$(factor "$s")
            pair "$rounds" "$in" "$bin/spanfuse" "$f" "$in" "$bin/spanfuse_without_$part" "$f"
            mem_with=$(peak "$bin/spanfuse" f "$f" <"$in")
            mem_without=$(peak "$bin/spanfuse_without_$part" f "$f" <"$in")
            printf '%-15s %-11s time %5.2fx (%s)   memory %5.2fx (%.1f MB without, %.1f with)\n' \
                "$part" "$s" "$ratio" "$(spread "$work/r")" \
                "$(awk -v a="$mem_with" -v b="$mem_without" 'BEGIN { print b / a }')" \
                "$(awk -v k="$mem_without" 'BEGIN { print k / 1024 }')" \
                "$(awk -v k="$mem_with" 'BEGIN { print k / 1024 }')"
        done
    done
done

echo
echo "== peak memory (maximum resident set)"
for shape in sorted $families; do
    in=$(input "$shape" 1000000)
    kb=$(peak "$bin/spanfuse" f "$(factor "$shape")" <"$in")
    printf '%-10s 10^6  %6.1f MB\n' "$shape" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')"
done
gen nancenter 10000000 7 >"$work/nancenter.10000000"
for prog in "$base/spanfuse" "$bin/spanfuse"; do
    kb=$(peak "$prog" f 1 <"$work/nancenter.10000000")
    t=$(run_us "$prog" "$work/nancenter.10000000" f 1)
    printf 'nancenter  10^7  %6.1f MB, %4.1f bytes a record, %s   (%s)\n' \
        "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')" "$(awk -v k="$kb" 'BEGIN { print k * 1024 / 1e7 }')" \
        "$(ms "$t")" "$([ "$prog" = "$bin/spanfuse" ] && echo now || echo at filing)"
done
