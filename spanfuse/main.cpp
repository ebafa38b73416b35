// spanfuse: merge scaled intervals read from standard input and print their union.
#include "diag.hpp"
#include "interval_list.hpp"
#include "numread.hpp"
#include "output.hpp"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static void interval_list_print(interval_list &list) {
    // Each entry as " %.0f %.0f" would print it.
    char line[2 * bk::whole_text_size + 2];
    for (std::size_t i = 0; i < list.count; ++i) {
        if (list.end[i] <= 0) continue;
        if (list.start[i] < 0) list.start[i] = 0;
        char *p = line;
        *p++ = ' ';
        p = bk::format_whole(p, list.start[i]);
        *p++ = ' ';
        p = bk::format_whole(p, list.end[i]);
        bk::out_write({line, static_cast<std::size_t>(p - line)});
    }
    bk::out_char('\n');
}

int main(int argc, char **argv) {
    bk::diag_init("spanfuse", -1);
    static const char usage[] = "Usage: spanfuse [f|b] <factor>\n";
    if (argc != 3) bk::die(usage);
    const char *mode = argv[1];
    if (std::strcmp(mode, "f") != 0 && std::strcmp(mode, "b") != 0) bk::die(usage);
    double factor;
    if (!bk::parse_real(argv[2], factor)) bk::die(usage);

    // The arrays grow with the records actually read: the count is never trusted for a size.
    // When standard input is a file, room is made at once for as many records as its size
    // could plausibly hold (one in four bytes), up to a million, sparing the copies of growth;
    // a sparse file claims any size, hence the limit.
    bk::NumberReader in(STDIN_FILENO);
    static const char read_failure[] = "read failure\n";
    int n;
    if (!in.integer(n)) bk::die(read_failure);
    std::size_t room = 0;
    struct stat st;
    if (n > 0 && fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode))
        room = std::min({static_cast<std::size_t>(n), static_cast<std::size_t>(st.st_size) / 4,
                         std::size_t{1} << 20});
    std::vector<double> center, spread;
    std::vector<int> flag;
    center.reserve(room);
    spread.reserve(room);
    flag.reserve(room);
    for (int i = 0; i < n; ++i) {
        double c, s;
        if (!in.real(c) || !in.real(s)) bk::die(read_failure);
        center.push_back(c);
        spread.push_back(s);
    }
    int split;
    if (!in.integer(split)) bk::die(read_failure);
    for (int i = 0; i < n; ++i) {
        int f;
        if (!in.integer(f)) bk::die(read_failure);
        flag.push_back(f);
    }

    // A split beyond the records read is limited to them.
    std::size_t records = center.size();
    std::size_t first = 0, last = records;
    if (*mode == 'f')
        last = split <= 0 ? 0 : std::min(records, static_cast<std::size_t>(split));
    else
        first = split <= 0 ? 0 : std::min(records, static_cast<std::size_t>(split));

    interval_list list = interval_list_create(last - first);
    for (std::size_t i = first; i < last; ++i) {
        double w = factor * spread[i];
        double lo = center[i] - w;
        double hi = center[i] + w;
        if (flag[i] == -1 && lo > 0)
            lo = 0;
        else if (flag[i] == 1 && hi < 65535)
            hi = 65535;
        interval_list_push(list, lo, hi);
    }
    interval_list_finish(list);

    interval_list_print(list);
    bk::out_flush();
    return 0;
}
