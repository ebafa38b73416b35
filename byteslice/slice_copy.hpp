// The arithmetic of a byte range and the copy that moves it.
#pragma once

#include <cstdint>

// The bytes a size asks for: its whole part, plus one when the fraction left is at least one
// half. NaN and sizes below one half ask for nothing; sizes of 2^64 and more, infinity
// included, ask for everything (UINT64_MAX).
std::uint64_t bytes_wanted(double size);

// The seek distance for an offset truncated toward zero: forward from the current position,
// or, from_end, back from the end (so negated). False when the offset is NaN, infinite or
// does not fit a signed 64-bit file offset either way.
bool seek_distance(double offset, bool from_end, std::int64_t &distance);

// What may be copied of wanted when out is the very regular file that in reads: no more than
// lies between in's position and the file's end as it is now, so that the copy never reads
// back what it wrote (as "byteslice 0 inf f >> f" would, until the disk is full). Otherwise
// wanted, unchanged.
std::uint64_t limit_to_own_output(int in, int out, std::uint64_t wanted);

// Copies up to wanted bytes from in to out and stops early at the end of in. copied grows by
// the bytes that reached out. False, with errno set, when a read or a write fails.
bool copy_range(int in, int out, std::uint64_t wanted, std::uint64_t &copied);
