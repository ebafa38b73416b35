// spanfuse: merge scaled intervals read from standard input and print their union.
#include "big_array.hpp"
#include "diag.hpp"
#include "interval_list.hpp"
#include "numread.hpp"
#include "output.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

// Each entry as " %.0f %.0f" would print it, but for those that end at or below zero; a
// start below zero prints as 0.
static void interval_list_print(const interval_bounds *entries, std::size_t count) {
    char line[2 * bk::whole_text_size + 2];
    for (std::size_t i = 0; i < count; ++i) {
        auto [start, end] = entries[i];
        if (end <= 0) continue;
        if (start < 0) start = 0;
        char *p = line;
        *p++ = ' ';
        p = bk::format_whole(p, start);
        *p++ = ' ';
        p = bk::format_whole(p, end);
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

    // One array holds the records as they are read, then the intervals, then the list. It grows
    // with the records actually read, never sized by the count alone; when standard input is
    // a file, room is made at once for as many records as its size could hold (one in six
    // bytes), which costs address space only.
    bk::NumberReader in(STDIN_FILENO);
    static const char read_failure[] = "read failure\n";
    int n;
    if (!in.integer(n)) bk::die(read_failure);
    big_array<interval_bounds> records;
    std::size_t limit = n > 0 ? static_cast<std::size_t>(n) : 0;
    struct stat st;
    if (limit > 0 && fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode))
        records.reserve(std::min(limit, static_cast<std::size_t>(st.st_size) / 6 + 1));
    for (int i = 0; i < n; ++i) {
        double center, spread;
        if (!in.real(center) || !in.real(spread)) bk::die(read_failure);
        if (!records.push_back({center, spread}, limit)) bk::die_errno("records", ENOMEM);
    }
    int split;
    if (!in.integer(split)) bk::die(read_failure);

    // A split beyond the records read is limited to them.
    std::size_t first = 0, last = records.size();
    if (*mode == 'f')
        last = split <= 0 ? 0 : std::min(last, static_cast<std::size_t>(split));
    else
        first = split <= 0 ? 0 : std::min(last, static_cast<std::size_t>(split));

    // Until its flag is read, a record's center and spread stand where its interval's bounds
    // will: the flag completes the interval, in place.
    for (std::size_t i = 0; i < limit; ++i) {
        int flag;
        if (!in.integer(flag)) bk::die(read_failure);
        if (i >= first && i < last)
            records[i] = interval_of(records[i].lo, records[i].hi, flag, factor);
    }

    interval_bounds *intervals = records.data() + first;
    std::size_t count;
    try {
        count = interval_list_merge(intervals, last - first);
    } catch (const std::bad_alloc &) {
        bk::die_errno("intervals", ENOMEM);
    }
    interval_list_print(intervals, count);
    bk::out_flush();
    return 0;
}
