# End-to-end cases for one program, one line a case. Sourced by a cases file that the test
# runner starts as: bash CASES BINDIR. The program under test is run by name from BINDIR, so
# that its invocation name in messages is the plain name.
#
#   t STATUS 'ARGS' 'STDIN' 'STDOUT' 'STDERR'
#
# ARGS is split as shell words (quote inside it to keep blanks). STDIN, STDOUT and STDERR are
# printf %b texts. Before a case, IN=FILE takes standard input from FILE instead (IN=- closes
# it), and OUT=FILE sends standard output there instead (OUT=- closes it); STDOUT must then
# be ''. Every case runs under a time limit: a hang is a failure.

set -u
BINDIR=$(cd "$1" && pwd)
PATH=$BINDIR:$PATH
export PATH
LC_ALL=C
export LC_ALL
TMPROOT=$(mktemp -d)
trap 'rm -rf "$TMPROOT"' EXIT
cd "$TMPROOT" || exit 1
passed=0
failed=0
IN=
OUT=
TIMEOUT=${TIMEOUT:-10}

show() { od -An -c "$1" | sed 's/^/      /'; }

t() {
    local want_status=$1 args=$2 in=$3 out=$4 err=$5 got_status
    local where="${BASH_SOURCE[1]##*/}:${BASH_LINENO[0]}"
    local -a argv
    eval "argv=($args)"
    printf '%b' "$in" >"$TMPROOT/.in"
    printf '%b' "$out" >"$TMPROOT/.want_out"
    printf '%b' "$err" >"$TMPROOT/.want_err"
    local in_redir=$TMPROOT/.in out_redir=$TMPROOT/.out
    [ -n "$IN" ] && in_redir=$IN
    [ -n "$OUT" ] && out_redir=$OUT
    : >"$TMPROOT/.out"
    if [ "$in_redir" = - ] && [ "$out_redir" = - ]; then
        timeout "$TIMEOUT" "$PROG" "${argv[@]}" <&- >&- 2>"$TMPROOT/.err"
    elif [ "$in_redir" = - ]; then
        timeout "$TIMEOUT" "$PROG" "${argv[@]}" <&- >"$out_redir" 2>"$TMPROOT/.err"
    elif [ "$out_redir" = - ]; then
        timeout "$TIMEOUT" "$PROG" "${argv[@]}" <"$in_redir" >&- 2>"$TMPROOT/.err"
    else
        timeout "$TIMEOUT" "$PROG" "${argv[@]}" <"$in_redir" >"$out_redir" 2>"$TMPROOT/.err"
    fi
    got_status=$?
    IN=
    OUT=
    if [ "$got_status" = "$want_status" ] && cmp -s "$TMPROOT/.out" "$TMPROOT/.want_out" &&
        cmp -s "$TMPROOT/.err" "$TMPROOT/.want_err"; then
        passed=$((passed + 1))
        return
    fi
    failed=$((failed + 1))
    echo "FAIL $where: $PROG $args"
    [ "$got_status" = "$want_status" ] || echo "  status: expected $want_status, got $got_status"
    if ! cmp -s "$TMPROOT/.out" "$TMPROOT/.want_out"; then
        echo "  stdout expected:"; show "$TMPROOT/.want_out"
        echo "  stdout actual:"; show "$TMPROOT/.out"
    fi
    if ! cmp -s "$TMPROOT/.err" "$TMPROOT/.want_err"; then
        echo "  stderr expected:"; show "$TMPROOT/.want_err"
        echo "  stderr actual:"; show "$TMPROOT/.err"
    fi
}

# Ends the cases file: the summary line, and a failing status if any case failed.
done_testing() {
    echo "$PROG: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
