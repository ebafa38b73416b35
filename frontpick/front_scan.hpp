// The trade-off front of candidates with two error values, FP and FN, lower being better.
#pragma once

#include <cstddef>
#include <vector>

// Sorts the candidates by rising FP, then rising FN (candidates equal in both keep the order
// given), and scans that order: the first candidate of each run of equal FP joins the front
// when its FN is strictly below that of the last one joined, starting from 1. Fills front
// with the joined candidates in scan order and returns best: candidate 0, replaced by a
// joined candidate only when that one is strictly nearer to (0, 0).
// fp and fn hold n >= 1 values each, none NaN.
std::size_t front_scan(const std::vector<double> &fp, const std::vector<double> &fn,
                       std::vector<std::size_t> &front);
