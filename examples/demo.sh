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
step "byteslice: 5 bytes from offset 2 (the bytes, then the count on standard error)" \
    "byteslice 2 5 examples/alphabet.txt"
"$bin/byteslice" 2 5 "$ex/alphabet.txt"
step "byteslice: with -e the offset counts back from the end: the last 4 bytes, newline included" \
    "byteslice 4 100 examples/alphabet.txt -e"
"$bin/byteslice" 4 100 "$ex/alphabet.txt" -e
step "byteslice: standard input redirected from a file; the size's fraction rounds half up" \
    "byteslice 23 2.5 < examples/alphabet.txt"
"$bin/byteslice" 23 2.5 <"$ex/alphabet.txt"
step "byteslice: a pipe cannot seek, even to offset 0 (status 1)" \
    "cat examples/alphabet.txt | byteslice 0 5"
cat "$ex/alphabet.txt" | "$bin/byteslice" 0 5

# --- frontpick ---
