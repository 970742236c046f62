#pragma once
// The routine table: each binding module's routine names in the order the
// module binds them at start-up. Every name is a routine variable in the
// module's namespace (math/binding.h).
#include <span>
#include <string_view>

#include "math/binding.h"

namespace tavrel {

std::span<const std::string_view> RoutineNames(BindingModule module);

}  // namespace tavrel
