# byteslice end to end: status, arguments, standard input, standard output, standard error.
. "$(dirname "$0")/lib.sh"
PROG=byteslice
U='Usage: byteslice chunk_offset chunk_size [file [-e]]\n'
S='seek error\n'
bs() { timeout "$TIMEOUT" byteslice "$@"; }

printf abcdefgh >f8
printf abcdefghijklmnopqrst >f20
printf XY >./-e
mkdir dir

# arguments, checked before the file is opened
t 1 ''                '' '' "$U"
t 1 '0'               '' '' "$U"
t 1 '0 5 f8 -e extra' '' '' "$U"
t 1 '0 5 f8 -E'       '' '' "$U"
t 1 "0 5 f8 ''"       '' '' "$U"
t 1 "0 5 f8 ' -e'"    '' '' "$U"
t 1 'x 5 f8'          '' '' "$U"
t 1 '0 x f8'          '' '' "$U"
t 1 'x3 5 missing'    '' '' "$U"
t 1 "'' 5 f8"         '' '' "$U"
t 1 "0 '' f8"         '' '' "$U"
t 0 '0 5e+ f8'        '' 'abcde' '5 bytes copied\n'
t 0 '2x 3y f8'        '' 'cde' '3 bytes copied\n'
t 0 "' 2' 0x3 f8"     '' 'cde' '3 bytes copied\n'
t 0 '0 5 -e'          '' 'XY' '2 bytes copied\n'
# messages name the program as it was invoked
check '[ "$( (exec -a slicer byteslice 1) 2>&1)" = "Usage: slicer chunk_offset chunk_size [file [-e]]" ]'
check '[ "$( (exec -a "" byteslice) 2>&1)" = "Usage:  chunk_offset chunk_size [file [-e]]" ]'
check '[ "$( (exec -a slicer byteslice 0 10 dir) 2>&1)" = "$(printf "slicer: Is a directory\n0 bytes copied")" ]'
long=$(printf '%0100000d' 5)
t 0 "$long 3 f8"      '' 'fgh' '3 bytes copied\n'
t 1 "${long}x 3 f8 -f" '' '' "$U"
t 1 "$(printf '%0100000d' 0 | tr 0 x) 3 f8" '' '' "$U"

# the source
t 1   '0 5 missing'   '' '' "Can't open missing\n"
t 1   "0 5 ''"        '' '' "Can't open \n"
t 1   'nan 5 missing' '' '' "Can't open missing\n"
t 1   "0 5 x$long"    '' '' "Can't open x$long\n"
t 1   '0 10 dir'      '' '' 'byteslice: Is a directory\n0 bytes copied\n'
t 0   '0 0 dir'       '' '' '0 bytes copied\n'
t 0   '0 5 /dev/null' '' '' '0 bytes copied\n'

# positioning from the current position
t 0 '2 3 f8'          '' 'cde' '3 bytes copied\n'
t 0 '0 100 f8'        '' 'abcdefgh' '8 bytes copied\n'
t 0 '5 100 f8'        '' 'fgh' '3 bytes copied\n'
t 0 '8 5 f8'          '' '' '0 bytes copied\n'
t 0 '100 5 f8'        '' '' '0 bytes copied\n'
t 0 '1073741824 5 f8' '' '' '0 bytes copied\n'
t 0 '2.9 3 f8'        '' 'cde' '3 bytes copied\n'
t 0 '-0.9 3 f8'       '' 'abc' '3 bytes copied\n'
t 1 '-1 3 f8'         '' '' "$S"
t 1 '-1e9 3 f8'       '' '' "$S"

# positioning back from the end
t 0 '3 100 f8 -e'   '' 'fgh' '3 bytes copied\n'
t 0 '3 2 f8 -e'     '' 'fg' '2 bytes copied\n'
t 0 '3.7 9 f8 -e'   '' 'fgh' '3 bytes copied\n'
t 0 '8 100 f8 -e'   '' 'abcdefgh' '8 bytes copied\n'
t 0 '0 5 f8 -e'     '' '' '0 bytes copied\n'
t 0 '-0.5 5 f8 -e'  '' '' '0 bytes copied\n'
t 0 '-5 5 f8 -e'    '' '' '0 bytes copied\n'
t 1 '9 5 f8 -e'     '' '' "$S"
t 1 '4294967298 5 f8 -e' '' '' "$S"

# offsets no file position holds
for off in nan -nan inf -inf 1e300 -1e300 9223372036854775808 -9223372036854775808; do
    t 1 "$off 3 f8"    '' '' "$S"
    t 1 "$off 3 f8 -e" '' '' "$S"
done

# sizes: the fraction rounds half up; NaN and anything below one half copy nothing
t 0 '0 10.6 f20'  '' 'abcdefghijk' '11 bytes copied\n'
t 0 '0 10.4 f20'  '' 'abcdefghij' '10 bytes copied\n'
t 0 '0 0.5 f20'   '' 'a' '1 bytes copied\n'
t 0 '0 0.49 f20'  '' '' '0 bytes copied\n'
t 0 '0 0.49999999999999994 f20' '' '' '0 bytes copied\n'
t 0 '0 2.5 f20'   '' 'abc' '3 bytes copied\n'
t 0 '2 0 f8'      '' '' '0 bytes copied\n'
t 0 '2 -5 f8'     '' '' '0 bytes copied\n'
t 0 '2 nan f8'    '' '' '0 bytes copied\n'
t 0 '2 -inf f8'   '' '' '0 bytes copied\n'
t 0 '2 inf f8'    '' 'cdefgh' '6 bytes copied\n'
t 0 '2 1e300 f8'  '' 'cdefgh' '6 bytes copied\n'
t 0 '2 4294967299 f8' '' 'cdefgh' '6 bytes copied\n'
OUT=/dev/null t 0 '0 4294967299 /dev/zero' '' '' '4294967299 bytes copied\n'
OUT=/dev/null t 0 '0 5e9 /dev/zero'        '' '' '5000000000 bytes copied\n'

# standard input: seekable when redirected from a file, positioned from where it stands
t 0 '2 3'          'abcdefgh' 'cde' '3 bytes copied\n'
t 0 '0 100'        'abcdefgh' 'abcdefgh' '8 bytes copied\n'
t 0 '0 5'          '' '' '0 bytes copied\n'
t 1 '-1 3'         'abcdefgh' '' "$S"
t 0 '0 100 -e'     'abcdefgh' 'XY' '2 bytes copied\n'
IN=f8 t 0 '0 inf'  '' 'abcdefgh' '8 bytes copied\n'
IN=- t 0 '2 3 f8'  '' 'cde' '3 bytes copied\n'
IN=- t 1 '0 5'     '' '' "$S"
IN='|' t 1 '0 5'   'abcdefgh' '' "$S"
IN='|' t 1 '0 0'   'abcdefgh' '' "$S"
IN=/dev/null t 0 '0 5' '' '' '0 bytes copied\n'
check '[ "$({ bs 2 3 2>/dev/null; cat; } <f8)" = cdefgh ]'
check '[ "$({ bs 2 3 2>/dev/null; cat; } <f8 | cat)" = cdefgh ]'
check '[ "$({ bs -2 3 2>/dev/null; cat; } <f8)" = abcdefgh ]'
check '[ "$({ bs 2 0 2>/dev/null; bs -1 2 2>/dev/null; } <f8)" = bc ]'

# standard output: write failures are reported at once, with the bytes that made it
OUT=/dev/full t 1 '0 10 f8' '' '' 'byteslice: No space left on device\n0 bytes copied\n'
OUT=/dev/full t 1 '0 10' 'abc' '' 'byteslice: No space left on device\n0 bytes copied\n'
OUT=/dev/full t 0 '0 0 f8'  '' '' '0 bytes copied\n'
OUT=/dev/full t 0 '8 5 f8'  '' '' '0 bytes copied\n'
OUT=/dev/full t 1 '0 10 dir' '' '' 'byteslice: Is a directory\n0 bytes copied\n'
OUT=- t 1 '0 10 f8'         '' '' 'byteslice: Bad file descriptor\n0 bytes copied\n'
OUT=- t 0 '8 10 f8'         '' '' '0 bytes copied\n'
OUT=- IN=- t 1 '0 5'        '' '' "$S"
OUT=/dev/null t 0 '0 100 f8' '' '' '8 bytes copied\n'
OUT='|' t 0 '2 3 f8'        '' 'cde' '3 bytes copied\n'
OUT='|' t 0 '2 3'           'abcdefgh' 'cde' '3 bytes copied\n'
OUT='|' t 1 '0 10 dir'      '' '' 'byteslice: Is a directory\n0 bytes copied\n'
check '[ "$({ printf XY; bs 0 3 f8 2>/dev/null; printf Z; } >o; cat o)" = XYabcZ ]'
check '[ "$(printf Q >o; bs 1 3 f8 2>/dev/null >>o; cat o)" = Qbcd ]'
# Appended to its own source, the copy ends where the source ended, never reading itself back.
check 'printf abcdefgh >g && timeout 5 byteslice 0 inf g 2>err >>g && [ "$(cat g)" = abcdefghabcdefgh ] && [ "$(cat err)" = "8 bytes copied" ]'
check 'printf abcdefgh >g && timeout 5 byteslice 2 inf <g 2>err >>g && [ "$(cat g)" = abcdefghcdefgh ] && [ "$(cat err)" = "6 bytes copied" ]'
# Sharing one pipe, the bytes come before the count, nothing held back.
check '[ "$(bs 0 3 f8 2>&1 >&2)" = "abc3 bytes copied" ]'

# a large random range, whatever standard output is
head -c 3000000 /dev/urandom >rnd
tail -c +12346 rnd | head -c 2000000 >want
check 'bs 12345 2000000 rnd >o 2>err && cmp -s o want && [ "$(cat err)" = "2000000 bytes copied" ]'
check 'bs 12345 2000000 rnd 2>err | cat >o && cmp -s o want && [ "$(cat err)" = "2000000 bytes copied" ]'
check 'bs 12345 2000000.5 <rnd 2>err >o && cmp -s o - < <(tail -c +12346 rnd | head -c 2000001)'
check 'printf ZZ >o && bs 12345 2000000 rnd 2>err >>o && cmp -s o - < <(printf ZZ; cat want)'
check 'bs 2987655 inf rnd 2>err | cmp -s - <(tail -c 12345 rnd) && [ "$(cat err)" = "12345 bytes copied" ]'
check 'bs 12345 2000000 rnd 2>err >/dev/null && [ "$(cat err)" = "2000000 bytes copied" ]'
check 'bs 1000000 inf rnd 2>err >o && cmp -s o <(tail -c 2000000 rnd) && [ "$(cat err)" = "2000000 bytes copied" ]'
check 'bs 1000000 inf <rnd 2>err >o && cmp -s o <(tail -c 2000000 rnd) && [ "$(cat err)" = "2000000 bytes copied" ]'

# a sparse file past 2^32 bytes, with a mark 3 * 2^30 + 5 bytes in and 2^31 + 5 before the end
truncate -s 3221225477 big && printf hello >>big && truncate -s 5368709130 big
t 0 '3221225477 5 big'    '' 'hello' '5 bytes copied\n'
t 0 '3221225475 9 big'    '' '\0\0hello\0\0' '9 bytes copied\n'
t 0 '2147483653 5 big -e' '' 'hello' '5 bytes copied\n'
t 0 '2147483655 4 big -e' '' '\0\0he' '4 bytes copied\n'
t 0 '5368709130 2 big -e' '' '\0\0' '2 bytes copied\n'
t 0 '2 9 big -e'          '' '\0\0' '2 bytes copied\n'
t 1 '5368709131 2 big -e' '' '' "$S"
t 0 '-2147483649 2 big -e' '' '' '0 bytes copied\n'
IN=big t 0 '3221225477 5' '' 'hello' '5 bytes copied\n'
OUT='|' t 0 '3221225477 5 big' '' 'hello' '5 bytes copied\n'

done_testing
