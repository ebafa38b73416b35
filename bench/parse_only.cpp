// Reads spanfuse's input with the shared number reader and does nothing else: the floor
// under spanfuse's run time. Prints the number of records read.
#include "numread.hpp"

#include <cstdio>
#include <unistd.h>

int main() {
    bk::NumberReader in(STDIN_FILENO);
    int n, split, flag;
    double center, spread;
    if (!in.integer(n)) return 1;
    for (int i = 0; i < n; ++i)
        if (!in.real(center) || !in.real(spread)) return 1;
    if (!in.integer(split)) return 1;
    for (int i = 0; i < n; ++i)
        if (!in.integer(flag)) return 1;
    std::printf("%d\n", n);
    return 0;
}
