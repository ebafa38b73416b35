#!/bin/sh
# Runs each tool on the example inputs beside this script. Usage: demo.sh BINDIR
set -u
bin=$1
ex=$(dirname "$0")
step() { printf '\n== %s\n$ %s\n' "$1" "$2"; }

step "spanfuse: the first 5 records as center +- 2*spread, merged (flag -1 opens down to 0, 1 up to 65535)" \
    "spanfuse f 2 < examples/records.txt"
"$bin/spanfuse" f 2 <"$ex/records.txt"
step "spanfuse: only the records after the first 5" "spanfuse b 2 < examples/records.txt"
"$bin/spanfuse" b 2 <"$ex/records.txt"

# --- passchain ---

# --- byteslice ---

# --- frontpick ---
step "frontpick: the current setting, then thresholds (label FP FN per line): the front and the best" \
    "frontpick \$(cut -d' ' -f1 examples/candidates.txt) \$(cut -d' ' -f2 examples/candidates.txt) \$(cut -d' ' -f3 examples/candidates.txt)"
"$bin/frontpick" $(cut -d' ' -f1 "$ex/candidates.txt") $(cut -d' ' -f2 "$ex/candidates.txt") \
    $(cut -d' ' -f3 "$ex/candidates.txt")
step "frontpick: the first candidate given stays best unless a printed one is strictly nearer (A, FN 1, is never printed)" \
    "frontpick A B 0 5 1 0.5"
"$bin/frontpick" A B 0 5 1 0.5
