// The loaded resource modules, for the calls that find resources in them.
#pragma once

#include <win32_resources.h>

namespace win32model {
namespace detail {

// The module's resources; null for a null handle (the program's own image,
// which holds no resources on the host). An unknown non-null handle is a
// violation reported in the name of `function`.
const ResourceFile *ModuleFor(HINSTANCE module, const char *function);
bool IsLoadedModule(HINSTANCE module);

}  // namespace detail
}  // namespace win32model
