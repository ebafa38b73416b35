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
