#pragma once
// Reference results for the numeric tests: direct sums in long double.
#include <cmath>
#include <complex>
#include <cstddef>
#include <random>
#include <vector>

namespace tavrel::oracle {

using LComplex = std::complex<long double>;

inline constexpr long double kPi = 3.141592653589793238462643383279502884L;

// e^(-+2 pi i e / N) for e = 0 .. N-1.
inline std::vector<LComplex> TwiddleTable(std::size_t N, bool inverse) {
  std::vector<LComplex> table(N);
  const long double sign = inverse ? 1.0L : -1.0L;
  for (std::size_t e = 0; e < N; ++e) {
    const long double angle = sign * 2.0L * kPi * static_cast<long double>(e) / static_cast<long double>(N);
    table[e] = LComplex(std::cos(angle), std::sin(angle));
  }
  return table;
}

// Plain real arithmetic: std::complex's multiply is slow in unoptimised builds.
inline LComplex DftSum(const LComplex* x, const LComplex* table, std::size_t N, std::size_t k) {
  // std::complex is laid out as two reals.
  const auto* xs = reinterpret_cast<const long double*>(x);
  const auto* ts = reinterpret_cast<const long double*>(table);
  long double re = 0, im = 0;
  std::size_t e = 0;
  for (std::size_t n = 0; n < N; ++n) {
    const long double a = xs[2 * n], b = xs[2 * n + 1], c = ts[2 * e], d = ts[2 * e + 1];
    re += a * c - b * d;
    im += a * d + b * c;
    e += k;
    if (e >= N) e -= N;
  }
  return {re, im};
}

// X[k] = sum x[n] e^(-+2 pi i n k / N), exact index reduction; O(N) per bin.
inline LComplex DftBin(const std::vector<LComplex>& x, const std::vector<LComplex>& table, std::size_t k) {
  const std::size_t N = x.size();
  return DftSum(x.data(), table.data(), N, k);
}

inline std::vector<LComplex> Dft(const std::vector<LComplex>& x, bool inverse) {
  const std::size_t N = x.size();
  const auto table = TwiddleTable(N, inverse);
  std::vector<LComplex> out(N);
  for (std::size_t k = 0; k < N; ++k) {
    out[k] = DftSum(x.data(), table.data(), N, k);
  }
  return out;
}

inline long double Norm2(const std::vector<LComplex>& x) {
  long double s = 0;
  for (const auto& v : x) s += std::norm(v);
  return std::sqrt(s);
}

// c * log2(N) * eps * ||x|| with a floor for the tiny sizes.
inline double FFTTolerance(std::size_t N, long double norm, double c = 4.0) {
  const double logN = N > 2 ? std::log2(static_cast<double>(N)) : 1.0;
  return c * logN * 2.220446049250313e-16 * static_cast<double>(norm) + 1e-300;
}

// dst[n] = sum a[i] b[n-i].
inline std::vector<long double> Convolve(const double* a, std::size_t la, const double* b, std::size_t lb) {
  std::vector<long double> out(la + lb - 1, 0.0L);
  for (std::size_t i = 0; i < la; ++i)
    for (std::size_t j = 0; j < lb; ++j) out[i + j] += static_cast<long double>(a[i]) * b[j];
  return out;
}

inline std::vector<double> RandomVector(std::size_t n, unsigned seed, double lo = -1.0, double hi = 1.0) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(lo, hi);
  std::vector<double> v(n);
  for (auto& x : v) x = dist(rng);
  return v;
}

}  // namespace tavrel::oracle
