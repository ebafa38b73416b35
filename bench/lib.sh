# Shared by the benchmark scripts: sourced after setting bin (the programs), work (a scratch
# folder) and rounds (paired runs a figure), or before calling bench_setup, which sets them.
# Inputs, timing, medians and paired runs.
# gen SHAPE N SEED: spanfuse input of N records, flags 0 unless said; FACTOR SHAPE gives the
# factor each is run with.
#   disjoint:  centers uniform in [0, 10^7), spreads in [0, 5] (mostly disjoint intervals)
#   overlap:   centers uniform in [0, 10^5), spreads in [0, 50] (heavily overlapping)
# The disjoint records with one change each, so that the list leaves the sort-and-sweep:
#   nanfirst:  the first center is nan
#   negspread: one spread in 100 is negative (that interval is inside out)
#   nancenter: one center in 100 is nan
#   negflags:  one spread in 100 negative, flags drawn from -1, 0 and 1
#   factor-1:  the disjoint records with factor -1: every interval inside out
# Families whose list's order does not follow its bounds:
#   dense:     centers uniform in [0, 10^5), spread 50, factor -1
#   wide:      centers uniform in [0, 10^7), spread 1000, factor -1
#   varwide:   as wide, spreads uniform in [900, 1100]
#   densenan:  as dense, one center in ten nan
#   latefold:  [1, 10^7 - 1]; N/4 narrow [10^7 + j - 0.5, 10^7 + j - 0.25]; then alternately
#              [0, E] and [-N/4 - 1, E], E = -10^8 + i, each put first; then [-k, 10^7 + k],
#              k = 1 to N/4, each lowering the start of every [0, E] and then folding the first
#              interval with the next narrow one
#   nancomb:   N/2 entries alternately [0, nan] and [-inf, nan] (records "inf -inf" with flag -1,
#              "-inf inf" with flag 0), then [-k, 1], k = 1 to N/2, each lowering every start 0
#   comb:      N/2 records alternately (5 i, 1) and (nan, 1), then N/2 centred in the middle
#              whose spreads grow past the whole range, each widening every entry
# For peak memory: sorted (centers 10 i, spread 2, one spread in 100 negative) and grid (the
# same without negative spreads, factor -1), whose trees grow at their end only.
# Lists inside out throughout (factor -1), beside dense, wide, varwide and densenan:
#   fallingspread: centers uniform in [0, 10^3), spreads falling evenly from 10^3 to 0
#   powers:        centers 2^u, u uniform in [0, 20), spread 50
#   tightclusters: 100 points uniform in [0, 10^6); each center a point plus uniform [0, 1),
#                  spread 50
#   descending:    centers falling evenly from 10^7 to 0, spread 1
#   crowdednan:    centers uniform in [0, 10^3), spread 50, one center in ten nan
# and for the plain merge of short lists: identical (every record 5000000.5 3.25), fewkeys
# (records drawn from 8 fixed ones) and cycled (from 3000 fixed ones, about where the merge
# turns to ranking).
# For the work budget: phased (a list the tree does not suit, then one it suits) and seesaw
# (lists that grow until the tree pays, then fold into one entry at once).
# Others, not tuned for: clustered (centers around 100 points, spreads in [0, 50], factor -1),
# shrinking (spreads falling from 10^5 along the input, factor -1), alternating (inside out
# every other one), negblock (N/2 inside out up to 200 wide, then N/2 narrow ones).
# bench_setup BINDIR: bin (its full path), rounds (ROUNDS, or 7), work (a scratch folder,
# removed on exit) and the C locale.
bench_setup() {
    bin=$(cd "$1" && pwd)
    rounds=${ROUNDS:-7}
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    export LC_ALL=C
}

factor() {
    case $1 in
    factorinf) echo inf ;;
    factor-1 | dense | wide | varwide | densenan | clustered | shrinking | grid) echo -1 ;;
    fallingspread | powers | tightclusters | descending | crowdednan | identical | fewkeys | cycled)
        echo -1 ;;
    *) echo 1 ;;
    esac
}
gen() {
    awk -v shape="$1" -v n="$2" -v seed="$3" 'BEGIN {
        srand(seed)
        printf "%d\n", n
        half = int(n / 2); k4 = int(n / 4)
        if (shape == "comb") {
            for (i = 0; i < half; i++) if (i % 2) print "nan 1"; else printf "%d 1\n", 5 * i
            for (i = half; i < n; i++) printf "%d %d\n", 5 * half / 2, 5 * half + i
        } else if (shape == "sorted" || shape == "grid") {
            for (i = 0; i < n; i++) printf "%d %d\n", 10 * i, shape == "sorted" && i % 100 == 50 ? -2 : 2
        } else if (shape == "wide" || shape == "varwide") {
            for (i = 0; i < n; i++)
                printf "%.3f %.3f\n", rand() * 1e7, shape == "wide" ? 1000 : 900 + 200 * rand()
        } else if (shape == "dense" || shape == "densenan") {
            for (i = 0; i < n; i++)
                if (shape == "densenan" && rand() < 0.1) print "nan 50"
                else printf "%.3f 50\n", rand() * 1e5
        } else if (shape == "fallingspread") {
            for (i = 0; i < n; i++) printf "%.3f %.3f\n", rand() * 1e3, 1e3 * (1 - i / n)
        } else if (shape == "powers") {
            for (i = 0; i < n; i++) printf "%.3f 50\n", 2 ^ (rand() * 20)
        } else if (shape == "tightclusters") {
            for (j = 0; j < 100; j++) at[j] = rand() * 1e6
            for (i = 0; i < n; i++) printf "%.3f 50\n", at[int(rand() * 100)] + rand()
        } else if (shape == "descending") {
            for (i = 0; i < n; i++) printf "%.3f 1\n", 1e7 * (1 - i / n)
        } else if (shape == "crowdednan") {
            for (i = 0; i < n; i++)
                if (rand() < 0.1) print "nan 50"
                else printf "%.3f 50\n", rand() * 1e3
        } else if (shape == "identical") {
            for (i = 0; i < n; i++) print "5000000.5 3.25"
        } else if (shape == "fewkeys") {
            for (i = 0; i < n; i++) printf "%d.5 %d.25\n", 1000 * int(rand() * 8), 100 + int(rand() * 8)
        } else if (shape == "cycled") {
            for (i = 0; i < n; i++) printf "%d 1\n", 10 * int(rand() * 3000)
        } else if (shape == "latefold") {
            print "5000000 4999999"
            for (j = 1; j <= k4; j++) printf "%.3f 0.125\n", 1e7 + j - 0.375
            for (i = 0; i < n - 1 - 2 * k4; i++) {
                e = -1e8 + i
                if (i % 2) printf "%.1f %.1f\n", (-k4 - 1 + e) / 2, (e + k4 + 1) / 2
                else printf "%.1f %.1f\n", e / 2, e / 2
            }
            for (k = 1; k <= k4; k++) printf "5000000 %d\n", 5000000 + k
        } else if (shape == "nancomb") {
            for (i = 0; i < half; i++) print (i % 2 ? "-inf inf" : "inf -inf")
            for (k = 1; k <= n - half; k++) printf "%.1f %.1f\n", (1 - k) / 2, (1 + k) / 2
        } else if (shape == "clustered") {
            for (j = 0; j < 100; j++) at[j] = rand() * 1e7
            for (i = 0; i < n; i++)
                printf "%.3f %.3f\n", at[int(rand() * 100)] + (rand() + rand() - 1) * 1000, rand() * 50
        } else if (shape == "shrinking") {
            for (i = 0; i < n; i++) printf "%.3f %.3f\n", rand() * 1e6, 1e5 * (1 - i / n) + 1
        } else if (shape == "alternating") {
            for (i = 0; i < n; i++) printf "%.3f %.3f\n", rand() * 1e7, (i % 2 ? 1 : -1) * rand() * 50
        } else if (shape == "infwide") {
            for (i = 0; i < n; i++) print (i % 100 == 50 ? "nan 1" : "0 inf")
        } else if (shape == "factorinf") {
            for (i = 0; i < n; i++) printf "%.3f %.3f\n", rand() * 1e7, i % 100 == 50 ? 0 : rand() * 5 + 0.001
        } else if (shape ~ /^nanend/) {
            # every tenth (nanend10) or hundredth record ends in NaN: [-inf, nan] and [0, nan] by
            # turns; nanendmix puts [nan, 65535] and inside-out ones among them too
            every = shape == "nanend100" ? 100 : 10
            for (i = 0; i < n; i++) {
                if (i % every == every / 2) {
                    k = int(i / every) % (shape == "nanendmix" ? 4 : 2)
                    if (k == 0) print "-inf inf"
                    else if (k == 1) { print "inf -inf"; flag[i] = -1 }
                    else if (k == 2) { print "-inf -inf"; flag[i] = 1 }
                    else printf "%.3f %.3f\n", rand() * 1e5, -rand() * 50
                } else printf "%.3f %.3f\n", rand() * 1e5, rand() * 50
            }
        } else if (shape == "phased") {
            # a list of two entries, where the tree costs more than the literal passes, for a
            # tenth of the input; then disjoint records, where the tree pays again
            print "1 -1"
            for (i = 1; i < n; i++)
                if (i < n / 10) print "1.5 0.5"; else printf "%.3f %.3f\n", rand() * 1e7, rand() * 5
        } else if (shape == "seesaw") {
            # cycles of 4000 disjoint records in a range of their own, each closed by one that
            # folds all of them into the entry of the cycle before: the list grows to where the
            # tree pays, then one add costs the tree far more than it costs the literal passes
            print "1 -1"
            for (i = 1; i < n; i++) {
                t = int(i / 4000); base = t * 1e6
                if (i % 4000 == 3999) printf "%.1f %.1f\n", base + 5e5 - 0.5, 5e5 + 1.5
                else printf "%.3f 0.05\n", base + rand() * 1e6
            }
        } else if (shape == "negblock") {
            for (i = 0; i < n; i++)
                printf "%.3f %.3f\n", rand() * 1e6, i < half ? -rand() * 100 : rand() * 2
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
        for (i = 0; i < n; i++) {
            if (shape == "nancomb") print (i < half && i % 2 == 0 ? -1 : 0)
            else if (i in flag) print flag[i]
            else print (shape == "negflags" ? int(rand() * 3) - 1 : 0)
        }
    }'
}

# input SHAPE N: the file of that shape and size, made once (factor-1 is the disjoint one).
input() {
    local shape=$1
    [ "$shape" = factor-1 ] && shape=disjoint
    [ -f "$work/$shape.$2" ] || gen "$shape" "$2" 7 >"$work/$shape.$2"
    echo "$work/$shape.$2"
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

# peak PROG ARGS... < INPUT: maximum resident set of one run, in kilobytes.
peak() { { /usr/bin/time -f %M "$@" >/dev/null; } 2>&1; }
