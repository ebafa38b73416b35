#!/bin/bash
# Reading numbers and printing whole numbers, with their speed-only parts and without, and
# against an earlier build. Usage: bash bench/text.sh BINDIR [BASEBIN]
#
# BINDIR is the bin folder of the bench preset (bench_parse, bench_parse_plain, spanfuse,
# spanfuse_plain_text; bench_micro and bench_micro_plain when Google Benchmark is there).
# BASEBIN, if given, holds bench_parse and spanfuse of an earlier commit, such as
# sh bench/build_at.sh 8cbcd96 /tmp/base makes. Times are medians of paired runs, the two
# programs taking turns, on 10^6 well-formed records (20 MB); ROUNDS sets how many (default 11).
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -eu
[ $# -ge 1 ] || { echo "usage: bash bench/text.sh BINDIR [BASEBIN]" >&2; exit 2; }
bin=$(cd "$1" && pwd)
base=${2:+$(cd "$2" && pwd)}
here=$(cd "$(dirname "$0")" && pwd)
rounds=${ROUNDS:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
. "$here/lib.sh"

in=$(input disjoint 1000000)
bytes=$(wc -c <"$in")
echo "== reading alone (bench_parse), 10^6 disjoint records, $bytes bytes"
# pair NAME_A PROG_A NAME_B PROG_B ARGS...: both figures and their ratio.
pair() {
    local na=$1 a=$2 nb=$3 b=$4
    shift 4
    paired "$rounds" "$in" "$a" "$b" "$@"
    printf '%-22s %s %s\n' "$na" "$(ms "$med_a")" "$(rate "$bytes" 1000000 "$med_a")"
    printf '%-22s %s %s   (%.2fx of %s)\n' "$nb" "$(ms "$med_b")" "$(rate "$bytes" 1000000 "$med_b")" \
        "$ratio" "$na"
}
pair "short path off" "$bin/bench_parse_plain" "bench_parse" "$bin/bench_parse"
[ -z "$base" ] || pair "earlier build" "$base/bench_parse" "bench_parse" "$bin/bench_parse"

echo
echo "== whole process (spanfuse f 1), the same records"
pair "reading+printing off" "$bin/spanfuse_plain_text" "spanfuse" "$bin/spanfuse" f 1
[ -z "$base" ] || pair "earlier build" "$base/spanfuse" "spanfuse" "$bin/spanfuse" f 1

if [ -x "$bin/bench_micro" ] && [ -x "$bin/bench_micro_plain" ]; then
    echo
    echo "== one piece at a time (bench_micro, medians of 5): with the speed-only parts, then without"
    for b in bench_micro bench_micro_plain; do
        "$bin/$b" --benchmark_filter='ParseReal|FormatWhole' --benchmark_repetitions=5 \
            --benchmark_report_aggregates_only=true 2>/dev/null |
            awk -v b="$b" '/_median/ { printf "%-18s %-22s %s\n", b, $1, $NF }'
    done
fi
