// Start-up binding of the resize names.
#include "resample/resize_binding.h"

namespace tavrel {
namespace {

template <class Fn>
void Bind(const char* name, Fn& variable, Fn own) {
  void* found = GetIPPIProc(name);
  variable = found ? reinterpret_cast<Fn>(found) : own;
}

}  // namespace

void StartResizeBinding() {
  using namespace ResizeDispatcher;
  // The variables are set once for the whole run.
  if (ippiResize_8u_C3R) return;
  Bind("ippiResize_8u_C3R", ippiResize_8u_C3R, &kernels::ippiResize_8u_C3R);
  Bind("ippiResize_8u_C4R", ippiResize_8u_C4R, &kernels::ippiResize_8u_C4R);
  Bind("ippiResize_8u_C1R", ippiResize_8u_C1R, &kernels::ippiResize_8u_C1R);
  Bind("ippiResize_16u_C1R", ippiResize_16u_C1R, &kernels::ippiResize_16u_C1R);
  Bind("ippiResizeCenter_8u_C4R", ippiResizeCenter_8u_C4R, &kernels::ippiResizeCenter_8u_C4R);
}

std::vector<ModuleStep> ResampleModuleSteps() { return {{"ResizeBinding", StartResizeBinding, {}}}; }

}  // namespace tavrel
