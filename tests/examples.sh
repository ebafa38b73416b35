# Runs every example in README.md (```console blocks) and in the man pages (.EX blocks):
# each "$ command" line is run by sh beside a scratch copy of examples/, with the built programs
# first on PATH, and what it writes to standard output and standard error together must equal
# the lines that follow it. Usage: bash examples.sh BINDIR SRCDIR
set -u
bindir=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

# Prints the examples of one file as records: "C<TAB>command" and "O<TAB>output line". In the
# man pages, examples are the .EX/.EE and .nf/.fi blocks of the EXAMPLES section; a command
# line ending in a backslash goes on on the next line.
extract() {
    case $1 in
    *.md) awk '/^```console$/ { on = 1; next } /^```/ { on = 0 } on' "$1" ;;
    *) awk '/^\.SH/ { ex = ($2 == "EXAMPLES") } ex && /^\.(EX|nf)$/ { on = 1; next }
            /^\.(EE|fi)$/ { on = 0 } ex && on' "$1" |
        sed -e 's/\\e/\\/g' -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" -e 's/\\(dq/"/g' -e 's/\\&//g' ;;
    esac | awk '
        function more() { if (cmd ~ /\\$/) { cmd = substr(cmd, 1, length(cmd) - 1); return 1 } return 0 }
        cont { cmd = cmd " " $0; if (!more()) { print "C\t" cmd; cont = 0 } next }
        /^\$ / { cmd = substr($0, 3); if (more()) { cont = 1; next } print "C\t" cmd; next }
        { print "O\t" $0 }'
}

check() { # file, command, expected-output-file
    (cd "$tmp/run" && PATH=$bindir:$PATH timeout 20 sh -c "$2" >"$tmp/got" 2>&1)
    if cmp -s "$tmp/got" "$3"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL ${1#$src/}: \$ $2"
        diff "$3" "$tmp/got" | sed 's/^/  /'
    fi
}

for f in "$src/README.md" "$src"/*/*.1; do
    [ -f "$f" ] || continue
    # Examples in one file run in order in one scratch folder, so a later one can use what an
    # earlier one made.
    rm -rf "$tmp/run" && mkdir "$tmp/run" && cp -R "$src/examples" "$tmp/run/examples"
    cmd=
    extract "$f" >"$tmp/records"
    while IFS= read -r line; do
        kind=${line%%	*}
        text=${line#?	}
        if [ "$kind" = C ]; then
            [ -n "$cmd" ] && check "$f" "$cmd" "$tmp/want"
            cmd=$text
            : >"$tmp/want"
        elif [ -n "$cmd" ]; then
            printf '%s\n' "$text" >>"$tmp/want"
        fi
    done <"$tmp/records"
    [ -n "$cmd" ] && check "$f" "$cmd" "$tmp/want"
done
echo "examples: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
