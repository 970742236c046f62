#include "math/types.h"

#include <cstddef>
#include <type_traits>

namespace tavrel {
namespace {

// Complex values are laid out as the library's callers expect: re then im,
// no padding, so arrays of them can be viewed as interleaved reals. These
// are checked when the tests are built; a layout that breaks them does not
// compile.
template <class C, class R>
constexpr bool Interleaved() {
  return std::is_standard_layout_v<C> && sizeof(C) == 2 * sizeof(R) && offsetof(C, re) == 0 &&
         offsetof(C, im) == sizeof(R);
}
static_assert(Interleaved<Ipp64fc, Ipp64f>());
static_assert(Interleaved<Ipp32fc, Ipp32f>());
static_assert(Interleaved<Ipp16sc, Ipp16s>());

}  // namespace
}  // namespace tavrel
