# frontpick end to end: status, arguments, standard input, standard output, standard error.
. "$(dirname "$0")/lib.sh"
PROG=frontpick
U='Usage: frontpick <label> ... <FP> ... <FN> ...\n'
V='Invalid FP or FN value.\n'

# argument count: at least 6 and a multiple of 3, checked before any value
t 1 ''                    '' '' "$U"
t 1 'a'                   '' '' "$U"
t 1 'a b c'               '' '' "$U"
t 1 'a b 0 0 0'           '' '' "$U"
t 1 'a b 0 0 0 0 x'       '' '' "$U"
t 1 'a b 0 0 0 0 x y'     '' '' "$U"
t 1 'a b nan nan 5 x y'   '' '' "$U"
t 1 'a b c 0 0 0 0 0'     '' '' "$U"
t 1 "'' '' '' '' ''"      '' '' "$U"
t 0 'a b 0 0 0 0'         '' 'a\nbest: a\n' ''
t 0 'a b c 0 0 0 0 0 0'   '' 'a\nbest: a\n' ''
# an empty argument vector is a usage failure too (the kernel may pass "" as the name)
if command -v perl >/dev/null; then
    perl -e 'exec {$ARGV[0]} ()' "$BINDIR/frontpick" 2>"$TMPROOT/argc0" >/dev/null
    if [ $? = 1 ] && [ "$(cat "$TMPROOT/argc0")" = 'Usage: frontpick <label> ... <FP> ... <FN> ...' ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1)); echo "FAIL: empty argument vector"
    fi
fi

# the worked examples
t 0 'A B C 0.1 0.2 0.3 0.5 0.3 0.4' '' 'A\nB\nbest: B\n' ''
t 0 'A B 0 5 1 0.5'                 '' 'B\nbest: A\n' ''
t 0 'A B C 0.3 0.1 0.2 1 1 1'       '' 'best: A\n' ''
t 0 'A B C 0.2 0.2 0.5 0.6 0.4 0.1' '' 'B\nC\nbest: B\n' ''
t 0 'A B C 0.5 0.2 0.2 0.1 0.4 0.6' '' 'B\nA\nbest: B\n' ''
t 0 'A B C 0.1 0.2 0.2 0.3 0.5 0.3' '' 'A\nbest: A\n' ''
t 0 'A B C D 0.1 0.2 0.3 0.4 0.5 0 0 0.2' '' 'A\nB\nbest: B\n' ''

# ties: equal candidates keep their order; best moves only when strictly nearer
t 0 'x y 0.5 0.5 0.5 0.5'           '' 'x\nbest: x\n' ''
t 0 'y x 0.5 0.5 0.5 0.5'           '' 'y\nbest: y\n' ''
t 0 'a b c 0.5 0.5 0.1 0.5 0.5 0.9' '' 'c\na\nbest: a\n' ''
t 0 'p q r 0.8 0.6 0.9 0.6 0.8 0.7' '' 'q\np\nbest: p\n' ''
t 0 'r p q 2 0.6 0.8 0.1 0.8 0.6'   '' 'p\nq\nr\nbest: p\n' ''
t 0 'a b 0 -0 0.7 0.5'              '' 'b\nbest: b\n' ''
# sqrt(0.246^2 + 0.961^2) rounds to exactly this FP; hypot would be one ulp lower and pick "second"
t 0 'first second 0.99198639103568353 0.246 0 0.961' '' 'second\nfirst\nbest: first\n' ''

# value ranges: FP from 0 up, infinity included; FN from 0 to 1
t 0 'a b 1.5 7 0.5 0.4'             '' 'a\nb\nbest: a\n' ''
t 0 'a b 1e308 0.5 0 1'             '' 'a\nbest: a\n' ''
t 0 'a b 0.5 inf 0.5 0'             '' 'a\nb\nbest: a\n' ''
t 0 'a b inf 0.5 0.5 0.5'           '' 'b\nbest: b\n' ''
t 0 'a b c inf INFINITY 1e999 0.5 0.4 0.1' '' 'c\nbest: a\n' ''
t 0 'a b 0 0 1 1'                   '' 'best: a\n' ''
t 0 'a b 0 1e-400 1 0'              '' 'b\nbest: b\n' ''
t 0 'a b -0 0 -0 1'                 '' 'a\nbest: a\n' ''
t 0 'a b 0.1 0.2 1.00000000000000001 0.5' '' 'b\nbest: b\n' ''
t 1 'a b 0.1 0.2 1.0000000000000002 0.5'  '' '' "$V"
t 1 'a b 1 1 0 1.5'                 '' '' "$V"
t 1 'a b 1 1 -0.1 0'                '' '' "$V"
t 1 'a b -1 1 0 0'                  '' '' "$V"
t 1 'a b 1 -1e-300 0 0'             '' '' "$V"
t 1 'a b 1 1 0 1e999'               '' '' "$V"

# NaN and infinity in every numeric position
for v in nan -nan NAN "'nan(1)'" +nan; do
    t 1 "a b $v 1 0 0" '' '' "$V"
    t 1 "a b 1 $v 0 0" '' '' "$V"
    t 1 "a b 1 1 $v 0" '' '' "$V"
    t 1 "a b 1 1 0 $v" '' '' "$V"
done
for v in -inf -INFINITY -1e999; do
    t 1 "a b $v 1 0 0" '' '' "$V"
    t 1 "a b 1 $v 0 0" '' '' "$V"
    t 1 "a b 1 1 $v 0" '' '' "$V"
    t 1 "a b 1 1 0 $v" '' '' "$V"
done
t 1 'a b 1 1 inf 0'                 '' '' "$V"
t 1 'a b 1 1 0 infinity'            '' '' "$V"
# a NaN among valid values, after them in the order of reading
t 1 'a b c 0.1 0.2 0.3 0.5 0.3 nan' '' '' "$V"

# number reading: leading blanks skipped, trailing text ignored, other text refused
t 0 "a b ' 0.5' 1 \$'\\t0.5' 0.25"     '' 'a\nb\nbest: a\n' ''
t 0 'a b 0.5x 1 0.5% 0.25kg'        '' 'a\nb\nbest: a\n' ''
t 0 'a b 0x1p-1 1e0 .5 2.5e-1'      '' 'a\nb\nbest: a\n' ''
t 1 'a b x0.5 1 0.5 0.25'           '' '' "$V"
t 1 'a b 0.5 1 0.5 .'               '' '' "$V"
t 1 'a b 0.5 1 - 0.25'              '' '' "$V"
t 1 "a b '' 1 0.5 0.25"             '' '' "$V"
t 1 "a b 0.5 1 0.5 ''"              '' '' "$V"
t 1 "a b ' ' 1 0.5 0.25"            '' '' "$V"
t 1 'a b 1,5 1 0,5 x'               '' '' "$V"
t 1 'a b 0 0 x x'                   '' '' "$V"

# labels are any text, printed as given: empty, option-like, format-like, very long
t 0 "'' b 0.1 0.2 0.1 0.4"          '' '\nbest: \n' ''
t 0 "'two words' -- 0.1 0.2 0.5 0.4" '' 'two words\n--\nbest: --\n' ''
t 0 '-h %s%n%d 0.1 0.2 0.5 0.4'     '' '-h\n%s%n%d\nbest: %s%n%d\n' ''
t 0 '/ /nonexistent 0.1 0.2 0.5 0.4' '' '/\n/nonexistent\nbest: /nonexistent\n' ''
t 0 "\$'\\303\\251' b 0.1 0.2 0.5 0.4" '' '\0303\0251\nb\nbest: b\n' ''
LONG=$(head -c 100000 /dev/zero | tr '\0' L)
t 0 '"$LONG" b 0.2 0.1 0.5 0.6'     '' "b\n$LONG\nbest: $LONG\n" ''
t 0 '"$LONG" b c 0.2 0.1 0.1 0.5 0.6 0.6' '' "b\n$LONG\nbest: $LONG\n" ''
# very long numbers
ZEROS=$(head -c 100000 /dev/zero | tr '\0' 0)
t 0 'a b "0.${ZEROS}1" 1${ZEROS} 0.5 0.4' '' 'a\nb\nbest: a\n' ''
t 1 'a b 0.1 0.2 0.5 "1${ZEROS}"'   '' '' "$V"
# many identical candidates: the first given is printed, whatever the sort does inside
MANY="$(seq -f 'c%g' 1 3000) $(yes 1 | head -n 3000) $(yes 0.5 | head -n 3000)"
t 0 "$MANY" '' 'c1\nbest: c1\n' ''
MANY="$(seq -f 'c%g' 1 3000) $(seq 3000 -1 1) $(yes 0.5 | head -n 3000)"
t 0 "$MANY" '' 'c3000\nbest: c3000\n' ''

# standard input is not read
t 0 'a b 0.1 0.2 0.5 0.4'           'x y z' 'a\nb\nbest: b\n' ''
IN=- t 0 'a b 0.1 0.2 0.5 0.4'      '' 'a\nb\nbest: b\n' ''

# write errors; a value failure still comes first and writes nothing
OUT=/dev/full t 1 'a b 0.1 0.2 0.5 0.4' '' '' 'frontpick: write error: No space left on device\n'
OUT=- t 1 'a b 0.1 0.2 0.5 0.4'     '' '' 'frontpick: write error: Bad file descriptor\n'
OUT=/dev/full t 1 '"$LONG" b 0.2 0.1 0.5 0.6' '' '' 'frontpick: write error: No space left on device\n'
OUT=/dev/full t 1 'a b nan 1 0 0'   '' '' "$V"
OUT=- t 1 'a b 0 0 0'               '' '' "$U"

done_testing
