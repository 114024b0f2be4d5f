// Shared pieces of the Win32 model's implementation: handle values, the last
// error, and the reset and leak checks of each part.
#pragma once

#include <win32_model.h>

#include <cstdint>
#include <string>
#include <vector>

namespace win32model {
namespace detail {

// A fresh handle value, never used before in this process, so that a handle
// kept from an earlier test cannot name a new object.
uintptr_t NewHandleValue();

template <typename Handle>
Handle NewHandle() {
  return reinterpret_cast<Handle>(NewHandleValue());
}

std::string HandleText(const void *handle);

// Each part resets its own state and lists what was left behind.
void ResetRegistryModel();
void ResetResourceModel();
void ResetWindowModel();
void ResetDialogModel();
void ResetControlPanelModel();
void ResetLastError();
void ResetMessageBoxes();
void RegistryLeftBehind(std::vector<std::string> &items);
void DialogLeftBehind(std::vector<std::string> &items);

}  // namespace detail
}  // namespace win32model
