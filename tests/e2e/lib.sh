# End-to-end cases for one program, one line a case. Sourced by a cases file that the test
# runner starts as: bash CASES BINDIR. The program under test is run by name from BINDIR, so
# that its invocation name in messages is the plain name.
#
#   t STATUS 'ARGS' 'STDIN' 'STDOUT' 'STDERR'
#
# ARGS is split as shell words (quote inside it to keep blanks). STDIN, STDOUT and STDERR are
# printf %b texts. Before a case, IN=FILE takes standard input from FILE instead (IN=- closes
# it), and OUT=FILE sends standard output there instead (OUT=- closes it); STDOUT must then
# be ''. IN='|' feeds STDIN through a pipe rather than a file, and OUT='|' reads standard
# output through a pipe. Every case runs under a time limit: a hang is a failure.
#
#   check 'SHELL COMMAND'
#
# counts a free-form case that passes when the command succeeds (bound it with timeout).

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

# run_one IN OUT ARGS...: the program under the time limit with standard input from IN and
# standard output to OUT, where "-" leaves the stream as it is and "<&-" / ">&-" close it.
run_one() {
    local in=$1 out=$2
    shift 2
    (
        case $in in -) ;; '<&-') exec <&- ;; *) exec <"$in" ;; esac
        case $out in -) ;; '>&-') exec >&- ;; *) exec >"$out" ;; esac
        exec timeout "$TIMEOUT" "$PROG" "$@" 2>"$TMPROOT/.err"
    )
}

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
    [ "$in_redir" = - ] && in_redir='<&-'
    [ "$out_redir" = - ] && out_redir='>&-'
    : >"$TMPROOT/.out"
    if [ "$in_redir" = '|' ] && [ "$out_redir" = '|' ]; then
        cat "$TMPROOT/.in" | run_one - - "${argv[@]}" | cat >"$TMPROOT/.out"
        got_status=${PIPESTATUS[1]}
    elif [ "$in_redir" = '|' ]; then
        cat "$TMPROOT/.in" | run_one - "$out_redir" "${argv[@]}"
        got_status=${PIPESTATUS[1]}
    elif [ "$out_redir" = '|' ]; then
        run_one "$in_redir" - "${argv[@]}" | cat >"$TMPROOT/.out"
        got_status=${PIPESTATUS[0]}
    else
        run_one "$in_redir" "$out_redir" "${argv[@]}"
        got_status=$?
    fi
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

check() {
    local where="${BASH_SOURCE[1]##*/}:${BASH_LINENO[0]}"
    if eval "$1"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $where: $1"
    fi
}

# Ends the cases file: the summary line, and a failing status if any case failed.
done_testing() {
    echo "$PROG: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
