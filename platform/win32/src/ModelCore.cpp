// The Win32 model's reset, leak checks, violation reports and handle values.
#include "ModelCore.h"

#include <cstdio>

namespace win32model {
namespace {
ViolationHook g_hook;
ViolationCapture *g_capture = nullptr;
// Above the range of small integers and of MAKEINTRESOURCE values.
uintptr_t g_next_handle = 0x00100000;
}  // namespace

void SetViolationHook(ViolationHook hook) { g_hook = std::move(hook); }

void ReportViolation(const std::string &message) {
  if (g_capture != nullptr) {
    g_capture->messages_.push_back(message);
    return;
  }
  if (g_hook) {
    g_hook(message);
  } else {
    std::fprintf(stderr, "win32 model: %s\n", message.c_str());
  }
}

ViolationCapture::ViolationCapture() : outer_(g_capture) { g_capture = this; }

ViolationCapture::~ViolationCapture() { g_capture = outer_; }

bool ViolationCapture::Contains(const std::string &fragment) const {
  for (const std::string &m : messages_) {
    if (m.find(fragment) != std::string::npos) return true;
  }
  return false;
}

void Reset() {
  // Windows go first: closing them may still touch dialogs and resources.
  detail::ResetControlPanelModel();
  detail::ResetDialogModel();
  detail::ResetMessageBoxes();
  detail::ResetWindowModel();
  detail::ResetResourceModel();
  detail::ResetRegistryModel();
  detail::ResetLastError();
}

std::vector<std::string> LeftBehind() {
  std::vector<std::string> items;
  detail::RegistryLeftBehind(items);
  detail::DialogLeftBehind(items);
  return items;
}

namespace detail {

uintptr_t NewHandleValue() {
  uintptr_t value = g_next_handle;
  g_next_handle += 4;
  return value;
}

std::string HandleText(const void *handle) {
  char text[32];
  std::snprintf(text, sizeof text, "%#llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
  return text;
}

}  // namespace detail
}  // namespace win32model
