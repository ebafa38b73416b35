#!/bin/sh
# Copy speed of byteslice against dd on the same range: 900 MiB from a cached 1 GiB file, with
# standard output on /dev/null, into a pipe (read by cat) and into a regular file. Each pair
# of runs times both programs, in alternating order; the figures are medians over the pairs,
# and a ratio is dd's time over byteslice's, so above 1 means byteslice is faster.
# Usage: sh bench/byteslice.sh BINDIR [PAIRS]    (the data file goes under $TMPDIR or /tmp)
set -eu
bin=$(cd "$1" && pwd)
pairs=${2:-7}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM
data=$tmp/data
offset=67108871 # 64 MiB + 7, off any page boundary
size=943718400  # 900 MiB

dd if=/dev/urandom of="$data" bs=1M count=1024 status=none
cat "$data" >/dev/null

slice() { "$bin/byteslice" "$offset" "$size" "$data" 2>"$tmp/count"; }
ddrange() {
    dd if="$data" bs=1M iflag=skip_bytes,count_bytes skip="$offset" count="$size" status=none
}

# The two must copy the very same bytes, and byteslice must count them all.
slice >"$tmp/a"
ddrange >"$tmp/b"
cmp -s "$tmp/a" "$tmp/b" || { echo "byteslice and dd copied different bytes" >&2; exit 1; }
[ "$(cat "$tmp/count")" = "$size bytes copied" ] || { cat "$tmp/count" >&2; exit 1; }
rm -f "$tmp/a" "$tmp/b"

now() { date +%s%N; }

# time_one TARGET PROGRAM: nanoseconds for one run of PROGRAM with standard output on TARGET.
time_one() {
    rm -f "$tmp/out"
    start=$(now)
    case $1 in
    null) $2 >/dev/null ;;
    pipe) $2 | cat >/dev/null ;;
    file) $2 >"$tmp/out" ;;
    esac
    echo $(($(now) - start))
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf 'byteslice against dd bs=1M, 900 MiB of a cached 1 GiB file, %s pairs, medians\n' "$pairs"
for target in null pipe file; do
    : >"$tmp/t_slice"
    : >"$tmp/t_dd"
    : >"$tmp/ratio"
    i=0
    while [ "$i" -lt "$pairs" ]; do
        if [ $((i % 2)) -eq 0 ]; then
            s=$(time_one "$target" slice)
            d=$(time_one "$target" ddrange)
        else
            d=$(time_one "$target" ddrange)
            s=$(time_one "$target" slice)
        fi
        echo "$s" >>"$tmp/t_slice"
        echo "$d" >>"$tmp/t_dd"
        awk -v s="$s" -v d="$d" 'BEGIN { print d / s }' >>"$tmp/ratio"
        i=$((i + 1))
    done
    case $target in
    null) label=/dev/null ;;
    pipe) label=pipe ;;
    file) label='regular file' ;;
    esac
    awk -v label="$label" -v s="$(median <"$tmp/t_slice")" -v d="$(median <"$tmp/t_dd")" \
        -v r="$(median <"$tmp/ratio")" 'BEGIN {
            printf "%-13s byteslice %6.0f MiB/s   dd %6.0f MiB/s   ratio %.2f\n",
                label, 900e9 / s, 900e9 / d, r
        }'
done
