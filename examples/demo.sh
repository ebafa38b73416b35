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

# morph, the outside filter that passchain drives, is here the stand-in built beside the
# tools: each byte of a line becomes the largest (+N) or smallest (-N) of the N around it.
marks=$(cd "$ex" && pwd)/marks.txt
pcbin=$(cd "$bin" && pwd)
pc=$(mktemp -d)
step "passchain: two passes of morph +5 over the marks; each pass widens a mark by 2 a side" \
    "passchain examples/marks.txt grown.txt +5 2; echo \$?; cat grown.txt"
(cd "$pc" && PATH="$pcbin:$PATH" passchain "$marks" grown.txt +5 2; echo $?; cat grown.txt)
step "passchain: one pass of morph -5 narrows a mark by 2 a side; the short ones vanish" \
    "passchain examples/marks.txt thin.txt -5 1; echo \$?; cat thin.txt"
(cd "$pc" && PATH="$pcbin:$PATH" passchain "$marks" thin.txt -5 1; echo $?; cat thin.txt)
step "passchain: a failed pass shows in the status; with no output the next pass cannot start" \
    "passchain examples/marks.txt bad.txt +4 3; echo \$?"
(cd "$pc" && PATH="$pcbin:$PATH" passchain "$marks" bad.txt +4 3 2>&1; echo $?)
step "passchain: a name holding a blank and a ';' reaches morph whole, and nothing in it runs" \
    "passchain examples/marks.txt 'x; touch y.txt' +5 2; echo \$?; ls"
(cd "$pc" && PATH="$pcbin:$PATH" passchain "$marks" 'x; touch y.txt' +5 2; echo $?; ls)
rm -rf "$pc"

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

step "frontpick: the current setting, then thresholds (label FP FN per line): the front and the best" \
    "frontpick \$(cut -d' ' -f1 examples/candidates.txt) \$(cut -d' ' -f2 examples/candidates.txt) \$(cut -d' ' -f3 examples/candidates.txt)"
"$bin/frontpick" $(cut -d' ' -f1 "$ex/candidates.txt") $(cut -d' ' -f2 "$ex/candidates.txt") \
    $(cut -d' ' -f3 "$ex/candidates.txt")
step "frontpick: the first candidate given stays best unless a printed one is strictly nearer (A, FN 1, is never printed)" \
    "frontpick A B 0 5 1 0.5"
"$bin/frontpick" A B 0 5 1 0.5
