#pragma once
// Row loops of the 8-bit and 16-bit scaled arithmetic. The exact value of
// every such operation fits in 32 bits, so the scale factor is turned once
// per call into a shift and a bias and the loops stay branch-free (the
// compiler vectorises them). A vector variant is picked at run time; both
// are exposed so the tests can hold each against the other.
//
//   scaled_rows::ConstRow(scaled_rows::Op::Mul, x, Ipp16s{3}, d, n, sf);  // d[i] = x[i]*3, scaled
//   scaled_rows::BinaryRow(scaled_rows::Op::Add, x, y, n, sf);            // y[i] = y[i]+x[i], scaled
//
// Results are those of SfsRound (math/sfs.h) for every scale factor.
#include "math/types.h"

namespace tavrel::kernels::scaled_rows {

enum class Op { Add, Sub, Mul };
enum class Variant { Dispatched, Plain, Avx2 };  // Avx2 only where the processor has it

// d[i] = x[i] op v, scaled and saturated; x may be d (in place).
void ConstRow(Op op, const Ipp8u* x, Ipp8u v, Ipp8u* d, int n, int sf,
              Variant variant = Variant::Dispatched);
void ConstRow(Op op, const Ipp16s* x, Ipp16s v, Ipp16s* d, int n, int sf,
              Variant variant = Variant::Dispatched);
// y[i] = y[i] op x[i], scaled and saturated.
void BinaryRow(Op op, const Ipp8u* x, Ipp8u* y, int n, int sf,
               Variant variant = Variant::Dispatched);
void BinaryRow(Op op, const Ipp16s* x, Ipp16s* y, int n, int sf,
               Variant variant = Variant::Dispatched);

}  // namespace tavrel::kernels::scaled_rows
