# Runs every example in README.md (```console blocks) and in the man pages (.EX blocks):
# each "$ command" line is run by sh in a scratch copy of examples/, with the built programs
# first on PATH, and what it writes to standard output and standard error together must equal
# the lines that follow it. Usage: bash examples.sh BINDIR SRCDIR
set -u
bindir=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0
failed=0

# Prints the examples of one file as records: "C<TAB>command" and "O<TAB>output line".
extract() {
    case $1 in
    *.md) awk '/^```console$/ { on = 1; next } /^```/ { on = 0 } on' "$1" ;;
    *) awk '/^\.EX$/ { on = 1; next } /^\.EE$/ { on = 0 } on' "$1" |
        sed -e 's/\\e/\\/g' -e 's/\\-/-/g' -e 's/\\(aq/'"'"'/g' ;;
    esac | awk '/^\$ / { print "C\t" substr($0, 3); next } { print "O\t" $0 }'
}

check() { # file, command, expected-output-file
    rm -rf "$tmp/run" && mkdir "$tmp/run" && cp -R "$src/examples" "$tmp/run/examples"
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
