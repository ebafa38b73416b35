# spanfuse end to end: status, arguments, standard input, standard output, standard error.
. "$(dirname "$0")/lib.sh"
PROG=spanfuse
U='Usage: spanfuse [f|b] <factor>\n'
R='read failure\n'

# arguments
t 255 ''          '0 0' '' "$U"
t 255 'f'         '0 0' '' "$U"
t 255 'f 1 x'     '0 0' '' "$U"
t 255 'F 1'       '0 0' '' "$U"
t 255 'ff 1'      '0 0' '' "$U"
t 255 "'' 1"      '0 0' '' "$U"
t 255 'f x1'      '0 0' '' "$U"
t 255 "f ''"      '0 0' '' "$U"
t 0   'f 1x'      '1 10 5 1 0' ' 5 15\n' ''
t 0   'b 0x1p1'   '1 10 5 0 0' ' 0 20\n' ''
t 0   "f ' 2'"    '1 10 5 1 0' ' 0 20\n' ''

# selection
t 0 'f 1' '3\n10 5\n30 5\n50 5\n3\n0 0 0\n' ' 5 15 25 35 45 55\n' ''
t 0 'b 1' '3\n10 5\n30 5\n50 5\n3\n0 0 0\n' '\n' ''
t 0 'f 1' '3 10 5 30 5 50 5 2 0 0 0'        ' 5 15 25 35\n' ''
t 0 'b 1' '3 10 5 30 5 50 5 2 0 0 0'        ' 45 55\n' ''
t 0 'f 1' '0 0' '\n' ''
t 0 'b 1' '0 0' '\n' ''
t 0 'f 1' '-5 7' '\n' ''
t 0 'f 1' '2 10 5 30 5 9 0 0'  ' 5 15 25 35\n' ''
t 0 'b 1' '2 10 5 30 5 -9 0 0' ' 5 15 25 35\n' ''
t 0 'f 1' '2 10 5 30 5 -1 0 0' '\n' ''
t 0 'b 1' '2 10 5 30 5 9 0 0'  '\n' ''

# flags and the output clamp
t 0 'f 1' '1 10 5 1 -1'   ' 0 15\n' ''
t 0 'f 1' '1 3 5 1 -1'    ' 0 8\n' ''
t 0 'f 1' '1 10 5 1 1'    ' 5 65535\n' ''
t 0 'f 1' '1 70000 5 1 1' ' 69995 70005\n' ''
t 0 'f 1' '1 10 5 1 7'    ' 5 15\n' ''
t 0 'f 1' '1 -10 5 1 0'   '\n' ''
t 0 'f 1' '1 -5 5 1 0'    '\n' ''
t 0 'f 1' '2 -10 5 0 10 2 0 0' ' 0 10\n' ''
t 0 'f 1' '1 -0 0 1 0'    '\n' ''
t 0 'f 1' '2 -0 0 5 5 2 0 0' ' -0 10\n' ''
t 0 'f 1' '2 2.5 0 10.5 0 2 0 0' ' 2 2 10 10\n' ''
t 0 'f 1' '1 3.5 0 1 0'   ' 4 4\n' ''

# intervals turned inside out, NaN and infinity
t 0 'f -1' '1 10 5 1 0'        ' 15 5\n' ''
t 0 'f -1' '2 10 5 30 5 2 0 0' ' 15 5 35 25\n' ''
t 0 'f 1'  '1 nan 5 1 0'       ' nan nan\n' ''
t 0 'f 1'  '1 -nan 5 1 0'      ' -nan -nan\n' ''
t 0 'f inf' '1 10 0 1 0'       ' -nan -nan\n' ''
t 0 'f inf' '1 nan 0 1 0'      ' nan nan\n' ''
t 0 'f -nan' '1 0 nan 1 0'     ' -nan -nan\n' ''
t 0 'f 1'  '1 inf 5 1 0'       ' inf inf\n' ''
t 0 'f inf' '1 10 1 1 0'       ' 0 inf\n' ''
t 0 'f 1'  '1 1e300 1e300 1 0' ' 0 2000000000000000105009520510408840497408937162216318309831708231023604915977816391572742750160895728087408887665767756353885046470720861151289584369573413965696774401853151607475660467589576180118737906469941599890162238077935281760149305485560284989158517577640113685676231338944392773730918801080320\n' ''

# read failures
t 255 'f 1' '' '' "$R"
IN=/dev/null t 255 'f 1' '' '' "$R"
IN=- t 255 'f 1' '' '' "$R"
t 255 'f 1' 'x'                 '' "$R"
t 255 'f 1' '2 10 5 30'         '' "$R"
t 255 'f 1' '2 10 5'            '' "$R"
t 255 'f 1' '1 10 5'            '' "$R"
t 255 'f 1' '1 10 5 1'          '' "$R"
t 255 'f 1' '2 10 5 30 5 1 0'   '' "$R"
t 255 'f 1' '1 10 x 1 0'        '' "$R"
t 255 'f 1' '1 10 5 1 x'        '' "$R"
t 255 'f 1' '1 10 5 1.5 0'      '' "$R"
t 255 'f 1' '4294967297 1 2 0 0' '' "$R"
t 255 'f 1' '2147483648'        '' "$R"
t 255 'f 1' '2147483647 1 2'    '' "$R"
t 255 'f 1' '1 10 5 1 99999999999' '' "$R"
t 0   'f 1' '1 10 5 1 0 trailing garbage' ' 5 15\n' ''
t 0   'f 1' '1\n\n\t 10\r\n5\v\f1 0' ' 5 15\n' ''
t 0   'f 1' '+1 +10 +5 +1 +0'   ' 5 15\n' ''
t 0   'f 1' '1 1e1 0x5 1 0'     ' 5 15\n' ''
t 0   'f 1' '1 10. .5e1 1 0'    ' 5 15\n' ''
t 0   'f 1' '1 10 5 1 0x'       ' 5 15\n' ''
t 255 'f 1' '1 10 5 1 x0'       '' "$R"
t 255 'f 1' '1 10 5e 1 0'       '' "$R"
t 255 'f 1' '1 10 5.5.5 1 0' '' "$R"

# memory: a huge count with little input ends at once, with no allocation sized by the count
# (the address-space limit cannot apply under AddressSanitizer, which reserves terabytes)
if ! grep -q __asan_init "$BINDIR/spanfuse"; then
    check '[ "$( (ulimit -v 16384; printf "2147483647 1 2" | timeout 10 spanfuse f 1) 2>&1)" = "read failure" ]'
    check '[ "$( (ulimit -v 16384; printf "2147483647 1 2 3 4 5 6" | timeout 10 spanfuse b 1) 2>&1)" = "read failure" ]'
fi

# write errors
OUT=/dev/full t 255 'f 1' '1 10 5 1 0' '' 'spanfuse: write error: No space left on device\n'
OUT=- t 255 'f 1' '1 10 5 1 0' '' 'spanfuse: write error: Bad file descriptor\n'
OUT=/dev/full t 255 'f 1' 'x' '' "$R"

done_testing
