#pragma once
// Parameter sweeps by test pass: the Release pass runs the whole sweep, the
// Debug and sanitizer passes one representative case per code path, where
// the whole sweep would take minutes.
//
//   for (int order : Sweep({13, 14, 15, 16, 17, 18, 19, 20, 21}, {13, 21})) ...
#include <initializer_list>
#include <vector>

#ifndef TAVREL_FULL_SWEEPS
#define TAVREL_FULL_SWEEPS 0
#endif

namespace tavrel::test {

inline constexpr bool kFullSweeps = TAVREL_FULL_SWEEPS != 0;

template <class T>
std::vector<T> Sweep(std::initializer_list<T> full, std::initializer_list<T> representative) {
  return kFullSweeps ? std::vector<T>(full) : std::vector<T>(representative);
}

}  // namespace tavrel::test
