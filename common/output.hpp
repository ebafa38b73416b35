// Checked standard output. Bytes are gathered in a fixed buffer and written with write(2);
// the first failed write reports "prog: write error: <reason>" and exits with the failure
// status, so a full disk or a closed descriptor is never reported as success.
#pragma once

#include <cstddef>
#include <string_view>

namespace bk {

void out_write(std::string_view bytes);
inline void out_char(char c) {
    out_write(std::string_view(&c, 1));
}

// Writes whatever is buffered; call before a successful exit.
void out_flush();

// Writes v as printf's "%.0f" does: every digit exact, halves rounded to even, "-0" for a
// negative value that rounds to zero, "inf", "-inf", "nan", "-nan". out needs room for
// whole_text_size bytes, all of which it may write. Returns the end of the text; adds no NUL.
inline constexpr std::size_t whole_text_size = 320;
char *format_whole(char *out, double v);

// Writes all of [data, data + size) to fd, retrying short writes and EINTR.
// Returns the number of bytes written; fewer than size means errno holds the reason.
std::size_t write_all(int fd, const void *data, std::size_t size);

} // namespace bk
